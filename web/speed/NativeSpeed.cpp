// SPDX-License-Identifier: ISC
// The native side of scripts/web-speed.sh: the C interface built for this
// machine, timed as the page's audio worklet drives the module (128-frame
// blocks, 44.1 kHz, every hop recorded). Prints the best of several passes in
// nanoseconds of processor time per block. speed.mjs times the WebAssembly
// modules the same way.
//   native_speed [SECONDS] [PASSES]
#include "c/tapestrum.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

constexpr int kBlock = 128;
constexpr float kRate = 44100.0f;

// The same noise as speed.mjs: a 32-bit linear congruential generator.
std::vector<float> Noise(size_t length) {
    std::vector<float> signal(length);
    uint32_t x = 1;
    for (float& v : signal) {
        x = x * 1664525u + 1013904223u;
        v = static_cast<float>((x >> 8) / 16777216.0 - 0.5);
    }
    return signal;
}

// The processor time this process has used, as speed.mjs measures it.
double ProcessorNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const int passes = argc > 2 ? std::atoi(argv[2]) : 5;
    const auto blocks = static_cast<size_t>(seconds * kRate / kBlock);
    const std::vector<float> input = Noise(blocks * kBlock);
    std::vector<float> output(kBlock);
    tapestrum* effect = tapestrum_new(kRate);
    // Threshold 0 (every hop recorded), a short delay, half wet.
    tapestrum_set_parameter(effect, 5, 0.0f);
    tapestrum_set_parameter(effect, 0, 0.3f);
    tapestrum_set_parameter(effect, 9, 0.5f);
    double best = 1e300;
    for (int pass = 0; pass < passes; ++pass) {
        const double start = ProcessorNanoseconds();
        for (size_t b = 0; b < blocks; ++b)
            tapestrum_process(effect, input.data() + b * kBlock, output.data(), kBlock);
        best = std::min(best, (ProcessorNanoseconds() - start) / static_cast<double>(blocks));
    }
    tapestrum_delete(effect);
    std::printf("%.1f\n", best);
    return 0;
}
