// tapestrum: the offline host. Renders audio files through a VST 2 plug-in,
// prints what a host sees of one, saves its programs, and makes a demo from
// nothing.
#include "tools/Commands.h"
#include "tools/ToolError.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

constexpr const char* kHelp =
    "usage: tapestrum COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  render IN OUT [options]  play an audio file through the effect into another\n"
    "  info [options]           show the plug-in's texts, record and parameters\n"
    "  preset OUT.fxp [options] save the plug-in's parameters as a program file\n"
    "  validate [options]       test a VST 2 module as a strict host would\n"
    "  demo [DIR]               render a made-up signal through a few settings\n"
    "\n"
    "'tapestrum COMMAND --help' tells more about each.\n";

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        std::fputs(kHelp, words.empty() ? stderr : stdout);
        return words.empty() ? 2 : 0;
    }
    const std::vector<std::string> rest(words.begin() + 1, words.end());
    try {
        if (words[0] == "render") return RenderCommand(rest);
        if (words[0] == "info") return InfoCommand(rest);
        if (words[0] == "demo") return DemoCommand(rest);
        if (words[0] == "preset") return PresetCommand(rest);
        if (words[0] == "validate") return ValidateCommand(rest);
        throw UsageError("unknown command '" + words[0] + "' (try tapestrum --help)");
    } catch (const ToolError& error) {
        std::fprintf(stderr, "tapestrum: %s\n", error.what());
        return error.exitStatus();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tapestrum: %s\n", error.what());
        return 1;
    }
}
