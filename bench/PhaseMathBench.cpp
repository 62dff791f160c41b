// SPDX-License-Identifier: ISC
// The phase math of one hop: 512 atan2 (the analysis) and 512 sine-cosine pairs
// (the resynthesis), as the scalar libm loops and as each level's kernels. The
// kernels also do the rest of their per-bin work (magnitudes and frequencies;
// phase advance and the products), so their figures are an upper bound of the
// math alone.
#include "engine/HopKernels.h"

#include "BenchSignals.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <vector>

namespace {

constexpr int32_t kBins = 512;

void LibmAtan2x512(benchmark::State& state) {
    const std::vector<float> spectrum = UniformNoise(2 * kBins, 10.0f, 1);
    std::vector<float> phases(kBins);
    for (auto _ : state) {
        for (int32_t j = 0; j < kBins; ++j)
            phases[static_cast<size_t>(j)] = static_cast<float>(
                std::atan2(static_cast<double>(spectrum[static_cast<size_t>(j + kBins)]),
                           static_cast<double>(spectrum[static_cast<size_t>(j)])));
        benchmark::DoNotOptimize(phases.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(LibmAtan2x512);

void LibmSincos512(benchmark::State& state) {
    const std::vector<float> phases = UniformNoise(2 * kBins, 3e4f, 2);
    std::vector<float> out(2 * kBins);
    for (auto _ : state) {
        for (int32_t j = 0; j < kBins; ++j) {
            const double p = phases[static_cast<size_t>(j)];
            out[static_cast<size_t>(j)] = static_cast<float>(std::cos(p) * 2.0);
            out[static_cast<size_t>(j + kBins)] = static_cast<float>(std::sin(p) * 2.0);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(LibmSincos512);

void Levels(benchmark::internal::Benchmark* b) {
    for (const SimdLevel level :
         {SimdLevel::Reference, SimdLevel::Sse2, SimdLevel::Avx2, SimdLevel::Wasm128})
        b->Arg(static_cast<int>(level));
}

void Analysis512(benchmark::State& state) {
    const auto level = static_cast<SimdLevel>(state.range(0));
    if (!SimdLevelAvailable(level)) return state.SkipWithError("not on this CPU");
    const HopKernels& kernels = HopKernelsFor(level);
    const std::vector<float> spectrum = UniformNoise(2 * kBins, 10.0f, 3);
    std::vector<float> mags(kBins), freqs(kBins), last(kBins), phases(kBins);
    for (auto _ : state) {
        kernels.analyse({spectrum.data(), mags.data(), freqs.data(), last.data(), phases.data(), 0,
                         kBins, 43.06640625f, 1.5707964f, 27.4f});
        benchmark::DoNotOptimize(freqs.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(SimdLevelName(level));
}
BENCHMARK(Analysis512)->Apply(Levels);

void Synthesis512(benchmark::State& state) {
    const auto level = static_cast<SimdLevel>(state.range(0));
    if (!SimdLevelAvailable(level)) return state.SkipWithError("not on this CPU");
    const HopKernels& kernels = HopKernelsFor(level);
    const std::vector<float> start = UniformNoise(2 * kBins, 3e4f, 4),
                             mags = UniformNoise(2 * kBins, 2.0f, 5);
    std::vector<float> freqs(kBins), spectrum(2 * kBins),
        phases(start.begin(), start.begin() + kBins);
    for (int32_t j = 0; j < kBins; ++j)
        freqs[static_cast<size_t>(j)] = j * 43.06640625f;
    for (auto _ : state) {
        // The engine re-seeds its phases every revolution of the track; here
        // every call starts from the same ones.
        std::copy_n(start.begin(), kBins, phases.begin());
        kernels.synthesise({spectrum.data(), phases.data(), mags.data(), freqs.data(), 43.06640625f,
                            1.5707964f, 0.03647f});
        benchmark::DoNotOptimize(spectrum.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(SimdLevelName(level));
}
BENCHMARK(Synthesis512)->Apply(Levels);

} // namespace
