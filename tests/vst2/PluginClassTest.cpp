// SPDX-License-Identifier: ISC
// The plug-in object itself: what reaches the engine, the vendor version's
// calendar, and parameters changing while audio runs.
#include "support/Signals.h"
#include "vst2/APlugin.h"

#include <atomic>
#include <gtest/gtest.h>
#include <random>
#include <thread>

namespace {

TEST(PluginObject, DefaultProgramReachesTheEngineAtTheFirstResume) {
    APlugin plugin(nullptr);
    const TDelayVoc& e = plugin.engine();
    EXPECT_TRUE(e.Forward()); // the engine's own value until then
    EXPECT_EQ(e.SampleRate(), 0.0f);
    plugin.resume();
    EXPECT_EQ(e.SampleRate(), 44100.0f);
    EXPECT_EQ(e.Delay(), 0);
    EXPECT_FALSE(e.DelayedAsCarrier());
    EXPECT_EQ(e.OutputGain(), 1.0f);
    EXPECT_EQ(e.StartBin(), 0);
    EXPECT_EQ(e.EndBin(), 512);
    EXPECT_EQ(e.Threshold(), 0.0f);
    EXPECT_EQ(e.TrackLength(), 600);
    EXPECT_EQ(e.WriteHead(), 0);
    EXPECT_EQ(e.RecordGain(), 1.0f);
    EXPECT_EQ(e.Wet(), 1.0f);
    EXPECT_EQ(e.Dry(), 0.0f);
    EXPECT_FALSE(e.Forward());
}

TEST(PluginObject, ANewSampleRateReachesTheEngineWithTheNextParameter) {
    APlugin plugin(nullptr);
    plugin.resume();
    plugin.setSampleRate(48000.0f);
    char text[32];
    plugin.getParameterDisplay(6, text);
    EXPECT_STREQ(text, "3200.00 ms "); // the display already uses the host's rate
    EXPECT_EQ(plugin.engine().BinWidth(), 44100.0f / 1024);
    plugin.setParameter(5, 0.0f);
    EXPECT_EQ(plugin.engine().BinWidth(), 46.875f);
}

TEST(PluginObject, ParameterFlagsFollowNearest) {
    APlugin plugin(nullptr);
    plugin.resume();
    plugin.setParameter(1, 0.5f);
    plugin.setParameter(10, 0.5f);
    EXPECT_FALSE(plugin.engine().DelayedAsCarrier());
    EXPECT_FALSE(plugin.engine().Forward());
    plugin.setParameter(1, 0.51f);
    plugin.setParameter(10, 0.51f);
    EXPECT_TRUE(plugin.engine().DelayedAsCarrier());
    EXPECT_TRUE(plugin.engine().Forward());
    EXPECT_EQ(plugin.storedParameter(10), 0.51f);
}

TEST(PluginObject, VendorVersionPacksTheLocalDate) {
    APlugin plugin(nullptr);
    const std::pair<CalendarDate, int32_t> rows[] = {
        {{2026, 12, 6}, 1569062912},
        {{1980, 1, 1}, (1 << 21) | (1 << 16)},
        {{2107, 12, 31}, static_cast<int32_t>((127u << 25) | (12u << 21) | (31u << 16))},
        {{1979, 12, 31}, 0},
        {{2108, 1, 1}, 0},
    };
    for (const auto& [date, packed] : rows) {
        plugin.setDateSource([date = date] { return date; });
        EXPECT_EQ(plugin.getVendorVersion(), packed) << date.year << "-" << date.month;
        EXPECT_EQ(plugin.dispatcher(effGetVendorVersion, 0, 0, nullptr, 0), packed);
    }
    const CalendarDate today = LocalCalendarDate();
    EXPECT_GE(today.year, 2024);
    EXPECT_GE(today.month, 1);
    EXPECT_LE(today.month, 12);
}

// Parameters and texts from other threads while the audio thread processes: the
// sanitizer builds check that every shared value is accessed without a race.
TEST(PluginObject, ParametersAndTextsWhileAudioRuns) {
    APlugin plugin(nullptr);
    plugin.resume();
    std::atomic<bool> done{false};
    std::thread automation([&] {
        std::mt19937 random(3);
        while (!done.load()) {
            plugin.setParameter(static_cast<int32_t>(random() % 11), (random() % 1001) / 1000.0f);
            if (random() % 50 == 0) plugin.resume();
        }
    });
    std::thread interface([&] {
        char text[32];
        for (int32_t i = 0; !done.load(); i = (i + 1) % 11) {
            (void)plugin.getParameter(i);
            plugin.getParameterDisplay(i, text);
        }
    });
    const std::vector<float> input = Tones({{440, 0.5}}, 44100, 128);
    std::vector<float> output(input.size());
    float* in[1] = {const_cast<float*>(input.data())};
    float* out[1] = {output.data()};
    for (int block = 0; block < 2000; ++block)
        plugin.processReplacing(in, out, 128);
    done = true;
    automation.join();
    interface.join();
    for (int32_t i = 0; i < 11; ++i) {
        EXPECT_GE(plugin.getParameter(i), 0.0f);
        EXPECT_LE(plugin.getParameter(i), 1.0f);
    }
}

// A host that suspends, changes the sample rate and resumes on its main thread
// while its automation thread goes on setting parameters and reading texts:
// the thread sanitizer build checks that the rate is shared without a race.
TEST(PluginObject, SampleRateChangesWhileAutomationRuns) {
    APlugin plugin(nullptr);
    AEffect* e = plugin.getAeffect();
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
    std::atomic<bool> done{false};
    std::thread automation([&] {
        std::mt19937 random(5);
        char text[32];
        while (!done.load()) {
            const auto index = static_cast<int32_t>(random() % 11);
            e->setParameter(e, index, (random() % 1001) / 1000.0f);
            e->dispatcher(e, effGetParamDisplay, index, 0, text, 0.0f);
        }
    });
    for (int round = 0; round < 2000; ++round) {
        e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0.0f);
        e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, round % 2 ? 48000.0f : 96000.0f);
        e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
    }
    done = true;
    automation.join();
    EXPECT_EQ(plugin.hostSampleRate(), 48000.0f);
    EXPECT_EQ(plugin.engine().SampleRate(), 48000.0f); // resume passed the last rate on
}

} // namespace
