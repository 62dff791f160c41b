// SPDX-License-Identifier: ISC
#include "vst3/Vst3TestHost.h"

#include "contract/FaceDrivers.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace testhost {

std::string BundleBinary(const std::string& bundle) {
#if defined(_WIN32)
    return bundle + "/Contents/x86_64-win/tapestrum.vst3";
#else
    return bundle + "/Contents/x86_64-linux/tapestrum.so";
#endif
}

Vst3Module::Vst3Module(const std::string& bundle) : library(BundleBinary(bundle)) {
    if (!library.loaded()) return;
#if defined(_WIN32)
    auto enter = reinterpret_cast<InitModuleFunction>(library.symbol("InitDll"));
    if (enter == nullptr || !enter()) return;
#else
    auto enter = reinterpret_cast<InitModuleFunction>(library.symbol("ModuleEntry"));
    if (enter == nullptr || !enter(nullptr)) return;
#endif
    auto get = reinterpret_cast<GetPluginFactoryFunction>(library.symbol("GetPluginFactory"));
    factory = get != nullptr ? get() : nullptr;
    factory2 = Query<IPluginFactory2>(factory, kPluginFactory2Iid);
}

Vst3Module::~Vst3Module() {
    if (factory2 != nullptr) factory2->release();
    if (factory != nullptr) factory->release();
#if defined(_WIN32)
    const char* exitName = "ExitDll";
#else
    const char* exitName = "ModuleExit";
#endif
    if (auto leave = reinterpret_cast<ExitModuleFunction>(library.symbol(exitName))) leave();
}

namespace {

// The object itself, counted, when asked for its own interface or the base;
// nothing otherwise.
tresult QueryOwn(FUnknown* self, const Uid& own, const TUID iid, void** object) {
    const bool known = own.matches(iid) || kFUnknownIid.matches(iid);
    *object = known ? self : nullptr;
    if (known) self->addRef();
    return known ? kResultOk : kNoInterface;
}

// A message and its attributes, made by the host for the plug-in.
class AttributeList final : public HostObject<IAttributeList> {
  public:
    // The face sends floats (the sample rate) and integers (the processor's
    // address).
    tresult setInt(AttrID id, int64 value) override { return Set(ints, id, value); }
    tresult getInt(AttrID id, int64& value) override { return Get(ints, id, value); }
    tresult setFloat(AttrID id, double value) override { return Set(floats, id, value); }
    tresult getFloat(AttrID id, double& value) override { return Get(floats, id, value); }
    tresult setString(AttrID, const TChar*) override { return kNotImplemented; }
    tresult getString(AttrID, TChar*, uint32_t) override { return kNotImplemented; }
    tresult setBinary(AttrID, const void*, uint32_t) override { return kNotImplemented; }
    tresult getBinary(AttrID, const void*&, uint32_t&) override { return kNotImplemented; }

    std::map<std::string, double> floats;
    std::map<std::string, int64> ints;

  private:
    template <class Value>
    static tresult Set(std::map<std::string, Value>& values, AttrID id, Value value) {
        values[id] = value;
        return kResultOk;
    }
    template <class Value>
    static tresult Get(const std::map<std::string, Value>& values, AttrID id, Value& value) {
        const auto found = values.find(id);
        if (found == values.end()) return kResultFalse;
        value = found->second;
        return kResultOk;
    }
};

class Message final : public IMessage {
  public:
    tresult queryInterface(const TUID iid, void** object) override {
        return QueryOwn(this, kMessageIid, iid, object);
    }
    uint32_t addRef() override { return ++references; }
    uint32_t release() override {
        const uint32_t left = --references;
        if (left == 0) delete this;
        return left;
    }
    FIDString getMessageID() override { return id.c_str(); }
    void setMessageID(FIDString newId) override { id = newId != nullptr ? newId : ""; }
    IAttributeList* getAttributes() override { return &attributes; }

    std::atomic<uint32_t> references{1};
    std::string id;
    AttributeList attributes;
};

} // namespace

tresult HostApplication::queryInterface(const TUID iid, void** object) {
    return QueryOwn(this, kHostApplicationIid, iid, object);
}

tresult HostApplication::getName(String128 name) {
    const std::u16string text = u"tapestrum test host";
    std::copy(text.begin(), text.end(), name);
    name[text.size()] = 0;
    return kResultOk;
}

tresult HostApplication::createInstance(TUID cid, TUID iid, void** object) {
    if (kMessageIid.matches(cid) && kMessageIid.matches(iid)) {
        *object = static_cast<IMessage*>(new Message);
        return kResultOk;
    }
    *object = nullptr;
    return kResultFalse;
}

tresult MemoryStream::queryInterface(const TUID iid, void** object) {
    return QueryOwn(this, kBStreamIid, iid, object);
}

