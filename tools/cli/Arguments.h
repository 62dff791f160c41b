// SPDX-License-Identifier: ISC
// The command line of one command: the words after its name, split into
// positional words and options, the same way for every command.
#pragma once

#include <string>
#include <utility>
#include <vector>

// An option a command takes. Every option takes a value: --name VALUE or
// --name=VALUE, and with a short name also -x VALUE or -xVALUE.
struct OptionSpec {
    const char* name;
    char shortName = 0;
};

struct Arguments {
    std::vector<std::string> positional;
    // (name, value) in command-line order; an option may come more than once.
    std::vector<std::pair<std::string, std::string>> options;
    // --help or -h came before anything malformed; the words after it are not
    // read.
    bool help = false;

    // The value of the option's first occurrence, or the fallback.
    std::string option(const std::string& name, const std::string& fallback = "") const;
    // Every value of the option, in command-line order.
    std::vector<std::string> all(const std::string& name) const;
    bool has(const std::string& name) const;
};

// Any word that does not start with "--" (nor a short option's "-x") is
// positional. Throws UsageError for an option the command does not take or
// one without its value.
Arguments ParseArguments(const std::vector<std::string>& words,
                         const std::vector<OptionSpec>& options);
