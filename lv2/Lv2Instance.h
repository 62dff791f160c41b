// One LV2 instance of the effect: it drives the effect's VST 2 instance record
// as a VST 2 host would, so the shell and the engine run exactly as they do
// under any other host.
//
// Threads, in LV2's terms: construction, activate, deactivate and destruction
// belong to the instantiation class (never concurrent with run); connectPort
// and run to the audio class. run allocates nothing, takes no lock and makes
// no system call.
#pragma once

#include "host/EffectRecord.h"
#include "lv2/Lv2Ports.h"

#include <array>
#include <cstdint>

class Lv2Instance {
  public:
    // Takes over an instance record (and closes it when destroyed); the rate
    // and block size are what activate tells the effect.
    Lv2Instance(AEffect* effect, float sampleRate, int32_t maxBlockLength);
    ~Lv2Instance();
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    void connectPort(uint32_t port, void* data);
    // Sample rate, block size, then switching the effect on, which re-applies
    // every parameter it holds.
    void activate();
    void deactivate();
    // Applies every control whose value changed since the last run, in
    // parameter order, then processes the audio. With a port not connected the
    // output (if there is one) is silence.
    void run(uint32_t sampleCount);

  private:
    intptr_t dispatch(int32_t opcode, int32_t index, intptr_t value, float opt);
    bool allConnected() const;
    void applyChangedControls();

    AEffect* effect;
    float rate;
    int32_t blockSize;
    bool active = false;
    const float* input = nullptr;
    float* output = nullptr;
    std::array<const float*, kParameterCount> controls{};
    // The bit pattern of the value last applied from each control (so that a
    // NaN left on a port is applied once, not at every run).
    std::array<uint32_t, kParameterCount> applied{};
    std::array<bool, kParameterCount> everApplied{};
};
