// SPDX-License-Identifier: ISC
// tapestrum demo: a signal made from nothing, rendered through a few settings.
#include "tools/AudioFile.h"
#include "tools/Demo.h"
#include "tools/ToolError.h"
#include "tools/commands/Command.h"
#include "tools/commands/ProgramSettings.h"

#include <cstdio>
#include <filesystem>

namespace {

constexpr const char* kDemoHelp =
    "usage: tapestrum demo [DIR] [--plugin PATH]\n"
    "\n"
    "Makes a few seconds of chords, melody and noise bursts with silence between\n"
    "them, renders it through three contrasting factory presets (spectral echo,\n"
    "reverse carrier, band freeze) and writes the input and the results as WAV\n"
    "files into DIR (default: out).\n"
    "\n"
    "  --plugin PATH  the module (default: the tapestrum module beside this program)\n";

void WriteAudio(const std::string& path, const AudioData& audio) {
    AudioFileWriter writer(path, audio.sampleRate, static_cast<int>(audio.channels.size()));
    writer.write(audio);
    writer.commit();
}

int RunDemo(const Arguments& args) {
    if (args.positional.size() > 1)
        throw UsageError("demo takes at most one folder (see tapestrum demo --help)");
    const std::filesystem::path folder = args.positional.empty() ? "out" : args.positional[0];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        throw ToolError("cannot create the folder '" + folder.string() + "': " + error.message());

    const AudioData input = SynthesiseDemoSignal();
    const std::string inputPath = (folder / "demo-input.wav").string();
    WriteAudio(inputPath, input);
    std::printf("wrote %s: %.1f s of chords, melody and noise bursts with silence between them\n",
                inputPath.c_str(), static_cast<double>(input.frames()) / input.sampleRate);

    for (const FactoryPreset* preset : DemoPresets()) {
        RenderSettings settings;
        settings.pluginPath = args.option("plugin", DefaultPluginPath());
        UseFactoryPreset(settings, *preset);
        settings.tailSeconds = 2.0;
        const std::string path = (folder / ("demo-" + PresetFileStem(*preset) + ".wav")).string();
        WriteAudio(path, Render(input, settings));
        const std::string name(preset->name), description(preset->description);
        std::printf("wrote %s: %s\n      (tapestrum render %s %s --preset \"%s\" --tail 2)\n",
                    path.c_str(), description.c_str(), inputPath.c_str(), path.c_str(),
                    name.c_str());
    }
    return 0;
}

} // namespace

const Command& DemoCommand() {
    static const Command command{
        "demo",    "[DIR]",      "render a made-up signal through a few settings",
        kDemoHelp, {{"plugin"}}, RunDemo};
    return command;
}
