// SPDX-License-Identifier: ISC
// The validator's events group: MIDI, sysex, empty and null event lists, where
// the module takes events.
#include "tools/validate/StrictHost.h"
#include "tools/validate/checks/Probes.h"
#include "tools/validate/checks/TestGroups.h"

#include <algorithm>

namespace {

// A system-exclusive event as hosts deliver it.
struct SysexEvent {
    int32_t type; // 6
    int32_t byteSize;
    int32_t deltaFrames;
    int32_t flags;
    int32_t dumpBytes;
    intptr_t reserved1;
    char* dump;
    intptr_t reserved2;
};

Outcome Events(TestContext& ctx) {
    PluginInstance instance(ctx.module(), kDefaultRate, kBlock);
    const int askedBefore = TheStrictHost().wantMidi;
    instance.resume();
    char receiveEvents[] = "receiveVstEvents", receiveMidi[] = "receiveVstMidiEvent";
    ctx.call("effCanDo receiveVstEvents / receiveVstMidiEvent");
    const bool receives = TheStrictHost().wantMidi > askedBefore ||
                          instance.dispatch(effCanDo, 0, 0, receiveEvents) > 0 ||
                          instance.dispatch(effCanDo, 0, 0, receiveMidi) > 0;
    if (!receives) return Pass("the module takes no events");

    VstMidiEvent noteOn{}, noteOff{};
    noteOn.type = noteOff.type = kVstMidiType;
    noteOn.byteSize = noteOff.byteSize = sizeof(VstMidiEvent);
    noteOn.midiData[0] = static_cast<char>(0x90);
    noteOn.midiData[1] = 60;
    noteOn.midiData[2] = 100;
    noteOff.midiData[0] = static_cast<char>(0x80);
    noteOff.midiData[1] = 60;
    noteOff.deltaFrames = kBlock - 1;
    char dump[100] = {static_cast<char>(0xF0)};
    dump[99] = static_cast<char>(0xF7);
    SysexEvent sysex{6, sizeof(SysexEvent), 10, 0, sizeof dump, 0, dump, 0};
    // Room for the pointers beyond the two the record's type declares.
    struct {
        int32_t numEvents;
        intptr_t reserved;
        VstEvent* events[3];
    } list{3,
           0,
           {reinterpret_cast<VstEvent*>(&noteOn), reinterpret_cast<VstEvent*>(&sysex),
            reinterpret_cast<VstEvent*>(&noteOff)}};
    const struct {
        const char* what;
        void* events;
        int32_t count;
    } cases[] = {{"MIDI and sysex events", &list, 3},
                 {"an empty event list", &list, 0},
                 {"a null event list", nullptr, 0}};
    Blocks blocks(instance, kBlock);
    int64_t offset = 0;
    for (const auto& c : cases) {
        list.numEvents = c.count;
        ctx.call(std::string("effProcessEvents with ") + c.what);
        instance.dispatch(effProcessEvents, 0, 0, c.events);
        if (auto fault =
                ProcessBlock(ctx, instance, blocks, kBlock, Signal::Noise, offset, kDefaultRate))
            return Fail(*fault, std::string("after effProcessEvents with ") + c.what);
        offset += kBlock;
    }
    return Pass();
}

} // namespace

TestGroup EventChecks() { return {"events", 5, {{"events", Events}}}; }
