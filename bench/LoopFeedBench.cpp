// SPDX-License-Identifier: ISC
// What the editor costs the audio thread: one effect, mono and stereo, in
// blocks of 64, 256 and 1024 samples with the gate open over the full band
// (every hop records a frame, which the feed then sends), without a reader
// and with one that takes a picture 30 times a second of audio (its own time,
// reducing the frames, left out: a host spends it on another thread). Reported as
// time per hop and the real-time factor; the feed's memory is in the label.
#include "core/LoopFeed.h"
#include "core/TapestrumEffect.h"

#include <benchmark/benchmark.h>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kRate = 44100.0;

void EffectWithEditor(benchmark::State& state) {
    const auto channels = static_cast<int32_t>(state.range(0));
    const auto block = static_cast<int32_t>(state.range(1));
    const bool reader = state.range(2) != 0;
    TapestrumEffect effect(channels, SimdLevel::Best);
    effect.resume();
    effect.setParameter(kDelay, 0.5f);
    std::mt19937 random(2);
    std::uniform_real_distribution<float> uniform(-0.5f, 0.5f);
    std::vector<float> input(44100 + 2 * 4096);
    for (float& v : input)
        v = uniform(random);
    std::vector<float> left(static_cast<size_t>(block)), right(left.size());
    const LoopFeed& feed = effect.loopFeed();
    if (reader) feed.attach();
    const int64_t blocksPerPicture = std::max<int64_t>(1, int64_t(kRate / 30) / block);
    size_t position = 0;
    int64_t blocks = 0;
    uint32_t pictures = 0;
    for (auto _ : state) {
        const float* in = input.data() + position;
        const float* const inputs[] = {in, in + 4096};
        float* const outputs[] = {left.data(), right.data()};
        effect.processChannels(inputs, outputs, block);
        position = (position + static_cast<size_t>(block)) % 44100;
        // The editor reduces what it takes on its own thread in a host: not
        // the audio thread's time.
        if (reader && ++blocks % blocksPerPicture == 0) {
            state.PauseTiming();
            pictures = feed.latest().publication;
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
    }
    benchmark::DoNotOptimize(pictures);
    if (reader) feed.detach();
    const double samples = static_cast<double>(state.iterations()) * block;
    state.counters["realtime_factor"] =
        benchmark::Counter(samples / kRate, benchmark::Counter::kIsRate);
    state.counters["ns_per_hop"] = benchmark::Counter(
        samples / TDelayVoc::HopLength, benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
        benchmark::Counter::OneK::kIs1000);
    state.SetLabel(std::string(reader ? "editor open" : "editor closed") + ", feed " +
                   std::to_string(LoopFeed::Footprint()) + " bytes");
}
BENCHMARK(EffectWithEditor)
    ->ArgsProduct({{1, 2}, {64, 256, 1024}, {0, 1}})
    ->ArgNames({"channels", "block", "reader"});

} // namespace
