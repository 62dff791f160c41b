#include "tools/Commands.h"

#include "tools/AudioFile.h"
#include "tools/BatchRender.h"
#include "tools/Demo.h"
#include "tools/hosting/PluginHost.h"
#include "tools/ProgramFile.h"
#include "tools/Render.h"
#include "tools/ToolError.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {

constexpr const char* kInfoHelp =
    "usage: tapestrum info [--plugin PATH] [--rate HZ] [--preset FILE.fxp]\n"
    "\n"
    "Loads a VST 2 plug-in module, switches an instance on and prints its identity\n"
    "texts, its instance record, its program's name and a table of its parameters.\n"
    "\n"
    "  --plugin PATH      the module to load (default: the tapestrum module beside this program)\n"
    "  --rate HZ          the sample rate the instance is told (default 44100)\n"
    "  --preset FILE.fxp  a program (or bank) file to load first, as a host loads one\n";

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
    "  --set NAME_OR_INDEX=VALUE a parameter to a value from 0 to 1; may be repeated\n";

constexpr const char* kDemoHelp =
    "usage: tapestrum demo [DIR]\n"
    "\n"
    "Makes a few seconds of chords, melody and noise bursts with silence between\n"
    "them, renders it through contrasting settings and writes the input and the\n"
    "results as WAV files into DIR (default: out).\n";

// The command line of one subcommand: positional words and named options.
struct Arguments {
    std::vector<std::string> positional;
    std::multimap<std::string, std::string> options;
    bool help = false;

    std::string option(const std::string& name, const std::string& fallback) const {
        const auto found = options.find(name);
        return found == options.end() ? fallback : found->second;
    }
};

Arguments Parse(const std::vector<std::string>& args, const std::vector<std::string>& valued) {
    Arguments parsed;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--help" || word == "-h") {
            parsed.help = true;
        } else if (word.rfind("-j", 0) == 0 &&
                   std::find(valued.begin(), valued.end(), "jobs") != valued.end()) {
            if (word.size() == 2 && i + 1 >= args.size()) throw UsageError("-j needs a value");
            parsed.options.emplace("jobs", word.size() > 2 ? word.substr(2) : args[++i]);
        } else if (word.rfind("--", 0) == 0) {
            std::string name = word.substr(2), value;
            const size_t equals = name.find('=');
            if (equals != std::string::npos) {
                value = name.substr(equals + 1);
                name = name.substr(0, equals);
            } else if (std::find(valued.begin(), valued.end(), name) != valued.end()) {
                if (i + 1 >= args.size()) throw UsageError("--" + name + " needs a value");
                value = args[++i];
            }
            if (std::find(valued.begin(), valued.end(), name) == valued.end())
                throw UsageError("unknown option --" + name);
            parsed.options.emplace(name, value);
        } else {
            parsed.positional.push_back(word);
        }
    }
    return parsed;
}

double ParseNumber(const std::string& option, const std::string& text, double low, double high) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(value) || value < low ||
        value > high)
        throw UsageError("--" + option + " takes a number from " +
                         std::to_string(static_cast<long long>(low)) + " to " +
                         std::to_string(static_cast<long long>(high)) + ", not '" + text + "'");
    return value;
}

float ParseRate(const Arguments& args, float fallback) {
    const std::string text = args.option("rate", "");
    return text.empty() ? fallback : static_cast<float>(ParseNumber("rate", text, 1, 1000000));
}

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

// A bar on stderr, only when someone is watching it and the work takes long
// enough to be worth watching.
class ProgressBar {
  public:
    explicit ProgressBar(bool shown) : shown(shown), start(std::chrono::steady_clock::now()) {}
    ~ProgressBar() {
        if (drawn >= 0) std::fputs("\r\033[K", stderr);
    }
    void operator()(double share) {
        if (!shown || std::chrono::steady_clock::now() - start < kQuietTime) return;
        const int width = 40;
        const int filled = static_cast<int>(share * width);
        if (filled == drawn) return;
        drawn = filled;
        std::fprintf(stderr, "\r[%s%s] %3d%%",
                     std::string(static_cast<size_t>(filled), '=').c_str(),
                     std::string(static_cast<size_t>(width - filled), ' ').c_str(),
                     static_cast<int>(share * 100));
        std::fflush(stderr);
    }

