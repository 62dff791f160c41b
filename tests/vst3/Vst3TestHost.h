// SPDX-License-Identifier: ISC
// A small VST 3 host for the tests: it loads a bundle's binary as hosts do,
// offers the host side of the interfaces (the application context that makes
// messages, streams, parameter changes), and drives a component and its
// controller through their life: created, initialized, connected, set up,
// switched on, processing, and torn down again.
#pragma once

#include "contract/FaceDriver.h"
#include "tools/DynamicLibrary.h"
#include "vst3/Vst3Interface.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testhost {

using namespace vst3;

// The binary inside a bundle folder, for this platform.
std::string BundleBinary(const std::string& bundle);

// The loaded binary: entry call on load, exit call before unloading.
class Vst3Module {
  public:
    explicit Vst3Module(const std::string& bundle);
    ~Vst3Module();
    Vst3Module(const Vst3Module&) = delete;
    Vst3Module& operator=(const Vst3Module&) = delete;

    bool loaded() const { return factory != nullptr; }
    void* symbol(const char* name) const { return library.symbol(name); }

    DynamicLibrary library;
    IPluginFactory* factory = nullptr;
    IPluginFactory2* factory2 = nullptr;
};

// Objects the host owns: their reference counts are kept but never free them.
// They answer no interface unless they say otherwise.
template <typename Interface> class HostObject : public Interface {
  public:
    tresult queryInterface(const TUID, void** object) override {
        *object = nullptr;
        return kNoInterface;
    }
    uint32_t addRef() override { return ++references; }
    uint32_t release() override { return --references; }
    std::atomic<uint32_t> references{1};
};

// The context given to initialize: it makes messages.
class HostApplication final : public HostObject<IHostApplication> {
  public:
    tresult queryInterface(const TUID iid, void** object) override;
    tresult getName(String128 name) override;
    tresult createInstance(TUID cid, TUID iid, void** object) override;
};

// A host's stream over a chunked stream the caller holds.
class MemoryStream final : public HostObject<IBStream> {
  public:
    explicit MemoryStream(ChunkedStream& shared) : stream(shared) {}
    tresult queryInterface(const TUID iid, void** object) override;
    tresult read(void* buffer, int32_t bytes, int32_t* bytesRead) override;
    tresult write(void* buffer, int32_t bytes, int32_t* bytesWritten) override;
    tresult seek(int64 position, int32_t mode, int64* result) override;
    tresult tell(int64* position) override;

  private:
    ChunkedStream& stream;
};

// One parameter's changes within a block; its points keep their room when
// cleared, so that a host's block allocates nothing.
class ValueQueue final : public HostObject<IParamValueQueue> {
  public:
    ValueQueue() { points.reserve(kMaxPoints); }
    ParamID getParameterId() override { return id; }
    int32_t getPointCount() override { return static_cast<int32_t>(points.size()); }
    tresult getPoint(int32_t index, int32_t& offset, ParamValue& value) override;
    tresult addPoint(int32_t offset, ParamValue value, int32_t& index) override;

    static constexpr size_t kMaxPoints = 1024;
    ParamID id = 0;
    std::vector<std::pair<int32_t, ParamValue>> points;
};

// A block's changes: queues in the order they were first added to, in a table
// of fixed size (a host's queues stay where they are while the block runs).
class ParameterChanges final : public HostObject<IParameterChanges> {
  public:
    int32_t getParameterCount() override { return static_cast<int32_t>(used); }
    IParamValueQueue* getParameterData(int32_t index) override;
    IParamValueQueue* addParameterData(const ParamID& id, int32_t& index) override;
    // Adds one point, to the parameter's queue.
    void add(ParamID id, int32_t offset, ParamValue value);
    void clear();

    std::array<ValueQueue, 64> queues;
    size_t used = 0;
};

// The effect's component and controller, created and connected as a host does,
// and driven as the contract drives every face: changes go with the block at
// their offsets. The host keeps the controller in step with what it sends:
// values set on the main thread go to the controller at once and to the
// processor with the next block; changes sent with a block reach the
// controller when the main thread next reads a value. With channels 2 it
// arranges stereo buses and processes two channels.
class Vst3Plugin final : public ChannelFaceDriver {
  public:
    explicit Vst3Plugin(const Vst3Module& module) : Vst3Plugin(module.factory) {}
    explicit Vst3Plugin(IPluginFactory* factory, int32_t channels = 1);
    ~Vst3Plugin() override;
    Vst3Plugin(const Vst3Plugin&) = delete;
    Vst3Plugin& operator=(const Vst3Plugin&) = delete;

    const FaceTraits& traits() const override;
    // Mono to mono (or stereo to stereo), 32-bit samples at the rate, then
    // switched on; false (and still off) when the processor refuses the setup
    // or the arrangement.
    bool activate(double rate) override;
    void deactivate() override;
    int32_t channels() const override { return channelCount; }
    bool processChannels(const float* const* inputs, float* const* outputs, int32_t frames,
                         std::span<const ParameterChange> changes) override;

    // The component's stream; a load gives the same bytes to the controller,
    // as a host restores a project.
    bool save(ChunkedStream& stream) override;
    bool load(ChunkedStream& stream) override;
    std::vector<uint8_t> componentState();

    void set(int32_t index, float value) override;
    float value(int32_t index) override;
    // The controller's text for a value (its characters are all ASCII; any
    // other shows as '?'), or "<none>".
    std::string text(int32_t index, float value) override;
    std::optional<float> parse(int32_t index, std::string_view text) override;

    HostApplication host;
    IComponent* component = nullptr;
    IAudioProcessor* processor = nullptr;
    IEditController* controller = nullptr;
    IConnectionPoint* componentPoint = nullptr;
    IConnectionPoint* controllerPoint = nullptr;

  private:
    // What the audio thread sent, told to the controller (main thread).
    void syncController();

    int32_t channelCount;
    bool active = false;
    ParameterChanges blockChanges;
    PendingValues pending; // main thread to the processor
    PendingValues sent;    // the audio thread's changes, to the controller
};

// Queries an interface, as an FIDString pair of bytes.
template <typename Interface> Interface* Query(FUnknown* object, const Uid& iid) {
    void* found = nullptr;
    if (object == nullptr ||
        object->queryInterface(reinterpret_cast<const char*>(iid.bytes), &found) != kResultOk)
        return nullptr;
    return static_cast<Interface*>(found);
}

} // namespace testhost
