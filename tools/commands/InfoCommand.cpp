// SPDX-License-Identifier: ISC
// tapestrum info: what a host sees of a plug-in.
#include "core/EffectIdentity.h"
#include "tools/ProgramFile.h"
#include "tools/ToolError.h"
#include "tools/cli/Numbers.h"
#include "tools/commands/Command.h"
#include "tools/commands/ProgramSettings.h"
#include "tools/hosting/PluginHost.h"

#include <cstdio>

namespace {

constexpr const char* kInfoHelp =
    "usage: tapestrum info [--plugin PATH] [--rate HZ] [--preset FILE.fxp]\n"
    "\n"
    "Loads a VST 2 plug-in module, switches an instance on and prints its identity\n"
    "texts, its instance record, its program's name and a table of its parameters.\n"
    "\n"
    "  --plugin PATH      the module to load (default: the tapestrum module beside this program)\n"
    "  --rate HZ          the sample rate the instance is told (default 44100)\n"
    "  --preset FILE.fxp  a program (or bank) file to load first, as a host loads one\n"
    "  --preset NAME      or a factory preset, by name (see tapestrum presets)\n";

std::string FlagNames(int32_t flags) {
    static const std::pair<int32_t, const char*> names[] = {
        {effFlagsHasEditor, "editor"},
        {effFlagsHasClip, "clip"},
        {effFlagsHasVu, "vu"},
        {effFlagsCanMono, "mono"},
        {effFlagsCanReplacing, "replacing"},
        {effFlagsProgramChunks, "chunks"},
        {effFlagsIsSynth, "synth"},
        {effFlagsNoSoundInStop, "no-tail"},
        {effFlagsExtIsAsync, "async"},
        {effFlagsExtHasBuffer, "external-buffer"}};
    std::string text;
    for (const auto& [bit, name] : names)
        if (flags & bit) text += (text.empty() ? "" : ", ") + std::string(name);
    return text.empty() ? "none" : text;
}

int RunInfo(const Arguments& args) {
    if (!args.positional.empty())
        throw UsageError("info takes no file arguments (see tapestrum info --help)");
    const RenderSettings settings = ParseProgramSettings(args);
    const std::string& path = settings.pluginPath;
    const std::string rateText = args.option("rate");
    const float rate = rateText.empty()
                           ? 44100.0f
                           : static_cast<float>(NumberOption("rate", rateText, 1, 1000000));

    const PluginModule module(path);
    PluginInstance instance(module, rate, 512);
    ApplyProgramSettings(instance, settings);
    instance.resume();
    const AEffect& e = instance.record();
    std::printf("tapestrum       %s\n", kVersionText);
    std::printf("module          %s\n", path.c_str());
    std::printf("effect name     %s\n", instance.effectName().c_str());
    std::printf("vendor          %s\n", instance.vendorString().c_str());
    std::printf("product         %s\n", instance.productString().c_str());
    std::printf("vendor version  %d\n", instance.vendorVersion());
    std::printf("VST version     %d\n", instance.vstVersion());
    std::printf("magic           0x%08X (%s)\n", static_cast<uint32_t>(e.magic),
                FourCharText(e.magic).c_str());
    std::printf("unique ID       0x%08X (%s)\n", static_cast<uint32_t>(e.uniqueID),
                FourCharText(e.uniqueID).c_str());
    std::printf("version         %d\n", e.version);
    std::printf("programs        %d\n", e.numPrograms);
    std::printf("parameters      %d\n", e.numParams);
    std::printf("inputs          %d\n", e.numInputs);
    std::printf("outputs         %d\n", e.numOutputs);
    std::printf("flags           %d (%s)\n", e.flags, FlagNames(e.flags).c_str());
    std::printf("initial delay   %d\n", e.initialDelay);
    std::printf("record size     %zu bytes\n", sizeof(AEffect));
    std::printf("program         %s\n", instance.programName().c_str());
    if (!settings.presetLabel.empty())
        std::printf("preset          %s\n", settings.presetLabel.c_str());
    std::printf("\nparameters at %g Hz, after resume:\n", static_cast<double>(rate));
    std::printf("%5s  %-24s %-8s %-9s %s\n", "index", "name", "label", "value", "display");
    for (int32_t i = 0; i < instance.parameterCount(); ++i)
        std::printf("%5d  %-24s %-8s %-9.6g %s\n", i, instance.parameterName(i).c_str(),
                    instance.parameterLabel(i).c_str(), static_cast<double>(instance.parameter(i)),
                    instance.parameterDisplay(i).c_str());
    return 0;
}

} // namespace

const Command& InfoCommand() {
    static const Command command{"info",
                                 "[options]",
                                 "show the plug-in's texts, record and parameters",
                                 kInfoHelp,
                                 {{"plugin"}, {"rate"}, {"preset"}},
                                 RunInfo};
    return command;
}
