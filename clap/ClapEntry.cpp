// SPDX-License-Identifier: ISC
// The module's one export, `clap_entry`, and the plug-in factory behind it.
#include "clap/ClapDescriptor.h"
#include "clap/ClapEffect.h"
#include "core/EffectIdentity.h"
#include "core/ModuleExport.h"

#include <atomic>
#include <cstring>
#include <new>

namespace {

constexpr const char* kFeatures[] = {"audio-effect", "delay", "mono", nullptr};

const clap::PluginDescriptor kDescriptor{
    clap::kVersion,
    kClapPluginId,
    kEffectName,
    kVendorName,
    "",
    "",
    "",
    kVersionText,
    "Spectral delay and looper with phase-vocoder cross-synthesis",
    kFeatures};

// How many times the host has initialised the module and not yet deinitialised
// it. The host may do both more than once, from any thread; a deinit without an
// init is ignored. Nothing is set up or torn down: the factory is offered while
// the count is above zero.
std::atomic<int> initCount{0};

bool EntryInit(const char*) {
    ++initCount;
    return true;
}

void EntryDeinit() {
    int count = initCount.load();
    while (count > 0 && !initCount.compare_exchange_weak(count, count - 1)) {
    }
}

uint32_t PluginCount(const clap::PluginFactory*) { return 1; }

const clap::PluginDescriptor* PluginDescriptorAt(const clap::PluginFactory*, uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}

// Main thread. A host of an older major version, or an unknown identifier, gets
// nothing; so does a host when memory runs out.
const clap::Plugin* CreatePlugin(const clap::PluginFactory*, const clap::Host* host,
                                 const char* pluginId) {
    if (!host || !clap::IsCompatible(host->clapVersion) || !pluginId ||
        std::strcmp(pluginId, kClapPluginId) != 0)
        return nullptr;
    try {
        return (new ClapEffect(*host))->record();
    } catch (...) {
        return nullptr;
    }
}

constexpr clap::PluginFactory kFactory{PluginCount, PluginDescriptorAt, CreatePlugin};

const void* EntryGetFactory(const char* factoryId) {
    if (initCount.load() <= 0 || !factoryId || std::strcmp(factoryId, clap::kPluginFactoryId) != 0)
        return nullptr;
    return &kFactory;
}

} // namespace

const clap::PluginDescriptor& ClapDescriptor() { return kDescriptor; }

extern "C" TAPESTRUM_MODULE_EXPORT const clap::PluginEntry clap_entry{clap::kVersion, EntryInit,
                                                                      EntryDeinit, EntryGetFactory};
