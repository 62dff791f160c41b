// SPDX-License-Identifier: ISC
#include "contract/ClapDriver.h"

#include "clap/ClapValues.h"
#include "contract/FaceDrivers.h"
#include "tools/DynamicLibrary.h"

#include <limits>

namespace {

const void* HostExtension(const clap::Host*, const char*) { return nullptr; }
void HostRequest(const clap::Host*) {}

const clap::Host kHost{clap::kVersion, nullptr,     "contract host", "tapestrum", "", "1",
                       HostExtension,  HostRequest, HostRequest,     HostRequest};

constexpr FaceTraits kTraits{.state = true,
                             .texts = true,
                             .textsOfAnyValue = true,
                             .parses = true,
                             .values = ValueReads::Stored,
                             .rate = RateType::Double,
                             .reactivatesInPlace = true};

template <typename Extension> const Extension* Lookup(const clap::Plugin* plugin, const char* id) {
    return static_cast<const Extension*>(plugin->getExtension(plugin, id));
}

int64_t Read(const clap::InputStream* stream, void* buffer, uint64_t size) {
    return static_cast<ChunkedStream*>(stream->ctx)->read(buffer, static_cast<size_t>(size));
}

int64_t Write(const clap::OutputStream* stream, const void* buffer, uint64_t size) {
    return static_cast<ChunkedStream*>(stream->ctx)->write(buffer, static_cast<size_t>(size));
}

} // namespace

const clap::PluginEntry* ClapEntry(const char* path) {
    static const DynamicLibrary library(path);
    static const auto* entry = static_cast<const clap::PluginEntry*>(library.symbol("clap_entry"));
    static const bool initialised = entry && entry->init(path);
    return initialised ? entry : nullptr;
}

const clap::PluginFactory* ClapFactory(const char* path) {
    const clap::PluginEntry* entry = ClapEntry(path);
    if (!entry) return nullptr;
    return static_cast<const clap::PluginFactory*>(entry->getFactory(clap::kPluginFactoryId));
}

const clap::Host* ClapTestHost() { return &kHost; }

clap::ParamValueEvent ClapEvents::Change(uint32_t time, clap::Id id, double value) {
    return ParamValueEventFor(time, id, value);
}

uint32_t ClapEvents::Size(const clap::InputEvents* list) {
    return static_cast<uint32_t>(static_cast<const ClapEvents*>(list->ctx)->count);
}

const clap::EventHeader* ClapEvents::Get(const clap::InputEvents* list, uint32_t index) {
    const auto* self = static_cast<const ClapEvents*>(list->ctx);
    return index < self->count ? &self->events[index].header : nullptr;
}

ClapDriver::ClapDriver(const clap::PluginFactory* factory, int32_t channels, const clap::Host* host)
    : channelCount(channels) {
    const auto index = static_cast<uint32_t>(channels - 1);
    if (!factory || factory->getPluginCount(factory) <= index) return;
    plugin = factory->createPlugin(factory, host, factory->getPluginDescriptor(factory, index)->id);
    if (!plugin) return;
    if (!plugin->init(plugin)) {
        plugin->destroy(plugin);
        plugin = nullptr;
        return;
    }
    audioPorts = Lookup<clap::PluginAudioPorts>(plugin, clap::kExtAudioPorts);
    params = Lookup<clap::PluginParams>(plugin, clap::kExtParams);
    state = Lookup<clap::PluginState>(plugin, clap::kExtState);
    latency = Lookup<clap::PluginLatency>(plugin, clap::kExtLatency);
    tail = Lookup<clap::PluginTail>(plugin, clap::kExtTail);
}

ClapDriver::~ClapDriver() {
    if (!plugin) return;
    deactivate();
    plugin->destroy(plugin);
}

const FaceTraits& ClapDriver::traits() const { return kTraits; }

bool ClapDriver::activate(double rate) {
    deactivate();
    active = plugin->activate(plugin, rate, 1, kMaxDriverBlock);
    return active && plugin->startProcessing(plugin);
}

void ClapDriver::deactivate() {
    if (!active) return;
    plugin->stopProcessing(plugin);
    plugin->deactivate(plugin);
    active = false;
}

bool ClapDriver::processChannels(const float* const* inputs, float* const* outputs, int32_t frames,
                                 std::span<const ParameterChange> changes) {
    events.clear();
    pending.take(
        [&](int32_t index, float value) { events.add(0, static_cast<clap::Id>(index), value); });
    for (const ParameterChange& c : changes)
        events.add(static_cast<uint32_t>(c.offset), static_cast<clap::Id>(c.index), c.value);
    return processPorts(inputs, outputs, static_cast<uint32_t>(frames), events);
}

bool ClapDriver::process(const float* input, float* output, uint32_t frames,
                         const ClapEvents& blockEvents) {
    const float* inputs[2] = {input, nullptr};
    float* outputs[2] = {output, nullptr};
    return processPorts(inputs, outputs, frames, blockEvents);
}

// Without inputs the block has no input port; without outputs, no output port.
bool ClapDriver::processPorts(const float* const* inputs, float* const* outputs, uint32_t frames,
                              const ClapEvents& blockEvents) {
    const auto channels = static_cast<uint32_t>(channelCount);
    float* in[2] = {};
    float* out[2] = {};
    for (uint32_t c = 0; c < channels; ++c) {
        in[c] = inputs ? const_cast<float*>(inputs[c]) : nullptr;
        out[c] = outputs[c];
    }
    const bool hasInput = in[0] != nullptr, hasOutput = out[0] != nullptr;
    const clap::AudioBuffer inputPort{in, nullptr, channels, 0, 0};
    clap::AudioBuffer outputPort{out, nullptr, channels, 0, ~uint64_t{0}};
    const clap::Process block{steadyTime,
                              frames,
                              nullptr,
                              &inputPort,
                              &outputPort,
                              hasInput ? 1u : 0u,
                              hasOutput ? 1u : 0u,
                              blockEvents.list(),
                              outEvents};
    steadyTime += frames;
    const bool goesOn = plugin->process(plugin, &block) == clap::kProcessContinue;
    return goesOn && (!hasOutput || outputPort.constantMask == 0);
}

bool ClapDriver::save(ChunkedStream& stream) {
    const clap::OutputStream host{&stream, Write};
    return state->save(plugin, &host);
}

bool ClapDriver::load(ChunkedStream& stream) {
    const clap::InputStream host{&stream, Read};
    return state->load(plugin, &host);
}

float ClapDriver::value(int32_t index) {
    double value = 0;
    if (!params->getValue(plugin, static_cast<clap::Id>(index), &value))
        return std::numeric_limits<float>::quiet_NaN();
    return static_cast<float>(value);
}

std::string ClapDriver::text(int32_t index, float value) {
    char buffer[256] = {};
    if (!params->valueToText(plugin, static_cast<clap::Id>(index), value, buffer, sizeof buffer))
        return {};
    return buffer;
}

std::optional<float> ClapDriver::parse(int32_t index, std::string_view text) {
    const std::string terminated(text);
    double value = 0;
    if (!params->textToValue(plugin, static_cast<clap::Id>(index), terminated.c_str(), &value))
        return std::nullopt;
    return static_cast<float>(value);
}

std::unique_ptr<FaceDriver> MakeClapDriver(const clap::PluginFactory* factory, int32_t channels) {
    auto driver = std::make_unique<ClapDriver>(factory, channels);
    if (!driver->usable()) return nullptr;
    return driver;
}
