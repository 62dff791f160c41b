#include "Signals.h"

#include <cmath>
#include <numbers>
#include <random>

std::vector<float> Tones(const std::vector<std::pair<double, double>>& partials, double rate,
                         int32_t length) {
    std::vector<float> signal(static_cast<size_t>(length));
    for (int32_t t = 0; t < length; ++t) {
        double sum = 0;
        for (const auto& [frequency, amplitude] : partials)
            sum += amplitude * std::sin(2 * std::numbers::pi * frequency * t / rate);
        signal[t] = static_cast<float>(sum);
    }
    return signal;
}

std::vector<float> Noise(int32_t length, float amplitude, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> uniform(-amplitude, amplitude);
    std::vector<float> signal(static_cast<size_t>(length));
    for (float& v : signal)
        v = uniform(random);
    return signal;
}
