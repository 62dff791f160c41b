// SPDX-License-Identifier: ISC
// The shell writes engine quantities from other threads while the audio thread
// processes. Under ThreadSanitizer this proves the access is defined behaviour;
// in every build it shows that no value written meanwhile breaks the engine.
#include "engine/DelayVoc.h"
#include "support/Signals.h"

#include <atomic>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <thread>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(Threads, QuantitiesWrittenWhileProcessingKeepTheEngineSound) {
    TDelayVoc e;
    e.SetSampleRate(44100.0f);
    std::atomic<bool> done{false};

    std::thread writer([&] {
        std::mt19937 random(42);
        const float floats[] = {0.0f, 0.5f, 1.0f, 2.0f, 1e30f, -1.0f, kNaN, kInf};
        const float rates[] = {22050.0f, 44100.0f, 48000.0f, 96000.0f, 0.0f, -1.0f};
        auto anyFloat = [&] { return floats[random() % std::size(floats)]; };
        auto anyInt = [&] { return static_cast<int32_t>(random() % 1400) - 100; };
        // One writer per setter (the track length twice as often), and a pause.
        const std::function<void()> writes[] = {
            [&] { e.SetDelay(anyInt()); },
            [&] { e.SetDelayedAsCarrier(random() % 2); },
            [&] { e.SetOutputGain(anyFloat()); },
            [&] { e.SetStartBin(anyInt()); },
            [&] { e.SetEndBin(anyInt()); },
            [&] { e.SetThreshold(anyFloat()); },
            [&] { e.SetWriteHead(anyInt()); },
            [&] { e.SetRecordGain(anyFloat()); },
            [&] { e.SetForward(random() % 2); },
            [&] { e.SetTrackLength(anyInt()); },
            [&] { e.SetTrackLength(anyInt()); },
            [&] { e.SetMix(anyFloat()); },
            [&] { e.SetSampleRate(rates[random() % std::size(rates)]); },
            [] { std::this_thread::yield(); },
        };
        while (!done.load())
            writes[random() % std::size(writes)]();
    });

    const std::vector<float> input = Tones({{440, 0.5}, {3100, 0.2}}, 44100, 64);
    std::vector<float> output(input.size());
    for (int block = 0; block < 3000; ++block)
        e.Process(input.data(), output.data(), static_cast<int32_t>(input.size()));
    done = true;
    writer.join();

    // Sane values again: the track and the phases never took a non-finite value,
    // so the output recovers once the overlap-add has moved on.
    e.SetSampleRate(44100.0f);
    e.SetTrackLength(50);
    e.SetMix(1.0f);
    e.SetRecordGain(1.0f);
    e.SetOutputGain(1.0f);
    e.SetThreshold(0.0f);
    e.SetDelay(0);
    e.SetStartBin(0);
    e.SetEndBin(512);
    const std::vector<float> tone = Tones({{440, 0.5}}, 44100, 256 * 60);
    std::vector<float> after(tone.size());
    e.Process(tone.data(), after.data(), static_cast<int32_t>(tone.size()));
    for (size_t t = 256 * 8; t < after.size(); ++t)
        ASSERT_TRUE(std::isfinite(after[t])) << t;
    ASSERT_TRUE(AllFinite(e.LastPhases(), 512));
    ASSERT_TRUE(AllFinite(e.SynthesisPhases(), 512));
}

} // namespace
