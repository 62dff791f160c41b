// SPDX-License-Identifier: ISC
// The engine's cost per hop on each instruction set, with the gate open (every
// hop records the whole band: the worst case) and closed, with normal and with
// subnormal input; the real-time factor of one instance, mono and stereo (two
// engines with the linked gate); and how many instances one core runs.
#include "engine/DelayVoc.h"
#include "engine/LinkedPair.h"

#include "BenchSignals.h"

#include <benchmark/benchmark.h>
#include <vector>

namespace {

constexpr int32_t kHop = TDelayVoc::HopLength;
constexpr double kRate = 44100.0;

// Processes one hop per iteration, so the time per iteration is the time per hop.
void RunHops(benchmark::State& state, float threshold, float amplitude) {
    const auto level = static_cast<SimdLevel>(state.range(0));
    if (!SimdLevelAvailable(level)) return state.SkipWithError("not on this CPU");
    TDelayVoc engine(level);
    engine.SetSampleRate(static_cast<float>(kRate));
    engine.SetThreshold(threshold);
    engine.SetDelay(100);
    const std::vector<float> input = UniformNoise(kHop * 64, amplitude, 2);
    std::vector<float> output(kHop);
    size_t hop = 0;
    for (auto _ : state) {
        engine.Process(input.data() + (hop++ % 64) * kHop, output.data(), kHop);
        benchmark::DoNotOptimize(output.data());
    }
    state.SetLabel(SimdLevelName(level));
}

void HopGateOpen(benchmark::State& state) { RunHops(state, 0.0f, 0.5f); }
void HopGateClosed(benchmark::State& state) { RunHops(state, 1e30f, 0.5f); }
// Input of 1e-39 noise: subnormal numbers throughout the analysis.
void HopGateOpenSubnormal(benchmark::State& state) { RunHops(state, 0.0f, 1e-39f); }

void Levels(benchmark::internal::Benchmark* b) {
    for (const SimdLevel level :
         {SimdLevel::Reference, SimdLevel::Sse2, SimdLevel::Avx2, SimdLevel::Wasm128})
        b->Arg(static_cast<int>(level));
}
BENCHMARK(HopGateOpen)->Apply(Levels);
BENCHMARK(HopGateClosed)->Apply(Levels);
BENCHMARK(HopGateOpenSubnormal)->Apply(Levels);

// Seconds of audio per second of processing for one instance (the best level)
// with the gate open, in host blocks of the given length, at the given rate.
void Blocks(benchmark::State& state, double rate) {
    const auto block = static_cast<int32_t>(state.range(0));
    TDelayVoc engine;
    engine.SetSampleRate(static_cast<float>(rate));
    engine.SetDelay(100);
    const std::vector<float> input = UniformNoise(44100, 0.5f, 2);
    std::vector<float> output(static_cast<size_t>(block));
    size_t position = 0;
    for (auto _ : state) {
        engine.Process(input.data() + position, output.data(), block);
        position = (position + static_cast<size_t>(block)) % (44100 - 4096);
        benchmark::DoNotOptimize(output.data());
    }
    const double audioSeconds = static_cast<double>(state.iterations()) * block / rate;
    state.counters["realtime_factor"] =
        benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
    state.SetLabel(SimdLevelName(engine.Simd()));
}

void RealTimeFactor44k(benchmark::State& state) { Blocks(state, 44100.0); }
BENCHMARK(RealTimeFactor44k)->Arg(256)->Arg(512);

// The same for one stereo instance: seconds of stereo audio per second.
void StereoRealTimeFactor44k(benchmark::State& state) {
    const auto block = static_cast<int32_t>(state.range(0));
    TDelayVoc left;
    TDelayVoc right;
    for (TDelayVoc* engine : {&left, &right}) {
        engine->SetSampleRate(static_cast<float>(kRate));
        engine->SetDelay(100);
    }
    const std::vector<float> input = UniformNoise(44100, 0.5f, 2);
    std::vector<float> outLeft(static_cast<size_t>(block)), outRight(static_cast<size_t>(block));
    size_t position = 0;
    for (auto _ : state) {
        // The right channel is the same noise 4096 samples further on.
        const float* in = input.data() + position;
        ProcessLinkedPair(left, right, in, in + 4096, outLeft.data(), outRight.data(), block);
        position = (position + static_cast<size_t>(block)) % (44100 - 2 * 4096);
        benchmark::DoNotOptimize(outLeft.data());
        benchmark::DoNotOptimize(outRight.data());
    }
    const double audioSeconds = static_cast<double>(state.iterations()) * block / kRate;
    state.counters["realtime_factor"] =
        benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
    state.SetLabel(SimdLevelName(left.Simd()));
}
BENCHMARK(StereoRealTimeFactor44k)->Arg(256)->Arg(512);

// At 48 kHz in blocks of 128: the real-time factor is the number of instances
// one core keeps up with, gate open.
void InstancesPerCore48k(benchmark::State& state) { Blocks(state, 48000.0); }
BENCHMARK(InstancesPerCore48k)->Arg(128);

} // namespace
