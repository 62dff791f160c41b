// SPDX-License-Identifier: ISC
// tapestrum presets: the factory presets, each with what it does.
#include "core/FactoryPresets.h"
#include "tools/ToolError.h"
#include "tools/commands/Command.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

constexpr const char* kPresetsHelp =
    "usage: tapestrum presets\n"
    "\n"
    "Lists the factory presets of the tapestrum effect, each with what it does.\n"
    "render, info and preset take a factory preset's name after --preset, in any\n"
    "case and with hyphens for its spaces ('--preset band-freeze'); a file of\n"
    "that name, where there is one, comes first. The LV2 bundle offers the same\n"
    "presets, and the install holds them as VST 2 program files in\n"
    "share/tapestrum/presets/vst2/.\n";

int RunPresets(const Arguments& args) {
    if (!args.positional.empty())
        throw UsageError("presets takes no arguments (see tapestrum presets --help)");
    size_t width = 0;
    for (const FactoryPreset& preset : FactoryPresets())
        width = std::max(width, preset.name.size());
    for (const FactoryPreset& preset : FactoryPresets()) {
        const std::string name(preset.name), description(preset.description);
        std::printf("%-*s  %s\n", static_cast<int>(width), name.c_str(), description.c_str());
    }
    return 0;
}

} // namespace

const Command& PresetsCommand() {
    static const Command command{"presets",    "", "list the factory presets with what each does",
                                 kPresetsHelp, {}, RunPresets};
    return command;
}
