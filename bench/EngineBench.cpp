// The engine's cost per hop, with the gate open (every hop records the whole
// band: the worst case) and closed, and the real-time factor of one instance.
#include "engine/DelayVoc.h"

#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace {

constexpr int32_t kHop = TDelayVoc::HopLength;
constexpr double kRate = 44100.0;

std::vector<float> Noise(size_t length) {
    std::mt19937 random(2);
    std::uniform_real_distribution<float> uniform(-0.5f, 0.5f);
    std::vector<float> signal(length);
    for (float& v : signal)
        v = uniform(random);
    return signal;
}

// Processes one hop per iteration, so the time per iteration is the time per hop.
void RunHops(benchmark::State& state, float threshold) {
    TDelayVoc engine;
    engine.SetSampleRate(static_cast<float>(kRate));
    engine.threshold = threshold;
    engine.delay = 100;
    const std::vector<float> input = Noise(kHop * 64);
    std::vector<float> output(kHop);
    size_t hop = 0;
    for (auto _ : state) {
        engine.Process(input.data() + (hop++ % 64) * kHop, output.data(), kHop);
        benchmark::DoNotOptimize(output.data());
    }
    state.SetLabel("time per iteration = time per hop");
}

void HopGateOpen(benchmark::State& state) { RunHops(state, 0.0f); }
void HopGateClosed(benchmark::State& state) { RunHops(state, 1e30f); }
BENCHMARK(HopGateOpen);
BENCHMARK(HopGateClosed);

// Seconds of audio per second of processing, for one instance at 44.1 kHz with
// the gate open, in host-sized blocks of 512.
void RealTimeFactor(benchmark::State& state) {
    TDelayVoc engine;
    engine.SetSampleRate(static_cast<float>(kRate));
    engine.delay = 100;
    const std::vector<float> input = Noise(44100);
    std::vector<float> output(512);
    size_t position = 0;
    for (auto _ : state) {
        engine.Process(input.data() + position, output.data(), 512);
        position = (position + 512) % (44100 - 512);
        benchmark::DoNotOptimize(output.data());
    }
    const double audioSeconds = static_cast<double>(state.iterations()) * 512 / kRate;
    state.counters["audio_seconds_per_second"] =
        benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
}
BENCHMARK(RealTimeFactor);

} // namespace
