// SPDX-License-Identifier: ISC
// The factory presets as the build writes them, the VST 2 program files and
// the LV2 bundle's presets.ttl and presets-stereo.ttl (the stereo plug-in's
// copy): each loads back into the effect to the values of the table, under its
// own name and for its own plug-in, and the files hold no other preset.
#include "core/FactoryPresets.h"
#include "core/TapestrumEffect.h"
#include "tools/ProgramFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace {

// The values a fresh effect, switched on at 44100 Hz, reads back after a host
// sets these in index order.
std::array<float, kParameterCount> LoadedValues(const std::array<float, kParameterCount>& values) {
    TapestrumEffect effect;
    effect.setSampleRate(44100.0f);
    effect.resume();
    for (int32_t index = 0; index < kParameterCount; ++index)
        effect.setParameter(index, values[index]);
    std::array<float, kParameterCount> loaded{};
    for (int32_t index = 0; index < kParameterCount; ++index)
        loaded[index] = effect.readParameter(index);
    return loaded;
}

// Every preset of an LV2 presets file: its URI, the plug-in it applies to, its
// label and port values by symbol.
struct Lv2Preset {
    std::string plugin;
    std::string label;
    std::map<std::string, float> values;
};

// Reads the file as the generator lays it out: a subject line per preset, then
// one statement per line, each port's symbol on the line before its value.
std::map<std::string, Lv2Preset> ReadLv2Presets(const std::string& path) {
    std::ifstream file(path);
    std::map<std::string, Lv2Preset> presets;
    Lv2Preset* preset = nullptr;
    std::string line, symbol;
    const auto quoted = [](const std::string& text) {
        const size_t first = text.find('"'), last = text.rfind('"');
        return first < last ? text.substr(first + 1, last - first - 1) : std::string();
    };
    while (std::getline(file, line)) {
        if (line.rfind("<urn:tapestrum:", 0) == 0) {
            preset = &presets[line.substr(1, line.find('>') - 1)];
        } else if (preset == nullptr) {
            continue;
        } else if (const size_t at = line.find("lv2:appliesTo <"); at != std::string::npos) {
            preset->plugin = line.substr(at + 15, line.find('>') - at - 15);
        } else if (line.find("rdfs:label ") != std::string::npos) {
            preset->label = quoted(line);
        } else if (line.find("lv2:symbol ") != std::string::npos) {
            symbol = quoted(line);
        } else if (const size_t at = line.find("pset:value "); at != std::string::npos) {
            preset->values[symbol] = std::stof(line.substr(at + 11));
        }
    }
    return presets;
}

TEST(PresetFiles, EveryFactoryPresetLoadsBackFromItsVst2AndLv2Files) {
    const struct {
        const char* file;
        const char* uriStart;
        const char* plugin;
    } lv2Files[] = {
        {"presets.ttl", "urn:tapestrum:preset:", "urn:tapestrum:tapestrum"},
        {"presets-stereo.ttl", "urn:tapestrum:stereo-preset:", "urn:tapestrum:tapestrum-stereo"}};
    std::map<std::string, std::map<std::string, Lv2Preset>> lv2;
    for (const auto& file : lv2Files) {
        lv2[file.file] = ReadLv2Presets(std::string(LV2_BUNDLE_PATH) + "/" + file.file);
        EXPECT_EQ(lv2[file.file].size(), FactoryPresets().size()) << file.file;
    }
    size_t programFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VST2_PRESET_DIR))
        programFiles += entry.path().extension() == ".fxp";
    EXPECT_EQ(programFiles, FactoryPresets().size());

    for (const FactoryPreset& preset : FactoryPresets()) {
        SCOPED_TRACE(std::string(preset.name));
        const std::string stem = PresetFileStem(preset);

        const ProgramData program =
            ReadProgramFile(std::string(VST2_PRESET_DIR) + "/" + stem + ".fxp");
        EXPECT_EQ(program.name, preset.name);
        ASSERT_EQ(program.values.size(), size_t{kParameterCount});
        std::array<float, kParameterCount> fromProgram{};
        std::copy(program.values.begin(), program.values.end(), fromProgram.begin());
        EXPECT_EQ(LoadedValues(fromProgram), preset.values) << "from " << stem << ".fxp";

        for (const auto& file : lv2Files) {
            const auto& presets = lv2[file.file];
            const auto found = presets.find(file.uriStart + stem);
            ASSERT_NE(found, presets.end()) << file.file;
            EXPECT_EQ(found->second.plugin, file.plugin);
            EXPECT_EQ(found->second.label, preset.name);
            ASSERT_EQ(found->second.values.size(), size_t{kParameterCount});
            std::array<float, kParameterCount> fromLv2{};
            for (const ParameterInfo& row : kParameters) {
                const auto value = found->second.values.find(std::string(row.symbol));
                ASSERT_NE(value, found->second.values.end()) << row.symbol;
                fromLv2[row.index] = value->second;
            }
            EXPECT_EQ(LoadedValues(fromLv2), preset.values) << "from " << file.file;
        }
    }
}

} // namespace
