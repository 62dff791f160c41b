// The LV2 entry point: the plug-in's descriptor, whose functions build an
// Lv2Instance around a new instance of the effect.
#include "host/EntryPoint.h"
#include "host/FloatingPointSetup.h"
#include "lv2/Lv2Instance.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr intptr_t kHostVersion = 2400;
constexpr int32_t kDefaultBlockLength = 4096; // when the host states no maximum

// The effect asks its host only for the version (when it is built) and for
// MIDI (when it is switched on); LV2 has no use for the latter.
intptr_t VSTCALL HostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? kHostVersion : 0;
}

// The host's largest block, from the options feature, when it gives one.
int32_t MaxBlockLength(const LV2_Feature* const* features) {
    const LV2_URID_Map* map = nullptr;
    const LV2_Options_Option* options = nullptr;
    for (; features && *features; ++features) {
        if (std::strcmp((*features)->URI, LV2_URID__map) == 0)
            map = static_cast<const LV2_URID_Map*>((*features)->data);
        else if (std::strcmp((*features)->URI, LV2_OPTIONS__options) == 0)
            options = static_cast<const LV2_Options_Option*>((*features)->data);
    }
    if (!map || !options) return kDefaultBlockLength;
    const LV2_URID maxLength = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
    const LV2_URID intType = map->map(map->handle, LV2_ATOM__Int);
    for (; options->key != 0 || options->value != nullptr; ++options) {
        if (options->key == maxLength && options->type == intType && options->value) {
            const int32_t length = *static_cast<const int32_t*>(options->value);
            if (length > 0) return length;
        }
    }
    return kDefaultBlockLength;
}

LV2_Handle Instantiate(const LV2_Descriptor*, double rate, const char*,
                       const LV2_Feature* const* features) {
    if (!(rate > 0) || rate > std::numeric_limits<float>::max()) return nullptr;
    AEffect* effect = CreateInstanceRecord(HostCallback);
    if (!effect) return nullptr;
    auto* instance =
        new (std::nothrow) Lv2Instance(effect, static_cast<float>(rate), MaxBlockLength(features));
    if (!instance) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    return instance;
}

Lv2Instance* Of(LV2_Handle handle) { return static_cast<Lv2Instance*>(handle); }

void ConnectPort(LV2_Handle handle, uint32_t port, void* data) {
    Of(handle)->connectPort(port, data);
}
void Activate(LV2_Handle handle) { Of(handle)->activate(); }
void Run(LV2_Handle handle, uint32_t sampleCount) { Of(handle)->run(sampleCount); }
void Deactivate(LV2_Handle handle) { Of(handle)->deactivate(); }
void Cleanup(LV2_Handle handle) { delete Of(handle); }
const void* ExtensionData(const char*) { return nullptr; }

const LV2_Descriptor kDescriptor = {kLv2Uri, Instantiate, ConnectPort, Activate,
                                    Run,     Deactivate,  Cleanup,     ExtensionData};

// Runs once when the binary is loaded, on the loading thread, as for the VST 2
// module.
__attribute__((constructor)) void onModuleLoad() { MaskFloatingPointExceptions(); }

} // namespace

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor*
lv2_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
