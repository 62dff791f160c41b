// Audio through the .clap file, bit for bit against the VST 2 module as the
// offline host renders it: the same settings, and parameter changes at the
// samples where the offline host's automation makes them.
#include "clap/ClapTestHost.h"
#include "core/ParameterTable.h"
#include "support/Signals.h"
#include "tools/Render.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

using Settings = std::vector<std::pair<int32_t, std::string>>;

// Two and a half seconds of tones with noise bursts and gaps.
std::vector<float> TestSignal(int rate) {
    const int32_t length = rate * 5 / 2;
    std::vector<float> signal = Tones({{220, 0.2}, {331, 0.15}, {1234.5, 0.1}}, rate, length);
    const std::vector<float> noise = Noise(length, 0.3f, 5);
    for (size_t i = 0; i < signal.size(); ++i)
        if ((i / 15000) % 3 == 1) signal[i] = (i / 5000) % 2 ? noise[i] : 0.0f;
    return signal;
}

// The index of the first sample whose bits differ, or -1.
std::ptrdiff_t FirstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size()) return 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) return static_cast<std::ptrdiff_t>(i);
    return -1;
}

std::vector<float> RenderVst2(const std::vector<float>& input, int rate, int32_t block,
                              const Settings& settings, const std::vector<Automation>& ramps) {
    AudioData audio;
    audio.sampleRate = rate;
    audio.channels.push_back(input);
    RenderSettings render;
    render.pluginPath = TAPESTRUM_MODULE_PATH;
    for (const auto& [index, value] : settings)
        render.parameters.emplace_back(std::to_string(index), value);
    render.automation = ramps;
    render.blockSize = block;
    return Render(audio, render).channels[0];
}

// As a CLAP host plays the same track: the settings and the ramps' first values
// flushed before activation, then blocks of `block` samples, each with the
// changes the offline host would make within it (every 32 samples, where a
// ramp's value changes) at their own sample times; the offline host's tail of
// silence after the input.
std::vector<float> RenderClap(const std::vector<float>& input, int rate, uint32_t block,
                              const Settings& settings, const std::vector<Automation>& ramps) {
    ClapModule module;
    ClapInstance e(module);
    EventList initial;
    for (const auto& [index, value] : settings)
        initial.add(0, static_cast<clap::Id>(index), std::stod(value));
    std::vector<float> lastSet;
    for (const Automation& ramp : ramps) {
        lastSet.push_back(static_cast<float>(RampValue(ramp.points, 0.0)));
        initial.add(0, static_cast<clap::Id>(std::stoi(ramp.parameter)), lastSet.back());
    }
    e.flush(initial);
    EXPECT_TRUE(e.activate(rate, block));

    std::vector<float> signal = input;
    signal.resize(input.size() + kDefaultTailFrames, 0.0f);
    std::vector<float> output(signal.size());
    for (size_t done = 0; done < signal.size(); done += block) {
        const size_t frames = std::min<size_t>(block, signal.size() - done);
        EventList changes;
        for (size_t n = std::max<size_t>(kAutomationStep, (done + kAutomationStep - 1) /
                                                              kAutomationStep * kAutomationStep);
             n < done + frames; n += kAutomationStep) {
            for (size_t r = 0; r < ramps.size(); ++r) {
                const auto value =
                    static_cast<float>(RampValue(ramps[r].points, static_cast<double>(n) / rate));
                if (value == lastSet[r]) continue;
                changes.add(static_cast<uint32_t>(n - done),
                            static_cast<clap::Id>(std::stoi(ramps[r].parameter)), value);
                lastSet[r] = value;
            }
        }
        EXPECT_EQ(e.process(signal.data() + done, output.data() + done,
                            static_cast<uint32_t>(frames), changes),
                  clap::kProcessContinue);
    }
    return output;
}

TEST(ClapAudio, RendersAsTheVst2Module) {
    const struct {
        const char* what;
        int rate;
        uint32_t block;
        Settings settings;
    } cases[] = {
        {"defaults", 44100, 512, {}},
        {"a loop at 48000 Hz in odd blocks",
         48000,
         100,
         {{kTrackLength, "0.6"},
          {kDelay, "0.45"},
          {kProcess, "1"},
          {kThreshold, "0.002"},
          {kRecStartFreq, "0.3"},
          {kRecEndFreq, "0.8"},
          {kHeadPosition, "0.3"},
          {kRecAmp, "0.7"},
          {kMix, "0.6"},
          {kHeadDirection, "1"}}},
    };
    for (const auto& c : cases) {
        const std::vector<float> input = TestSignal(c.rate);
        const std::vector<float> expected =
            RenderVst2(input, c.rate, static_cast<int32_t>(c.block), c.settings, {});
        const std::vector<float> output = RenderClap(input, c.rate, c.block, c.settings, {});
        EXPECT_EQ(FirstDifference(output, expected), -1) << c.what;
        EXPECT_NE(FirstDifference(output, std::vector<float>(output.size())), -1) << c.what;
    }
}

