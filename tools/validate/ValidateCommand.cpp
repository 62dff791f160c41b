// tapestrum validate: the command line of the validator.
#include "tools/Commands.h"
#include "tools/ToolError.h"
#include "tools/validate/ValidatorRunner.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

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

long ParseWhole(const std::string& option, const std::string& text, long low, long high) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < low || value > high)
        throw UsageError("--" + option + " takes a whole number from " + std::to_string(low) +
                         " to " + std::to_string(high) + ", not '" + text + "'");
    return value;
}

} // namespace

int ValidateCommand(const std::vector<std::string>& words) {
    ValidationOptions options;
    options.pluginPath = DefaultPluginPath();
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--help" || word == "-h") return std::fputs(kValidateHelp, stdout), 0;
        if (word.rfind("--", 0) != 0)
            throw UsageError("validate takes no file arguments (see tapestrum validate --help)");
        std::string name = word.substr(2), value;
        if (const size_t equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.erase(equals);
        } else {
            if (i + 1 >= words.size()) throw UsageError("--" + name + " needs a value");
            value = words[++i];
        }
        if (name == "plugin") {
            options.pluginPath = value;
        } else if (name == "level") {
            options.level = static_cast<int>(ParseWhole(name, value, 1, 10));
        } else if (name == "seed") {
            options.seed = static_cast<uint32_t>(ParseWhole(name, value, 0, 4294967295L));
        } else if (name == "rate") {
            options.rates.push_back(static_cast<float>(ParseWhole(name, value, 1, 1000000)));
        } else if (name == "json") {
            options.jsonPath = value;
        } else {
            throw UsageError("unknown option --" + name);
        }
    }
    return RunValidation(options);
}
