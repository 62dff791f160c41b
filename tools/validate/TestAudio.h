// SPDX-License-Identifier: ISC
// What the validator's tests feed a module: audio buffers with guard regions
// around them, and test signals.
#pragma once

#include "vst2/record/EffectRecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Channels of audio, each inside two guard regions that hold a pattern no
// plug-in writes by chance.
class GuardedChannels {
  public:
    GuardedChannels(int32_t channels, int32_t frames);
    float** pointers() { return starts.data(); }
    float* channel(int32_t c) { return starts[static_cast<size_t>(c)]; }
    int32_t count() const { return static_cast<int32_t>(storage.size()); }
    int32_t frames() const { return length; }
    // Re-arms the guards.
    void guard();
    // Where a guard was overwritten; nothing when every guard holds.
    std::optional<std::string> brokenGuard() const;

  private:
    int32_t length;
    std::vector<std::vector<float>> storage;
    std::vector<float*> starts;
};

// Test signals, written into `frames` samples starting at sample `offset` of
// the signal, so that consecutive blocks continue one another.
enum class Signal { Silence, Noise, Sine, Dc, FullScale, Subnormal, NotFinite };
const char* SignalName(Signal signal);
void Generate(Signal signal, float* samples, int32_t frames, int64_t offset, float sampleRate,
              uint32_t seed);

// How an output block fails to be finite and bounded; nothing when it is.
std::optional<std::string> BadOutput(GuardedChannels& outputs, int32_t frames);
