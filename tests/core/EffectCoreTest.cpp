// SPDX-License-Identifier: ISC
// The format-neutral effect: the texts it gives for any value and reads back,
// its saved state and its factory presets (its parameter table as the VST 2
// face shows it is in tests/vst2/ParametersTest.cpp; that a missing input is a
// block of zeros is the contract's, tests/contract).
#include "core/EffectState.h"
#include "core/FactoryPresets.h"
#include "core/TapestrumEffect.h"

#include <gtest/gtest.h>

namespace {

TEST(EffectTexts, NumbersWithOrWithoutUnitsAreReadAndNonsenseIsRefused) {
    TapestrumEffect core;
    core.resume(); // 44100 Hz, a track of 600 frames
    struct Case {
        int32_t index;
        const char* text;
        float value;
    };
    // The output's gain is the value squared: -6.0206 dB reads as 0.7071.
    const Case cases[] = {
        {kOutAmp, "-6.0206 dB", 0.70710677f},
        {kOutAmp, "  0 db ", 1.0f},
        {kThreshold, "-INF dB", 0.0f},
        {kRecAmp, "0", 0.5f},
        {kHeadDirection, "Forward", 1.0f},
        {kProcess, "delayed as modulator", 0.0f},
        {kMix, "|||||| wet", 1.0f},
        {kMix, "dry ||||||", 0.0f},
        {kMix, "0.25", 0.25f},
    };
    for (const Case& c : cases) {
        const std::optional<float> value = core.valueForText(c.index, c.text);
        ASSERT_TRUE(value) << c.text;
        EXPECT_NEAR(*value, c.value, 1e-6f) << c.text;
    }
    const std::pair<int32_t, const char*> nonsense[] = {
        {kOutAmp, "loud"}, {kOutAmp, "-6 ms"}, {kDelay, ""}, {kDelay, "NAN ms "},
        {kMix, "2"},       {kProcess, "1"},    {11, "0"},    {-1, "0"}};
    for (const auto& [index, text] : nonsense)
        EXPECT_FALSE(core.valueForText(index, text)) << text;
    // The nearest frame: 5.8 ms at 44100 Hz is one frame (5.80 ms) of 600.
    const std::optional<float> delay = core.valueForText(kDelay, "5.8");
    ASSERT_TRUE(delay);
    EXPECT_EQ(core.displayTextFor(kDelay, *delay), "5.80 ms ");
}

TEST(EffectStateBlock, RoundTripsAndRefusesMoreThanTheBlock) {
    EffectState state;
    for (size_t i = 0; i < state.values.size(); ++i)
        state.values[i] = static_cast<float>(i) / 10;
    state.name = "Preset 0";
    const std::vector<uint8_t> block = WriteEffectState(state);
    ASSERT_EQ(block.size(), kStateMinSize + 8);
    EXPECT_EQ(ReadEffectState(block), state);

    // More than the block says is refused (the other bad blocks are the
    // contract's, tests/contract, which the core refuses as every face does).
    std::vector<uint8_t> longer = block;
    longer.push_back('x');
    EXPECT_FALSE(ReadEffectState(longer));

    // A block of an earlier build with fewer parameters: the rest take their defaults.
    std::vector<uint8_t> earlier = block;
    earlier[8] = 10;
    earlier.erase(earlier.begin() + kStateHeaderSize + 40, earlier.begin() + kStateHeaderSize + 44);
    const std::optional<EffectState> read = ReadEffectState(earlier);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->values[kHeadDirection], kParameters[kHeadDirection].defaultValue);
    EXPECT_EQ(read->values[kMix], state.values[kMix]);
    EXPECT_EQ(read->name, state.name);

    state.name = std::string(80, 'n');
    EXPECT_EQ(ReadEffectState(WriteEffectState(state))->name, std::string(51, 'n'));
}

} // namespace

// A factory preset holds what the effect reads back once it is set, so a host
// that saves it and loads it again changes nothing; each is found by its name
// as a file or a command line spells it.
TEST(FactoryPresets, ReadBackAsTheyAreAndAreFoundByName) {
    const auto presets = FactoryPresets();
    ASSERT_GE(presets.size(), 6u);
    ASSERT_LE(presets.size(), 10u);
    for (const FactoryPreset& preset : presets) {
        SCOPED_TRACE(std::string(preset.name));
        EXPECT_LE(preset.name.size(), 24u);
        EXPECT_FALSE(preset.description.empty());
        TapestrumEffect core;
        core.setSampleRate(44100.0f);
        core.resume();
        for (const ParameterInfo& row : kParameters)
            core.setParameter(row.index, preset.values[row.index]);
        for (const ParameterInfo& row : kParameters)
            EXPECT_EQ(core.readParameter(row.index), preset.values[row.index]) << row.name;
        EXPECT_EQ(FindFactoryPreset(PresetFileStem(preset)), &preset);
        for (const FactoryPreset& other : presets) {
            if (&other == &preset) continue;
            EXPECT_NE(other.values, preset.values) << other.name;
        }
    }
    EXPECT_EQ(FindFactoryPreset("Band_Freeze"), FindFactoryPreset("band freeze"));
    EXPECT_EQ(FindFactoryPreset("band freez"), nullptr);
}
