// The shell writes engine quantities from other threads while the audio thread
// processes. Under ThreadSanitizer this proves the access is defined behaviour;
// in every build it shows that no value written meanwhile breaks the engine.
#include "engine/DelayVoc.h"
#include "support/Signals.h"

#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <thread>

namespace {

TEST(Threads, QuantitiesWrittenWhileProcessingKeepTheEngineSound) {
    TDelayVoc e;
    e.SetSampleRate(44100.0f);
    std::atomic<bool> done{false};

    std::thread writer([&] {
        std::mt19937 random(42);
        const float floats[] = {0.0f,
                                0.5f,
                                1.0f,
                                2.0f,
                                1e30f,
                                -1.0f,
                                std::numeric_limits<float>::quiet_NaN(),
                                std::numeric_limits<float>::infinity()};
        const float rates[] = {22050.0f, 44100.0f, 48000.0f, 96000.0f, 0.0f, -1.0f};
        auto anyFloat = [&] { return floats[random() % std::size(floats)]; };
        auto anyInt = [&] { return static_cast<int32_t>(random() % 1400) - 100; };
        while (!done.load()) {
            switch (random() % 14) {
            case 0:
                e.SetDelay(anyInt());
                break;
            case 1:
                e.SetDelayedAsCarrier(random() % 2);
                break;
            case 2:
                e.SetOutputGain(anyFloat());
                break;
            case 3:
                e.SetStartBin(anyInt());
                break;
            case 4:
                e.SetEndBin(anyInt());
                break;
            case 5:
                e.SetThreshold(anyFloat());
                break;
            case 6:
                e.SetWriteHead(anyInt());
                break;
            case 7:
                e.SetRecordGain(anyFloat());
                break;
            case 8:
                e.SetForward(random() % 2);
                break;
            case 9:
            case 10:
                e.SetTrackLength(anyInt());
                break;
            case 11:
                e.SetMix(anyFloat());
                break;
            case 12:
                e.SetSampleRate(rates[random() % std::size(rates)]);
                break;
            default:
                std::this_thread::yield();
                break;
            }
        }
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
    for (int32_t i = 0; i < 512; ++i) {
        ASSERT_TRUE(std::isfinite(e.LastPhases()[i]));
        ASSERT_TRUE(std::isfinite(e.SynthesisPhases()[i]));
    }
}

} // namespace
