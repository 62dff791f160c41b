// SPDX-License-Identifier: ISC
// The C interface (tapestrum.h): what it does with nonsense arguments and short
// buffers, its names, track and heads, and that its presets are the factory
// presets (what it plays and shows is the contract's, tests/contract).
#include "c/tapestrum.h"
#include "core/FactoryPresets.h"
#include "core/ParameterTable.h"
#include "core/TapestrumEffect.h"
#include "support/Signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using Handle = std::unique_ptr<tapestrum, decltype(&tapestrum_delete)>;

Handle NewEffect(float rate) { return Handle(tapestrum_new(rate), &tapestrum_delete); }

std::string Text(tapestrum* handle, int index) {
    char buffer[64];
    const int length = tapestrum_parameter_text(handle, index, buffer, sizeof buffer);
    EXPECT_EQ(length, static_cast<int>(std::strlen(buffer)));
    return buffer;
}

TEST(CInterface, NullHandlesAndBadIndexesDoNothing) {
    tapestrum_delete(nullptr);

    char buffer[8] = "marker";
    EXPECT_EQ(tapestrum_parameter_text(nullptr, 0, buffer, sizeof buffer), -1);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(tapestrum_get_parameter(nullptr, 0), 0.0f);
    tapestrum_set_parameter(nullptr, 0, 0.5f);
    EXPECT_EQ(tapestrum_track_magnitudes(nullptr), nullptr);
    EXPECT_EQ(tapestrum_track_length(nullptr), 0);
    float out[3] = {1, 2, 3};
    const float in[3] = {0.5f, 0.5f, 0.5f};
    tapestrum_process(nullptr, in, out, 3);
    EXPECT_EQ(out[0] + out[1] + out[2], 0.0f);

    const Handle effect = NewEffect(44100.0f);
    ASSERT_NE(effect, nullptr);
    tapestrum_set_parameter(effect.get(), kMix, 0.25f);
    for (const int index : {-1, 11, INT_MAX, INT_MIN}) {
        tapestrum_set_parameter(effect.get(), index, 0.0f);
        EXPECT_EQ(tapestrum_get_parameter(effect.get(), index), 0.0f) << index;
        EXPECT_EQ(tapestrum_parameter_name(index), nullptr) << index;
        std::strcpy(buffer, "marker");
        EXPECT_EQ(tapestrum_parameter_text(effect.get(), index, buffer, sizeof buffer), -1);
        EXPECT_STREQ(buffer, "") << index;
    }
    // Index 10 (which the VST 2 face answers for any index above it) kept its
    // value, and so did the mix.
    EXPECT_EQ(tapestrum_get_parameter(effect.get(), kHeadDirection), 0.0f);
    EXPECT_EQ(tapestrum_get_parameter(effect.get(), kMix), 0.25f);

    out[0] = 7.0f;
    tapestrum_process(effect.get(), in, out, 0);
    tapestrum_process(effect.get(), in, out, -5);
    tapestrum_process(effect.get(), in, nullptr, 3);
    EXPECT_EQ(out[0], 7.0f); // a missing input is the contract's (silence processed)
}

// "delayed as modulator" (20 characters) into buffers of every size around it:
// the text is cut, always terminated, nothing is written past the buffer, and
// the answer is the whole length.
TEST(CInterface, TextBuffersOfEverySize) {
    const Handle effect = NewEffect(44100.0f);
    const std::string whole = "delayed as modulator";
    const int length = static_cast<int>(whole.size());
    for (int size = 0; size <= length + 2; ++size) {
        char buffer[32];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(tapestrum_parameter_text(effect.get(), kProcess, buffer, size), length);
        const int kept = size == 0 ? 0 : std::min(size - 1, length);
        EXPECT_EQ(std::string(buffer, static_cast<size_t>(kept)), whole.substr(0, kept)) << size;
        if (size > 0) {
            EXPECT_EQ(buffer[kept], '\0') << size;
        }
        for (int i = size == 0 ? 0 : kept + 1; i < static_cast<int>(sizeof buffer); ++i)
            ASSERT_EQ(buffer[i], '#') << "size " << size << " wrote at " << i;
    }
    EXPECT_EQ(tapestrum_parameter_text(effect.get(), kProcess, nullptr, 16), length);
}

