// SPDX-License-Identifier: ISC
// The benchmarks' input: uniform noise in [-amplitude, amplitude), the same
// for a given seed on every run.
#pragma once

#include <cstddef>
#include <random>
#include <vector>

inline std::vector<float> UniformNoise(size_t length, float amplitude, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> uniform(-amplitude, amplitude);
    std::vector<float> signal(length);
    for (float& v : signal)
        v = uniform(random);
    return signal;
}
