// SPDX-License-Identifier: ISC
// The LV2 entry point: the plug-in's descriptor, whose functions build an
// instance of the effect and the LV2 runner around it.
#include "core/HostRate.h"
#include "core/ModuleExport.h"
#include "core/TapestrumEffect.h"
#include "lv2/Lv2EditorAccess.h"
#include "lv2/Lv2Instance.h"

#include <lv2/core/lv2.h>

#include <cstring>
#include <new>
#include <optional>

namespace {

// The effect and the runner that connects it to the host's ports.
struct Lv2Plugin {
    explicit Lv2Plugin(float rate) : runner(effect, rate) {}
    TapestrumEffect effect;
    Lv2Runner<TapestrumEffect> runner;
};

LV2_Handle Instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const*) {
    const std::optional<float> accepted = AcceptedSampleRate(rate);
    if (!accepted) return nullptr;
    try {
        return new Lv2Plugin(*accepted);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

Lv2Runner<TapestrumEffect>& Of(LV2_Handle handle) {
    return static_cast<Lv2Plugin*>(handle)->runner;
}

void ConnectPort(LV2_Handle handle, uint32_t port, void* data) {
    Of(handle).connectPort(port, data);
}
void Activate(LV2_Handle handle) { Of(handle).activate(); }
void Run(LV2_Handle handle, uint32_t sampleCount) { Of(handle).run(sampleCount); }
void Deactivate(LV2_Handle handle) { Of(handle).deactivate(); }
void Cleanup(LV2_Handle handle) { delete static_cast<Lv2Plugin*>(handle); }

// For the UI in the same process (main thread): the loop and the rate.
const Lv2EditorAccess kEditorAccess = {
    [](LV2_Handle handle) { return &static_cast<Lv2Plugin*>(handle)->effect.loopFeed(); },
    [](LV2_Handle handle) { return static_cast<Lv2Plugin*>(handle)->effect.sampleRate(); }};

const void* ExtensionData(const char* uri) {
    return uri != nullptr && std::strcmp(uri, kLv2EditorAccessUri) == 0 ? &kEditorAccess : nullptr;
}

const LV2_Descriptor kDescriptor = {kLv2Uri, Instantiate, ConnectPort, Activate,
                                    Run,     Deactivate,  Cleanup,     ExtensionData};

} // namespace

extern "C" TAPESTRUM_MODULE_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
