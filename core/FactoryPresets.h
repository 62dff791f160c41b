// SPDX-License-Identifier: ISC
// The factory presets: named settings of all 11 parameters, each with a line
// that says what it does. The LV2 bundle's presets, the VST 2 program files
// the build writes and the offline host (`presets`, `--preset NAME`, the
// demo) are all made from this one table.
//
// Each preset holds the values the effect reads back after setting them in
// index order (following a resume): a host that saves the preset and loads it
// again gets the same values, and the same sound.
#pragma once

#include "core/ParameterTable.h"

#include <array>
#include <span>
#include <string>
#include <string_view>

struct FactoryPreset {
    std::string_view name; // lower case words, at most 24 characters
    std::string_view description;
    std::array<float, kParameterCount> values; // in index order
};

// Every factory preset, in the order hosts list them.
std::span<const FactoryPreset> FactoryPresets();

// The preset whose name is `name`, in any case and with hyphens or
// underscores for its spaces ("Band-Freeze" finds "band freeze"); null when
// there is none.
const FactoryPreset* FindFactoryPreset(std::string_view name);

// The name with hyphens for its spaces, for file names: "band-freeze".
std::string PresetFileStem(const FactoryPreset& preset);
