// SPDX-License-Identifier: ISC
// The stereo effect: each channel is the mono effect but for the linked gate,
// and the two channels' heads move together.
#include "core/TapestrumEffect.h"
#include "support/Signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

constexpr float kRate = 44100.0f;
constexpr int32_t kHop = TDelayVoc::HopLength;

// Where a track view's heads stand, and the loop's length.
struct TrackViewHeads {
    explicit TrackViewHeads(const TDelayVoc::TrackView& view)
        : write(view.WriteHead()), read(view.ReadHead()), length(view.Length()) {}
    bool operator==(const TrackViewHeads&) const = default;
    int32_t write, read, length;
};

TapestrumEffect& SwitchedOn(TapestrumEffect& effect) {
    effect.setSampleRate(kRate);
    effect.resume();
    return effect;
}

// Where every hop of both channels passes the gate (threshold 0, neither
// channel silent for a hop), each channel is bit for bit a mono effect fed that
// channel alone, in blocks of any length and through parameter changes between
// blocks; the heads of both channels stay together and with the mono ones'.
TEST(StereoEffect, EachChannelIsTheMonoEffectWhenEveryHopRecords) {
    constexpr int32_t kLength = 4 * 44100;
    const std::vector<float> left = Tones({{220, 0.3}, {1234.5, 0.1}}, kRate, kLength);
    const std::vector<float> right = Noise(kLength, 0.2f, 9);
    // Settings applied in turn, one after every few blocks: short tracks that
    // wrap both ways, the head moved, the carrier swapped, a band, the mix.
    const struct {
        int32_t index;
        float value;
    } changes[] = {{kTrackLength, 0.05f}, {kDelay, 0.4f},         {kHeadDirection, 1.0f},
                   {kProcess, 1.0f},      {kHeadPosition, 0.5f},  {kRecStartFreq, 0.1f},
                   {kMix, 0.7f},          {kHeadDirection, 0.0f}, {kTrackLength, 0.02f},
                   {kRecAmp, 0.8f},       {kHeadPosition, 0.9f},  {kOutAmp, 0.6f}};
    for (const int32_t block : {1, 63, 257, 4096}) {
        SCOPED_TRACE(block);
        TapestrumEffect stereo(2, SimdLevel::Best);
        TapestrumEffect monoLeft;
        TapestrumEffect monoRight;
        TapestrumEffect* const all[] = {&SwitchedOn(stereo), &SwitchedOn(monoLeft),
                                        &SwitchedOn(monoRight)};
        std::vector<float> outLeft(kLength), outRight(kLength), wantLeft(kLength),
            wantRight(kLength);
        size_t change = 0;
        for (int32_t at = 0, count = 0; at < kLength; at += block, ++count) {
            const int32_t frames = std::min(block, kLength - at);
            const float* const inputs[] = {left.data() + at, right.data() + at};
            float* const outputs[] = {outLeft.data() + at, outRight.data() + at};
            stereo.processChannels(inputs, outputs, frames);
            monoLeft.process(left.data() + at, wantLeft.data() + at, frames);
            monoRight.process(right.data() + at, wantRight.data() + at, frames);
            const TrackViewHeads heads{stereo.channelEngine(0).Track()};
            ASSERT_EQ(heads, TrackViewHeads{stereo.channelEngine(1).Track()}) << at;
            ASSERT_EQ(heads, TrackViewHeads{monoLeft.engine().Track()}) << at;
            ASSERT_EQ(stereo.channelEngine(1).Forward(), stereo.engine().Forward());
            if (count % (8192 / block + 1) == 0 && change < std::size(changes)) {
                for (TapestrumEffect* effect : all)
                    effect->setParameter(changes[change].index, changes[change].value);
                ++change;
            }
        }
        EXPECT_EQ(change, std::size(changes));
        EXPECT_EQ(FirstDifference(outLeft, wantLeft), -1);
        EXPECT_EQ(FirstDifference(outRight, wantRight), -1);
    }
}

