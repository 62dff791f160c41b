// SPDX-License-Identifier: ISC
// The two plug-ins this module offers, as hosts list them: the mono effect and
// the stereo one (two channels with a linked gate). Each is a descriptor of
// its own, with ports of its own, because hosts choose a plug-in for a track by
// its descriptor and its ports and many never ask for another port
// configuration.
#pragma once

#include "clap/ClapInterface.h"

// The plug-in's identifier. Hosts store it in their projects to find the plug-in
// again, so it never changes, whatever the version or the name shown.
constexpr const char* kClapPluginId = "com.vormix.tapestrum";
constexpr const char* kClapStereoPluginId = "com.vormix.tapestrum.stereo";

// The identifier, the effect's name, vendor and version texts, and its
// features: an audio effect, a delay, mono (channels 1) or stereo (2).
const clap::PluginDescriptor& ClapDescriptor(int32_t channels);
