// SPDX-License-Identifier: ISC
#include "core/FactoryPresets.h"

namespace {

// Index order: delay, process, out amp, rec start freq, rec end freq,
// threshold, track lenght, head position, rec amp, mix, head direction. The
// values are the read-backs, so a delay or a bin lies on a whole frame or bin
// (0.59947896 is 138 of 384 frames).
constexpr std::array<FactoryPreset, 8> kFactoryPresets{{
    {"spectral echo",
     "1.7 s of delay on the full track, mixed half and half with the dry signal",
     {0.699999988f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.5f, 0.5f, 1.0f}},
    {"reverse carrier",
     "the head runs backward over a 2.2 s track; the delayed frames carry the present's "
     "frequencies",
     {0.59947896f, 1.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.800000012f, 0.0f, 0.5f, 1.0f, 0.0f}},
    {"band freeze",
     "only about 700 Hz to 5.5 kHz is recorded, above a gate; the rest of the loop keeps what it "
     "had",
     {0.0f, 0.0f, 1.0f, 0.321410209f, 0.5f, 1.0f, 0.600000024f, 0.0f, 0.5f, 0.800000012f, 1.0f}},
    {"short shimmer",
     "a 0.31 s loop read 80 ms behind, whose frames carry the present's frequencies; half wet",
     {0.509175062f, 1.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.300000012f, 0.0f, 0.5f, 0.5f, 1.0f}},
    {"backward tape",
     "the head runs backward over the full 3.5 s track, 0.87 s behind; 70 % wet",
     {0.5f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.5f, 0.699999988f, 0.0f}},
    {"low loop",
     "only what lies below about 2.7 kHz is recorded, into a 1.7 s loop read 0.43 s behind; 60 % "
     "wet",
     {0.501697779f, 0.0f, 1.0f, 0.0f, 0.350780368f, 0.0f, 0.699999988f, 0.0f, 0.5f, 0.600000024f,
      1.0f}},
    {"gated swap",
     "wet only, 0.56 s behind: hops above -20 dB are recorded, and the delayed frames carry the "
     "present's frequencies",
     {0.400000006f, 1.0f, 0.899999976f, 0.0f, 1.0f, 0.100000001f, 1.0f, 0.0f, 0.5f, 1.0f, 1.0f}},
    {"hot recording",
     "the input recorded 6 dB hotter and played 6 dB quieter, 0.31 s behind on the full track; "
     "half wet",
     {0.300000012f, 0.0f, 0.699999988f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 1.0f, 0.5f, 1.0f}},
}};

// A name's character as names are compared: lower case, with a space for a
// hyphen or an underscore.
char NameCharacter(char c) {
    if (c == '-' || c == '_') return ' ';
    if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
    return c;
}

} // namespace

std::span<const FactoryPreset> FactoryPresets() { return kFactoryPresets; }

const FactoryPreset* FindFactoryPreset(std::string_view name) {
    for (const FactoryPreset& preset : kFactoryPresets) {
        if (preset.name.size() != name.size()) continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i)
            same = NameCharacter(name[i]) == preset.name[i];
        if (same) return &preset;
    }
    return nullptr;
}

std::string PresetFileStem(const FactoryPreset& preset) {
    std::string stem(preset.name);
    for (char& c : stem)
        if (c == ' ') c = '-';
    return stem;
}
