// The CLAP face as a host drives it through the plug-in record and its
// extensions: changes are parameter events at their sample times, values set
// on the main thread go with the next block, and the state moves through the
// host's streams.
#include "clap/ClapInterface.h"
#include "contract/FaceDrivers.h"

#include <array>
#include <cstring>

namespace {

const void* HostExtension(const clap::Host*, const char*) { return nullptr; }
void HostRequest(const clap::Host*) {}

const clap::Host kHost{clap::kVersion, nullptr,     "contract host", "tapestrum", "", "1",
                       HostExtension,  HostRequest, HostRequest,     HostRequest};

constexpr FaceTraits kTraits{"Clap",           true, true, true, true, ValueReads::Stored,
                             RateType::Double, true};

// A block's parameter events, in a table of fixed size.
class Events {
  public:
    void clear() { count = 0; }
    void add(uint32_t time, int32_t index, double value) {
        if (count == events.size()) return;
        clap::ParamValueEvent& event = events[count++];
        event = {};
        event.header = {sizeof event, time, clap::kCoreEventSpace, clap::kEventParamValue, 0};
        event.paramId = static_cast<clap::Id>(index);
        event.noteId = -1;
        event.portIndex = event.channel = event.key = -1;
        event.value = value;
    }
    const clap::InputEvents* list() const { return &record; }

  private:
    static uint32_t Size(const clap::InputEvents* list) {
        return static_cast<uint32_t>(static_cast<const Events*>(list->ctx)->count);
    }
    static const clap::EventHeader* Get(const clap::InputEvents* list, uint32_t index) {
        const auto* self = static_cast<const Events*>(list->ctx);
        return index < self->count ? &self->events[index].header : nullptr;
    }

    std::array<clap::ParamValueEvent, 1024> events;
    size_t count = 0;
    clap::InputEvents record{this, Size, Get};
};

int64_t Read(const clap::InputStream* stream, void* buffer, uint64_t size) {
    return static_cast<ChunkedStream*>(stream->ctx)->read(buffer, static_cast<size_t>(size));
}

int64_t Write(const clap::OutputStream* stream, const void* buffer, uint64_t size) {
    return static_cast<ChunkedStream*>(stream->ctx)->write(buffer, static_cast<size_t>(size));
}

class ClapDriver final : public FaceDriver {
  public:
    explicit ClapDriver(const clap::Plugin* plugin)
        : plugin(plugin), params(static_cast<const clap::PluginParams*>(
                              plugin->getExtension(plugin, clap::kExtParams))),
          state(static_cast<const clap::PluginState*>(
              plugin->getExtension(plugin, clap::kExtState))) {}
    ~ClapDriver() override {
        deactivate();
        plugin->destroy(plugin);
    }
    bool usable() const { return params && state; }

    const FaceTraits& traits() const override { return kTraits; }

    bool activate(double rate) override {
        deactivate();
        active = plugin->activate(plugin, rate, 1, kMaxDriverBlock);
        if (active) plugin->startProcessing(plugin);
        return active;
    }
    void deactivate() override {
        if (!active) return;
        plugin->stopProcessing(plugin);
        plugin->deactivate(plugin);
        active = false;
    }

    bool process(const float* input, float* output, int32_t frames,
                 std::span<const ParameterChange> changes) override {
        events.clear();
        pending.take([&](int32_t index, float value) { events.add(0, index, value); });
        for (const ParameterChange& c : changes)
            events.add(static_cast<uint32_t>(c.offset), c.index, c.value);
        float* in[1] = {const_cast<float*>(input)};
        float* out[1] = {output};
        const clap::AudioBuffer inputs{in, nullptr, 1, 0, 0};
        clap::AudioBuffer outputs{out, nullptr, 1, 0, 0};
        const clap::Process block{steadyTime,       static_cast<uint32_t>(frames),
                                  nullptr,          &inputs,
                                  &outputs,         input ? 1u : 0u,
                                  output ? 1u : 0u, events.list(),
                                  nullptr};
        steadyTime += frames;
        return plugin->process(plugin, &block) == clap::kProcessContinue;
    }

    bool save(ChunkedStream& stream) override {
        const clap::OutputStream host{&stream, Write};
        return state->save(plugin, &host);
    }
    bool load(ChunkedStream& stream) override {
        const clap::InputStream host{&stream, Read};
        return state->load(plugin, &host);
    }

    void set(int32_t index, float value) override { pending.put(index, value); }
    float value(int32_t index) override {
        double value = -1;
        params->getValue(plugin, static_cast<clap::Id>(index), &value);
        return static_cast<float>(value);
    }
    std::string text(int32_t index, float value) override {
        char buffer[256] = {};
        if (!params->valueToText(plugin, static_cast<clap::Id>(index), value, buffer,
                                 sizeof buffer))
            return {};
        return buffer;
    }
    std::optional<float> parse(int32_t index, std::string_view text) override {
        const std::string terminated(text);
        double value = 0;
        if (!params->textToValue(plugin, static_cast<clap::Id>(index), terminated.c_str(), &value))
            return std::nullopt;
        return static_cast<float>(value);
    }

  private:
    const clap::Plugin* plugin;
    const clap::PluginParams* params;
    const clap::PluginState* state;
    bool active = false;
    int64_t steadyTime = 0;
    Events events;
    PendingValues pending; // main thread to the audio thread
};

} // namespace

std::unique_ptr<FaceDriver> MakeClapDriver(const clap::PluginFactory* factory) {
    if (!factory || factory->getPluginCount(factory) == 0) return nullptr;
    const clap::Plugin* plugin =
        factory->createPlugin(factory, &kHost, factory->getPluginDescriptor(factory, 0)->id);
    if (!plugin) return nullptr;
    if (!plugin->init(plugin)) {
        plugin->destroy(plugin);
        return nullptr;
    }
    auto driver = std::make_unique<ClapDriver>(plugin);
    if (!driver->usable()) return nullptr;
    return driver;
}