// Every preset's name, description and values are the table's, whatever was
// set before it (here a value no preset holds, on every parameter); a bad
// preset or a null handle changes nothing.
TEST(CInterface, PresetsAreTheFactoryPresets) {
    const auto presets = FactoryPresets();
    ASSERT_EQ(tapestrum_preset_count(), static_cast<int>(presets.size()));
    const Handle effect = NewEffect(44100.0f);
    const auto setAll = [&](float value) {
        for (int index = 0; index < kParameterCount; ++index)
            tapestrum_set_parameter(effect.get(), index, value);
    };
    for (int preset = 0; preset < tapestrum_preset_count(); ++preset) {
        const FactoryPreset& expected = presets[static_cast<size_t>(preset)];
        const char* name = tapestrum_preset_name(preset);
        const char* description = tapestrum_preset_description(preset);
        ASSERT_TRUE(name && description) << preset;
        EXPECT_EQ(name, expected.name);
        EXPECT_EQ(description, expected.description) << expected.name;
        setAll(0.37f);
        tapestrum_apply_preset(effect.get(), preset);
        for (int index = 0; index < kParameterCount; ++index)
            EXPECT_EQ(tapestrum_get_parameter(effect.get(), index),
                      expected.values[static_cast<size_t>(index)])
                << expected.name << ", index " << index;
    }

    setAll(0.37f);
    const auto readAll = [&] {
        std::vector<float> values;
        for (int index = 0; index < kParameterCount; ++index)
            values.push_back(tapestrum_get_parameter(effect.get(), index));
        return values;
    };
    const std::vector<float> before = readAll();
    for (const int preset : {-1, tapestrum_preset_count(), INT_MAX, INT_MIN}) {
        EXPECT_EQ(tapestrum_preset_name(preset), nullptr) << preset;
        EXPECT_EQ(tapestrum_preset_description(preset), nullptr) << preset;
        tapestrum_apply_preset(effect.get(), preset);
    }
    tapestrum_apply_preset(nullptr, 0);
    EXPECT_EQ(readAll(), before);
}

// The names are the table's; after the settings and the audio (which play as
// the contract says, tests/contract) the heads and the track follow the engine.
TEST(CInterface, NamesAndTheTrackAfterTheAudio) {
    const float rate = 48000.0f;
    const Handle effect = NewEffect(rate);
    ASSERT_EQ(tapestrum_parameter_count(), kParameterCount);
    for (int index = 0; index < kParameterCount; ++index) {
        EXPECT_EQ(tapestrum_parameter_name(index), TapestrumEffect::parameterName(index));
        EXPECT_FALSE(Text(effect.get(), index).empty()); // and its length answered
    }
    const struct {
        int index;
        float value;
    } settings[] = {{kTrackLength, 0.3f}, {kDelay, 0.55f},        {kProcess, 1.0f},
                    {kMix, 0.6f},         {kHeadDirection, 1.0f}, {kRecStartFreq, 0.2f},
                    {kOutAmp, 0.8f},      {kHeadPosition, 0.5f},  {kThreshold, 1e-4f}};
    for (const auto& setting : settings)
        tapestrum_set_parameter(effect.get(), setting.index, setting.value);
    const std::vector<float> signal = Tones({{220, 0.3}, {1234.5, 0.2}}, rate, 30000);
    std::vector<float> output(signal.size());
    for (size_t at = 0; at < signal.size(); at += 300)
        tapestrum_process(effect.get(), signal.data() + at, output.data() + at, 300);

    // 30000 samples are 117 hops (the first at sample 256) on a track of 54
    // frames, forward from frame 27; the delay of 16 frames puts the read head
    // that far behind the frame the last hop wrote.
    const int length = tapestrum_track_length(effect.get());
    ASSERT_EQ(length, 54);
    const int write = tapestrum_write_head(effect.get());
    EXPECT_EQ(write, (27 + 117) % length);
    EXPECT_EQ(tapestrum_read_head(effect.get()), ((write - 1 - 16) % length + length) % length);
    const float* track = tapestrum_track_magnitudes(effect.get());
    const float* lastFrame = track + (write + length - 1) % length * tapestrum_bin_count();
    EXPECT_GT(lastFrame[5], 0.0f); // 220 Hz lies in bin 4.7 at 48 kHz
    EXPECT_EQ(track[static_cast<size_t>(length) * tapestrum_bin_count()], 0.0f); // beyond the loop
}

