// SPDX-License-Identifier: ISC
#include "tools/commands/Command.h"

const std::vector<const Command*>& Commands() {
    static const std::vector<const Command*> commands = {&RenderCommand(),   &InfoCommand(),
                                                         &PresetCommand(),   &PresetsCommand(),
                                                         &ValidateCommand(), &DemoCommand()};
    return commands;
}
