// SPDX-License-Identifier: ISC
// tapestrum: the offline host. Renders audio files through a VST 2 plug-in,
// prints what a host sees of one, saves its programs, validates a module and
// makes a demo from nothing.
#include "core/EffectIdentity.h"
#include "tools/ToolError.h"
#include "tools/commands/Command.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

// The list of commands, from the table.
std::string Help() {
    std::string help = "usage: tapestrum COMMAND [ARGS]\n\ncommands:\n";
    for (const Command* command : Commands()) {
        char line[256];
        const std::string usage = std::string(command->name) + " " + command->synopsis;
        std::snprintf(line, sizeof line, "  %-24s %s\n", usage.c_str(), command->summary);
        help += line;
    }
    return help + "\n'tapestrum COMMAND --help' tells more about each; 'tapestrum --version'\n"
                  "prints the version.\n";
}

int Run(const std::string& name, const std::vector<std::string>& words) {
    for (const Command* command : Commands()) {
        if (name != command->name) continue;
        const Arguments args = ParseArguments(words, command->options);
        if (args.help) return std::fputs(command->help, stdout), 0;
        return command->run(args);
    }
    throw UsageError("unknown command '" + name + "' (try tapestrum --help)");
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        std::fputs(Help().c_str(), words.empty() ? stderr : stdout);
        return words.empty() ? 2 : 0;
    }
    if (words[0] == "--version") {
        std::printf("tapestrum %s\n", kVersionText);
        return 0;
    }
    try {
        return Run(words[0], std::vector<std::string>(words.begin() + 1, words.end()));
    } catch (const ToolError& error) {
        std::fprintf(stderr, "tapestrum: %s\n", error.what());
        return error.exitStatus();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tapestrum: %s\n", error.what());
        return 1;
    }
}
