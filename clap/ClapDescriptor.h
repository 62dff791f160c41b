// SPDX-License-Identifier: ISC
// The one plug-in this module offers, as hosts list it.
#pragma once

#include "clap/ClapInterface.h"

// The plug-in's identifier. Hosts store it in their projects to find the plug-in
// again, so it never changes, whatever the version or the name shown.
constexpr const char* kClapPluginId = "com.vormix.tapestrum";

// The identifier, the effect's name, vendor and version texts, and its
// features: an audio effect, a delay, mono.
const clap::PluginDescriptor& ClapDescriptor();
