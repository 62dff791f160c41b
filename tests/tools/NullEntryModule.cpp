// SPDX-License-Identifier: ISC
// A plug-in module whose entry point gives no instance, as a module does that
// refuses the host.
#include "vst2/record/EffectRecord.h"

extern "C" __attribute__((visibility("default"))) AEffect* VSTCALL
VSTPluginMain(audioMasterCallback) {
    return nullptr;
}
