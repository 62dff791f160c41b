// The engine's transform at its one length, 1024.
#include "dsp/RealFFT.h"

#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace {

std::vector<float> Frame() {
    std::mt19937 random(1);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<float> frame(1024);
    for (float& v : frame)
        v = uniform(random);
    return frame;
}

void ForwardTransform1024(benchmark::State& state) {
    TRealFFT fft(1024);
    const std::vector<float> signal = Frame();
    std::vector<float> spectrum(1024);
    for (auto _ : state) {
        fft.ForwardTransform(spectrum.data(), signal.data());
        benchmark::DoNotOptimize(spectrum.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(ForwardTransform1024);

void InverseTransform1024(benchmark::State& state) {
    TRealFFT fft(1024);
    const std::vector<float> spectrum = Frame();
    std::vector<float> signal(1024);
    for (auto _ : state) {
        fft.InverseTransform(spectrum.data(), signal.data());
        benchmark::DoNotOptimize(signal.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(InverseTransform1024);

} // namespace
