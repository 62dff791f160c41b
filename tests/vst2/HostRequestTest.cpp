// SPDX-License-Identifier: ISC
// Every request the base classes send to the host: opcode, arguments, the
// conversion of the answer, and the answer given when there is no callback.
#include "support/RecordingEffect.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

namespace {

char gText[64];
const intptr_t kText = reinterpret_cast<intptr_t>(gText);

struct Request {
    const char* name; // the call
    intptr_t (*call)(DefaultEffect&);
    int32_t opcode;
    int32_t index;
    intptr_t value;
    intptr_t ptr;
    float opt;
    intptr_t hostAnswer;
    intptr_t expected;
    intptr_t withoutHost;
};

template <typename T> intptr_t Addr(T* p) { return reinterpret_cast<intptr_t>(p); }
// The text buffer, passed where the host expects a record.
template <typename T> T* Record() { return reinterpret_cast<T*>(gText); }
// A request's fields: the call as written, and the call with its result as an
// integer.
#define CALL(...) #__VA_ARGS__, [](DefaultEffect & e) -> intptr_t { return __VA_ARGS__; }

const std::vector<Request> kRequests = {
    {CALL(e.setParameterAutomated(4, 0.75f), 0), audioMasterAutomate, 4, 0, 0, 0.75f, 9, 0, 0},
    {CALL(e.getMasterVersion()), audioMasterVersion, 0, 0, 0, 0, 2400, 2400, 1},
    {CALL(e.getCurrentUniqueId()), audioMasterCurrentId, 0, 0, 0, 0, 77, 77, 0},
    {CALL(e.masterIdle(), 0), audioMasterIdle, 0, 0, 0, 0, 5, 0, 0},
    {CALL(e.isInputConnected(2)), audioMasterPinConnected, 2, 0, 0, 0, 1, 0, 1},
    {CALL(e.isOutputConnected(3)), audioMasterPinConnected, 3, 1, 0, 0, 0, 1, 1},
    {CALL(e.wantEvents(1), 0), audioMasterWantMidi, 0, 1, 0, 0, 5, 0, 0},
    {CALL(Addr(e.getTimeInfo(3))), audioMasterGetTime, 0, 3, 0, 0, 0x1000, 0x1000, 0},
    {CALL(e.tempoAt(96)), audioMasterTempoAt, 0, 96, 0, 0, 1200000, 1200000, 0},
    {CALL(e.getNumAutomatableParameters()), audioMasterGetNumAutomatableParameters, 0, 0, 0, 0, 8,
     8, 0},
    {CALL(e.getParameterQuantization()), audioMasterGetParameterQuantization, 0, 0, 0, 0, 100, 100,
     0},
    {CALL(e.ioChanged()), audioMasterIOChanged, 0, 0, 0, 0, 5, 1, 0},
    {CALL(e.needIdle()), audioMasterNeedIdle, 0, 0, 0, 0, 1, 1, 0},
    {CALL(e.sizeWindow(640, 480)), audioMasterSizeWindow, 640, 480, 0, 0, 1, 1, 0},
    {CALL(e.getInputLatency()), audioMasterGetInputLatency, 0, 0, 0, 0, 64, 64, 0},
    {CALL(e.getOutputLatency()), audioMasterGetOutputLatency, 0, 0, 0, 0, 128, 128, 0},
    {CALL(Addr(e.getPreviousPlug())), audioMasterGetPreviousPlug, 0, 0, 0, 0, 0x2000, 0x2000, 0},
    {CALL(Addr(e.getNextPlug())), audioMasterGetNextPlug, 0, 0, 0, 0, 0x3000, 0x3000, 0},
    {CALL(e.willProcessReplacing()), audioMasterWillReplaceOrAccumulate, 0, 0, 0, 0, 1, 1, 0},
    {CALL(e.getCurrentProcessLevel()), audioMasterGetCurrentProcessLevel, 0, 0, 0, 0, 2, 2, 0},
    {CALL(e.getAutomationState()), audioMasterGetAutomationState, 0, 0, 0, 0, 3, 3, 0},
    {CALL(e.offlineStart(Record<VstAudioFile>(), 5, 2)), audioMasterOfflineStart, 2, 5, kText, 0, 1,
     1, 0},
    {CALL(e.offlineRead(Record<VstOfflineTask>(), 6, true)), audioMasterOfflineRead, 1, 6, kText, 0,
     1, 1, 0},
    {CALL(e.offlineWrite(Record<VstOfflineTask>(), 7)), audioMasterOfflineWrite, 0, 7, kText, 0, 0,
     0, 0},
    {CALL(e.offlineGetCurrentPass()), audioMasterOfflineGetCurrentPass, 0, 0, 0, 0, 7, 1, 0},
    {CALL(e.offlineGetCurrentMetaPass()), audioMasterOfflineGetCurrentMetaPass, 0, 0, 0, 0, 9, 1,
     0},
    {CALL(e.setOutputSamplerate(96000.0f), 0), audioMasterSetOutputSampleRate, 0, 0, 0, 96000.0f, 1,
     0, 0},
    {CALL(Addr(e.getOutputSpeakerArrangement())), audioMasterGetOutputSpeakerArrangement, 0, 0, 0,
     0, 0x4000, 0x4000, 0},
    {CALL(e.getHostVendorString(gText)), audioMasterGetVendorString, 0, 0, kText, 0, 1, 1, 0},
    {CALL(e.getHostProductString(gText)), audioMasterGetProductString, 0, 0, kText, 0, 1, 1, 0},
    {CALL(e.getHostVendorVersion()), audioMasterGetVendorVersion, 0, 0, 0, 0, 1100, 1100, 0},
    {CALL(e.hostVendorSpecific(11, 22, gText, 0.5f)), audioMasterVendorSpecific, 11, 22, kText,
     0.5f, 33, 33, 0},
    {CALL(e.canHostDo(gText)), audioMasterCanDo, 0, 0, kText, 0, -1, -1, 0},
    {CALL(e.getHostLanguage()), audioMasterGetLanguage, 0, 0, 0, 0, 1, 1, 0},
    {CALL(Addr(e.openWindow(Record<VstWindow>()))), audioMasterOpenWindow, 0, 0, kText, 0, 0x5000,
     0x5000, 0},
    {CALL(e.closeWindow(Record<VstWindow>())), audioMasterCloseWindow, 0, 0, kText, 0, 1, 1, 0},
    {CALL(Addr(e.getDirectory())), audioMasterGetDirectory, 0, 0, 0, 0, 0x6000, 0x6000, 0},
    {CALL(e.updateDisplay()), audioMasterUpdateDisplay, 0, 0, 0, 0, 1, 1, 0},
    {CALL(e.beginEdit(5)), audioMasterBeginEdit, 5, 0, 0, 0, 1, 1, 0},
    {CALL(e.endEdit(6)), audioMasterEndEdit, 6, 0, 0, 0, 0, 0, 0},
    {CALL(e.openFileSelector(Record<VstFileSelect>())), audioMasterOpenFileSelector, 0, 0, kText, 0,
     1, 1, 0},
    {CALL(Addr(e.getInputSpeakerArrangement())), audioMasterGetInputSpeakerArrangement, 0, 0, 0, 0,
     0x7000, 0x7000, 0},
};
#undef CALL

TEST(HostRequests, EachSendsItsOpcodeAndArgumentsAndConvertsTheAnswer) {
    for (const Request& r : kRequests) {
        SCOPED_TRACE(r.name);
        RecordingHost host;
        host.answer(r.opcode, r.hostAnswer);
        DefaultEffect effect(RecordingHost::Callback);
        EXPECT_EQ(r.call(effect), r.expected);
        ASSERT_EQ(host.requests.size(), 1u);
        const HostRequest& sent = host.requests[0];
        EXPECT_EQ(sent.effect, effect.getAeffect());
        EXPECT_EQ(sent.opcode, r.opcode);
        EXPECT_EQ(sent.index, r.index);
        EXPECT_EQ(sent.value, r.value);
        EXPECT_EQ(reinterpret_cast<intptr_t>(sent.ptr), r.ptr);
        EXPECT_EQ(sent.opt, r.opt);
    }
}

TEST(HostRequests, WithoutCallbackEachAnswersItsDefault) {
    RecordingHost host; // must see nothing
    for (const Request& r : kRequests) {
        DefaultEffect effect(nullptr);
        EXPECT_EQ(r.call(effect), r.withoutHost) << r.name;
    }
    EXPECT_TRUE(host.requests.empty());
}

// Answers taken apart from the rest: a version of 0 counts as 1, a pin the host
// answers 0 for is connected, and a null file selector is refused unasked.
TEST(HostRequests, AnswersTakenApart) {
    RecordingHost host;
    host.answer(audioMasterVersion, 0);
    host.answer(audioMasterPinConnected, 0);
    host.answer(audioMasterOpenFileSelector, 1);
    DefaultEffect effect(RecordingHost::Callback);
    EXPECT_EQ(effect.getMasterVersion(), 1);
    EXPECT_TRUE(effect.isInputConnected(0));
    EXPECT_TRUE(effect.isOutputConnected(0));
    host.requests.clear();
    EXPECT_FALSE(effect.openFileSelector(nullptr));
    EXPECT_TRUE(host.requests.empty());
}

TEST(HostRequests, UpdateSampleRateAndBlockSizeTakeOnlyPositiveAnswers) {
    struct Case {
        intptr_t answer;
        double rate;
        int32_t block;
    };
    for (const Case& c : {Case{0, 44100.0, 1024}, Case{-5, 44100.0, 1024},
                          Case{48000, 48000.0, 1024}, Case{512, 512.0, 512}}) {
        RecordingHost host;
        host.answer(audioMasterGetSampleRate, c.answer);
        host.answer(audioMasterGetBlockSize, c.answer == 48000 ? 0 : c.answer);
        DefaultEffect effect(RecordingHost::Callback);
        EXPECT_EQ(effect.updateSampleRate(), c.rate) << c.answer;
        EXPECT_EQ(effect.updateBlockSize(), c.block) << c.answer;
        EXPECT_EQ(effect.rate(), static_cast<float>(c.rate));
    }
    DefaultEffect alone(nullptr);
    EXPECT_EQ(alone.updateSampleRate(), 44100.0);
    EXPECT_EQ(alone.updateBlockSize(), 1024);
}

} // namespace
