// SPDX-License-Identifier: ISC
// tapestrum render: audio files played through a plug-in into others.
#include "tools/BatchPlan.h"
#include "tools/BatchRender.h"
#include "tools/ProgressBar.h"
#include "tools/ToolError.h"
#include "tools/cli/Numbers.h"
#include "tools/commands/Command.h"
#include "tools/commands/ProgramSettings.h"

#include <cstdio>
#include <filesystem>

namespace {

constexpr const char* kRenderHelp =
    "usage: tapestrum render IN OUT [options]\n"
    "       tapestrum render IN... --out-dir DIR [--format EXT] [options]\n"
    "\n"
    "Plays the audio file IN through a plug-in and writes OUT, in the format its\n"
    "extension names (.wav, .aiff, .au, .caf, .w64: 32-bit float; .flac: 24-bit;\n"
    ".ogg: Vorbis). Each channel of a multi-channel file goes through its own\n"
    "instance of a mono effect; a multi-channel plug-in gets the channels as inputs.\n"
    "With --out-dir, every IN is rendered into DIR under its own name.\n"
    "\n"
    "  --plugin PATH             the module (default: the tapestrum module beside this program)\n"
    "  --preset FILE.fxp         a program (or bank) file, loaded before any --set\n"
    "  --preset NAME             or a factory preset, by name (see tapestrum presets)\n"
    "  --set NAME_OR_INDEX=VALUE a parameter, by name (any case) or index, to a value\n"
    "                            from 0 to 1, as a host sets it; may be repeated\n"
    "  --automate NAME_OR_INDEX=T:V[,T:V]...\n"
    "  --automate NAME_OR_INDEX=FILE.csv\n"
    "                            moves a parameter over time: values from 0 to 1 at\n"
    "                            increasing times in seconds, linear in between and\n"
    "                            held before the first and after the last point; the\n"
    "                            file holds time,value lines; may be repeated\n"
    "  --rate HZ                 the sample rate the plug-in is told (default: the file's)\n"
    "  --block N                 samples per processing call (default 512)\n"
    "  --tail SECONDS            audio rendered after the input ends (default: 1024\n"
    "                            samples, the lag of the wet signal)\n"
    "  -j N                      threads: channels and files rendered at once\n"
    "                            (default: the number of cores)\n"
    "  --out-dir DIR             the folder for the outputs of several inputs\n"
    "  --format EXT              with --out-dir: the outputs' format (default: each input's)\n"
    "\n"
    "example: tapestrum render voice.wav voice-loop.wav --set mix=0.5 --automate delay=0:0,4:1\n";

int RunRender(const Arguments& args) {
    const std::string folder = args.option("out-dir");
    if (folder.empty() && args.positional.size() != 2)
        throw UsageError("render takes an input and an output file, or inputs and --out-dir "
                         "(see tapestrum render --help)");
    if (!folder.empty() && args.positional.empty())
        throw UsageError("render --out-dir takes at least one input file");
    if (folder.empty() && args.has("format")) throw UsageError("--format goes with --out-dir");

    RenderSettings settings = ParseProgramSettings(args);
    if (const std::string rate = args.option("rate"); !rate.empty())
        settings.sampleRate = static_cast<float>(NumberOption("rate", rate, 1, 1000000));
    settings.blockSize =
        static_cast<int32_t>(NumberOption("block", args.option("block", "512"), 1, 1 << 20));
    if (const std::string tail = args.option("tail"); !tail.empty())
        settings.tailSeconds = NumberOption("tail", tail, 0, 3600);
    const std::string jobs = args.option("jobs");
    const int threads =
        jobs.empty() ? DefaultThreads() : static_cast<int>(NumberOption("jobs", jobs, 1, 1024));
    std::vector<RenderJob> batch;
    if (folder.empty())
        batch.push_back({args.positional[0], args.positional[1]});
    else
        batch = PlanBatch(args.positional, folder, args.option("format"));
    CheckSettings(settings); // the module, the preset and every parameter named

    if (folder.empty()) {
        settings.threads = threads;
        ProgressBar bar;
        RenderFile(batch[0], settings, [&](double share) { bar(share); });
        return 0;
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) throw ToolError("cannot create the folder '" + folder + "': " + error.message());
    std::vector<std::string> failures;
    {
        ProgressBar bar;
        failures = RenderFiles(batch, settings, threads, [&](double share) { bar(share); });
    }
    for (const std::string& failure : failures)
        std::fprintf(stderr, "tapestrum: %s\n", failure.c_str());
    return failures.empty() ? 0 : 1;
}

} // namespace

const Command& RenderCommand() {
    static const Command command{"render",
                                 "IN OUT [options]",
                                 "play an audio file through the effect into another",
                                 kRenderHelp,
                                 {{"plugin"},
                                  {"preset"},
                                  {"set"},
                                  {"automate"},
                                  {"rate"},
                                  {"block"},
                                  {"tail"},
                                  {"jobs", 'j'},
                                  {"out-dir"},
                                  {"format"}},
                                 RunRender};
    return command;
}
