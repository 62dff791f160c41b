// SPDX-License-Identifier: ISC
#include "tools/Demo.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace {

constexpr int kRate = 44100;

// Adds a note with a short attack and release, so the sections start cleanly.
void AddNote(std::vector<float>& signal, double start, double length, double frequency,
             double amplitude) {
    const auto first = static_cast<size_t>(start * kRate);
    const auto count = static_cast<size_t>(length * kRate);
    const double ramp = 0.01 * kRate;
    for (size_t i = 0; i < count && first + i < signal.size(); ++i) {
        const double t = static_cast<double>(i);
        const double envelope = std::min({1.0, t / ramp, (static_cast<double>(count) - t) / ramp});
        signal[first + i] += static_cast<float>(
            amplitude * envelope * std::sin(2 * std::numbers::pi * frequency * t / kRate));
    }
}

} // namespace

AudioData SynthesiseDemoSignal() {
    std::vector<float> signal(static_cast<size_t>(6.0 * kRate), 0.0f);
    // A chord for a second and a half.
    for (const double frequency : {220.0, 277.18, 329.63, 440.0})
        AddNote(signal, 0.0, 1.5, frequency, 0.12);
    // Silence, then a melody of eight notes.
    const double melody[] = {523.25, 587.33, 659.26, 783.99, 659.26, 587.33, 523.25, 392.0};
    for (int i = 0; i < 8; ++i)
        AddNote(signal, 1.8 + i * 0.25, 0.22, melody[i], 0.3);
    // Silence, then three bursts of noise with gaps.
    std::mt19937 random(2004);
    std::uniform_real_distribution<float> uniform(-0.25f, 0.25f);
    for (int burst = 0; burst < 3; ++burst) {
        const auto start = static_cast<size_t>((4.2 + burst * 0.5) * kRate);
        for (size_t i = 0; i < static_cast<size_t>(0.2 * kRate); ++i)
            signal[start + i] = uniform(random);
    }
    AudioData audio;
    audio.sampleRate = kRate;
    audio.channels.push_back(std::move(signal));
    return audio;
}

std::vector<const FactoryPreset*> DemoPresets() {
    std::vector<const FactoryPreset*> presets;
    for (const char* name : {"spectral echo", "reverse carrier", "band freeze"})
        presets.push_back(FindFactoryPreset(name));
    return presets;
}
