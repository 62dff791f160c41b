// SPDX-License-Identifier: ISC
#include "Signals.h"

#include <algorithm>
#include <cmath>
#include <cstring>
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

std::vector<float> NoiseAtHopLevels(const std::vector<float>& levels, int32_t hop, unsigned seed) {
    std::vector<float> signal = Noise(static_cast<int32_t>(levels.size()) * hop, 1.0f, seed);
    for (size_t h = 0; h < levels.size(); ++h) {
        float* samples = signal.data() + h * static_cast<size_t>(hop);
        double sum = 0;
        for (int32_t i = 0; i < hop; ++i)
            sum += std::fabs(samples[i]);
        for (int32_t i = 0; i < hop; ++i)
            samples[i] = static_cast<float>(samples[i] * levels[h] / sum);
    }
    return signal;
}

std::vector<float> TestSignal(double rate, int32_t length, unsigned seed) {
    std::vector<float> signal = Tones({{220, 0.2}, {331, 0.15}, {1234.5, 0.1}}, rate, length);
    const std::vector<float> noise = Noise(length, 0.3f, seed);
    const size_t phrase = static_cast<size_t>(rate) / 3;
    for (size_t i = phrase; i < signal.size(); ++i)
        signal[i] = (i / phrase) % 3 == 0 ? 0.0f : signal[i] + noise[i] * ((i / phrase) % 2);
    return signal;
}

std::ptrdiff_t FirstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size()) return 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) return static_cast<std::ptrdiff_t>(i);
    return -1;
}

double Energy(const std::vector<float>& signal) {
    double energy = 0;
    for (const float sample : signal)
        energy += double{sample} * sample;
    return energy;
}

bool AllFinite(const float* values, size_t count) {
    return std::all_of(values, values + count, [](float v) { return std::isfinite(v); });
}
