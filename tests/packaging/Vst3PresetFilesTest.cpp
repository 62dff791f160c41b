// SPDX-License-Identifier: ISC
// The factory presets as the build writes them for VST 3 hosts: each file, read
// as a host reads it and loaded into the built bundle's component, gives the
// table's values and name, and saving it again gives the same state; a damaged
// file is refused.
#include "core/EffectState.h"
#include "core/FactoryPresets.h"
#include "vst3/PresetFile.h"
#include "vst3/Vst3Classes.h"
#include "vst3/Vst3TestHost.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using namespace testhost;

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(PresetFiles, EveryFactoryPresetLoadsIntoTheVst3ComponentFromItsFile) {
    size_t presetFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VST3_PRESET_DIR))
        presetFiles += entry.path().extension() == ".vstpreset";
    EXPECT_EQ(presetFiles, FactoryPresets().size());

    Vst3Module module(TAPESTRUM_VST3_BUNDLE);
    ASSERT_TRUE(module.loaded()) << module.library.error();
    for (const FactoryPreset& preset : FactoryPresets()) {
        SCOPED_TRACE(std::string(preset.name));
        const std::vector<uint8_t> file =
            ReadBytes(std::string(VST3_PRESET_DIR) + "/" + PresetFileStem(preset) + ".vstpreset");
        const std::optional<PresetContents> contents = ReadPresetFile(file);
        ASSERT_TRUE(contents);
        EXPECT_TRUE(kProcessorClassId.matches(contents->classId.bytes));

        Vst3Plugin plugin(module);
        ChunkedStream stream{contents->componentState};
        ASSERT_TRUE(plugin.load(stream));
        for (const auto& row : kParameters)
            EXPECT_EQ(plugin.controller->getParamNormalized(row.index), preset.values[row.index])
                << row.name;
        const std::vector<uint8_t> saved = plugin.componentState();
        EXPECT_EQ(saved, contents->componentState);
        const std::optional<EffectState> state = ReadEffectState(saved);
        ASSERT_TRUE(state);
        EXPECT_EQ(state->name, preset.name);
        EXPECT_EQ(state->values, preset.values);

        // Damaged copies of the file: each is refused.
        const auto patched = [&file](size_t at, std::vector<uint8_t> bytes) {
            std::vector<uint8_t> copy = file;
            std::copy(bytes.begin(), bytes.end(), copy.begin() + static_cast<std::ptrdiff_t>(at));
            return copy;
        };
        const size_t list = file.size() - 28;
        const std::vector<uint8_t> damaged[] = {
            std::vector<uint8_t>(file.begin(), file.end() - 1), // cut short
            patched(0, {'V', 'S', 'T', '2'}),                   // magic
            patched(4, {2}),                                    // version
            patched(8, {'G'}),                                  // class identifier
            patched(40, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}),  // list offset
            patched(list + 4, {2}),                             // entry count
            patched(list + 12, {0, 0, 0, 0, 0, 0, 0, 0x80}),    // chunk offset
            patched(list + 20, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), // chunk size
            patched(list + 8, {'I', 'n', 'f', 'o'}),            // no "Comp" chunk
        };
        for (size_t i = 0; i < std::size(damaged); ++i)
            EXPECT_FALSE(ReadPresetFile(damaged[i])) << "damaged copy " << i;
    }
}

} // namespace
