// SPDX-License-Identifier: ISC
// The instance's lifecycle and processing, and the plug-in record the host calls.
#include "clap/ClapEffect.h"

#include "clap/ClapDescriptor.h"
#include "clap/ClapEditor.h"
#include "clap/ClapValues.h"
#include "core/ParameterIndexCheck.h"

#include <algorithm>

namespace {

// The record's functions. Each comes on the thread ClapEffect.h names.
bool Init(const clap::Plugin*) { return true; }

void Destroy(const clap::Plugin* plugin) { delete &ClapEffect::of(plugin); }

bool Activate(const clap::Plugin* plugin, double sampleRate, uint32_t, uint32_t) {
    return ClapEffect::of(plugin).activate(sampleRate);
}

void Deactivate(const clap::Plugin* plugin) { ClapEffect::of(plugin).deactivate(); }

bool StartProcessing(const clap::Plugin*) { return true; }

void StopProcessing(const clap::Plugin*) {}

void Reset(const clap::Plugin* plugin) { ClapEffect::of(plugin).reset(); }

int32_t Process(const clap::Plugin* plugin, const clap::Process* block) {
    if (!block) return clap::kProcessError;
    return ClapEffect::of(plugin).process(*block);
}

void OnMainThread(const clap::Plugin*) {}

// The channels of the first port into `channels` (as many as the effect has),
// when the host gave them all; nulls otherwise.
void PortChannels(const clap::AudioBuffer* ports, uint32_t count, uint32_t wanted,
                  float** channels) {
    channels[0] = channels[1] = nullptr;
    if (!ports || count == 0 || ports[0].channelCount < wanted || !ports[0].data32) return;
    for (uint32_t c = 0; c < wanted; ++c)
        channels[c] = ports[0].data32[c];
}

} // namespace

ClapEffect::ClapEffect(const clap::Host& host, int32_t channels)
    : plugin{&ClapDescriptor(channels),
             this,
             Init,
             Destroy,
             Activate,
             Deactivate,
             StartProcessing,
             StopProcessing,
             Reset,
             Process,
             ClapExtension,
             OnMainThread},
      host(host), effect(channels, SimdLevel::Best) {}

ClapEffect::~ClapEffect() = default;

void ClapEffect::openEditor() { gui = std::make_unique<ClapEditor>(host, effect, edits); }

void ClapEffect::closeEditor() { gui.reset(); }

bool ClapEffect::activate(double sampleRate) {
    if (!effect.acceptSampleRate(sampleRate)) return false;
    effect.resume();
    return true;
}

void ClapEffect::deactivate() { effect.suspend(); }

void ClapEffect::reset() { effect.reset(); }

// Each parameter change lands on its own sample: the block is processed up to
// it, then the value is set. Changes at one sample are set in the order given;
// a time before the last change's (out of order) counts as that one's, a time
// past the block as its end. Without an input the effect hears silence.
// Without the output channels the values are still set, and a block with
// samples fails.
int32_t ClapEffect::process(const clap::Process& block) {
    const auto channels = static_cast<uint32_t>(effect.channelCount());
    float* inputs[2];
    float* outputs[2];
    PortChannels(block.audioInputs, block.audioInputsCount, channels, inputs);
    PortChannels(block.audioOutputs, block.audioOutputsCount, channels, outputs);
    const bool output = outputs[0] && outputs[channels - 1];
    const uint32_t frames = block.framesCount;
    sendEdits(block.outEvents);
    uint32_t done = 0;
    const clap::InputEvents* events = block.inEvents;
    const uint32_t count = events && events->size && events->get ? events->size(events) : 0;
    for (uint32_t i = 0; i < count; ++i) {
        const clap::EventHeader* header = events->get(events, i);
        if (!AsParamValue(header)) continue;
        const uint32_t at = std::clamp(header->time, done, frames);
        if (output) {
            effect.processChannelsAnyLength(inputs, outputs, done, at);
            done = at;
        }
        applyEvent(header);
    }
    if (!output) return frames == 0 ? clap::kProcessContinue : clap::kProcessError;
    effect.processChannelsAnyLength(inputs, outputs, done, frames);
    block.audioOutputs[0].constantMask = 0;
    return clap::kProcessContinue;
}

void ClapEffect::applyEvent(const clap::EventHeader* header) {
    const clap::ParamValueEvent* change = AsParamValue(header);
    if (!change || !IsParameterIndex(change->paramId)) return;
    effect.setParameter(static_cast<int32_t>(change->paramId), ParameterFloat(change->value));
}

void ClapEffect::flush(const clap::InputEvents* events, const clap::OutputEvents* out) {
    if (events && events->size && events->get) {
        const uint32_t count = events->size(events);
        for (uint32_t i = 0; i < count; ++i)
            applyEvent(events->get(events, i));
    }
    sendEdits(out);
}

// The edits take effect at the block's first sample, before the host's own
// changes there.
void ClapEffect::sendEdits(const clap::OutputEvents* out) {
    const bool toHost = out && out->tryPush;
    while (const ClapEdit* edit = edits.front()) {
        const clap::Id id = static_cast<clap::Id>(edit->index);
        if (edit->kind == ClapEdit::Value) {
            const clap::ParamValueEvent event = ParamValueEventFor(0, id, edit->value);
            if (toHost && !out->tryPush(out, &event.header)) return;
            effect.setParameter(edit->index, edit->value);
        } else {
            const uint16_t type = edit->kind == ClapEdit::Begin ? clap::kEventParamGestureBegin
                                                                : clap::kEventParamGestureEnd;
            const clap::ParamGestureEvent event{{sizeof event, 0, clap::kCoreEventSpace, type, 0},
                                                id};
            if (toHost && !out->tryPush(out, &event.header)) return;
        }
        edits.pop();
    }
}