  private:
    static constexpr std::chrono::milliseconds kQuietTime{500};
    bool shown;
    std::chrono::steady_clock::time_point start;
    int drawn = -1;
};

// The options that say what state the plug-in starts in: --plugin, --preset
// and --set (and --automate where the command takes it).
RenderSettings ParseProgramSettings(const Arguments& args) {
    RenderSettings settings;
    settings.pluginPath = args.option("plugin", DefaultPluginPath());
    if (const std::string preset = args.option("preset", ""); !preset.empty()) {
        settings.preset = ReadProgramFile(preset);
        settings.presetLabel = preset;
    }
    const auto sets = args.options.equal_range("set");
    for (auto it = sets.first; it != sets.second; ++it) {
        const size_t equals = it->second.find('=');
        if (equals == std::string::npos || equals == 0)
            throw UsageError("--set takes NAME_OR_INDEX=VALUE, not '" + it->second + "'");
        const std::string name = it->second.substr(0, equals);
        const std::string value = it->second.substr(equals + 1);
        ParseParameterValue(name, value); // a bad value is reported before any work
        settings.parameters.emplace_back(name, value);
    }
    // The multimap keeps options of one name in command-line order.
    const auto ramps = args.options.equal_range("automate");
    for (auto it = ramps.first; it != ramps.second; ++it)
        settings.automation.push_back(ParseAutomation(it->second));
    return settings;
}

int DefaultThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

// Where each input of a batch goes: DIR/its name, with the extension of
// --format or its own. Two inputs may not meet in one output, and no output
// may replace its input.
std::vector<RenderJob> BatchJobs(const std::vector<std::string>& inputs, const std::string& folder,
                                 std::string format) {
    if (!format.empty() && format[0] == '.') format.erase(0, 1);
    std::vector<RenderJob> jobs;
    std::set<std::string> outputs;
    for (const std::string& input : inputs) {
        std::filesystem::path name = std::filesystem::path(input).filename();
        if (!format.empty()) name.replace_extension(format);
        const std::string output = (std::filesystem::path(folder) / name).string();
        if (!IsAudioFileName(output))
            throw UsageError("no audio format is known for the extension of '" + output +
                             "' (use --format wav, aiff, flac, ogg, au, caf or w64)");
        if (!outputs.insert(std::filesystem::absolute(output).lexically_normal().string()).second)
            throw UsageError("two inputs would both be written to '" + output + "'");
        std::error_code error;
        if (std::filesystem::equivalent(input, output, error))
            throw UsageError("'" + output + "' would replace its own input");
        jobs.push_back({input, output});
    }
    return jobs;
}

void WriteAudio(const std::string& path, const AudioData& audio) {
    AudioFileWriter writer(path, audio.sampleRate, static_cast<int>(audio.channels.size()));
    writer.write(audio);
    writer.commit();
}

} // namespace

