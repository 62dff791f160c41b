// SPDX-License-Identifier: ISC
// The options that say which plug-in a command hosts and what state it starts
// in: --plugin, --preset and --set (and --automate where the command takes it).
#pragma once

#include "tools/Render.h"
#include "tools/cli/Arguments.h"

#include <string>

struct FactoryPreset;

// The module built beside this program: tapestrum.so (tapestrum.dll on Windows)
// in the program's own folder; where there is none, as in an install, the
// module installed beside it in PREFIX/lib/vst when that exists.
std::string DefaultPluginPath();

// Starts the settings from a factory preset: its name for the program, then
// its 11 values by index, as texts that read back as the same floats.
void UseFactoryPreset(RenderSettings& settings, const FactoryPreset& preset);

// Reads the preset (a program or bank file, or else a factory preset's name)
// and checks every --set value and --automate ramp, so
// that a bad one is reported before any work. Throws ToolError or UsageError.
RenderSettings ParseProgramSettings(const Arguments& args);
