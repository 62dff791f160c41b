// SPDX-License-Identifier: ISC
// What the plug-in offers its UI in the same process: through the host's
// data-access feature the UI finds this table among the plug-in's extension
// data, and calls it with the instance handle that instance-access gives. With
// either feature missing the UI shows the controls without the loop, and its
// texts at the effect's default rate.
#pragma once

#include <lv2/core/lv2.h>

class LoopFeed;

constexpr const char* kLv2EditorAccessUri = "urn:tapestrum:ext:editor-access";

struct Lv2EditorAccess {
    // The loop the instance's effect publishes for the editor.
    const LoopFeed* (*loopFeed)(LV2_Handle instance);
    // The instance's sample rate, for the parameter texts.
    float (*sampleRate)(LV2_Handle instance);
};
