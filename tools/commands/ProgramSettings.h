// The options that say which plug-in a command hosts and what state it starts
// in: --plugin, --preset and --set (and --automate where the command takes it).
#pragma once

#include "tools/Render.h"
#include "tools/cli/Arguments.h"

#include <string>

// The module built beside this program: tapestrum.so (tapestrum.dll on Windows)
// in the program's own folder.
std::string DefaultPluginPath();

// Reads the preset file and checks every --set value and --automate ramp, so
// that a bad one is reported before any work. Throws ToolError or UsageError.
RenderSettings ParseProgramSettings(const Arguments& args);
