// SPDX-License-Identifier: ISC
// Audio through the .clap file where it is the format's alone: a reset, and
// events and buffers a host may send that are no parameter change (the audio
// and the changes at their samples are the contract's, tests/contract).
#include "contract/ClapDriver.h"
#include "core/ParameterTable.h"
#include "support/Signals.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

// A reset leaves the instance as a new one with the same values; without it,
// what was heard before still sounds.
TEST(ClapAudio, ResetForgetsWhatWasHeard) {
    const std::vector<float> before = Noise(30000, 0.5f, 9);
    const std::vector<float> after = TestSignal(44100, 110250);
    ClapEvents loop;
    loop.add(0, kTrackLength, 0.4);
    loop.add(0, kDelay, 0.5);
    loop.add(0, kHeadPosition, 0.25);
    // The whole signal in blocks, without events.
    const auto render = [](ClapDriver& e, const std::vector<float>& input, size_t block) {
        std::vector<float> output(input.size());
        for (size_t done = 0; done < input.size(); done += block) {
            const auto n = static_cast<int32_t>(std::min(block, input.size() - done));
            EXPECT_TRUE(e.process(input.data() + done, output.data() + done, n, {}));
        }
        return output;
    };
    std::vector<float> outputs[3];
    for (int run = 0; run < 3; ++run) {
        ClapDriver e(ClapFactory(TAPESTRUM_CLAP_PATH));
        e.flush(loop);
        ASSERT_TRUE(e.activate(44100));
        if (run > 0) render(e, before, 300);
        if (run == 1) e.plugin->reset(e.plugin);
        outputs[run] = render(e, after, 512);
    }
    EXPECT_EQ(FirstDifference(outputs[1], outputs[0]), -1);
    EXPECT_NE(FirstDifference(outputs[2], outputs[0]), -1);
}

// Events the effect has no use for are skipped, parameter changes for no
// parameter ignored; times out of order or past the block are taken as late as
// the order allows, within the block. Without an output a block fails, but its
// changes are made (a missing input is the contract's).
TEST(ClapAudio, OddEventsAndBuffers) {
    const std::vector<float> input = TestSignal(44100, 110250);
    std::vector<float> outputs[2];
    for (int run = 0; run < 2; ++run) {
        ClapDriver e(ClapFactory(TAPESTRUM_CLAP_PATH));
        ASSERT_TRUE(e.activate(44100));
        outputs[run].resize(input.size());
        for (size_t done = 0; done + 512 <= input.size(); done += 512) {
            ClapEvents events;
            events.add(100, kDelay, 0.3);
            if (run == 1) {
                clap::ParamValueEvent odd = ClapEvents::Change(10, kMix, 0.0);
                odd.header.type = clap::kEventParamMod;
                events.add(odd);
                odd.header.type = clap::kEventNoteOn;
                events.add(odd);
                odd = ClapEvents::Change(20, kMix, 0.0);
                odd.header.spaceId = 7;
                events.add(odd);
                odd = ClapEvents::Change(30, kMix, 0.0);
                odd.header.size = sizeof(clap::EventHeader);
                events.add(odd);
                events.add(40, 11, 0.0);
                events.add(50, clap::kInvalidId, 0.0);
            }
            events.add(200, kOutAmp, 0.5);
            events.add(run == 0 ? 200 : 60, kMix, 0.9);
            events.add(run == 0 ? 512 : 9000, kOutAmp, 0.8);
            EXPECT_TRUE(e.process(input.data() + done, outputs[run].data() + done, 512, events));
        }
        if (run == 1) {
            ClapEvents change;
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