// The ramps cross (the recorded band's ends pass each other), so the order of
// changes at one sample matters as well as their times.
TEST(ClapAudio, ParameterEventsLandWhereTheOfflineHostsAutomationDoes) {
    const std::vector<Automation> ramps = {
        {std::to_string(kRecStartFreq), {{0.2, 0.0}, {2.0, 0.95}}},
        {std::to_string(kRecEndFreq), {{0.0, 1.0}, {2.2, 0.2}}},
        {std::to_string(kDelay), {{0.0, 0.1}, {1.0, 0.7}, {2.0, 0.3}}},
        {std::to_string(kProcess), {{1.2, 0.0}, {1.21, 1.0}}},
        {std::to_string(kHeadPosition), {{0.7, 0.0}, {0.9, 0.8}}},
    };
    const Settings settings = {{kTrackLength, "0.5"}, {kMix, "0.7"}};
    const std::vector<float> input = TestSignal(44100);
    const std::vector<float> expected = RenderVst2(input, 44100, 512, settings, ramps);
    EXPECT_EQ(FirstDifference(RenderClap(input, 44100, 512, settings, ramps), expected), -1);
}

// A reset leaves the instance as a new one with the same values; without it,
// what was heard before still sounds.
TEST(ClapAudio, ResetForgetsWhatWasHeard) {
    ClapModule module;
    const std::vector<float> before = Noise(30000, 0.5f, 9);
    const std::vector<float> after = TestSignal(44100);
    EventList loop;
    loop.add(0, kTrackLength, 0.4);
    loop.add(0, kDelay, 0.5);
    loop.add(0, kHeadPosition, 0.25);
    std::vector<float> outputs[3];
    for (int run = 0; run < 3; ++run) {
        ClapInstance e(module);
        e.flush(loop);
        ASSERT_TRUE(e.activate(44100));
        if (run > 0) e.run(before, 300);
        if (run == 1) e.plugin->reset(e.plugin);
        outputs[run] = e.run(after, 512);
    }
    EXPECT_EQ(FirstDifference(outputs[1], outputs[0]), -1);
    EXPECT_NE(FirstDifference(outputs[2], outputs[0]), -1);
}

// Events the effect has no use for are skipped, parameter changes for no
// parameter ignored; times out of order or past the block are taken as late as
// the order allows, within the block. Without an input the effect hears
// silence; without an output a block fails, but its changes are made.
TEST(ClapAudio, OddEventsAndBuffers) {
    ClapModule module;
    const std::vector<float> input = TestSignal(44100);
    std::vector<float> outputs[2];
    for (int run = 0; run < 2; ++run) {
        ClapInstance e(module);
        ASSERT_TRUE(e.activate(44100));
        outputs[run].resize(input.size());
        for (size_t done = 0; done + 512 <= input.size(); done += 512) {
            EventList events;
            events.add(100, kDelay, 0.3);
            if (run == 1) {
                clap::ParamValueEvent odd = EventList::Change(10, kMix, 0.0);
                odd.header.type = clap::kEventParamMod;
                events.add(odd);
                odd.header.type = clap::kEventNoteOn;
                events.add(odd);
                odd = EventList::Change(20, kMix, 0.0);
                odd.header.spaceId = 7;
                events.add(odd);
                odd = EventList::Change(30, kMix, 0.0);
                odd.header.size = sizeof(clap::EventHeader);
                events.add(odd);
                events.add(40, 11, 0.0);
                events.add(50, clap::kInvalidId, 0.0);
            }
            events.add(200, kOutAmp, 0.5);
            events.add(run == 0 ? 200 : 60, kMix, 0.9);
            events.add(run == 0 ? 512 : 9000, kOutAmp, 0.8);
            e.process(input.data() + done, outputs[run].data() + done, 512, events);
        }
        // Silence, given as zeros, or as no input at all.
        std::vector<float> zeros(512, 0.0f), last(512, 1.0f);
        float* in[1] = {zeros.data()};
        float* out[1] = {last.data()};
        const clap::AudioBuffer silentIn{in, nullptr, 1, 0, 0};
        clap::AudioBuffer silentOut{out, nullptr, 1, 0, 0};
        const EventList none;
        const clap::Process silence{
            0, 512, nullptr, &silentIn, &silentOut, run == 0 ? 1u : 0u, 1, none.list(), nullptr};
        EXPECT_EQ(e.plugin->process(e.plugin, &silence), clap::kProcessContinue);
        outputs[run].insert(outputs[run].end(), last.begin(), last.end());
        if (run == 1) {
            EventList change;
            change.add(0, kMix, 0.25);
            const clap::Process block{0, 64, nullptr,       nullptr, nullptr,
                                      0, 0,  change.list(), nullptr};
            EXPECT_EQ(e.plugin->process(e.plugin, &block), clap::kProcessError);
            EXPECT_EQ(e.value(kMix), 0.25);
        }
    }
    EXPECT_EQ(FirstDifference(outputs[1], outputs[0]), -1);
}

} // namespace
