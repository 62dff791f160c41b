// SPDX-License-Identifier: ISC
// Writes one VST 2 program file (.fxp) per factory preset, as a host saves
// them: it loads the module, switches an instance on at 44100 Hz, sets the
// preset's values in index order and the program's name, and saves what the
// instance then reports. Run at build time:
//   vst2_preset_writer MODULE OUT_DIR
// Program files already in OUT_DIR are removed first, so the folder holds
// exactly the presets of the table.
#include "core/FactoryPresets.h"
#include "tools/ProgramFile.h"
#include "tools/ToolError.h"
#include "tools/hosting/PluginHost.h"

#include <cstdio>
#include <filesystem>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: vst2_preset_writer MODULE OUT_DIR\n", stderr);
        return 2;
    }
    const std::filesystem::path folder = argv[2];
    try {
        std::filesystem::create_directories(folder);
        std::vector<std::filesystem::path> old;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().extension() == ".fxp") old.push_back(entry.path());
        for (const auto& path : old)
            std::filesystem::remove(path);

        const PluginModule module(argv[1]);
        for (const FactoryPreset& preset : FactoryPresets()) {
            PluginInstance instance(module, 44100.0f, 512);
            instance.resume();
            for (int32_t index = 0; index < kParameterCount; ++index)
                instance.setParameter(index, preset.values[index]);
            instance.setProgramName(std::string(preset.name));
            const ProgramData program = SaveProgram(instance);
            instance.suspend();
            WriteProgramFile((folder / (PresetFileStem(preset) + ".fxp")).string(), program);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vst2_preset_writer: %s\n", error.what());
        return 1;
    }
    return 0;
}
