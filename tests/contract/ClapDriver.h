// SPDX-License-Identifier: ISC
// The CLAP face as a host drives it through the plug-in record and its
// extensions: changes are parameter events at their sample times, values set
// on the main thread go with the next block, and the state moves through the
// host's streams. The CLAP tests use it too, with events of any kind and the
// extensions' records.
#pragma once

#include "clap/ClapInterface.h"
#include "contract/FaceDriver.h"

#include <array>
#include <optional>

// The .clap file at `path`, loaded and initialised once for the program.
const clap::PluginEntry* ClapEntry(const char* path);
const clap::PluginFactory* ClapFactory(const char* path);
// The host record every instance gets: no host extensions, requests ignored.
const clap::Host* ClapTestHost();

// A block's events, in the order added, in a table of fixed size: parameter
// changes, or any event given as one whose header the caller has changed.
class ClapEvents {
  public:
    static clap::ParamValueEvent Change(uint32_t time, clap::Id id, double value);
    void add(uint32_t time, clap::Id id, double value) { add(Change(time, id, value)); }
    void add(const clap::ParamValueEvent& event) {
        if (count < events.size()) events[count++] = event;
    }
    void clear() { count = 0; }
    const clap::InputEvents* list() const { return &record; }

  private:
    static uint32_t Size(const clap::InputEvents* list);
    static const clap::EventHeader* Get(const clap::InputEvents* list, uint32_t index);

    std::array<clap::ParamValueEvent, 1024> events{};
    size_t count = 0;
    clap::InputEvents record{this, Size, Get};
};

class ClapDriver final : public ChannelFaceDriver {
  public:
    // The factory's mono plug-in (channels 1, the first descriptor) or its
    // stereo one (2, the second), made for the host and initialised, its
    // extensions looked up; `plugin` stays null when that fails.
    explicit ClapDriver(const clap::PluginFactory* factory, int32_t channels = 1,
                        const clap::Host* host = ClapTestHost());
    ~ClapDriver() override;
    ClapDriver(const ClapDriver&) = delete;
    ClapDriver& operator=(const ClapDriver&) = delete;
    bool usable() const { return plugin && audioPorts && params && state && latency && tail; }

    const FaceTraits& traits() const override;
    // Activated and processing started.
    bool activate(double rate) override;
    void deactivate() override;
    using ChannelFaceDriver::process;
    // A block with the events as given: true when the plug-in goes on and marks
    // no channel constant.
    bool process(const float* input, float* output, uint32_t frames, const ClapEvents& events);
    int32_t channels() const override { return channelCount; }
    bool processChannels(const float* const* inputs, float* const* outputs, int32_t frames,
                         std::span<const ParameterChange> changes) override;
    void flush(const ClapEvents& events) { params->flush(plugin, events.list(), outEvents); }

    bool save(ChunkedStream& stream) override;
    bool load(ChunkedStream& stream) override;

    void set(int32_t index, float value) override { pending.put(index, value); }
    // NaN for a parameter the plug-in does not know.
    float value(int32_t index) override;
    std::string text(int32_t index, float value) override;
    std::optional<float> parse(int32_t index, std::string_view text) override;

    const clap::Plugin* plugin = nullptr;
    const clap::PluginAudioPorts* audioPorts = nullptr;
    const clap::PluginParams* params = nullptr;
    const clap::PluginState* state = nullptr;
    const clap::PluginLatency* latency = nullptr;
    const clap::PluginTail* tail = nullptr;
    // The list process and flush give the plug-in for its output events, if any.
    const clap::OutputEvents* outEvents = nullptr;

  private:
    // The block's port buffers, with the events as given.
    bool processPorts(const float* const* inputs, float* const* outputs, uint32_t frames,
                      const ClapEvents& blockEvents);

    int32_t channelCount;
    bool active = false;
    int64_t steadyTime = 0;
    ClapEvents events;
    PendingValues pending; // main thread to the audio thread
};
