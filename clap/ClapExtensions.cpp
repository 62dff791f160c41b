// SPDX-License-Identifier: ISC
// The extensions the plug-in offers (audio ports, parameters, state, latency,
// tail) and the records through which the host calls them.
#include "clap/ClapEffect.h"
#include "core/HostText.h"
#include "core/ParameterIndexCheck.h"

#include <cstring>

namespace {

// ---- audio ports: one main mono input and one main mono output, 32-bit ----------

uint32_t PortCount(const clap::Plugin*, bool) { return 1; }

bool PortInfo(const clap::Plugin*, uint32_t index, bool isInput, clap::AudioPortInfo* info) {
    if (index != 0 || !info) return false;
    *info = {};
    info->id = 0;
    CopyHostText(info->name, isInput ? "in" : "out", sizeof info->name - 1);
    info->flags = clap::kAudioPortIsMain;
    info->channelCount = 1;
    info->portType = clap::kPortMono;
    info->inPlacePair = 0; // the port of the same id on the other side
    return true;
}

constexpr clap::PluginAudioPorts kAudioPorts{PortCount, PortInfo};

// ---- parameters: ids 0 to 10, the parameter table's rows ------------------------

uint32_t ParamCount(const clap::Plugin*) { return kParameterCount; }

bool ParamGetInfo(const clap::Plugin*, uint32_t index, clap::ParamInfo* info) {
    if (!IsParameterIndex(index) || !info) return false;
    const ParameterInfo& row = kParameters[index];
    *info = {};
    info->id = index;
    info->flags = clap::kParamIsAutomatable | (row.isSwitch ? clap::kParamIsStepped : 0u);
    CopyHostText(info->name, TapestrumEffect::parameterName(static_cast<int32_t>(index)),
                 sizeof info->name - 1);
    info->minValue = 0.0;
    info->maxValue = 1.0;
    info->defaultValue = row.defaultValue;
    return true;
}

bool ParamGetValue(const clap::Plugin* plugin, clap::Id id, double* value) {
    return value && ClapEffect::of(plugin).value(id, *value);
}

bool ParamValueToText(const clap::Plugin* plugin, clap::Id id, double value, char* buffer,
                      uint32_t capacity) {
    return ClapEffect::of(plugin).valueToText(id, value, buffer, capacity);
}

bool ParamTextToValue(const clap::Plugin* plugin, clap::Id id, const char* text, double* value) {
    return value && ClapEffect::of(plugin).textToValue(id, text, *value);
}

void ParamFlush(const clap::Plugin* plugin, const clap::InputEvents* in,
                const clap::OutputEvents* out) {
    ClapEffect::of(plugin).flush(in, out);
}

constexpr clap::PluginParams kParams{ParamCount,       ParamGetInfo,     ParamGetValue,
                                     ParamValueToText, ParamTextToValue, ParamFlush};

// ---- state ----------------------------------------------------------------------

bool StateSave(const clap::Plugin* plugin, const clap::OutputStream* stream) {
    return stream && stream->write && ClapEffect::of(plugin).saveState(*stream);
}

bool StateLoad(const clap::Plugin* plugin, const clap::InputStream* stream) {
    return stream && stream->read && ClapEffect::of(plugin).loadState(*stream);
}

constexpr clap::PluginState kState{StateSave, StateLoad};

// ---- latency and tail -------------------------------------------------------------

// The wet signal's lag is part of the effect's sound, as in every other format:
// the host is told of no latency to compensate.
uint32_t Latency(const clap::Plugin*) { return 0; }

constexpr clap::PluginLatency kLatency{Latency};

// The track replays what it holds for as long as the effect runs.
uint32_t Tail(const clap::Plugin*) { return clap::kInfiniteTail; }

constexpr clap::PluginTail kTail{Tail};

} // namespace

const void* ClapExtension(const clap::Plugin*, const char* id) {
    if (!id) return nullptr;
    if (std::strcmp(id, clap::kExtAudioPorts) == 0) return &kAudioPorts;
    if (std::strcmp(id, clap::kExtParams) == 0) return &kParams;
    if (std::strcmp(id, clap::kExtState) == 0) return &kState;
    if (std::strcmp(id, clap::kExtLatency) == 0) return &kLatency;
    if (std::strcmp(id, clap::kExtTail) == 0) return &kTail;
    return ClapEditorExtension(id);
}
