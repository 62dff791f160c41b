// The subcommands of the offline host.
#pragma once

#include <string>
#include <vector>

// Each takes the arguments after its own name and returns the exit status.
int InfoCommand(const std::vector<std::string>& args);
int RenderCommand(const std::vector<std::string>& args);
int DemoCommand(const std::vector<std::string>& args);
int PresetCommand(const std::vector<std::string>& args);
int ValidateCommand(const std::vector<std::string>& args);

// The module built beside this program: tapestrum.so (tapestrum.dll on Windows)
// in the program's own folder.
std::string DefaultPluginPath();
