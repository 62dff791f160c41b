// SPDX-License-Identifier: ISC
#include "vst2/APlugin.h"
#include "vst2/EntryPoint.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return new APlugin(audioMaster);
}