// A stereo handle: each channel as a mono handle fed it alone while every hop
// passes the gate; given to the mono call it writes silence and stays as it
// is, and a mono handle given to the stereo call runs its left channel.
TEST(CInterface, StereoHandlesAndTheirMonoCalls) {
    const float rate = 48000.0f;
    const Handle stereo(tapestrum_new_stereo(rate), &tapestrum_delete);
    const Handle left = NewEffect(rate);
    const Handle right = NewEffect(rate);
    EXPECT_EQ(tapestrum_channels(stereo.get()), 2);
    EXPECT_EQ(tapestrum_channels(left.get()), 1);
    EXPECT_EQ(tapestrum_channels(nullptr), 0);
    EXPECT_EQ(tapestrum_new_stereo(0.0f), nullptr);
    for (tapestrum* handle : {stereo.get(), left.get(), right.get()})
        tapestrum_apply_preset(handle, 1);

    const std::vector<float> inLeft = Tones({{330, 0.3}}, rate, 20000);
    const std::vector<float> inRight = Noise(20000, 0.3f, 8);
    std::vector<float> outLeft(inLeft.size()), outRight(inLeft.size());
    std::vector<float> wantLeft(inLeft.size()), wantRight(inLeft.size());
    tapestrum_process_stereo(stereo.get(), inLeft.data(), inRight.data(), outLeft.data(),
                             outRight.data(), 20000);
    tapestrum_process(left.get(), inLeft.data(), wantLeft.data(), 20000);
    tapestrum_process(right.get(), inRight.data(), wantRight.data(), 20000);
    EXPECT_EQ(FirstDifference(outLeft, wantLeft), -1);
    EXPECT_EQ(FirstDifference(outRight, wantRight), -1);
    EXPECT_EQ(tapestrum_write_head(stereo.get()), tapestrum_write_head(left.get()));
    // The picture is the louder channel's at every frame and bin.
    const size_t count = size_t(tapestrum_track_capacity()) * size_t(tapestrum_bin_count());
    std::vector<float> picture(count), louder(count);
    tapestrum_track_picture(stereo.get(), picture.data());
    tapestrum_track_picture(nullptr, picture.data());
    tapestrum_track_picture(stereo.get(), nullptr);
    std::transform(tapestrum_track_magnitudes(left.get()),
                   tapestrum_track_magnitudes(left.get()) + count,
                   tapestrum_track_magnitudes(right.get()), louder.begin(),
                   [](float a, float b) { return std::max(a, b); });
    EXPECT_EQ(FirstDifference(picture, louder), -1);

    std::vector<float> block(300, 1.0f);
    tapestrum_process(stereo.get(), inLeft.data(), block.data(), 300);
    EXPECT_EQ(block, std::vector<float>(300, 0.0f));
    EXPECT_EQ(tapestrum_write_head(stereo.get()), tapestrum_write_head(left.get()));

    std::vector<float> monoLeft(300), monoRight(300, 1.0f), wantMono(300);
    const Handle mono = NewEffect(rate);
    const Handle twin = NewEffect(rate);
    tapestrum_process_stereo(mono.get(), inLeft.data(), inRight.data(), monoLeft.data(),
                             monoRight.data(), 300);
    tapestrum_process(twin.get(), inLeft.data(), wantMono.data(), 300);
    EXPECT_EQ(FirstDifference(monoLeft, wantMono), -1);
    EXPECT_EQ(monoRight, std::vector<float>(300, 0.0f));
    std::fill(monoLeft.begin(), monoLeft.end(), 1.0f);
    tapestrum_process_stereo(nullptr, inLeft.data(), nullptr, monoLeft.data(), monoRight.data(),
                             300);
    EXPECT_EQ(monoLeft, std::vector<float>(300, 0.0f));
}

} // namespace
