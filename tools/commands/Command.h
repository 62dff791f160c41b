// SPDX-License-Identifier: ISC
// The commands of the offline host: each one's name, what the list of
// commands says of it, its help, the options it takes and what it does.
#pragma once

#include "tools/cli/Arguments.h"

#include <vector>

struct Command {
    const char* name;
    const char* synopsis; // its words after the name, for the list of commands
    const char* summary;  // one line for the list of commands
    const char* help;     // what 'tapestrum NAME --help' prints
    std::vector<OptionSpec> options;
    // Runs the command on its parsed words and returns the exit status; throws
    // ToolError (UsageError for a wrong command line).
    int (*run)(const Arguments& args);
};

const Command& RenderCommand();
const Command& InfoCommand();
const Command& PresetCommand();
const Command& PresetsCommand();
const Command& ValidateCommand();
const Command& DemoCommand();

// Every command, in the order the list of commands shows them.
const std::vector<const Command*>& Commands();
