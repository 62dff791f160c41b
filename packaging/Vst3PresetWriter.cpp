// SPDX-License-Identifier: ISC
// Writes one VST 3 preset file (.vstpreset) per factory preset: the
// processor's state block with the preset's values and its name, which is what
// the processor's getState writes once a host has set them (the table holds the
// values the effect reads back, so nothing is rounded on the way). The
// controller takes its values from that state, so the files hold no controller
// chunk. Run at build time:
//   vst3_preset_writer OUT_DIR
// Preset files already in OUT_DIR are removed first, so the folder holds
// exactly the presets of the table.
#include "core/EffectState.h"
#include "core/FactoryPresets.h"
#include "vst3/PresetFile.h"
#include "vst3/Vst3Classes.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: vst3_preset_writer OUT_DIR\n", stderr);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    try {
        std::filesystem::create_directories(folder);
        std::vector<std::filesystem::path> old;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().extension() == ".vstpreset") old.push_back(entry.path());
        for (const auto& path : old)
            std::filesystem::remove(path);

        for (const FactoryPreset& preset : FactoryPresets()) {
            const EffectState state{preset.values, std::string(preset.name)};
            WriteFile(folder / (PresetFileStem(preset) + ".vstpreset"),
                      vst3::WritePresetFile(vst3::kProcessorClassId, WriteEffectState(state)));
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vst3_preset_writer: %s\n", error.what());
        return 1;
    }
    return 0;
}
