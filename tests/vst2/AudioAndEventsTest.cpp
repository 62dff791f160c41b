// SPDX-License-Identifier: ISC
// Audio, events, capabilities and the output pin through the loaded module
// (that both processing calls replace the output with the core's is the
// contract's, tests/contract).
#include "support/HostedPlugin.h"
#include "support/Signals.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

using AudioAndEvents = HostedPlugin;

TEST_F(AudioAndEvents, ZeroFramesLeaveTheOutputAlone) {
    start();
    float in[4] = {1, 2, 3, 4}, out[4] = {5, 6, 7, 8};
    float* inputs[1] = {in};
    float* outputs[1] = {out};
    effect->processReplacing(effect, inputs, outputs, 0);
    effect->process(effect, inputs, outputs, 0);
    EXPECT_EQ(out[0], 5.0f);
    EXPECT_EQ(out[3], 8.0f);
}

// A missing output means there is nothing to do; a missing input is silence,
// which the effect processes: every output sample is written (a new instance
// makes silence of it).
TEST_F(AudioAndEvents, MissingOutputDoesNothingMissingInputIsSilence) {
    start();
    float out[4] = {5, 6, 7, 8};
    float* outputs[1] = {out};
    float* none[1] = {nullptr};
    effect->process(effect, outputs, nullptr, 4);
    effect->process(effect, outputs, none, 4);
    effect->processReplacing(effect, outputs, none, 4);
    EXPECT_EQ(out[0], 5.0f);
    for (float** inputs : {static_cast<float**>(nullptr), none}) {
        for (const auto call : {effect->process, effect->processReplacing}) {
            std::fill_n(out, 4, 5.0f);
            call(effect, inputs, outputs, 4);
            EXPECT_EQ(std::count(out, out + 4, 0.0f), 4);
        }
    }
}

TEST_F(AudioAndEvents, CapabilityAnswers) {
    const std::pair<const char*, intptr_t> rows[] = {
        {"receiveVstTimeInfo", 1},   {"sendVstEvents", -1},
        {"sendVstMidiEvent", -1},    {"receiveVstEvents", -1},
        {"receiveVstMidiEvent", -1}, {"ReceiveVstTimeInfo", -1},
        {"receivevsttimeinfo", -1},  {"", -1},
        {"plugAsChannelInsert", -1}, {"receiveVstTimeInfo ", -1},
    };
    for (const auto& [query, answer] : rows) {
        std::string copy = query;
        EXPECT_EQ(Dispatch(effect, effCanDo, 0, 0, copy.data()), answer) << query;
    }
    EXPECT_EQ(Dispatch(effect, effCanDo, 0, 0, nullptr), -1);
}

TEST_F(AudioAndEvents, EventsAreAcceptedAndChangeNothing) {
    start();
    VstMidiEvent note{};
    note.type = kVstMidiType;
    note.byteSize = sizeof note;
    note.midiData[0] = static_cast<char>(0x90);
    note.midiData[1] = 60;
    note.midiData[2] = 100;
    VstEvent sysex{};
    sysex.type = 6;
    struct {
        int32_t numEvents;
        intptr_t reserved;
        VstEvent* events[3];
    } list{3, 0, {reinterpret_cast<VstEvent*>(&note), &sysex, nullptr}};
    const float before = get(0);
    EXPECT_EQ(Dispatch(effect, effProcessEvents, 0, 0, &list), 1);
    list.numEvents = 0;
    EXPECT_EQ(Dispatch(effect, effProcessEvents, 0, 0, &list), 1);
    EXPECT_EQ(Dispatch(effect, effProcessEvents, 0, 0, nullptr), 1);
    EXPECT_EQ(get(0), before);
}

TEST_F(AudioAndEvents, OutputPinDescription) {
    VstPinProperties pin{};
    std::memset(&pin, 0x55, sizeof pin);
    EXPECT_EQ(Dispatch(effect, effGetOutputProperties, 0, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "ZOLT 1");
    EXPECT_EQ(pin.flags, 1);
    EXPECT_EQ(pin.arrangementType, 0x55555555); // left alone
    EXPECT_EQ(Dispatch(effect, effGetOutputProperties, -1, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "ZOLT 0");
    VstPinProperties untouched{};
    EXPECT_EQ(Dispatch(effect, effGetOutputProperties, 1, 0, &untouched), 0);
    EXPECT_EQ(untouched.label[0], 0);
    EXPECT_EQ(Dispatch(effect, effGetOutputProperties, 0, 0, nullptr), 0);
    EXPECT_EQ(Dispatch(effect, effGetInputProperties, 0, 0, &untouched), 0);
}

TEST_F(AudioAndEvents, EveryResumeAsksForMidi) {
    host.requests.clear();
    start();
    Dispatch(effect, effMainsChanged, 0, 0);
    Dispatch(effect, effMainsChanged, 0, 1);
    int wants = 0;
    for (const HostRequest& request : host.requests) {
        EXPECT_EQ(request.opcode, audioMasterWantMidi) << "no other request is sent";
        EXPECT_EQ(request.value, 1);
        EXPECT_EQ(request.effect, effect);
        ++wants;
    }
    EXPECT_EQ(wants, 2);
}

// Mend: the top of "head position" with a full track is frame 0, and audio runs.
TEST_F(AudioAndEvents, HeadPositionAtTheTopOfItsRange) {
    start();
    set(10, 0.0f);
    set(7, 1.0f);
    const std::vector<float> output = run(TestSignal(44100, 20000));
    ASSERT_TRUE(AllFinite(output));
    EXPECT_LT(get(7), 1.0f);
}

} // namespace