// A sound loud in one channel and quiet (not silent) in the other, with the
// threshold between their levels: the quiet channel records on exactly the
// hops where the loud one passes, and those frames are what it would have
// recorded alone with the gate open; the frames of the other hops stay empty.
TEST(StereoEffect, TheLouderChannelOpensTheGateForBoth) {
    TapestrumEffect stereo(2, SimdLevel::Best);
    TapestrumEffect quietAlone;
    for (TapestrumEffect* effect : {&stereo, &quietAlone}) {
        SwitchedOn(*effect);
        effect->setParameter(kHeadDirection, 1.0f); // forward from frame 0 on 600 frames
    }
    stereo.setParameter(kThreshold, 0.3f);
    const float gate = stereo.engine().Threshold();
    ASSERT_GT(gate, 0.0f);
    ASSERT_EQ(quietAlone.engine().Threshold(), 0.0f); // records every hop

    // Each hop's level is set exactly: the quiet channel at a quarter of the
    // gate, the loud one at four times it in hops whose number has bit 2 set
    // and at a quarter of it otherwise.
    constexpr int32_t kHops = 120;
    const auto loudHop = [](int32_t hop) { return (hop & 4) != 0; };
    std::vector<float> loudLevels(kHops), quietLevels(kHops, gate / 4);
    for (int32_t hop = 0; hop < kHops; ++hop)
        loudLevels[hop] = loudHop(hop) ? 4 * gate : gate / 4;
    const std::vector<float> loud = NoiseAtHopLevels(loudLevels, kHop, 4);
    const std::vector<float> quiet = NoiseAtHopLevels(quietLevels, kHop, 5);

    // One hop per block: each block's last sample completes a hop.
    std::vector<float> out(2 * kHop);
    int32_t recorded = 0;
    for (int32_t hop = 0; hop < kHops; ++hop) {
        const int32_t frame = stereo.engine().WriteHead();
        const float* const inputs[] = {loud.data() + hop * kHop, quiet.data() + hop * kHop};
        float* const outputs[] = {out.data(), out.data() + kHop};
        stereo.processChannels(inputs, outputs, kHop);
        quietAlone.process(quiet.data() + hop * kHop, out.data(), kHop);
        ASSERT_EQ(quietAlone.engine().WriteHead(), stereo.engine().WriteHead());
        const float* got = stereo.channelEngine(1).MagFrame(frame);
        const float* alone = quietAlone.engine().MagFrame(frame);
        const std::vector<float> gotFrame(got, got + TDelayVoc::BinCount);
        const std::vector<float> zeros(TDelayVoc::BinCount, 0.0f);
        const std::vector<float> aloneFrame(alone, alone + TDelayVoc::BinCount);
        ASSERT_EQ(FirstDifference(gotFrame, loudHop(hop) ? aloneFrame : zeros), -1) << hop;
        ASSERT_EQ(stereo.engine().MagFrame(frame)[10] > 0.0f, loudHop(hop)) << hop;
        recorded += loudHop(hop);
    }
    EXPECT_EQ(recorded, kHops / 2);

    // The picture of the track is the louder channel's magnitude, bin by bin.
    std::vector<float> picture(TDelayVoc::TrackView::MagnitudeCount());
    stereo.trackPicture(picture.data());
    const float* first = stereo.channelEngine(0).Track().Magnitudes();
    const float* second = stereo.channelEngine(1).Track().Magnitudes();
    for (size_t i = 0; i < picture.size(); i += 97)
        ASSERT_EQ(picture[i], std::max(first[i], second[i])) << i;

    // A reset forgets both channels' tracks.
    stereo.reset();
    stereo.trackPicture(picture.data());
    EXPECT_EQ(*std::max_element(picture.begin(), picture.end()), 0.0f);
}

} // namespace

// A host's switch from mono to stereo and back happens in place: the effect
// then plays as one made with that channel count and given the same values,
// and its loop feed (which an open editor holds) stays the same object.
TEST(StereoEffect, SwitchingTheChannelCountInPlaceIsAFreshEffect) {
    constexpr int32_t kLength = 20 * kHop + 17;
    const std::vector<float> left = Tones({{330, 0.3}}, kRate, kLength);
    const std::vector<float> right = Noise(kLength, 0.2f, 4);
    TapestrumEffect switched(1, SimdLevel::Best);
    SwitchedOn(switched).setParameter(0, 0.3f);
    std::vector<float> scratch(kLength);
    switched.process(left.data(), scratch.data(), kLength);
    const LoopFeed* feed = &switched.loopFeed();
    for (const int32_t channels : {2, 1, 2}) {
        switched.setChannelCount(channels);
        TapestrumEffect fresh(channels, SimdLevel::Best);
        SwitchedOn(fresh).setParameter(0, 0.3f);
        ASSERT_EQ(switched.channelCount(), channels);
        EXPECT_EQ(&switched.loopFeed(), feed);
        std::vector<float> gotL(kLength), gotR(kLength), wantL(kLength), wantR(kLength);
        const float* in[2] = {left.data(), right.data()};
        float* got[2] = {gotL.data(), gotR.data()};
        float* want[2] = {wantL.data(), wantR.data()};
        switched.processChannels(in, got, kLength);
        fresh.processChannels(in, want, kLength);
        EXPECT_EQ(FirstDifference(gotL, wantL), -1) << channels;
        EXPECT_EQ(FirstDifference(gotR, wantR), -1) << channels;
    }
}
