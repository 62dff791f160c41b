// SPDX-License-Identifier: ISC
// One LV2 instance of the effect: the ports the host connects, and the calls
// LV2 makes, turned into the effect core's operations. Written for any effect
// with the core's operations (setSampleRate, resume, suspend, setParameter,
// processChannelsAnyLength), so that its own logic can be tested apart from the engine. Channels is
// the plug-in's count of audio inputs and of outputs: 1, or 2 for the stereo one.
//
// Threads, in LV2's terms: construction, activate, deactivate and destruction
// belong to the instantiation class (never concurrent with run); connectPort
// and run to the audio class. run allocates nothing, takes no lock and makes
// no system call.
#pragma once

#include "lv2/Lv2Ports.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

template <class Effect, uint32_t Channels = 1> class Lv2Runner {
  public:
    // Drives `effect`, which it does not own, at the host's rate.
    Lv2Runner(Effect& effect, float sampleRate) : effect(effect), rate(sampleRate) {}
    ~Lv2Runner() {
        if (active) deactivate();
    }
    Lv2Runner(const Lv2Runner&) = delete;
    Lv2Runner& operator=(const Lv2Runner&) = delete;

    void connectPort(uint32_t port, void* data) {
        if (port < Lv2AudioOutPort(Channels, 0)) {
            inputs[port] = static_cast<const float*>(data);
        } else if (port < kFirstControl) {
            outputs[port - Lv2AudioOutPort(Channels, 0)] = static_cast<float*>(data);
        } else if (port < kFirstControl + kParameterCount) {
            controls[port - kFirstControl] = static_cast<const float*>(data);
        }
    }

    // The sample rate, then switching the effect on, which re-applies every
    // parameter it holds.
    void activate() {
        effect.setSampleRate(rate);
        effect.resume();
        active = true;
    }

    void deactivate() {
        effect.suspend();
        active = false;
    }

    // Applies every control whose value changed since the last run, in
    // parameter order, then processes the audio. Without every output there
    // is nothing to do; an input not connected is silence, which the effect
    // processes like any input; with a control not connected the output is
    // silence and the effect stands still.
    void run(uint32_t sampleCount) {
        if (std::any_of(outputs.begin(), outputs.end(), [](const float* o) { return !o; })) return;
        if (!allControlsConnected()) {
            for (float* output : outputs)
                std::fill_n(output, sampleCount, 0.0f);
            return;
        }
        applyChangedControls();
        effect.processChannelsAnyLength(inputs.data(), outputs.data(), 0, sampleCount);
    }

  private:
    bool allControlsConnected() const {
        return std::none_of(controls.begin(), controls.end(), [](const float* c) { return !c; });
    }

    void applyChangedControls() {
        for (int32_t i = 0; i < kParameterCount; ++i) {
            const float value = *controls[i];
            uint32_t bits;
            std::memcpy(&bits, &value, sizeof bits);
            if (everApplied[i] && bits == applied[i]) continue;
            effect.setParameter(i, value); // clamps into 0 to 1, NaN to 0
            applied[i] = bits;
            everApplied[i] = true;
        }
    }

    static constexpr uint32_t kFirstControl = Lv2FirstControlPort(Channels);

    Effect& effect;
    float rate;
    bool active = false;
    std::array<const float*, Channels> inputs{};
    std::array<float*, Channels> outputs{};
    std::array<const float*, kParameterCount> controls{};
    // The bit pattern of the value last applied from each control (so that a
    // NaN left on a port is applied once, not at every run).
    std::array<uint32_t, kParameterCount> applied{};
    std::array<bool, kParameterCount> everApplied{};
};
