// SPDX-License-Identifier: ISC
#include "vst2/EntryPoint.h"

#include "vst2/AudioEffect.h"

#include <new>

AEffect* CreateInstanceRecord(audioMasterCallback audioMaster) {
    if (!audioMaster) return nullptr;
    if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    try {
        AudioEffect* effect = createEffectInstance(audioMaster);
        return effect ? effect->getAeffect() : nullptr;
    } catch (...) {
        return nullptr;
    }
}
