// Hosts a VST 2 plug-in module through its binary interface, as a DAW does: load
// the module, call its entry point with a host callback, and drive the instance
// record it returns. Nothing here knows which effect is behind the record.
#pragma once

#include "host/EffectRecord.h"

#include <memory>

class DynamicLibrary;
#include <string>
#include <vector>

// One loaded module. Instances must be closed before the module goes.
class PluginModule {
  public:
    // Throws ToolError naming the path when the module cannot be loaded or has
    // no entry point.
    explicit PluginModule(const std::string& path);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    const std::string& path() const { return modulePath; }
    // Calls the entry point; throws ToolError when it gives no instance.
    AEffect* createInstance(float sampleRate, int32_t blockSize) const;

  private:
    std::string modulePath;
    std::unique_ptr<DynamicLibrary> library;
    AEffect*(VSTCALL* entry)(audioMasterCallback) = nullptr;
};

// One instance, driven as a host drives it: open, sample rate and block size,
// resume, process, suspend, close.
class PluginInstance {
  public:
    PluginInstance(const PluginModule& module, float sampleRate, int32_t blockSize);
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    AEffect& record() const { return *effect; }
    int32_t inputs() const { return effect->numInputs; }
    int32_t outputs() const { return effect->numOutputs; }
    int32_t parameterCount() const { return effect->numParams; }

    void resume();
    void suspend();
    // Processes one block: inputs()-many input channels, outputs()-many output
    // channels, each of `frames` samples.
    void process(float** inputs, float** outputs, int32_t frames);

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

    // What the host's callback answers for this instance.
    float sampleRate;
    int32_t blockSize;

  private:
    std::string text(int32_t opcode, int32_t index) const;
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f) const;

    AEffect* effect = nullptr;
    bool running = false;
};
