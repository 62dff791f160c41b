// SPDX-License-Identifier: ISC
// tapestrum validate: the command line of the validator.
#include "tools/ToolError.h"
#include "tools/cli/Numbers.h"
#include "tools/commands/Command.h"
#include "tools/commands/ProgramSettings.h"
#include "tools/validate/ValidatorRunner.h"

namespace {

constexpr const char* kValidateHelp =
    "usage: tapestrum validate [--plugin PATH] [--level 1..10] [--seed N] [--rate HZ]... [--json "
    "FILE]\n"
    "\n"
    "Tests a VST 2 plug-in module as a strict host would: loading and closing many\n"
    "instances, its texts and their buffers, its parameters, audio of every block\n"
    "length and sample rate with guarded buffers, bad input, determinism,\n"
    "automation from two threads, heap allocations and timing on the audio thread,\n"
    "and events. Each group of tests runs in a process of its own, so a crash or a\n"
    "hang fails the test it happened in. One line per test (PASS, WARN or FAIL),\n"
    "then a summary; the exit status is 1 when a test failed.\n"
    "\n"
    "  --plugin PATH  the module (default: the tapestrum module beside this program)\n"
    "  --level N      1 to 10 (default 5): levels 1 to 4 run the first groups only,\n"
    "                 5 and above all of them; 8 adds the rates 8000 and 384000 Hz\n"
    "                 and longer blocks, 10 opens 1000 instances instead of 100\n"
    "  --seed N       the seed of the random values, lengths and settings (default 1)\n"
    "  --rate HZ      a sample rate to test instead of the level's list; may be repeated\n"
    "  --json FILE    also write the results as JSON\n";

// Options are read in command-line order: a later --level, --seed, --plugin or
// --json replaces an earlier one, and every --rate adds a rate.
int RunValidate(const Arguments& args) {
    if (!args.positional.empty())
        throw UsageError("validate takes no file arguments (see tapestrum validate --help)");
    ValidationOptions options;
    options.pluginPath = DefaultPluginPath();
    for (const auto& [name, value] : args.options) {
        if (name == "plugin")
            options.pluginPath = value;
        else if (name == "level")
            options.level = static_cast<int>(NumberOption(name, value, 1, 10, NumberForm::Whole));
        else if (name == "seed")
            options.seed = static_cast<uint32_t>(
                NumberOption(name, value, 0, 4294967295.0, NumberForm::Whole));
        else if (name == "rate")
            options.rates.push_back(
                static_cast<float>(NumberOption(name, value, 1, 1000000, NumberForm::Whole)));
        else if (name == "json")
            options.jsonPath = value;
    }
    return RunValidation(options);
}

} // namespace

const Command& ValidateCommand() {
    static const Command command{"validate",
                                 "[options]",
                                 "test a VST 2 module as a strict host would",
                                 kValidateHelp,
                                 {{"plugin"}, {"level"}, {"seed"}, {"rate"}, {"json"}},
                                 RunValidate};
    return command;
}
