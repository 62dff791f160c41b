// SPDX-License-Identifier: ISC
// The C interface as an embedder uses it: a handle made at a rate is an
// instance switched on (another rate makes another instance), changes are set
// between stretches of a block, and texts are the current value's. It has no
// state.
#include "c/tapestrum.h"
#include "contract/FaceDrivers.h"

namespace {

constexpr FaceTraits kTraits{.texts = true, .rate = RateType::Float};

class CDriver final : public FaceDriver {
  public:
    CDriver() : handle(tapestrum_new(44100.0f)) {}
    ~CDriver() override { tapestrum_delete(handle); }

    const FaceTraits& traits() const override { return kTraits; }

    bool activate(double rate) override {
        tapestrum* made = tapestrum_new(RateAsFloat(rate));
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

    void set(int32_t index, float value) override { tapestrum_set_parameter(handle, index, value); }
    float value(int32_t index) override { return tapestrum_get_parameter(handle, index); }
    std::string text(int32_t index, float value) override {
        set(index, value);
        char buffer[64] = {};
        tapestrum_parameter_text(handle, index, buffer, sizeof buffer);
        return buffer;
    }

  private:
    tapestrum* handle;
};

} // namespace

std::unique_ptr<FaceDriver> MakeCDriver() { return std::make_unique<CDriver>(); }
