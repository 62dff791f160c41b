// The VST 3 face through the tests' VST 3 host: the component and the
// controller made and connected, changes sent with the block at their offsets.
// The host keeps the controller in step with what it sends: values set on the
// main thread go to the controller at once and to the processor with the next
// block; changes sent with a block reach the controller when the main thread
// next reads a value.
#include "contract/FaceDrivers.h"
#include "vst3/Vst3TestHost.h"

namespace {

using namespace testhost;

constexpr FaceTraits kTraits{.state = true,
                             .texts = true,
                             .textsOfAnyValue = true,
                             .parses = true,
                             .values = ValueReads::Stored,
                             .rate = RateType::Double};

class Vst3Driver final : public FaceDriver {
  public:
    explicit Vst3Driver(IPluginFactory* factory) : plugin(factory) {}

    const FaceTraits& traits() const override { return kTraits; }

    bool activate(double rate) override {
        plugin.stop();
        return plugin.start(rate, kMaxDriverBlock);
    }
    void deactivate() override { plugin.stop(); }

    bool process(const float* input, float* output, int32_t frames,
                 std::span<const ParameterChange> changes) override {
        blockChanges.clear();
        pending.take([&](int32_t index, float value) {
            blockChanges.add(static_cast<ParamID>(index), 0, value);
        });
        for (const ParameterChange& c : changes) {
            blockChanges.add(static_cast<ParamID>(c.index), c.offset, c.value);
            sent.put(c.index, c.value);
        }
        return plugin.process(input, output, frames, &blockChanges) == kResultOk;
    }

    // The component's stream, then the same bytes to the controller, as a host
    // restores a project.
    bool save(ChunkedStream& stream) override {
        MemoryStream host(stream);
        return plugin.component->getState(&host) == kResultOk;
    }
    bool load(ChunkedStream& stream) override {
        syncController();
        ChunkedStream copy = stream;
        MemoryStream forComponent(stream), forController(copy);
        const bool component = plugin.component->setState(&forComponent) == kResultOk;
        const bool controller = plugin.controller->setComponentState(&forController) == kResultOk;
        return component && controller;
    }

    void set(int32_t index, float value) override {
        syncController();
        plugin.controller->setParamNormalized(static_cast<ParamID>(index), value);
        pending.put(index, value);
    }
    float value(int32_t index) override {
        syncController();
        return static_cast<float>(
            plugin.controller->getParamNormalized(static_cast<ParamID>(index)));
    }
    std::string text(int32_t index, float value) override {
        syncController();
        return plugin.text(static_cast<ParamID>(index), value);
    }
    std::optional<float> parse(int32_t index, std::string_view text) override {
        String128 typed{};
        for (size_t i = 0; i < text.size() && i < 127; ++i)
            typed[i] = static_cast<unsigned char>(text[i]);
        ParamValue value = 0;
        if (plugin.controller->getParamValueByString(static_cast<ParamID>(index), typed, value) !=
            kResultOk)
            return std::nullopt;
        return static_cast<float>(value);
    }

  private:
    // What the audio thread sent, told to the controller (main thread).
    void syncController() {
        sent.take([&](int32_t i, float v) {
            plugin.controller->setParamNormalized(static_cast<ParamID>(i), v);
        });
    }

    Vst3Plugin plugin;
    ParameterChanges blockChanges;
    PendingValues pending; // main thread to the processor
    PendingValues sent;    // the audio thread's changes, to the controller
};

} // namespace

std::unique_ptr<FaceDriver> MakeVst3Driver(vst3::IPluginFactory* factory) {
    if (!factory) return nullptr;
    return std::make_unique<Vst3Driver>(factory);
}
