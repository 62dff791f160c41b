// SPDX-License-Identifier: ISC
// What the editor costs the audio thread: one effect, mono and stereo, in
// blocks of 64, 256 and 1024 samples with the gate open over the full band
// (every hop records a frame, which the feed then sends), without a reader
// and with one that takes a picture 30 times a second of audio. Only the
// processing is timed: the reader reduces the frames it takes on the editor's
// thread in a host (here it may still cool the caches between blocks).
// Reported as time per hop and the real-time factor; the feed's memory is in
// the label.
#include "core/LoopFeed.h"
#include "core/TapestrumEffect.h"

#include "BenchSignals.h"

#include <benchmark/benchmark.h>
#include <chrono>
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
    const std::vector<float> input = UniformNoise(44100 + 2 * 4096, 0.5f, 2);
    std::vector<float> left(static_cast<size_t>(block)), right(left.size());
    const LoopFeed& feed = effect.loopFeed();
    if (reader) feed.attach();
    const int64_t blocksPerPicture = std::max<int64_t>(1, int64_t(kRate / 30) / block);
    size_t position = 0;
    int64_t blocks = 0;
    uint32_t pictures = 0;
    double audioSeconds = 0.0;
    for (auto _ : state) {
        const float* in = input.data() + position;
        const float* const inputs[] = {in, in + 4096};
        float* const outputs[] = {left.data(), right.data()};
        const auto start = std::chrono::steady_clock::now();
        effect.processChannels(inputs, outputs, block);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        audioSeconds += took.count();
        position = (position + static_cast<size_t>(block)) % 44100;
        if (reader && ++blocks % blocksPerPicture == 0) pictures = feed.latest().publication;
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
    }
    benchmark::DoNotOptimize(pictures);
    if (reader) feed.detach();
    const double samples = static_cast<double>(state.iterations()) * block;
    state.counters["realtime_factor"] = samples / kRate / audioSeconds;
    state.counters["us_per_hop"] = audioSeconds * 1e6 / (samples / TDelayVoc::HopLength);
    state.SetLabel(std::string(reader ? "editor open" : "editor closed") + ", feed " +
                   std::to_string(LoopFeed::Footprint()) + " bytes");
}
BENCHMARK(EffectWithEditor)
    ->ArgsProduct({{1, 2}, {64, 256, 1024}, {0, 1}})
    ->ArgNames({"channels", "block", "reader"})
    ->UseManualTime();

} // namespace
