// SPDX-License-Identifier: ISC
#include "tools/hosting/PluginHost.h"

#include "tools/DynamicLibrary.h"
#include "tools/ToolError.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cstring>

namespace {

constexpr int32_t kTextBufferSize = 256; // far more than the 25 bytes the interface asks for

// Whom the callback asks, and what it answers, for requests that name no
// instance of this host yet: those an entry point makes while it builds its
// record, and any that come with a record the host has not adopted. Each
// thread that calls an entry point sets them first; a thread that never did
// answers as the offline host.
thread_local HostPolicy* gPendingPolicy = nullptr;
thread_local float gPendingRate = 44100.0f;
thread_local int32_t gPendingBlockSize = 512;

// The instances this host has adopted, found by their record's address alone:
// the callback never reads memory a module could have written (a record's
// `user` field, or a record at all) to learn which instance calls, so a module
// that calls back with a wild pointer gets a plain answer. Slots are claimed
// and released by the threads that create and close instances; the callback
// may read them from any thread.
struct AdoptedInstance {
    std::atomic<const AEffect*> record{nullptr};
    std::atomic<const PluginInstance*> instance{nullptr};
};
std::array<AdoptedInstance, 256> gAdopted;

void Adopt(const AEffect* record, const PluginInstance* instance) {
    for (AdoptedInstance& slot : gAdopted) {
        const AEffect* empty = nullptr;
        if (slot.record.compare_exchange_strong(empty, record)) {
            slot.instance.store(instance);
            return;
        }
    }
    // More instances at once than slots: this one is answered as a pending one.
}

// By the instance too: once the record is closed, another thread's new
// instance may get a record at the same address.
void Release(const AEffect* record, const PluginInstance* instance) {
    for (AdoptedInstance& slot : gAdopted) {
        if (slot.record.load() == record && slot.instance.load() == instance) {
            slot.instance.store(nullptr);
            slot.record.store(nullptr);
            return;
        }
    }
}

const PluginInstance* AdoptedBy(const AEffect* record) {
    if (!record) return nullptr;
    for (const AdoptedInstance& slot : gAdopted)
        if (slot.record.load() == record) return slot.instance.load();
    return nullptr;
}

intptr_t VSTCALL HostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                              void* ptr, float opt) {
    const HostRequest request{effect, opcode, index, value, ptr, opt};
    if (const PluginInstance* instance = AdoptedBy(effect))
        return instance->policy().answer(request, instance->sampleRate(), instance->blockSize());
    HostPolicy& policy = gPendingPolicy ? *gPendingPolicy : OfflineHost();
    return policy.answer(request, gPendingRate, gPendingBlockSize);
}

} // namespace

PluginModule::PluginModule(const std::string& path, HostPolicy& policy)
    : modulePath(path), host(policy), library(std::make_unique<DynamicLibrary>(path)) {
    if (!library->loaded())
        throw ToolError("cannot load plug-in module '" + path + "': " + library->error());
    for (const char* name : {"VSTPluginMain", "main"}) {
        if (void* symbol = library->symbol(name)) {
            main = reinterpret_cast<AEffect*(VSTCALL*)(audioMasterCallback)>(symbol);
            entry = name;
            break;
        }
    }
    if (!main)
        throw ToolError("plug-in module '" + path + "' has no entry point (VSTPluginMain or main)");
}

PluginModule::~PluginModule() = default;

AEffect* PluginModule::callEntry(float sampleRate, int32_t blockSize) const {
    gPendingPolicy = &host;
    gPendingRate = sampleRate;
    gPendingBlockSize = blockSize;
    return main(HostCallback);
}

PluginInstance::PluginInstance(const PluginModule& module, float sampleRate, int32_t blockSize)
    : host(module.policy()), rate(sampleRate), block(blockSize),
      effect(module.callEntry(sampleRate, blockSize)) {
    if (!effect) throw ToolError(host.unusableInstance(module.path(), UnusableInstance::None));
    if (effect->magic != kEffectMagic)
        throw ToolError(host.unusableInstance(module.path(), UnusableInstance::NotARecord));
    Adopt(effect, this);
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effSetBlockSize, 0, blockSize);
}

PluginInstance::~PluginInstance() {
    if (running) suspend();
    const AEffect* record = effect;
    dispatch(effClose);
    Release(record, this);
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

void PluginInstance::changeRate(float sampleRate) {
    suspend();
    rate.store(sampleRate, std::memory_order_relaxed);
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    resume();
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
    if (!nameOrIndex.empty() && nameOrIndex.size() < 10 &&
        std::all_of(nameOrIndex.begin(), nameOrIndex.end(), ::isdigit)) {
        int32_t index = 0; // nine digits at most: always in range
        std::from_chars(nameOrIndex.data(), nameOrIndex.data() + nameOrIndex.size(), index);
        if (index < parameterCount()) return index;
    }
    return -1;
}
