// SPDX-License-Identifier: ISC
// Parameters and their texts as a host sees them through the loaded module.
#include "core/ParameterTable.h"
#include "support/HostedPlugin.h"
#include "vst2/APluginProgram.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

using Parameters = HostedPlugin;

TEST_F(Parameters, RecordAfterMain) {
    EXPECT_EQ(effect->magic, 0x56737450);
    EXPECT_EQ(effect->numPrograms, 1);
    EXPECT_EQ(effect->numParams, 11);
    EXPECT_EQ(effect->numInputs, 1);
    EXPECT_EQ(effect->numOutputs, 1);
    EXPECT_EQ(effect->flags, 24);
    EXPECT_EQ(effect->uniqueID, ('Z' << 24) | ('O' << 16) | ('L' << 8) | 'T');
    EXPECT_EQ(effect->version, 1);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    for (char c : effect->future)
        EXPECT_EQ(c, 0);
}

struct Expected {
    int32_t index;
    const char* name;
    const char* label;
    const char* display;
};

TEST_F(Parameters, DefaultProgramAt44100) {
    start(44100.0f);
    const Expected rows[] = {
        {0, "delay", "(cc0)", "0 ms "},
        {1, "process", "(cc1)", "delayed as modulator"},
        {2, "out amp", "(cc2)", "0 dB"},
        {3, "rec start freq", "(cc3)", "0Hz"},
        {4, "rec end freq", "(cc4)", "22050.00 Hz"},
        {5, "threshold", "(cc5)", "-INF dB"},
        {6, "track lenght", "(cc6)", "3482.99 ms "},
        {7, "head position", "(cc7)", "0 ms "},
        {8, "rec amp", "(cc8)", "0 dB"},
        {9, "mix", "(cc9)", "|||||| wet"},
        {10, "head direction", "(cc10)", "backward"},
    };
    const APluginProgram program;
    for (const Expected& row : rows) {
        const ParameterInfo& info = kParameters[row.index];
        EXPECT_EQ(text(effGetParamName, row.index), row.name);
        EXPECT_EQ(text(effGetParamName, row.index), info.name); // the face shows the table
        EXPECT_EQ(text(effGetParamLabel, row.index), row.label);
        EXPECT_EQ(text(effGetParamLabel, row.index), info.label);
        EXPECT_EQ(display(row.index), row.display) << row.index;
        EXPECT_EQ(program.params[row.index], info.defaultValue) << info.name;
        EXPECT_EQ(info.isSwitch, row.index == kProcess || row.index == kHeadDirection);
    }
    const float defaults[] = {0, 0, 1, 0, 1, 0, 1, 0, 0.5f, 1, 0};
    for (int32_t i = 0; i < 11; ++i) {
        EXPECT_EQ(get(i), defaults[i]) << i;
        EXPECT_EQ(get(i), kParameters[i].defaultValue) << i;
    }
}

// Before the first resume the displays show the engine; after it, the default
// program at the host's rate.
TEST_F(Parameters, DefaultProgramAt48000) {
    EXPECT_EQ(display(10), "forward");
    EXPECT_EQ(display(3), "0Hz");
    EXPECT_EQ(display(4), "0 Hz");
    EXPECT_EQ(display(6), "3482.99 ms ");
    start(48000.0f);
    EXPECT_EQ(display(4), "24000.00 Hz");
    EXPECT_EQ(display(6), "3200.00 ms ");
    set(3, 0.5f); // bin 64
    EXPECT_EQ(display(3), "3000.00Hz");
}

struct RoundTrip {
    int32_t index;
    float value;
    float readBack;
    const char* display;
};

