// SPDX-License-Identifier: ISC
// The LV2 face as a host drives it through the descriptor: an instance is made
// at its rate on activation, the control ports hold the host's values, and a
// block is run in stretches with the controls changed between them. The main
// thread's values reach the ports at the next block; a value read is the
// port's, as the effect takes it. The plug-in has no state and no texts of its
// own. The stereo plug-in's driver connects two inputs and two outputs.
#include "contract/FaceDrivers.h"
#include "lv2/Lv2Ports.h"

#include <array>
#include <lv2/core/lv2.h>

namespace {

constexpr FaceTraits kTraits{.values = ValueReads::Stored, .rate = RateType::Double};

class Lv2Driver final : public ChannelFaceDriver {
  public:
    Lv2Driver(const LV2_Descriptor* descriptor, int32_t channels)
        : descriptor(descriptor), channelCount(static_cast<uint32_t>(channels)) {
        for (const ParameterInfo& row : kParameters)
            hostValues[row.index].store(row.defaultValue, std::memory_order_relaxed);
    }
    ~Lv2Driver() override { close(); }

    const FaceTraits& traits() const override { return kTraits; }

    bool activate(double rate) override {
        close();
        handle = descriptor->instantiate(descriptor, rate, "", nullptr);
        if (!handle) return false;
        for (uint32_t i = 0; i < kParameterCount; ++i)
            descriptor->connect_port(handle, Lv2FirstControlPort(channelCount) + i, &controls[i]);
        descriptor->activate(handle);
        active = true;
        return true;
    }
    void deactivate() override {
        if (active) descriptor->deactivate(handle);
        active = false;
    }

    int32_t channels() const override { return static_cast<int32_t>(channelCount); }
    bool processChannels(const float* const* inputs, float* const* outputs, int32_t frames,
                         std::span<const ParameterChange> changes) override {
        if (!handle) return false;
        for (int32_t i = 0; i < kParameterCount; ++i)
            controls[i] = hostValues[i].load(std::memory_order_relaxed);
        const auto run = [&](int32_t from, int32_t to) {
            for (uint32_t c = 0; c < channelCount; ++c) {
                const float* input = inputs ? inputs[c] : nullptr;
                descriptor->connect_port(handle, Lv2AudioInPort(c),
                                         input ? const_cast<float*>(input) + from : nullptr);
                descriptor->connect_port(handle, Lv2AudioOutPort(channelCount, c),
                                         outputs[c] ? outputs[c] + from : nullptr);
            }
            descriptor->run(handle, static_cast<uint32_t>(to - from));
        };
        SplitAtChanges(frames, changes, run, [&](const ParameterChange& c) {
            if (c.index < 0 || c.index >= kParameterCount) return;
            controls[c.index] = c.value;
            hostValues[c.index].store(c.value, std::memory_order_relaxed);
        });
        if (frames == 0) run(0, 0);
        return true;
    }

    void set(int32_t index, float value) override {
        if (index >= 0 && index < kParameterCount)
            hostValues[index].store(value, std::memory_order_relaxed);
    }
    float value(int32_t index) override {
        if (index < 0 || index >= kParameterCount) return 0.0f;
        return ClampParameterValue(hostValues[index].load(std::memory_order_relaxed));
    }

  private:
    void close() {
        deactivate();
        if (handle) descriptor->cleanup(handle);
        handle = nullptr;
    }

    const LV2_Descriptor* descriptor;
    uint32_t channelCount;
    LV2_Handle handle = nullptr;
    bool active = false;
    std::array<float, kParameterCount> controls{}; // the ports: audio thread
    // The host's values: the main thread and the audio thread both write them.
    std::array<std::atomic<float>, kParameterCount> hostValues{};
};

} // namespace

std::unique_ptr<FaceDriver> MakeLv2Driver(const LV2_Descriptor* descriptor, int32_t channels) {
    if (!descriptor) return nullptr;
    return std::make_unique<Lv2Driver>(descriptor, channels);
}
