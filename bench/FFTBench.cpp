// SPDX-License-Identifier: ISC
// The engine's transform at its one length, 1024, on each instruction set, with
// FFTW's float real transforms of the same length in the same run as the
// yardstick.
#include "dsp/RealFFT.h"

#include "BenchSignals.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>
#include <vector>

namespace {

void Levels(benchmark::internal::Benchmark* b) {
    for (const SimdLevel level :
         {SimdLevel::Reference, SimdLevel::Sse2, SimdLevel::Avx2, SimdLevel::Wasm128})
        b->Arg(static_cast<int>(level));
}

void ForwardTransform1024(benchmark::State& state) {
    const auto level = static_cast<SimdLevel>(state.range(0));
    if (!SimdLevelAvailable(level)) return state.SkipWithError("not on this CPU");
    TRealFFT fft(1024, level);
    const std::vector<float> signal = UniformNoise(1024, 1.0f, 1);
    std::vector<float> spectrum(1024);
    for (auto _ : state) {
        fft.ForwardTransform(spectrum.data(), signal.data());
        benchmark::DoNotOptimize(spectrum.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(SimdLevelName(level));
}
BENCHMARK(ForwardTransform1024)->Apply(Levels);

void InverseTransform1024(benchmark::State& state) {
    const auto level = static_cast<SimdLevel>(state.range(0));
    if (!SimdLevelAvailable(level)) return state.SkipWithError("not on this CPU");
    TRealFFT fft(1024, level);
    const std::vector<float> spectrum = UniformNoise(1024, 1.0f, 1);
    std::vector<float> signal(1024);
    for (auto _ : state) {
        fft.InverseTransform(spectrum.data(), signal.data());
        benchmark::DoNotOptimize(signal.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(SimdLevelName(level));
}
BENCHMARK(InverseTransform1024)->Apply(Levels);

// FFTW's planned r2c and c2r transforms (FFTW_MEASURE), the yardstick.
void FftwForward1024(benchmark::State& state) {
    float* in = fftwf_alloc_real(1024);
    fftwf_complex* out = fftwf_alloc_complex(513);
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(1024, in, out, FFTW_MEASURE);
    const std::vector<float> signal = UniformNoise(1024, 1.0f, 1);
    std::copy(signal.begin(), signal.end(), in);
    for (auto _ : state) {
        fftwf_execute(plan);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    fftwf_destroy_plan(plan);
    fftwf_free(out);
    fftwf_free(in);
}
BENCHMARK(FftwForward1024);

void FftwInverse1024(benchmark::State& state) {
    fftwf_complex* in = fftwf_alloc_complex(513);
    float* out = fftwf_alloc_real(1024);
    fftwf_plan plan = fftwf_plan_dft_c2r_1d(1024, in, out, FFTW_MEASURE);
    const std::vector<float> frame = UniformNoise(1024, 1.0f, 1);
    for (int k = 0; k < 513; ++k) {
        in[k][0] = frame[static_cast<size_t>(k)];
        in[k][1] = k == 0 || k == 512 ? 0.0f : frame[static_cast<size_t>(1023 - k)];
    }
    for (auto _ : state) {
        // c2r overwrites its input: the planner's measurement already did, and
        // the transform's cost does not depend on the values.
        fftwf_execute(plan);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    fftwf_destroy_plan(plan);
    fftwf_free(out);
    fftwf_free(in);
}
BENCHMARK(FftwInverse1024);

} // namespace
