// The validator's side of the VST 2 interface: it loads a module, answers the
// module's requests as a strict host, and hands the tests instances and audio
// buffers with guard regions around them.
#pragma once

#include "host/EffectRecord.h"
#include "tools/DynamicLibrary.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// What the module asked of the host (per process: each group of tests runs in a
// process of its own).
struct HostRequests {
    std::atomic<int> versionAsked{0};
    std::atomic<int> wantMidi{0};
};
HostRequests& Requests();

class ValidatedModule {
  public:
    // Throws ToolError when the module cannot be loaded or has no entry point.
    explicit ValidatedModule(const std::string& path);
    ValidatedModule(const ValidatedModule&) = delete;
    ValidatedModule& operator=(const ValidatedModule&) = delete;

    const std::string& entryName() const { return entry; }
    // Calls the entry point; null when it gives no instance.
    AEffect* create(float sampleRate, int32_t blockSize) const;

  private:
    DynamicLibrary library;
    std::string entry;
    AEffect*(VSTCALL* main)(audioMasterCallback) = nullptr;
};

// One instance, opened, told its rate and block size, and closed at the end.
class Instance {
  public:
    // Throws ToolError when the entry point gives no instance.
    Instance(const ValidatedModule& module, float sampleRate, int32_t blockSize);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    AEffect* record() const { return effect; }
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f) const {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    void resume();
    void suspend();
    // Suspends, changes the rate and resumes, as hosts do.
    void changeRate(float sampleRate);
    int32_t inputs() const { return effect->numInputs; }
    int32_t outputs() const { return effect->numOutputs; }
    int32_t parameters() const { return effect->numParams; }
    int32_t blockSize() const { return block; }

  private:
    AEffect* effect;
    int32_t block;
    bool running = false;
};

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
    // An empty text when every guard holds, otherwise where one was overwritten.
    std::string brokenGuard() const;

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

// How an output block fails to be finite and bounded; empty when it is.
std::string BadOutput(GuardedChannels& outputs, int32_t frames);
