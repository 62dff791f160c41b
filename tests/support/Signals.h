// Test signals.
#pragma once

#include <cstdint>
#include <vector>

// Sum of sines, each given as (frequency in Hz, amplitude), at the sample rate.
std::vector<float> Tones(const std::vector<std::pair<double, double>>& partials, double rate,
                         int32_t length);
// Uniform noise in -amplitude .. amplitude, reproducible from the seed.
std::vector<float> Noise(int32_t length, float amplitude, unsigned seed);
