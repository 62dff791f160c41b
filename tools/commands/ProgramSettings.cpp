// SPDX-License-Identifier: ISC
#include "tools/commands/ProgramSettings.h"

#include "core/FactoryPresets.h"
#include "tools/ToolError.h"

#include <cstdio>
#include <filesystem>

#if defined(_WIN32)
#include <windows.h>
#endif

std::string DefaultPluginPath() {
#if defined(_WIN32)
    char buffer[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return (std::filesystem::path(buffer).parent_path() / "tapestrum.dll").string();
#else
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return "tapestrum.so";
    const std::filesystem::path beside = self.parent_path() / "tapestrum.so";
    const std::filesystem::path installed =
        self.parent_path().parent_path() / "lib" / "vst" / "tapestrum.so";
    if (!std::filesystem::exists(beside, error) && std::filesystem::exists(installed, error))
        return installed.string();
    return beside.string();
#endif
}

void UseFactoryPreset(RenderSettings& settings, const FactoryPreset& preset) {
    settings.programName = std::string(preset.name);
    for (const ParameterInfo& row : kParameters) {
        char value[32];
        std::snprintf(value, sizeof value, "%.9g", static_cast<double>(preset.values[row.index]));
        settings.parameters.emplace_back(std::to_string(row.index), value);
    }
}

RenderSettings ParseProgramSettings(const Arguments& args) {
    RenderSettings settings;
    settings.pluginPath = args.option("plugin", DefaultPluginPath());
    if (const std::string preset = args.option("preset"); !preset.empty()) {
        std::error_code error;
        const FactoryPreset* factory = FindFactoryPreset(preset);
        if (factory != nullptr && !std::filesystem::exists(preset, error)) {
            UseFactoryPreset(settings, *factory);
        } else {
            settings.preset = ReadProgramFile(preset);
        }
        settings.presetLabel = preset;
    }
    for (const std::string& set : args.all("set")) {
        const size_t equals = set.find('=');
        if (equals == std::string::npos || equals == 0)
            throw UsageError("--set takes NAME_OR_INDEX=VALUE, not '" + set + "'");
        const std::string name = set.substr(0, equals);
        const std::string value = set.substr(equals + 1);
        ParseParameterValue(name, value); // a bad value is reported before any work
        settings.parameters.emplace_back(name, value);
    }
    for (const std::string& ramp : args.all("automate"))
        settings.automation.push_back(ParseAutomation(ramp));
    return settings;
}
