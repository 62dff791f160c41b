// SPDX-License-Identifier: ISC
// The stereo contract, for every face with a stereo plug-in: each channel is
// the face's mono plug-in wherever every hop of both channels records; the
// louder channel opens the gate for both; and through any block size and
// parameter changes at sample offsets, each channel is bit for bit the core's
// stereo effect fed the same, so the two channels' heads stay together.
#include "contract/ContractSuite.h"
#include "contract/FaceDrivers.h"
#include "core/TapestrumEffect.h"
#include "support/Signals.h"

#include <algorithm>

namespace {

using Changes = std::vector<ParameterChange>;
using Channels = std::vector<std::vector<float>>;

constexpr double kRate = 44100;
constexpr int32_t kHop = TDelayVoc::HopLength;

// The changes of the block [start, start + frames) among `changes`, which are
// given at their sample in the whole signal, moved to the block's offsets.
Changes ChangesWithin(const Changes& changes, size_t start, int32_t frames) {
    Changes within;
    for (const ParameterChange& c : changes)
        if (static_cast<size_t>(c.offset) >= start &&
            static_cast<size_t>(c.offset) < start + static_cast<size_t>(frames))
            within.push_back({c.index, c.offset - static_cast<int32_t>(start), c.value});
    return within;
}

// The channels of `input` (as many as the face has) through the face in
// blocks of `block`.
Channels Render(FaceDriver& face, const Channels& input, int32_t block, const Changes& changes) {
    const size_t length = input[0].size();
    Channels output(input.size(), std::vector<float>(length, 123.0f));
    for (size_t start = 0; start < length; start += static_cast<size_t>(block)) {
        const auto frames =
            static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(block), length - start));
        const float* inputs[2] = {};
        float* outputs[2] = {};
        for (size_t c = 0; c < input.size(); ++c) {
            inputs[c] = input[c].data() + start;
            outputs[c] = output[c].data() + start;
        }
        EXPECT_TRUE(
            face.processChannels(inputs, outputs, frames, ChangesWithin(changes, start, frames)));
    }
    return output;
}

// The core's stereo effect with the scalar kernels, switched on as the faces
// are, in one call cut at each change.
Channels RenderCore(const Channels& input, const Changes& changes) {
    TapestrumEffect effect(2, SimdLevel::Reference);
    effect.setSampleRate(static_cast<float>(kRate));
    effect.resume();
    const size_t length = input[0].size();
    Channels output(2, std::vector<float>(length));
    SplitAtChanges(
        static_cast<int32_t>(length), changes,
        [&](int32_t from, int32_t to) {
            const float* const inputs[] = {input[0].data() + from, input[1].data() + from};
            float* const outputs[] = {output[0].data() + from, output[1].data() + from};
            effect.processChannels(inputs, outputs, to - from);
        },
        [&](const ParameterChange& c) { effect.setParameter(c.index, c.value); });
    return output;
}

// Short tracks that wrap both ways, the head moved, the carrier swapped, a
// band, the mix: changes at samples within blocks, the first at the start.
const Changes kChanges = {
    {kThreshold, 0, 0.0f},        {kTrackLength, 0, 0.05f}, {kDelay, 5000, 0.4f},
    {kHeadDirection, 9001, 1.0f}, {kProcess, 14000, 1.0f},  {kHeadPosition, 20000, 0.5f},
    {kRecStartFreq, 26003, 0.1f}, {kMix, 30000, 0.7f},      {kHeadDirection, 33333, 0.0f},
    {kTrackLength, 37000, 0.02f}, {kRecAmp, 40000, 0.8f},   {kOutAmp, 43210, 0.6f}};

// With the threshold at 0 and neither channel silent for a hop, every hop
// records in both channels, and each channel is the mono plug-in's output for
// that channel alone.
TEST_P(StereoContract, EachChannelIsTheMonoPluginWhenEveryHopRecords) {
    constexpr auto kLength = static_cast<int32_t>(kRate);
    const Channels input{Tones({{220, 0.3}, {1234.5, 0.1}}, kRate, kLength),
                         Noise(kLength, 0.2f, 9)};
    for (const int32_t block : {1, 257, 4096}) {
        SCOPED_TRACE(testing::Message() << "blocks of " << block);
        stereo = GetParam().makeStereo();
        mono = GetParam().make();
        std::unique_ptr<FaceDriver> otherMono = GetParam().make();
        for (FaceDriver* face : {stereo.get(), mono.get(), otherMono.get()})
            ASSERT_TRUE(face->activate(kRate));
        const Channels got = Render(*stereo, input, block, kChanges);
        EXPECT_EQ(FirstDifference(got[0], Render(*mono, {input[0]}, block, kChanges)[0]), -1);
        EXPECT_EQ(FirstDifference(got[1], Render(*otherMono, {input[1]}, block, kChanges)[0]), -1);
        EXPECT_GT(Energy(got[1]), 1.0);
    }
}

// Through blocks of any size and changes at their samples, both channels are
// the core's stereo effect's bit for bit, with every hop recording and with a
// gate that only the loud channel passes: there the quiet channel records on
// exactly the loud one's hops, so its output is not what the mono plug-in
// makes of it alone (which records nothing).
TEST_P(StereoContract, RendersAsTheCoreStereoEffect) {
    TapestrumEffect gauge;
    gauge.setParameter(kThreshold, 0.3f);
    const float gate = gauge.engine().Threshold();
    constexpr int32_t kHops = 200;
    std::vector<float> loudLevels(kHops), quietLevels(kHops, gate / 4);
    for (int32_t hop = 0; hop < kHops; ++hop)
        loudLevels[hop] = (hop & 4) != 0 && hop < kHops / 2 ? 4 * gate : gate / 4;
    const Channels gated{NoiseAtHopLevels(loudLevels, kHop, 4),
                         NoiseAtHopLevels(quietLevels, kHop, 5)};
    const Channels open{TestSignal(kRate, kHops * kHop, 3), TestSignal(kRate, kHops * kHop, 4)};
    Changes gatedChanges = kChanges;
    gatedChanges[0].value = 0.3f;

    const struct {
        int32_t block;
        const Channels& input;
        const Changes& changes;
    } cases[] = {{1, open, kChanges},    {63, open, kChanges},        {512, gated, gatedChanges},
                 {1000, open, kChanges}, {4096, gated, gatedChanges}, {4096, open, kChanges}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "blocks of " << c.block << ", threshold " << c.changes[0].value);
        stereo = GetParam().makeStereo();
        ASSERT_TRUE(stereo->activate(kRate));
        const Channels got = Render(*stereo, c.input, c.block, c.changes);
        const Channels want = RenderCore(c.input, c.changes);
        EXPECT_EQ(FirstDifference(got[0], want[0]), -1);
        EXPECT_EQ(FirstDifference(got[1], want[1]), -1);
        if (&c.input != &gated) continue;
        mono = GetParam().make();
        ASSERT_TRUE(mono->activate(kRate));
        EXPECT_NE(FirstDifference(got[1], Render(*mono, {c.input[1]}, c.block, c.changes)[0]), -1);
    }
}

INSTANTIATE_TEST_SUITE_P(Faces, StereoContract, testing::ValuesIn(StereoFaces()),
                         [](const auto& info) { return info.param.name; });

} // namespace
