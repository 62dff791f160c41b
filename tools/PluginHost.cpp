#include "tools/PluginHost.h"

#include "tools/DynamicLibrary.h"
#include "tools/ToolError.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

constexpr intptr_t kHostVersion = 2400;
constexpr intptr_t kProcessLevelOffline = 4;
constexpr int32_t kTextBufferSize = 256; // far more than the 25 bytes the interface asks for

// What the callback answers while an entry point is still building its instance
// and the record does not yet point back to a PluginInstance.
thread_local float gPendingRate = 44100.0f;
thread_local int32_t gPendingBlockSize = 512;

void CopyAnswer(void* ptr, const char* text) {
    if (ptr) std::strcpy(static_cast<char*>(ptr), text);
}

intptr_t VSTCALL HostCallback(AEffect* effect, int32_t opcode, int32_t, intptr_t, void* ptr,
                              float) {
    const auto* instance = effect ? static_cast<const PluginInstance*>(effect->user) : nullptr;
    const float rate = instance ? instance->sampleRate : gPendingRate;
    const int32_t block = instance ? instance->blockSize : gPendingBlockSize;
    switch (opcode) {
    case audioMasterVersion:
        return kHostVersion;
    case audioMasterGetSampleRate:
        return static_cast<intptr_t>(rate);
    case audioMasterGetBlockSize:
        return block;
    case audioMasterGetCurrentProcessLevel:
        return kProcessLevelOffline;
    case audioMasterGetVendorString:
        CopyAnswer(ptr, "tapestrum");
        return 1;
    case audioMasterGetProductString:
        CopyAnswer(ptr, "tapestrum offline host");
        return 1;
    case audioMasterGetVendorVersion:
        return 1;
    case audioMasterGetLanguage:
        return 1; // English
    default:
        // No time info, no events to receive, nothing to automate: 0 is the
        // interface's answer for "not supported".
        return 0;
    }
}

} // namespace

PluginModule::PluginModule(const std::string& path)
    : modulePath(path), library(std::make_unique<DynamicLibrary>(path)) {
    if (!library->loaded())
        throw ToolError("cannot load plug-in module '" + path + "': " + library->error());
    for (const char* name : {"VSTPluginMain", "main"}) {
        if (void* symbol = library->symbol(name)) {
            entry = reinterpret_cast<AEffect*(VSTCALL*)(audioMasterCallback)>(symbol);
            break;
        }
    }
    if (!entry)
        throw ToolError("plug-in module '" + path + "' has no entry point (VSTPluginMain or main)");
}

PluginModule::~PluginModule() = default;

AEffect* PluginModule::createInstance(float sampleRate, int32_t blockSize) const {
    gPendingRate = sampleRate;
    gPendingBlockSize = blockSize;
    AEffect* effect = entry(HostCallback);
    if (!effect) throw ToolError("plug-in module '" + modulePath + "' gave no instance");
    if (effect->magic != kEffectMagic)
        throw ToolError("plug-in module '" + modulePath +
                        "' returned something that is not a plug-in");
    return effect;
}

PluginInstance::PluginInstance(const PluginModule& module, float rate, int32_t block)
    : sampleRate(rate), blockSize(block), effect(module.createInstance(rate, block)) {
    effect->user = this;
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effSetBlockSize, 0, blockSize);
}

PluginInstance::~PluginInstance() {
    if (running) suspend();
    dispatch(effClose);
}

intptr_t PluginInstance::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                  float opt) const {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void PluginInstance::resume() {
    dispatch(effMainsChanged, 0, 1);
    dispatch(effStartProcess);
    running = true;
}

void PluginInstance::suspend() {
    dispatch(effStopProcess);
    dispatch(effMainsChanged, 0, 0);
    running = false;
}

// Plug-ins without processReplacing add to their output, so they get zeroed
// buffers to add to.
void PluginInstance::process(float** inputs, float** outputs, int32_t frames) {
    if (effect->flags & effFlagsCanReplacing) {
        effect->processReplacing(effect, inputs, outputs, frames);
        return;
    }
    for (int32_t c = 0; c < effect->numOutputs; ++c)
        std::fill_n(outputs[c], frames, 0.0f);
    effect->process(effect, inputs, outputs, frames);
}

std::string PluginInstance::text(int32_t opcode, int32_t index) const {
    char buffer[kTextBufferSize] = {};
    dispatch(opcode, index, 0, buffer);
    buffer[kTextBufferSize - 1] = '\0';
    return buffer;
}

std::string PluginInstance::parameterName(int32_t index) const {
    return text(effGetParamName, index);
}
std::string PluginInstance::parameterLabel(int32_t index) const {
    return text(effGetParamLabel, index);
}
std::string PluginInstance::parameterDisplay(int32_t index) const {
    return text(effGetParamDisplay, index);
}
std::string PluginInstance::programName() const { return text(effGetProgramName, 0); }
void PluginInstance::setProgramName(const std::string& name) {
    char buffer[kTextBufferSize] = {};
    name.copy(buffer, kTextBufferSize - 1);
    dispatch(effSetProgramName, 0, 0, buffer);
}
std::string PluginInstance::effectName() const { return text(effGetEffectName, 0); }
std::string PluginInstance::vendorString() const { return text(effGetVendorString, 0); }
std::string PluginInstance::productString() const { return text(effGetProductString, 0); }
int32_t PluginInstance::vendorVersion() const {
    return static_cast<int32_t>(dispatch(effGetVendorVersion));
}
int32_t PluginInstance::vstVersion() const {
    return static_cast<int32_t>(dispatch(effGetVstVersion));
}

int32_t PluginInstance::findParameter(const std::string& nameOrIndex) const {
    auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return s;
    };
    const std::string wanted = lower(nameOrIndex);
    for (int32_t i = 0; i < parameterCount(); ++i)
        if (lower(parameterName(i)) == wanted) return i;
    if (!nameOrIndex.empty() && std::all_of(nameOrIndex.begin(), nameOrIndex.end(), ::isdigit)) {
        const long index = std::strtol(nameOrIndex.c_str(), nullptr, 10);
        if (nameOrIndex.size() < 10 && index < parameterCount()) return static_cast<int32_t>(index);
    }
    return -1;
}
