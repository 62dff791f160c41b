// SPDX-License-Identifier: ISC
// Hosts a VST 2 plug-in module through its binary interface, as a DAW does: load
// the module, call its entry point with the host's callback, and drive the
// instance record it returns. Nothing here knows which effect is behind the
// record. The offline host and the validator both host through this; what the
// host answers the module is its HostPolicy.
#pragma once

#include "tools/hosting/HostPolicy.h"
#include "vst2/record/EffectRecord.h"

#include <atomic>
#include <memory>
#include <string>

class DynamicLibrary;

// One loaded module. Instances must be closed before the module goes.
class PluginModule {
  public:
    // Throws ToolError naming the path when the module cannot be loaded or has
    // no entry point. The policy must live as long as the module's instances.
    explicit PluginModule(const std::string& path, HostPolicy& policy = OfflineHost());
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    const std::string& path() const { return modulePath; }
    // The name of the entry point found: VSTPluginMain, or main.
    const std::string& entryName() const { return entry; }
    HostPolicy& policy() const { return host; }

    // Calls the entry point with the host's callback and returns what it gave,
    // unchecked: null, a record, or anything else. Requests that come before
    // the record is an instance's are answered with this rate and block size.
    AEffect* callEntry(float sampleRate, int32_t blockSize) const;

  private:
    std::string modulePath;
    HostPolicy& host;
    std::unique_ptr<DynamicLibrary> library;
    std::string entry;
    AEffect*(VSTCALL* main)(audioMasterCallback) = nullptr;
};

// One instance, driven as a host drives it: open, sample rate and block size,
// resume, process, suspend, close.
class PluginInstance {
  public:
    // Throws ToolError, worded by the module's policy, when the entry point
    // gives no instance record.
    PluginInstance(const PluginModule& module, float sampleRate, int32_t blockSize);
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    AEffect& record() const { return *effect; }
    int32_t inputs() const { return effect->numInputs; }
    int32_t outputs() const { return effect->numOutputs; }
    int32_t parameterCount() const { return effect->numParams; }
    // What the host's callback answers for this instance.
    float sampleRate() const { return rate.load(std::memory_order_relaxed); }
    int32_t blockSize() const { return block.load(std::memory_order_relaxed); }
    HostPolicy& policy() const { return host; }

    void resume();
    void suspend();
    // Suspends, tells the instance the new rate and resumes, as hosts do.
    void changeRate(float sampleRate);
    // Processes one block: inputs()-many input channels, outputs()-many output
    // channels, each of `frames` samples.
    void process(float** inputs, float** outputs, int32_t frames);

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f) const {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    void setParameter(int32_t index, float value) { effect->setParameter(effect, index, value); }
    float parameter(int32_t index) const { return effect->getParameter(effect, index); }
    std::string parameterName(int32_t index) const;
    std::string parameterLabel(int32_t index) const;
    std::string parameterDisplay(int32_t index) const;
    std::string programName() const;
    void setProgramName(const std::string& name);
    std::string effectName() const;
    std::string vendorString() const;
    std::string productString() const;
    int32_t vendorVersion() const;
    int32_t vstVersion() const;
    // Finds a parameter by its name (any letter case) or by its index in decimal;
    // -1 when there is none.
    int32_t findParameter(const std::string& nameOrIndex) const;

  private:
    std::string text(int32_t opcode, int32_t index) const;

    HostPolicy& host;
    // Written by the thread that drives the instance (changeRate), read by the
    // host's callback on whichever thread the module calls it from, each access
    // relaxed.
    std::atomic<float> rate;
    std::atomic<int32_t> block;
    AEffect* effect = nullptr;
    bool running = false;
};
