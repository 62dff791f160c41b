// Every request the base classes send to the host: opcode, arguments, the
// conversion of the answer, and the answer given when there is no callback.
#include "support/RecordingEffect.h"
#include "support/RecordingHost.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

char gText[64];
const intptr_t kText = reinterpret_cast<intptr_t>(gText);

struct Request {
    const char* name;
    std::function<intptr_t(DefaultEffect&)> call; // the operation, its result as an integer
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

const std::vector<Request> kRequests = {
    {"setParameterAutomated", [](DefaultEffect& e) { return e.setParameterAutomated(4, 0.75f), 0; },
     audioMasterAutomate, 4, 0, 0, 0.75f, 9, 0, 0},
    {"getMasterVersion", [](DefaultEffect& e) { return e.getMasterVersion(); }, audioMasterVersion,
     0, 0, 0, 0, 2400, 2400, 1},
    {"getCurrentUniqueId", [](DefaultEffect& e) { return e.getCurrentUniqueId(); },
     audioMasterCurrentId, 0, 0, 0, 0, 77, 77, 0},
    {"masterIdle", [](DefaultEffect& e) { return e.masterIdle(), 0; }, audioMasterIdle, 0, 0, 0, 0,
     5, 0, 0},
    {"isInputConnected", [](DefaultEffect& e) { return intptr_t{e.isInputConnected(2)}; },
     audioMasterPinConnected, 2, 0, 0, 0, 1, 0, 1},
    {"isOutputConnected", [](DefaultEffect& e) { return intptr_t{e.isOutputConnected(3)}; },
     audioMasterPinConnected, 3, 1, 0, 0, 0, 1, 1},
    {"wantEvents", [](DefaultEffect& e) { return e.wantEvents(1), 0; }, audioMasterWantMidi, 0, 1,
     0, 0, 5, 0, 0},
    {"getTimeInfo", [](DefaultEffect& e) { return Addr(e.getTimeInfo(3)); }, audioMasterGetTime, 0,
     3, 0, 0, 0x1000, 0x1000, 0},
    {"tempoAt", [](DefaultEffect& e) { return e.tempoAt(96); }, audioMasterTempoAt, 0, 96, 0, 0,
     1200000, 1200000, 0},
    {"getNumAutomatableParameters",
     [](DefaultEffect& e) { return e.getNumAutomatableParameters(); },
     audioMasterGetNumAutomatableParameters, 0, 0, 0, 0, 8, 8, 0},
    {"getParameterQuantization", [](DefaultEffect& e) { return e.getParameterQuantization(); },
     audioMasterGetParameterQuantization, 0, 0, 0, 0, 100, 100, 0},
    {"ioChanged", [](DefaultEffect& e) { return intptr_t{e.ioChanged()}; }, audioMasterIOChanged, 0,
     0, 0, 0, 5, 1, 0},
    {"needIdle", [](DefaultEffect& e) { return intptr_t{e.needIdle()}; }, audioMasterNeedIdle, 0, 0,
     0, 0, 1, 1, 0},
    {"sizeWindow", [](DefaultEffect& e) { return intptr_t{e.sizeWindow(640, 480)}; },
     audioMasterSizeWindow, 640, 480, 0, 0, 1, 1, 0},
    {"getInputLatency", [](DefaultEffect& e) { return e.getInputLatency(); },
     audioMasterGetInputLatency, 0, 0, 0, 0, 64, 64, 0},
    {"getOutputLatency", [](DefaultEffect& e) { return e.getOutputLatency(); },
     audioMasterGetOutputLatency, 0, 0, 0, 0, 128, 128, 0},
    {"getPreviousPlug", [](DefaultEffect& e) { return Addr(e.getPreviousPlug()); },
     audioMasterGetPreviousPlug, 0, 0, 0, 0, 0x2000, 0x2000, 0},
    {"getNextPlug", [](DefaultEffect& e) { return Addr(e.getNextPlug()); }, audioMasterGetNextPlug,
     0, 0, 0, 0, 0x3000, 0x3000, 0},
    {"willProcessReplacing", [](DefaultEffect& e) { return e.willProcessReplacing(); },
     audioMasterWillReplaceOrAccumulate, 0, 0, 0, 0, 1, 1, 0},
    {"getCurrentProcessLevel", [](DefaultEffect& e) { return e.getCurrentProcessLevel(); },
     audioMasterGetCurrentProcessLevel, 0, 0, 0, 0, 2, 2, 0},
    {"getAutomationState", [](DefaultEffect& e) { return e.getAutomationState(); },
     audioMasterGetAutomationState, 0, 0, 0, 0, 3, 3, 0},
    {"offlineStart",
     [](DefaultEffect& e) {
         return intptr_t{e.offlineStart(reinterpret_cast<VstAudioFile*>(gText), 5, 2)};
     },
     audioMasterOfflineStart, 2, 5, kText, 0, 1, 1, 0},
    {"offlineRead",
     [](DefaultEffect& e) {
         return intptr_t{e.offlineRead(reinterpret_cast<VstOfflineTask*>(gText), 6, true)};
     },
     audioMasterOfflineRead, 1, 6, kText, 0, 1, 1, 0},
    {"offlineWrite",
     [](DefaultEffect& e) {
         return intptr_t{e.offlineWrite(reinterpret_cast<VstOfflineTask*>(gText), 7)};
     },
     audioMasterOfflineWrite, 0, 7, kText, 0, 0, 0, 0},
    {"offlineGetCurrentPass", [](DefaultEffect& e) { return e.offlineGetCurrentPass(); },
     audioMasterOfflineGetCurrentPass, 0, 0, 0, 0, 7, 1, 0},
    {"offlineGetCurrentMetaPass", [](DefaultEffect& e) { return e.offlineGetCurrentMetaPass(); },
     audioMasterOfflineGetCurrentMetaPass, 0, 0, 0, 0, 9, 1, 0},
    {"setOutputSamplerate", [](DefaultEffect& e) { return e.setOutputSamplerate(96000.0f), 0; },
     audioMasterSetOutputSampleRate, 0, 0, 0, 96000.0f, 1, 0, 0},
    {"getOutputSpeakerArrangement",
     [](DefaultEffect& e) { return Addr(e.getOutputSpeakerArrangement()); },
     audioMasterGetOutputSpeakerArrangement, 0, 0, 0, 0, 0x4000, 0x4000, 0},
    {"getHostVendorString", [](DefaultEffect& e) { return intptr_t{e.getHostVendorString(gText)}; },
     audioMasterGetVendorString, 0, 0, kText, 0, 1, 1, 0},
    {"getHostProductString",
     [](DefaultEffect& e) { return intptr_t{e.getHostProductString(gText)}; },
     audioMasterGetProductString, 0, 0, kText, 0, 1, 1, 0},
    {"getHostVendorVersion", [](DefaultEffect& e) { return e.getHostVendorVersion(); },
     audioMasterGetVendorVersion, 0, 0, 0, 0, 1100, 1100, 0},
    {"hostVendorSpecific",
     [](DefaultEffect& e) { return e.hostVendorSpecific(11, 22, gText, 0.5f); },
     audioMasterVendorSpecific, 11, 22, kText, 0.5f, 33, 33, 0},
    {"canHostDo", [](DefaultEffect& e) { return e.canHostDo(gText); }, audioMasterCanDo, 0, 0,
     kText, 0, -1, -1, 0},
    {"getHostLanguage", [](DefaultEffect& e) { return e.getHostLanguage(); },
     audioMasterGetLanguage, 0, 0, 0, 0, 1, 1, 0},
    {"openWindow",
     [](DefaultEffect& e) { return Addr(e.openWindow(reinterpret_cast<VstWindow*>(gText))); },
     audioMasterOpenWindow, 0, 0, kText, 0, 0x5000, 0x5000, 0},
    {"closeWindow",
     [](DefaultEffect& e) { return intptr_t{e.closeWindow(reinterpret_cast<VstWindow*>(gText))}; },
     audioMasterCloseWindow, 0, 0, kText, 0, 1, 1, 0},
    {"getDirectory", [](DefaultEffect& e) { return Addr(e.getDirectory()); },
     audioMasterGetDirectory, 0, 0, 0, 0, 0x6000, 0x6000, 0},
    {"updateDisplay", [](DefaultEffect& e) { return intptr_t{e.updateDisplay()}; },
     audioMasterUpdateDisplay, 0, 0, 0, 0, 1, 1, 0},
    {"beginEdit", [](DefaultEffect& e) { return intptr_t{e.beginEdit(5)}; }, audioMasterBeginEdit,
     5, 0, 0, 0, 1, 1, 0},
    {"endEdit", [](DefaultEffect& e) { return intptr_t{e.endEdit(6)}; }, audioMasterEndEdit, 6, 0,
     0, 0, 0, 0, 0},
    {"openFileSelector",
     [](DefaultEffect& e) {
         return intptr_t{e.openFileSelector(reinterpret_cast<VstFileSelect*>(gText))};
     },
     audioMasterOpenFileSelector, 0, 0, kText, 0, 1, 1, 0},
    {"getInputSpeakerArrangement",
     [](DefaultEffect& e) { return Addr(e.getInputSpeakerArrangement()); },
     audioMasterGetInputSpeakerArrangement, 0, 0, 0, 0, 0x7000, 0x7000, 0},
};

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

TEST(HostRequests, MasterVersionZeroCountsAsOne) {
    RecordingHost host;
    host.answer(audioMasterVersion, 0);
    DefaultEffect effect(RecordingHost::Callback);
    EXPECT_EQ(effect.getMasterVersion(), 1);
}

TEST(HostRequests, PinsAreConnectedWhenTheHostAnswersZero) {
    RecordingHost host;
    host.answer(audioMasterPinConnected, 0);
    DefaultEffect effect(RecordingHost::Callback);
    EXPECT_TRUE(effect.isInputConnected(0));
    EXPECT_TRUE(effect.isOutputConnected(0));
}

TEST(HostRequests, OpenFileSelectorRefusesANullRecordWithoutAsking) {
    RecordingHost host;
    host.answer(audioMasterOpenFileSelector, 1);
    DefaultEffect effect(RecordingHost::Callback);
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
