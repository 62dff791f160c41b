// SPDX-License-Identifier: ISC
// Every dispatcher opcode reaches its operation with the right arguments, and the
// operation's result reaches the host converted as the interface says.
#include "support/RecordingEffect.h"

#include <gtest/gtest.h>

namespace {

enum class Result { AsIs, Flag, Inverted, Zero, One };

// A value passed as index, value or ptr: distinct so that a swapped argument shows.
constexpr int32_t kIndex = 7;
constexpr intptr_t kValue = 3;
constexpr float kOpt = 48000.0f;
char gBuffer[64];
void* const kPtr = gBuffer;
const intptr_t P = reinterpret_cast<intptr_t>(kPtr);

struct Row {
    int32_t opcode;
    const char* operation; // nullptr: no operation is reached
    std::vector<intptr_t> args;
    Result result;
    bool passesOpt = false;
};

const std::vector<Row> kRows = {
    {effOpen, "open", {}, Result::Zero},
    {effClose, "close", {}, Result::Zero},
    {effSetProgram, "setProgram", {kValue}, Result::Zero},
    {effGetProgram, "getProgram", {}, Result::AsIs},
    {effSetProgramName, "setProgramName", {P}, Result::Zero},
    {effGetProgramName, "getProgramName", {P}, Result::Zero},
    {effGetParamLabel, "getParameterLabel", {kIndex, P}, Result::Zero},
    {effGetParamDisplay, "getParameterDisplay", {kIndex, P}, Result::Zero},
    {effGetParamName, "getParameterName", {kIndex, P}, Result::Zero},
    {effSetSampleRate, "setSampleRate", {}, Result::Zero, true},
    {effSetBlockSize, "setBlockSize", {kValue}, Result::Zero},
    {effMainsChanged, "resume", {}, Result::Zero},
    {effEditGetRect, nullptr, {}, Result::Zero},
    {effEditOpen, nullptr, {}, Result::Zero},
    {effEditClose, nullptr, {}, Result::Zero},
    {effEditDraw, nullptr, {}, Result::Zero},
    {effEditMouse, nullptr, {}, Result::Zero},
    {effEditKey, nullptr, {}, Result::Zero},
    {effEditIdle, nullptr, {}, Result::Zero},
    {effEditTop, nullptr, {}, Result::Zero},
    {effEditSleep, nullptr, {}, Result::Zero},
    {effGetChunk, "getChunk", {P, 1}, Result::AsIs},
    {effSetChunk, "setChunk", {P, kValue, 1}, Result::AsIs},
    {effProcessEvents, "processEvents", {P}, Result::AsIs},
    {effCanBeAutomated, "canParameterBeAutomated", {kIndex}, Result::Flag},
    {effString2Parameter, "string2parameter", {kIndex, P}, Result::Flag},
    {effGetNumProgramCategories, "getNumCategories", {}, Result::AsIs},
    {effGetProgramNameIndexed, "getProgramNameIndexed", {kValue, kIndex, P}, Result::Flag},
    {effCopyProgram, "copyProgram", {kIndex}, Result::Flag},
    {effConnectInput, "inputConnected", {kIndex, 1}, Result::One},
    {effConnectOutput, "outputConnected", {kIndex, 1}, Result::One},
    {effGetInputProperties, "getInputProperties", {kIndex, P}, Result::Flag},
    {effGetOutputProperties, "getOutputProperties", {kIndex, P}, Result::Flag},
    {effGetPlugCategory, "getPlugCategory", {}, Result::AsIs},
    {effGetCurrentPosition, "reportCurrentPosition", {}, Result::AsIs},
    {effGetDestinationBuffer, "reportDestinationBuffer", {}, Result::AsIs},
    {effOfflineNotify, "offlineNotify", {P, kValue, 1}, Result::Flag},
    {effOfflinePrepare, "offlinePrepare", {P, kValue}, Result::Flag},
    {effOfflineRun, "offlineRun", {P, kValue}, Result::Flag},
    {effProcessVarIo, "processVariableIo", {P}, Result::Flag},
    {effSetSpeakerArrangement, "setSpeakerArrangement", {kValue, P}, Result::Flag},
    {effSetBlockSizeAndSampleRate, "setBlockSizeAndSampleRate", {kValue}, Result::One, true},
    {effSetBypass, "setBypass", {1}, Result::Flag},
    {effGetEffectName, "getEffectName", {P}, Result::Flag},
    {effGetErrorText, "getErrorText", {P}, Result::Flag},
    {effGetVendorString, "getVendorString", {P}, Result::Flag},
    {effGetProductString, "getProductString", {P}, Result::Flag},
    {effGetVendorVersion, "getVendorVersion", {}, Result::AsIs},
    {effVendorSpecific, "vendorSpecific", {kIndex, kValue, P}, Result::AsIs, true},
    {effCanDo, "canDo", {P}, Result::AsIs},
    {effGetTailSize, "getGetTailSize", {}, Result::AsIs},
    {effIdle, "fxIdle", {}, Result::AsIs},
    {effGetIcon, "getIcon", {}, Result::AsIs},
    {effSetViewPosition, "setViewPosition", {kIndex, kValue}, Result::Flag},
    {effGetParameterProperties, "getParameterProperties", {kIndex, P}, Result::Flag},
    {effKeysRequired, "keysRequired", {}, Result::Inverted},
    {effGetVstVersion, "getVstVersion", {}, Result::AsIs},
    {effEditKeyDown, nullptr, {}, Result::Zero},
    {effEditKeyUp, nullptr, {}, Result::Zero},
    {effSetEditKnobMode, nullptr, {}, Result::Zero},
    {effGetMidiProgramName, "getMidiProgramName", {kIndex, P}, Result::AsIs},
    {effGetCurrentMidiProgram, "getCurrentMidiProgram", {kIndex, P}, Result::AsIs},
    {effGetMidiProgramCategory, "getMidiProgramCategory", {kIndex, P}, Result::AsIs},
    {effHasMidiProgramsChanged, "hasMidiProgramsChanged", {kIndex}, Result::Flag},
    {effGetMidiKeyName, "getMidiKeyName", {kIndex, P}, Result::Flag},
    {effBeginSetProgram, "beginSetProgram", {}, Result::Flag},
    {effEndSetProgram, "endSetProgram", {}, Result::Flag},
    {effGetSpeakerArrangement, "getSpeakerArrangement", {kValue, P}, Result::Flag},
    {effShellGetNextPlugin, "getNextShellPlugin", {P}, Result::AsIs},
    {effStartProcess, "startProcess", {}, Result::AsIs},
    {effStopProcess, "stopProcess", {}, Result::AsIs},
    {effSetTotalSampleToProcess, "setTotalSampleToProcess", {kValue}, Result::AsIs},
    {effSetPanLaw, "setPanLaw", {kValue}, Result::Flag, true},
    {effBeginLoadBank, "beginLoadBank", {P}, Result::AsIs},
    {effBeginLoadProgram, "beginLoadProgram", {P}, Result::AsIs},
};

TEST(Dispatcher, TableCoversEveryOpcodeExceptIdentifyAndVu) {
    std::vector<bool> seen(77, false);
    for (const Row& row : kRows)
        seen[row.opcode] = true;
    for (int32_t op = 0; op <= 76; ++op)
        if (op != effGetVu && op != effIdentify) {
            EXPECT_TRUE(seen[op]) << "opcode " << op;
        }
}

TEST(Dispatcher, EveryOpcodeReachesItsOperationAndConvertsItsResult) {
    for (const Row& row : kRows) {
        SCOPED_TRACE("opcode " + std::to_string(row.opcode));
        for (const bool answer : {true, false}) {
            RecordingEffect effect;
            effect.boolAnswer = answer;
            effect.intAnswer = answer ? 0x12345 : -3;
            const intptr_t result = effect.dispatcher(row.opcode, kIndex, kValue, kPtr, kOpt);

            if (row.operation) {
                ASSERT_EQ(effect.calls.size(), 1u);
                EXPECT_EQ(effect.calls[0].name, row.operation);
                EXPECT_EQ(effect.calls[0].args, row.args);
                if (row.passesOpt) {
                    EXPECT_EQ(effect.calls[0].real, kOpt);
                }
            } else {
                EXPECT_TRUE(effect.calls.empty());
            }
            // By Result: as is, the flag, the flag inverted, zero, one.
            const intptr_t expected[] = {effect.intAnswer, answer, !answer, 0, 1};
            EXPECT_EQ(result, expected[static_cast<int>(row.result)]);
        }
    }
}

TEST(Dispatcher, MainsChangedSuspendsOnlyForZero) {
    const std::vector<std::pair<intptr_t, const char*>> cases = {
        {0, "suspend"}, {1, "resume"}, {2, "resume"}, {-1, "resume"}};
    for (const auto& [value, operation] : cases) {
        RecordingEffect effect;
        EXPECT_EQ(effect.dispatcher(effMainsChanged, 0, value, nullptr, 0), 0);
        ASSERT_EQ(effect.calls.size(), 1u);
        EXPECT_EQ(effect.calls[0].name, operation) << value;
    }
}

TEST(Dispatcher, SetProgramIgnoresNumbersAtOrAboveTheCount) {
    RecordingEffect effect(nullptr, 4);
    EXPECT_EQ(effect.dispatcher(effSetProgram, 0, 4, nullptr, 0), 0);
    EXPECT_EQ(effect.dispatcher(effSetProgram, 0, 100, nullptr, 0), 0);
    EXPECT_TRUE(effect.calls.empty());
    effect.dispatcher(effSetProgram, 0, -1, nullptr, 0); // signed comparison: passes
    ASSERT_EQ(effect.calls.size(), 1u);
    EXPECT_EQ(effect.calls[0].args, std::vector<intptr_t>{-1});
}

TEST(Dispatcher, ChunkFlagIsTheIndexBeingNonZero) {
    RecordingEffect effect;
    effect.dispatcher(effGetChunk, 0, 0, kPtr, 0);
    effect.dispatcher(effSetChunk, 0, 9, kPtr, 0);
    EXPECT_EQ(effect.calls[0].args, (std::vector<intptr_t>{P, 0}));
    EXPECT_EQ(effect.calls[1].args, (std::vector<intptr_t>{P, 9, 0}));
}

TEST(Dispatcher, VuIsScaledTo32767AndRoundedHalfToEven) {
    const std::vector<std::pair<float, intptr_t>> cases = {
        {1.0f, 32767}, {0.5f, 16384}, {0.0f, 0}, {-1.0f, -32767}, {0.25f, 8192}};
    for (const auto& [vu, expected] : cases) {
        RecordingEffect effect;
        effect.vuAnswer = vu;
        EXPECT_EQ(effect.dispatcher(effGetVu, 0, 0, nullptr, 0), expected) << vu;
    }
}

// Identify answers NvEf whatever the arguments; unknown and negative opcodes
// answer 0; neither reaches an operation.
TEST(Dispatcher, IdentifyAndUnknownOpcodes) {
    RecordingEffect identified;
    EXPECT_EQ(identified.dispatcher(effIdentify, 5, 6, kPtr, 1.0f), 0x4E764566);
    EXPECT_EQ(identified.dispatcher(effIdentify, 0, 0, nullptr, 0), 0x4E764566);
    EXPECT_TRUE(identified.calls.empty());
    for (const int32_t opcode : {-1, -100, 77, 78, 1000, INT32_MIN, INT32_MAX}) {
        RecordingEffect effect;
        effect.intAnswer = 99;
        effect.boolAnswer = true;
        EXPECT_EQ(effect.dispatcher(opcode, 1, 1, kPtr, 1), 0) << opcode;
        EXPECT_TRUE(effect.calls.empty()) << opcode;
    }
}

// The defaults of a plain effect, as a host sees them.
TEST(Dispatcher, DefaultsOfThePlainEffect) {
    DefaultEffect effect;
    const std::pair<int32_t, intptr_t> answering[] = {
        {effKeysRequired, 1},   {effGetVstVersion, 2300},       {effGetNumProgramCategories, 1},
        {effCanBeAutomated, 1}, {effGetCurrentMidiProgram, -1}, {effConnectInput, 1},
        {effConnectOutput, 1}};
    for (const auto& [opcode, expected] : answering)
        EXPECT_EQ(effect.dispatcher(opcode, 3, 0, nullptr, 0), expected) << opcode;
    for (const int32_t opcode : {effGetPlugCategory, effGetProgram, effGetVu, effProcessEvents,
                                 effCanDo, effGetVendorVersion, effGetEffectName, effGetChunk,
                                 effGetOutputProperties, effGetIcon, effGetDestinationBuffer})
        EXPECT_EQ(effect.dispatcher(opcode, 3, 0, nullptr, 0), 0) << opcode;
    // No default reads or writes through a null ptr: every opcode with a null ptr.
    for (int32_t op = 0; op <= 80; ++op)
        if (op != effClose) effect.dispatcher(op, 0, 0, nullptr, 0);
    EXPECT_EQ(effect.dispatcher(effSetTotalSampleToProcess, 0, 12345, nullptr, 0), 12345);
    // The category follows the synth flag.
    effect.isSynth(true);
    EXPECT_EQ(effect.dispatcher(effGetPlugCategory, 0, 0, nullptr, 0), 2);
    effect.isSynth(false);
    EXPECT_EQ(effect.dispatcher(effGetPlugCategory, 0, 0, nullptr, 0), 0);
}

TEST(Dispatcher, DefaultSpeakerArrangementStoresNullInBothPointers) {
    DefaultEffect effect;
    VstSpeakerArrangement dummy{};
    VstSpeakerArrangement* input = &dummy;
    VstSpeakerArrangement* output = &dummy;
    EXPECT_EQ(effect.dispatcher(effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&input),
                                &output, 0),
              0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
}

TEST(Dispatcher, BaseSettersStoreRateBlockAndProgram) {
    DefaultEffect effect;
    EXPECT_EQ(effect.rate(), 44100.0f);
    EXPECT_EQ(effect.block(), 1024);
    effect.dispatcher(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    effect.dispatcher(effSetBlockSize, 0, 64, nullptr, 0);
    EXPECT_EQ(effect.rate(), 96000.0f);
    EXPECT_EQ(effect.block(), 64);
    effect.dispatcher(effSetProgram, 0, 0, nullptr, 0);
    EXPECT_EQ(effect.dispatcher(effGetProgram, 0, 0, nullptr, 0), 0);
    // Both at once are stored without the setters.
    EXPECT_EQ(effect.dispatcher(effSetBlockSizeAndSampleRate, 0, 512, nullptr, 48000.0f), 1);
    EXPECT_EQ(effect.block(), 512);
    EXPECT_EQ(effect.rate(), 48000.0f);
    RecordingEffect recording;
    recording.AudioEffectX::setBlockSizeAndSampleRate(256, 96000.0f);
    EXPECT_TRUE(recording.calls.empty()); // neither setBlockSize nor setSampleRate
    EXPECT_EQ(recording.block(), 256);
    EXPECT_EQ(recording.rate(), 96000.0f);
}

} // namespace
