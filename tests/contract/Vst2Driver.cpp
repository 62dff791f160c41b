// SPDX-License-Identifier: ISC
// The VST 2 face as a host drives it through the instance record, by its two
// processing calls in turn. The format takes parameter changes only between
// blocks, so the host cuts a block at each change; the record has no state
// chunk and shows only the current value's text.
#include "contract/FaceDrivers.h"

#include <cfloat>
#include <cmath>

namespace {

intptr_t VSTCALL Host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

constexpr FaceTraits kTraits{.texts = true, .reactivatesInPlace = true};

class Vst2Driver final : public FaceDriver {
  public:
    explicit Vst2Driver(AEffect* effect) : effect(effect) {}
    ~Vst2Driver() override { dispatch(effClose); }

    const FaceTraits& traits() const override { return kTraits; }

    bool activate(double rate) override {
        dispatch(effSetSampleRate, 0, nullptr, RateAsFloat(rate));
        dispatch(effSetBlockSize, kMaxDriverBlock);
        dispatch(effMainsChanged, 1);
        return true;
    }
    void deactivate() override { dispatch(effMainsChanged, 0); }

    bool process(const float* input, float* output, int32_t frames,
                 std::span<const ParameterChange> changes) override {
        SplitAtChanges(
            frames, changes,
            [&](int32_t from, int32_t to) {
                float* in[1] = {input ? const_cast<float*>(input) + from : nullptr};
                float* out[1] = {output + from};
                // Hosts call either; both replace the output.
                (stretches++ % 2 ? effect->process : effect->processReplacing)(effect, in, out,
                                                                               to - from);
            },
            [&](const ParameterChange& c) { set(c.index, c.value); });
        return true;
    }

    void set(int32_t index, float value) override { effect->setParameter(effect, index, value); }
    float value(int32_t index) override { return effect->getParameter(effect, index); }
    std::string text(int32_t index, float value) override {
        set(index, value);
        char buffer[64] = {};
        dispatch(effGetParamDisplay, 0, buffer, 0.0f, index);
        return buffer;
    }

  private:
    intptr_t dispatch(int32_t opcode, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f,
                      int32_t index = 0) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }

    AEffect* effect;
    uint64_t stretches = 0;
};

} // namespace

float RateAsFloat(double rate) {
    if (rate > FLT_MAX) return HUGE_VALF;
    if (rate < -FLT_MAX) return -HUGE_VALF;
    return static_cast<float>(rate);
}

std::unique_ptr<FaceDriver> MakeVst2Driver(Vst2Entry entry) {
    AEffect* effect = entry ? entry(Host) : nullptr;
    if (!effect) return nullptr;
    return std::make_unique<Vst2Driver>(effect);
}