tresult MemoryStream::read(void* buffer, int32_t bytes, int32_t* bytesRead) {
    const int64_t moved = bytes < 0 ? -1 : stream.read(buffer, static_cast<size_t>(bytes));
    if (bytesRead != nullptr) *bytesRead = moved < 0 ? 0 : static_cast<int32_t>(moved);
    return moved < 0 ? kResultFalse : kResultOk;
}

tresult MemoryStream::write(void* buffer, int32_t bytes, int32_t* bytesWritten) {
    const int64_t moved = bytes < 0 ? -1 : stream.write(buffer, static_cast<size_t>(bytes));
    if (bytesWritten != nullptr) *bytesWritten = moved < 0 ? 0 : static_cast<int32_t>(moved);
    return moved < 0 ? kResultFalse : kResultOk;
}

tresult MemoryStream::seek(int64 target, int32_t mode, int64* result) {
    const int64 base = mode == 0   ? 0
                       : mode == 1 ? static_cast<int64>(stream.position)
                                   : static_cast<int64>(stream.bytes.size());
    if (base + target < 0) return kInvalidArgument;
    stream.position = static_cast<size_t>(base + target);
    if (result != nullptr) *result = static_cast<int64>(stream.position);
    return kResultOk;
}

tresult MemoryStream::tell(int64* where) {
    if (where == nullptr) return kInvalidArgument;
    *where = static_cast<int64>(stream.position);
    return kResultOk;
}

tresult ValueQueue::getPoint(int32_t index, int32_t& offset, ParamValue& value) {
    if (index < 0 || index >= getPointCount()) return kInvalidArgument;
    offset = points[static_cast<size_t>(index)].first;
    value = points[static_cast<size_t>(index)].second;
    return kResultOk;
}

tresult ValueQueue::addPoint(int32_t offset, ParamValue value, int32_t& index) {
    if (points.size() == kMaxPoints) return kResultFalse;
    index = getPointCount();
    points.emplace_back(offset, value);
    return kResultOk;
}

IParamValueQueue* ParameterChanges::getParameterData(int32_t index) {
    if (index < 0 || index >= getParameterCount()) return nullptr;
    return &queues[static_cast<size_t>(index)];
}

IParamValueQueue* ParameterChanges::addParameterData(const ParamID& id, int32_t& index) {
    for (size_t q = 0; q < used; ++q)
        if (queues[q].id == id) {
            index = static_cast<int32_t>(q);
            return &queues[q];
        }
    if (used == queues.size()) return nullptr;
    index = getParameterCount();
    queues[used].id = id;
    return &queues[used++];
}

void ParameterChanges::add(ParamID id, int32_t offset, ParamValue value) {
    int32_t index = 0;
    if (IParamValueQueue* queue = addParameterData(id, index))
        queue->addPoint(offset, value, index);
}

void ParameterChanges::clear() {
    for (size_t q = 0; q < used; ++q)
        queues[q].points.clear();
    used = 0;
}

Vst3Plugin::Vst3Plugin(IPluginFactory* factory, int32_t channels) : channelCount(channels) {
    if (factory == nullptr) throw std::runtime_error("the module has no factory");
    TUID cid, iid;
    PClassInfo info{};
    for (int32_t i = 0; i < factory->countClasses(); ++i)
        if (factory->getClassInfo(i, &info) == kResultOk &&
            std::strcmp(info.category, kAudioEffectCategory) == 0)
            break;
    kComponentIid.copyTo(iid);
    void* made = nullptr;
    if (factory->createInstance(info.cid, iid, &made) != kResultOk || made == nullptr)
        throw std::runtime_error("the factory made no component");
    component = static_cast<IComponent*>(made);
    if (component->initialize(&host) != kResultOk)
        throw std::runtime_error("the component refused to initialize");
    processor = Query<IAudioProcessor>(component, kAudioProcessorIid);

    if (component->getControllerClassId(cid) != kResultOk)
        throw std::runtime_error("the component names no controller");
    kEditControllerIid.copyTo(iid);
    made = nullptr;
    if (factory->createInstance(cid, iid, &made) != kResultOk || made == nullptr)
        throw std::runtime_error("the factory made no controller");
    controller = static_cast<IEditController*>(made);
    if (controller->initialize(&host) != kResultOk)
        throw std::runtime_error("the controller refused to initialize");

    // Connected both ways, then the controller told the component's state.
    componentPoint = Query<IConnectionPoint>(component, kConnectionPointIid);
    controllerPoint = Query<IConnectionPoint>(controller, kConnectionPointIid);
    if (componentPoint != nullptr && controllerPoint != nullptr) {
        componentPoint->connect(controllerPoint);
        controllerPoint->connect(componentPoint);
    }
    ChunkedStream state{componentState()};
    MemoryStream forController(state);
    controller->setComponentState(&forController);
}

