// A small CLAP host of the tests' own: it loads a .clap file as a host does
// (the file, its `clap_entry`, init, the plug-in factory), makes instances
// through the factory and talks to them only through the records and extension
// records they return.
#pragma once

#include "clap/ClapInterface.h"
#include "tools/DynamicLibrary.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The loaded file: init on loading, deinit on unloading.
class ClapModule {
  public:
    explicit ClapModule(const std::string& path = TAPESTRUM_CLAP_PATH);
    ~ClapModule();
    ClapModule(const ClapModule&) = delete;
    ClapModule& operator=(const ClapModule&) = delete;

    const clap::PluginEntry* entry = nullptr;
    const clap::PluginFactory* factory = nullptr;

  private:
    DynamicLibrary library;
    bool initialised = false;
};

// Parameter changes as a host hands them over, in the order given.
class EventList {
  public:
    void add(uint32_t time, clap::Id id, double value);
    // Any event, given as a parameter change whose header the caller has changed.
    void add(const clap::ParamValueEvent& event) { events.push_back(event); }
    static clap::ParamValueEvent Change(uint32_t time, clap::Id id, double value);
    bool empty() const { return events.empty(); }
    const clap::InputEvents* list() const { return &record; }

  private:
    static uint32_t Size(const clap::InputEvents* list);
    static const clap::EventHeader* Get(const clap::InputEvents* list, uint32_t index);

    std::vector<clap::ParamValueEvent> events;
    clap::InputEvents record{this, Size, Get};
};

// One instance: made and initialised on construction, deactivated and destroyed
// on destruction. Every extension the plug-in should offer is looked up.
class ClapInstance {
  public:
    explicit ClapInstance(const ClapModule& module);
    ~ClapInstance();
    ClapInstance(const ClapInstance&) = delete;
    ClapInstance& operator=(const ClapInstance&) = delete;

    bool activate(double rate, uint32_t maxFrames = 4096);
    void deactivate();
    void flush(const EventList& events) { params->flush(plugin, events.list(), nullptr); }
    // One block from `input` into `output` (which may be the same), with the events.
    int32_t process(const float* input, float* output, uint32_t frames, const EventList& events);
    // The whole signal in blocks of `block`, without events.
    std::vector<float> run(const std::vector<float>& input, uint32_t block = 512);

    double value(clap::Id id) const;
    std::string valueText(clap::Id id, double value) const;
    std::optional<double> textValue(clap::Id id, const std::string& text) const;
    // The state as saved through a stream that takes `perCall` bytes per call;
    // nothing when the save fails.
    std::optional<std::vector<uint8_t>> save(uint64_t perCall = 1) const;
    // Loads through a stream that gives `perCall` bytes per call and, with
    // `failAfter`, fails once that many bytes have been read.
    bool load(const std::vector<uint8_t>& block, uint64_t perCall = 1,
              std::optional<size_t> failAfter = std::nullopt) const;

    const clap::Plugin* plugin = nullptr;
    const clap::PluginAudioPorts* audioPorts = nullptr;
    const clap::PluginParams* params = nullptr;
    const clap::PluginState* state = nullptr;
    const clap::PluginLatency* latency = nullptr;
    const clap::PluginTail* tail = nullptr;

  private:
    bool active = false;
    int64_t steadyTime = 0;
};

// The host record every instance gets: no host extensions, requests ignored.
const clap::Host* TestHost();
