// SPDX-License-Identifier: ISC
// tapestrum preset: a program file of the plug-in's state, as a host saves one.
#include "tools/ProgramFile.h"
#include "tools/ToolError.h"
#include "tools/commands/Command.h"
#include "tools/commands/ProgramSettings.h"
#include "tools/hosting/PluginHost.h"

namespace {

constexpr const char* kPresetHelp =
    "usage: tapestrum preset OUT.fxp [--plugin PATH] [--preset IN.fxp] [--set "
    "NAME_OR_INDEX=VALUE]...\n"
    "\n"
    "Writes a program file (.fxp), as VST 2 hosts save one: the parameters of a\n"
    "fresh instance of the plug-in after loading IN.fxp and applying the --set\n"
    "values, in that order, and the name of its program.\n"
    "\n"
    "  --plugin PATH             the module (default: the tapestrum module beside this program)\n"
    "  --preset IN.fxp           a program (or bank) file to start from\n"
    "  --preset NAME             or a factory preset, by name (see tapestrum presets)\n"
    "  --set NAME_OR_INDEX=VALUE a parameter to a value from 0 to 1; may be repeated\n";

int RunPreset(const Arguments& args) {
    if (args.positional.size() != 1)
        throw UsageError("preset takes one output file (see tapestrum preset --help)");
    const RenderSettings settings = ParseProgramSettings(args);
    const PluginModule module(settings.pluginPath);
    PluginInstance instance(module, 44100.0f, 512);
    ApplyProgramSettings(instance, settings);
    WriteProgramFile(args.positional[0], SaveProgram(instance));
    return 0;
}

} // namespace

const Command& PresetCommand() {
    static const Command command{"preset",
                                 "OUT.fxp [options]",
                                 "save the plug-in's parameters as a program file",
                                 kPresetHelp,
                                 {{"plugin"}, {"preset"}, {"set"}},
                                 RunPreset};
    return command;
}