TEST_F(Parameters, TableBothWays) {
    start(44100.0f);
    const RoundTrip rows[] = {
        {0, 0.5f, 0.5f, "870.75 ms "},       // 150 of 600 frames
        {0, 0.31f, 0.310913f, "336.69 ms "}, // 57.66 frames become 58
        {1, 0.5f, 0.0f, "delayed as modulator"},
        {1, 0.51f, 1.0f, "delayed as carrier"},
        {2, 0.5f, 0.5f, "-12.04 dB"},
        {3, 0.5f, 0.5f, "2756.25Hz"},  // bin 64
        {4, 0.5f, 0.5f, "5512.50 Hz"}, // bin 128
        {5, 0.3f, 0.3f, "-10.46 dB"},
        {6, 0.5f, 0.5f, "870.75 ms "}, // 150 frames
        {7, 0.5f, 0.5f, "435.37 ms "}, // frame 75 of 150
        {8, 0.25f, 0.25f, "-6.02 dB"},
        {9, 0.25f, 0.25f, " ||||||||-"},
        {10, 0.5f, 0.0f, "backward"},
        {10, 0.51f, 1.0f, "forward"},
        {10, 1.0f, 1.0f, "forward"},
    };
    for (const RoundTrip& row : rows) {
        set(row.index, row.value);
        EXPECT_NEAR(get(row.index), row.readBack, 1e-6) << row.index << " = " << row.value;
        EXPECT_EQ(display(row.index), row.display) << row.index << " = " << row.value;
    }
}

