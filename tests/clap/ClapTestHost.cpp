#include "clap/ClapTestHost.h"

#include "support/ChunkedStream.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

namespace {

const void* HostExtension(const clap::Host*, const char*) { return nullptr; }
void HostRequest(const clap::Host*) {}

const clap::Host kHost{clap::kVersion, nullptr,     "clap test host", "tapestrum", "", "1",
                       HostExtension,  HostRequest, HostRequest,      HostRequest};

template <typename Extension> const Extension* Lookup(const clap::Plugin* plugin, const char* id) {
    return static_cast<const Extension*>(plugin->getExtension(plugin, id));
}

int64_t ReadSome(const clap::InputStream* stream, void* buffer, uint64_t size) {
    return static_cast<ChunkedStream*>(stream->ctx)->read(buffer, static_cast<size_t>(size));
}

int64_t WriteSome(const clap::OutputStream* stream, const void* buffer, uint64_t size) {
    return static_cast<ChunkedStream*>(stream->ctx)->write(buffer, static_cast<size_t>(size));
}

} // namespace

const clap::Host* TestHost() { return &kHost; }

ClapModule::ClapModule(const std::string& path) : library(path) {
    if (!library.loaded()) {
        ADD_FAILURE() << "cannot load " << path << ": " << library.error();
        return;
    }
    entry = static_cast<const clap::PluginEntry*>(library.symbol("clap_entry"));
    if (!entry || !entry->init(path.c_str())) {
        ADD_FAILURE() << path << " has no clap_entry, or its init failed";
        return;
    }
    initialised = true;
    factory = static_cast<const clap::PluginFactory*>(entry->getFactory(clap::kPluginFactoryId));
}

ClapModule::~ClapModule() {
    if (initialised) entry->deinit();
}

void EventList::add(uint32_t time, clap::Id id, double value) {
    events.push_back(Change(time, id, value));
}

clap::ParamValueEvent EventList::Change(uint32_t time, clap::Id id, double value) {
    clap::ParamValueEvent event{};
    event.header = {sizeof event, time, clap::kCoreEventSpace, clap::kEventParamValue, 0};
    event.paramId = id;
    event.noteId = -1;
    event.portIndex = event.channel = event.key = -1;
    event.value = value;
    return event;
}

uint32_t EventList::Size(const clap::InputEvents* list) {
    return static_cast<uint32_t>(static_cast<const EventList*>(list->ctx)->events.size());
}

const clap::EventHeader* EventList::Get(const clap::InputEvents* list, uint32_t index) {
    const auto& events = static_cast<const EventList*>(list->ctx)->events;
    return index < events.size() ? &events[index].header : nullptr;
}

ClapInstance::ClapInstance(const ClapModule& module) {
    if (!module.factory) return;
    plugin = module.factory->createPlugin(
        module.factory, &kHost, module.factory->getPluginDescriptor(module.factory, 0)->id);
    if (!plugin || !plugin->init(plugin)) {
        ADD_FAILURE() << "the factory made no instance, or its init failed";
        return;
    }
    audioPorts = Lookup<clap::PluginAudioPorts>(plugin, clap::kExtAudioPorts);
    params = Lookup<clap::PluginParams>(plugin, clap::kExtParams);
    state = Lookup<clap::PluginState>(plugin, clap::kExtState);
    latency = Lookup<clap::PluginLatency>(plugin, clap::kExtLatency);
    tail = Lookup<clap::PluginTail>(plugin, clap::kExtTail);
    if (!audioPorts || !params || !state || !latency || !tail)
        ADD_FAILURE() << "an extension is missing";
}

ClapInstance::~ClapInstance() {
    if (!plugin) return;
    deactivate();
    plugin->destroy(plugin);
}

bool ClapInstance::activate(double rate, uint32_t maxFrames) {
    active = plugin->activate(plugin, rate, 1, maxFrames);
    if (active) {
        EXPECT_TRUE(plugin->startProcessing(plugin));
    }
    return active;
}

void ClapInstance::deactivate() {
    if (!active) return;
    plugin->stopProcessing(plugin);
    plugin->deactivate(plugin);
    active = false;
}

int32_t ClapInstance::process(const float* input, float* output, uint32_t frames,
                              const EventList& events) {
    float* in[1] = {const_cast<float*>(input)};
    float* out[1] = {output};
    const clap::AudioBuffer inputs{in, nullptr, 1, 0, 0};
    clap::AudioBuffer outputs{out, nullptr, 1, 0, ~uint64_t{0}};
    const clap::Process block{steadyTime, frames, nullptr,       &inputs, &outputs,
                              1,          1,      events.list(), nullptr};
    steadyTime += frames;
    const int32_t status = plugin->process(plugin, &block);
    EXPECT_EQ(outputs.constantMask, 0u);
    return status;
}

std::vector<float> ClapInstance::run(const std::vector<float>& input, uint32_t block) {
    std::vector<float> output(input.size());
    const EventList none;
    for (size_t done = 0; done < input.size();) {
        const auto n = static_cast<uint32_t>(std::min<size_t>(block, input.size() - done));
        EXPECT_EQ(process(input.data() + done, output.data() + done, n, none),
                  clap::kProcessContinue);
        done += n;
    }
    return output;
}

double ClapInstance::value(clap::Id id) const {
    double v = -1;
    EXPECT_TRUE(params->getValue(plugin, id, &v)) << "parameter " << id;
    return v;
}

std::string ClapInstance::valueText(clap::Id id, double value) const {
    char text[256];
    std::memset(text, '#', sizeof text);
    EXPECT_TRUE(params->valueToText(plugin, id, value, text, sizeof text)) << "parameter " << id;
    text[sizeof text - 1] = '\0';
    return text;
}

std::optional<double> ClapInstance::textValue(clap::Id id, const std::string& text) const {
    double v = -1;
    if (!params->textToValue(plugin, id, text.c_str(), &v)) return std::nullopt;
    return v;
}

std::optional<std::vector<uint8_t>> ClapInstance::save(uint64_t perCall) const {
    ChunkedStream chunked{{}, static_cast<size_t>(perCall)};
    const clap::OutputStream stream{&chunked, WriteSome};
    if (!state->save(plugin, &stream)) return std::nullopt;
    return chunked.bytes;
}

bool ClapInstance::load(const std::vector<uint8_t>& block, uint64_t perCall,
                        std::optional<size_t> failAfter) const {
    ChunkedStream chunked{block, static_cast<size_t>(perCall),
                          failAfter.value_or(ChunkedStream::kNever)};
    const clap::InputStream stream{&chunked, ReadSome};
    return state->load(plugin, &stream);
}
