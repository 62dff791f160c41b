// SPDX-License-Identifier: ISC
// Test signals, and the comparison of two renders bit for bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Sum of sines, each given as (frequency in Hz, amplitude), at the sample rate.
std::vector<float> Tones(const std::vector<std::pair<double, double>>& partials, double rate,
                         int32_t length);
// Uniform noise in -amplitude .. amplitude, reproducible from the seed.
std::vector<float> Noise(int32_t length, float amplitude, unsigned seed);
// Noise (reproducible from the seed) in stretches of `hop` samples, each
// scaled so that its absolute values add up to its entry of `levels`: the
// level the effect's gate compares with its threshold, set hop by hop.
std::vector<float> NoiseAtHopLevels(const std::vector<float>& levels, int32_t hop, unsigned seed);
// Tones, with bursts of noise (reproducible from the seed) and gaps of silence
// from a third of a second on: every state the effect's gate and loop can be in.
std::vector<float> TestSignal(double rate, int32_t length, unsigned seed = 77);
// The index of the first sample whose bits differ (0 for renders of unequal
// length), or -1 when the renders are the same.
std::ptrdiff_t FirstDifference(const std::vector<float>& a, const std::vector<float>& b);
// The sum of the squares of the samples.
double Energy(const std::vector<float>& signal);
// Whether each of the `count` values is finite.
bool AllFinite(const float* values, size_t count);
inline bool AllFinite(const std::vector<float>& values) {
    return AllFinite(values.data(), values.size());
}
