// A small VST 3 host for the tests: it loads a bundle's binary as hosts do,
// offers the host side of the interfaces (the application context that makes
// messages, streams, parameter changes), and drives a component and its
// controller through their life: created, initialized, connected, set up,
// switched on, processing, and torn down again.
#pragma once

#include "tools/DynamicLibrary.h"
#include "vst3/Vst3Interface.h"

#include <atomic>
#include <cstdint>
#include <deque>
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

// Objects the host owns on the stack: their reference counts are kept but
// never free them.
template <typename Interface> class HostObject : public Interface {
  public:
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

// A stream over a byte vector that moves at most `chunk` bytes per call.
class MemoryStream final : public HostObject<IBStream> {
  public:
    explicit MemoryStream(std::vector<uint8_t> bytes = {}, int32_t chunk = 1 << 20)
        : data(std::move(bytes)), chunk(chunk) {}
    tresult queryInterface(const TUID iid, void** object) override;
    tresult read(void* buffer, int32_t bytes, int32_t* bytesRead) override;
    tresult write(void* buffer, int32_t bytes, int32_t* bytesWritten) override;
    tresult seek(int64 position, int32_t mode, int64* result) override;
    tresult tell(int64* position) override;

    std::vector<uint8_t> data;
    size_t position = 0;
    int32_t chunk;
};

// One parameter's changes within a block.
class ValueQueue final : public HostObject<IParamValueQueue> {
  public:
    ValueQueue(ParamID id) : id(id) {}
    tresult queryInterface(const TUID, void** object) override;
    ParamID getParameterId() override { return id; }
    int32_t getPointCount() override { return static_cast<int32_t>(points.size()); }
    tresult getPoint(int32_t index, int32_t& offset, ParamValue& value) override;
    tresult addPoint(int32_t offset, ParamValue value, int32_t& index) override;

    ParamID id;
    std::vector<std::pair<int32_t, ParamValue>> points;
};

// A block's changes: queues in the order they were first added to.
class ParameterChanges final : public HostObject<IParameterChanges> {
  public:
    tresult queryInterface(const TUID, void** object) override;
    int32_t getParameterCount() override { return static_cast<int32_t>(queues.size()); }
    IParamValueQueue* getParameterData(int32_t index) override;
    IParamValueQueue* addParameterData(const ParamID& id, int32_t& index) override;
    // Adds one point, to the parameter's queue.
    void add(ParamID id, int32_t offset, ParamValue value);
    void clear() { queues.clear(); }

    std::deque<ValueQueue> queues; // stable addresses as queues are added
};

// The effect's component and controller, created and connected as a host does.
class Vst3Plugin {
  public:
    explicit Vst3Plugin(const Vst3Module& module);
    ~Vst3Plugin();
    Vst3Plugin(const Vst3Plugin&) = delete;
    Vst3Plugin& operator=(const Vst3Plugin&) = delete;

    // Mono to mono, 32-bit samples at the rate, then switched on.
    void start(double rate = 44100.0, int32_t maxBlock = 512);
    void stop();
    // One block through the processor with the given changes (null: none).
    tresult process(const float* input, float* output, int32_t frames,
                    IParameterChanges* changes = nullptr);

    std::vector<uint8_t> componentState();
    tresult setComponentState(const std::vector<uint8_t>& block, int32_t chunk = 1 << 20);
    // The controller's text for a value (its characters are all ASCII; any
    // other shows as '?').
    std::string text(ParamID id, double value);

    HostApplication host;
    IComponent* component = nullptr;
    IAudioProcessor* processor = nullptr;
    IEditController* controller = nullptr;
    IConnectionPoint* componentPoint = nullptr;
    IConnectionPoint* controllerPoint = nullptr;
    bool active = false;
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
