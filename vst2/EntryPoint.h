// SPDX-License-Identifier: ISC
// Creation of an instance for the host: what the module's exported entry point
// does. The effect itself is supplied by createEffectInstance, which the plug-in
// defines, so this boundary knows nothing of the effect behind it.
#pragma once

#include "vst2/record/EffectRecord.h"

class AudioEffect;

// Builds one effect object around the host callback (defined by the plug-in).
AudioEffect* createEffectInstance(audioMasterCallback audioMaster);

// Asks the host for its version, gives up with null when the answer is 0 (or
// there is no callback to ask), and otherwise builds an instance and returns its
// record. A failure to build one (out of memory) also gives null: nothing may
// escape into the host.
AEffect* CreateInstanceRecord(audioMasterCallback audioMaster);
