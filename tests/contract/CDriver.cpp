// SPDX-License-Identifier: ISC
// The C interface as an embedder uses it: a handle made at a rate is an
// instance switched on (another rate makes another instance), changes are set
// between stretches of a block, and texts are the current value's. It has no
// state. A stereo handle takes its blocks through tapestrum_process_stereo.
#include "c/tapestrum.h"
#include "contract/FaceDrivers.h"

namespace {

constexpr FaceTraits kTraits{.texts = true, .rate = RateType::Float};

class CDriver final : public FaceDriver {
  public:
    explicit CDriver(int32_t channels) : stereo(channels == 2), handle(make(44100.0f)) {}
    ~CDriver() override { tapestrum_delete(handle); }

    const FaceTraits& traits() const override { return kTraits; }

    bool activate(double rate) override {
        tapestrum* made = make(RateAsFloat(rate));
        if (!made) return false;
        tapestrum_delete(handle);
        handle = made;
        return true;
    }
    void deactivate() override {}

    bool process(const float* input, float* output, int32_t frames,
                 std::span<const ParameterChange> changes) override {
        SplitAtChanges(
            frames, changes,
            [&](int32_t from, int32_t to) {
                tapestrum_process(handle, input ? input + from : nullptr, output + from, to - from);
            },
            [&](const ParameterChange& c) { set(c.index, c.value); });
        return true;
    }

    int32_t channels() const override { return stereo ? 2 : 1; }
    bool processChannels(const float* const* inputs, float* const* outputs, int32_t frames,
                         std::span<const ParameterChange> changes) override {
        if (!stereo) return FaceDriver::processChannels(inputs, outputs, frames, changes);
        const auto at = [](const float* channel, int32_t from) {
            return channel ? channel + from : nullptr;
        };
        SplitAtChanges(
            frames, changes,
            [&](int32_t from, int32_t to) {
                tapestrum_process_stereo(handle, inputs ? at(inputs[0], from) : nullptr,
                                         inputs ? at(inputs[1], from) : nullptr, outputs[0] + from,
                                         outputs[1] + from, to - from);
            },
            [&](const ParameterChange& c) { set(c.index, c.value); });
        return true;
    }

    void set(int32_t index, float value) override { tapestrum_set_parameter(handle, index, value); }
    float value(int32_t index) override { return tapestrum_get_parameter(handle, index); }
    std::string text(int32_t index, float value) override {
        set(index, value);
        char buffer[64] = {};
        tapestrum_parameter_text(handle, index, buffer, sizeof buffer);
        return buffer;
    }

  private:
    tapestrum* make(float rate) const {
        return stereo ? tapestrum_new_stereo(rate) : tapestrum_new(rate);
    }

    bool stereo;
    tapestrum* handle;
};

} // namespace

std::unique_ptr<FaceDriver> MakeCDriver(int32_t channels) {
    return std::make_unique<CDriver>(channels);
}
