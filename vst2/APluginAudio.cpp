// SPDX-License-Identifier: ISC
// The glue between the host's processing and event calls and the engine, the
// output pin's description and the capability answers.
#include "vst2/APlugin.h"

#include <cstdio>
#include <cstring>

namespace {

struct Capability {
    const char* query;
    int32_t answer;
};

// Queries are compared byte for byte, case included; anything else answers -1,
// never the undecided 0. The effect never sends events, so it says so.
constexpr Capability kCapabilities[] = {
    {"receiveVstTimeInfo", 1},
    {"sendVstEvents", -1},
    {"sendVstMidiEvent", -1},
};

} // namespace

// Both processing calls replace the output: the engine writes every sample of
// the block, and does its own framing into hops, so any block length goes
// straight through. A missing output means there is nothing to do; a missing
// input is silence, which the effect processes like any input.
void APlugin::processBlock(float** inputs, float** outputs, int32_t sampleFrames) {
    if (!outputs || !outputs[0]) return;
    effect->process(inputs ? inputs[0] : nullptr, outputs[0], sampleFrames);
}

void APlugin::process(float** inputs, float** outputs, int32_t sampleFrames) {
    processBlock(inputs, outputs, sampleFrames);
}

void APlugin::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) {
    processBlock(inputs, outputs, sampleFrames);
}

// MIDI events go to processMidi in order; other events are skipped. Only the
// type and the three MIDI bytes are read.
int32_t APlugin::processEvents(VstEvents* events) {
    if (!events) return 1;
    for (int32_t i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = eventAt(events, i);
        if (!event || event->type != kVstMidiType) continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        processMidi(static_cast<uint8_t>(midi->midiData[0]),
                    static_cast<uint8_t>(midi->midiData[1]),
                    static_cast<uint8_t>(midi->midiData[2]));
    }
    return 1;
}

void APlugin::processMidi(uint8_t, uint8_t, uint8_t) {}

int32_t APlugin::canDo(char* text) {
    if (!text) return -1;
    for (const Capability& capability : kCapabilities)
        if (std::strcmp(text, capability.query) == 0) return capability.answer;
    return -1;
}

// The one output is index 0, labelled "ZOLT 1"; a negative index is answered
// like 0 with the label built from index + 1.
bool APlugin::getOutputProperties(int32_t index, VstPinProperties* properties) {
    if (!properties || index >= 1) return false;
    std::snprintf(properties->label, kVstPinLabelSize, "ZOLT %d", static_cast<int>(index) + 1);
    properties->flags = kVstPinIsActive;
    return true;
}