Vst3Plugin::~Vst3Plugin() {
    deactivate();
    if (componentPoint != nullptr && controllerPoint != nullptr) {
        componentPoint->disconnect(controllerPoint);
        controllerPoint->disconnect(componentPoint);
    }
    if (componentPoint != nullptr) componentPoint->release();
    if (controllerPoint != nullptr) controllerPoint->release();
    if (controller != nullptr) {
        controller->terminate();
        controller->release();
    }
    if (processor != nullptr) processor->release();
    if (component != nullptr) {
        component->terminate();
        component->release();
    }
}

namespace {

constexpr FaceTraits kTraits{.state = true,
                             .texts = true,
                             .textsOfAnyValue = true,
                             .parses = true,
                             .values = ValueReads::Stored,
                             .rate = RateType::Double};

} // namespace

const FaceTraits& Vst3Plugin::traits() const { return kTraits; }

bool Vst3Plugin::activate(double rate) {
    deactivate();
    const SpeakerArrangement buses = channelCount == 2 ? kSpeakerStereo : kSpeakerMono;
    SpeakerArrangement in = buses, out = buses;
    if (processor->setBusArrangements(&in, 1, &out, 1) != kResultTrue) return false;
    ProcessSetup setup{0, kSample32, kMaxDriverBlock, rate};
    if (processor->setupProcessing(setup) != kResultOk) return false;
    component->setActive(1);
    processor->setProcessing(1);
    active = true;
    return true;
}

void Vst3Plugin::deactivate() {
    if (!active) return;
    processor->setProcessing(0);
    component->setActive(0);
    active = false;
}

bool Vst3Plugin::processChannels(const float* const* inputs, float* const* outputs, int32_t frames,
                                 std::span<const ParameterChange> changes) {
    blockChanges.clear();
    pending.take([&](int32_t index, float value) {
        blockChanges.add(static_cast<ParamID>(index), 0, value);
    });
    for (const ParameterChange& c : changes) {
        blockChanges.add(static_cast<ParamID>(c.index), c.offset, c.value);
        sent.put(c.index, c.value);
    }
    float* in[2] = {};
    float* out[2] = {};
    for (int32_t c = 0; c < channelCount; ++c) {
        in[c] = inputs ? const_cast<float*>(inputs[c]) : nullptr;
        out[c] = outputs[c];
    }
    AudioBusBuffers inputBus{channelCount, 0, {in}};
    AudioBusBuffers outputBus{channelCount, 0, {out}};
    ProcessData data{};
    data.symbolicSampleSize = kSample32;
    data.numSamples = frames;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &inputBus;
    data.outputs = &outputBus;
    data.inputParameterChanges = &blockChanges;
    return processor->process(data) == kResultOk;
}

bool Vst3Plugin::save(ChunkedStream& stream) {
    MemoryStream host(stream);
    return component->getState(&host) == kResultOk;
}

bool Vst3Plugin::load(ChunkedStream& stream) {
    syncController();
    ChunkedStream copy = stream;
    MemoryStream forComponent(stream), forController(copy);
    const bool toComponent = component->setState(&forComponent) == kResultOk;
    return controller->setComponentState(&forController) == kResultOk && toComponent;
}

std::vector<uint8_t> Vst3Plugin::componentState() {
    ChunkedStream stream;
    return save(stream) ? stream.bytes : std::vector<uint8_t>{};
}

void Vst3Plugin::set(int32_t index, float value) {
    syncController();
    controller->setParamNormalized(static_cast<ParamID>(index), value);
    pending.put(index, value);
}

float Vst3Plugin::value(int32_t index) {
    syncController();
    return static_cast<float>(controller->getParamNormalized(static_cast<ParamID>(index)));
}

std::string Vst3Plugin::text(int32_t index, float value) {
    syncController();
    String128 buffer{};
    if (controller->getParamStringByValue(static_cast<ParamID>(index), value, buffer) != kResultOk)
        return "<none>";
    std::string narrow;
    for (size_t i = 0; i < 128 && buffer[i] != 0; ++i)
        narrow += buffer[i] < 0x80 ? static_cast<char>(buffer[i]) : '?';
    return narrow;
}

std::optional<float> Vst3Plugin::parse(int32_t index, std::string_view text) {
    String128 typed{};
    for (size_t i = 0; i < text.size() && i < 127; ++i)
        typed[i] = static_cast<unsigned char>(text[i]);
    ParamValue value = 0;
    if (controller->getParamValueByString(static_cast<ParamID>(index), typed, value) != kResultOk)
        return std::nullopt;
    return static_cast<float>(value);
}

void Vst3Plugin::syncController() {
    sent.take(
        [&](int32_t i, float v) { controller->setParamNormalized(static_cast<ParamID>(i), v); });
}

} // namespace testhost

std::unique_ptr<FaceDriver> MakeVst3Driver(vst3::IPluginFactory* factory, int32_t channels) {
    if (!factory) return nullptr;
    return std::make_unique<testhost::Vst3Plugin>(factory, channels);
}