std::string DefaultPluginPath() {
#if defined(_WIN32)
    char buffer[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return (std::filesystem::path(buffer).parent_path() / "tapestrum.dll").string();
#else
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return "tapestrum.so";
    return (self.parent_path() / "tapestrum.so").string();
#endif
}

int InfoCommand(const std::vector<std::string>& words) {
    const Arguments args = Parse(words, {"plugin", "rate", "preset"});
    if (args.help) return std::fputs(kInfoHelp, stdout), 0;
    if (!args.positional.empty())
        throw UsageError("info takes no file arguments (see tapestrum info --help)");
    const RenderSettings settings = ParseProgramSettings(args);
    const std::string& path = settings.pluginPath;
    const float rate = ParseRate(args, 44100.0f);

    const PluginModule module(path);
    PluginInstance instance(module, rate, 512);
    ApplyProgramSettings(instance, settings);
    instance.resume();
    const AEffect& e = instance.record();
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
    if (settings.preset) std::printf("preset          %s\n", settings.presetLabel.c_str());
    std::printf("\nparameters at %g Hz, after resume:\n", static_cast<double>(rate));
    std::printf("%5s  %-24s %-8s %-9s %s\n", "index", "name", "label", "value", "display");
    for (int32_t i = 0; i < instance.parameterCount(); ++i)
        std::printf("%5d  %-24s %-8s %-9.6g %s\n", i, instance.parameterName(i).c_str(),
                    instance.parameterLabel(i).c_str(), static_cast<double>(instance.parameter(i)),
                    instance.parameterDisplay(i).c_str());
    return 0;
}

int RenderCommand(const std::vector<std::string>& words) {
    const Arguments args = Parse(words, {"plugin", "preset", "set", "automate", "rate", "block",
                                         "tail", "jobs", "out-dir", "format"});
    if (args.help) return std::fputs(kRenderHelp, stdout), 0;
    const std::string folder = args.option("out-dir", "");
    if (folder.empty() && args.positional.size() != 2)
        throw UsageError("render takes an input and an output file, or inputs and --out-dir "
                         "(see tapestrum render --help)");
    if (!folder.empty() && args.positional.empty())
        throw UsageError("render --out-dir takes at least one input file");
    if (folder.empty() && args.options.count("format"))
        throw UsageError("--format goes with --out-dir");

    RenderSettings settings = ParseProgramSettings(args);
    settings.sampleRate = ParseRate(args, 0);
    settings.blockSize =
        static_cast<int32_t>(ParseNumber("block", args.option("block", "512"), 1, 1 << 20));
    if (const std::string tail = args.option("tail", ""); !tail.empty())
        settings.tailSeconds = ParseNumber("tail", tail, 0, 3600);
    const std::string jobs = args.option("jobs", "");
    const int threads =
        jobs.empty() ? DefaultThreads() : static_cast<int>(ParseNumber("jobs", jobs, 1, 1024));
    std::vector<RenderJob> batch;
    if (folder.empty())
        batch.push_back({args.positional[0], args.positional[1]});
    else
        batch = BatchJobs(args.positional, folder, args.option("format", ""));
    CheckSettings(settings); // the module, the preset and every parameter named

    if (folder.empty()) {
        settings.threads = threads;
        ProgressBar bar(isatty(fileno(stderr)));
        RenderFile(batch[0], settings, [&](double share) { bar(share); });
        return 0;
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) throw ToolError("cannot create the folder '" + folder + "': " + error.message());
    std::vector<std::string> failures;
    {
        ProgressBar bar(isatty(fileno(stderr)));
        failures = RenderFiles(batch, settings, threads, [&](double share) { bar(share); });
    }
    for (const std::string& failure : failures)
        std::fprintf(stderr, "tapestrum: %s\n", failure.c_str());
    return failures.empty() ? 0 : 1;
}

int PresetCommand(const std::vector<std::string>& words) {
    const Arguments args = Parse(words, {"plugin", "preset", "set"});
    if (args.help) return std::fputs(kPresetHelp, stdout), 0;
    if (args.positional.size() != 1)
        throw UsageError("preset takes one output file (see tapestrum preset --help)");
    const RenderSettings settings = ParseProgramSettings(args);
    const PluginModule module(settings.pluginPath);
    PluginInstance instance(module, 44100.0f, 512);
    ApplyProgramSettings(instance, settings);
    WriteProgramFile(args.positional[0], SaveProgram(instance));
    return 0;
}

int DemoCommand(const std::vector<std::string>& words) {
    const Arguments args = Parse(words, {"plugin"});
    if (args.help) return std::fputs(kDemoHelp, stdout), 0;
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

    for (const DemoSetting& demo : DemoSettings()) {
        RenderSettings settings;
        settings.pluginPath = args.option("plugin", DefaultPluginPath());
        settings.parameters = demo.parameters;
        settings.tailSeconds = 2.0;
        const std::string path = (folder / ("demo-" + std::string(demo.name) + ".wav")).string();
        WriteAudio(path, Render(input, settings));
        std::string sets;
        for (const auto& [name, value] : demo.parameters)
            sets += " --set \"" + name + "=" + value + "\"";
        std::printf("wrote %s: %s\n      (tapestrum render %s %s%s --tail 2)\n", path.c_str(),
                    demo.description, inputPath.c_str(), path.c_str(), sets.c_str());
    }
    return 0;
}