TEST_F(Parameters, ClampingNotANumberAndIndexesOutOfRange) {
    start();
    set(2, 1.5f);
    EXPECT_EQ(get(2), 1.0f);
    set(2, -0.3f);
    EXPECT_EQ(get(2), 0.0f);
    set(9, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(get(9), 0.0f);
    set(9, std::numeric_limits<float>::infinity());
    EXPECT_EQ(get(9), 1.0f);
    set(10, 1.0f);
    set(11, 0.0f); // ignored
    set(-1, 0.0f); // ignored
    EXPECT_EQ(get(10), 1.0f);
    EXPECT_EQ(get(25), 1.0f); // read as index 10
    EXPECT_EQ(get(-1), 0.0f);
    EXPECT_EQ(text(effGetParamName, 11), "head direction");
    EXPECT_EQ(text(effGetParamName, -1), " ");
    EXPECT_EQ(display(-1), " ");
    EXPECT_EQ(display(400), "forward");
    EXPECT_EQ(text(effGetParamLabel, -1), "(cc-1)");
    EXPECT_EQ(text(effGetParamLabel, 1234), "(cc1234)");
}

TEST_F(Parameters, StartAndEndBinsKeepTheirOrder) {
    start();
    set(4, 0.5f); // end bin 128
    set(3, 1.0f);
    EXPECT_EQ(display(3), "5512.50Hz"); // start limited to 128
    set(4, 0.0f);
    EXPECT_EQ(display(4), "5512.50 Hz"); // end raised to the start
    EXPECT_EQ(get(4), 0.5f);
    set(3, 0.0f);
    set(4, 0.5f);
    EXPECT_EQ(get(4), 0.5f);
}

TEST_F(Parameters, TrackLengthDerivesTheDelayAgain) {
    start();
    set(0, 0.5f); // 150 of 600
    set(6, 0.5f); // 150 frames: the delay becomes 37.5, rounded to 38
    EXPECT_EQ(display(0), "220.59 ms ");
    EXPECT_NEAR(get(0), std::sqrt(38.0 / 150.0), 1e-7);
    set(6, 0.0f); // one frame: every delay is 0 or 1 frame
    for (const float delay : {0.0f, 0.3f, 0.7f, 0.71f, 1.0f}) {
        set(0, delay);
        const std::string shown = display(0);
        EXPECT_TRUE(shown == "0 ms " || shown == "5.80 ms ") << delay << ": " << shown;
    }
}

TEST_F(Parameters, MixBarSlides) {
    start();
    const std::pair<float, const char*> rows[] = {
        {0.0f, "dry ||||||"},     {0.25f, " ||||||||-"}, {0.5f, "|||||-||||"},
        {0.75f, "|-||||||||"},    {1.0f, "|||||| wet"},  {0.03125f, "dry ||||||"},
        {0.96875f, "|||||| wet"}, {0.1f, "ry |||||||"},
    };
    for (const auto& [mix, bar] : rows) {
        set(9, mix);
        EXPECT_EQ(display(9), bar) << mix;
    }
}

TEST_F(Parameters, HeadPositionReadBackMovesWhileAudioRuns) {
    start();
    set(10, 1.0f); // forward
    set(7, 0.0f);
    run(std::vector<float>(10 * 256, 0.1f));
    EXPECT_NEAR(get(7), 10.0f / 600.0f, 1e-7);
    // Every resume puts the head back to the stored value.
    Dispatch(effect, effMainsChanged, 0, 0);
    Dispatch(effect, effMainsChanged, 0, 1);
    EXPECT_EQ(get(7), 0.0f);
}

// Mend: the answer stays within 0 to 1 even for a head beyond a shortened track.
TEST_F(Parameters, HeadPositionAnswersAtMostOne) {
    start();
    set(7, 1.0f); // frame 600 of 600
    EXPECT_EQ(get(7), 1.0f);
    set(7, 0.5f); // frame 300
    set(6, 0.5f); // the track becomes 150 frames long; the head stays at 300
    EXPECT_EQ(get(7), 1.0f);
    for (int32_t i = 0; i < 11; ++i) {
        EXPECT_GE(get(i), 0.0f);
        EXPECT_LE(get(i), 1.0f);
    }
}

TEST_F(Parameters, ProgramNamesAndIdentity) {
    start();
    EXPECT_EQ(text(effGetProgramName), "Preset 0");
    char name[24];
    EXPECT_EQ(Dispatch(effect, effGetProgramNameIndexed, 0, 0, name), 1);
    EXPECT_STREQ(name, "Preset 0");
    std::strcpy(name, "untouched");
    EXPECT_EQ(Dispatch(effect, effGetProgramNameIndexed, 1, 0, name), 0);
    EXPECT_STREQ(name, "untouched");
    EXPECT_EQ(text(effGetEffectName), "tapestrum 26-03-2004");
    EXPECT_EQ(text(effGetVendorString), "Vormix");
    EXPECT_EQ(text(effGetProductString), "tapestrum 26-03-2004");
    EXPECT_EQ(Dispatch(effect, effGetVendorString, 0, 0, nullptr), 1);
    EXPECT_EQ(Dispatch(effect, effGetVstVersion), 2300);
    EXPECT_EQ(Dispatch(effect, effGetVu), 0);
    EXPECT_EQ(Dispatch(effect, effGetProgram), 0);
    Dispatch(effect, effSetProgram, 0, 1); // no such program
    EXPECT_EQ(Dispatch(effect, effGetProgram), 0);
    EXPECT_EQ(Dispatch(effect, effGetChunk), 0);
    EXPECT_EQ(Dispatch(effect, effGetPlugCategory), 0);
}

// Mend: the host's program-name buffer holds 24 bytes; the stored name keeps 51.
TEST_F(Parameters, ProgramNamesFitTheHostsBuffer) {
    char longName[] = "a program name much longer than twenty-three characters, over fifty";
    Dispatch(effect, effSetProgramName, 0, 0, longName);
    char buffer[40];
    std::memset(buffer, '#', sizeof buffer);
    Dispatch(effect, effGetProgramName, 0, 0, buffer);
    EXPECT_EQ(std::string(buffer), std::string(longName, 23));
    EXPECT_EQ(buffer[24], '#');
    std::memset(buffer, '#', sizeof buffer);
    Dispatch(effect, effGetProgramNameIndexed, 0, 0, buffer);
    EXPECT_EQ(std::string(buffer), std::string(longName, 23));
    EXPECT_EQ(buffer[24], '#');
}

// Mend: null buffers from the host are answered as if there were nothing to do.
TEST_F(Parameters, NullBuffersAreIgnored) {
    start();
    for (const int32_t opcode : {effGetProgramName, effSetProgramName, effGetParamLabel,
                                 effGetParamDisplay, effGetParamName, effGetEffectName,
                                 effGetVendorString, effGetProductString, effGetProgramNameIndexed})
        Dispatch(effect, opcode, 0, 0, nullptr);
    EXPECT_EQ(text(effGetProgramName), "Preset 0");
}

} // namespace
