// SPDX-License-Identifier: ISC
// The LV2 entry point: the descriptors of the mono plug-in and the stereo one,
// whose functions build an instance of the effect and the LV2 runner around
// it.
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

// The effect, with its channels, and the runner that connects it to the
// host's ports.
template <uint32_t Channels> struct Lv2Plugin {
    explicit Lv2Plugin(float rate) : effect(Channels, SimdLevel::Best), runner(effect, rate) {}
    TapestrumEffect effect;
    Lv2Runner<TapestrumEffect, Channels> runner;
};

template <uint32_t Channels>
LV2_Handle Instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const*) {
    const std::optional<float> accepted = AcceptedSampleRate(rate);
    if (!accepted) return nullptr;
    try {
        return new Lv2Plugin<Channels>(*accepted);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

template <uint32_t Channels> Lv2Runner<TapestrumEffect, Channels>& Of(LV2_Handle handle) {
    return static_cast<Lv2Plugin<Channels>*>(handle)->runner;
}

template <uint32_t Channels> void ConnectPort(LV2_Handle handle, uint32_t port, void* data) {
    Of<Channels>(handle).connectPort(port, data);
}
template <uint32_t Channels> void Activate(LV2_Handle handle) { Of<Channels>(handle).activate(); }
template <uint32_t Channels> void Run(LV2_Handle handle, uint32_t sampleCount) {
    Of<Channels>(handle).run(sampleCount);
}
template <uint32_t Channels> void Deactivate(LV2_Handle handle) {
    Of<Channels>(handle).deactivate();
}
template <uint32_t Channels> void Cleanup(LV2_Handle handle) {
    delete static_cast<Lv2Plugin<Channels>*>(handle);
}

// For the UI in the same process (main thread): the loop and the rate.
template <uint32_t Channels>
const Lv2EditorAccess kEditorAccess = {
    [](LV2_Handle handle) { return &static_cast<Lv2Plugin<Channels>*>(handle)->effect.loopFeed(); },
    [](LV2_Handle handle) {
        return static_cast<Lv2Plugin<Channels>*>(handle)->effect.sampleRate();
    }};

template <uint32_t Channels> const void* ExtensionData(const char* uri) {
    return uri != nullptr && std::strcmp(uri, kLv2EditorAccessUri) == 0 ? &kEditorAccess<Channels>
                                                                        : nullptr;
}

template <uint32_t Channels> constexpr LV2_Descriptor Descriptor(const char* uri) {
    return {uri,           Instantiate<Channels>, ConnectPort<Channels>, Activate<Channels>,
            Run<Channels>, Deactivate<Channels>,  Cleanup<Channels>,     ExtensionData<Channels>};
}

const LV2_Descriptor kDescriptor = Descriptor<1>(kLv2Uri);
const LV2_Descriptor kStereoDescriptor = Descriptor<2>(kLv2StereoUri);

} // namespace

extern "C" TAPESTRUM_MODULE_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : index == 1 ? &kStereoDescriptor : nullptr;
}
