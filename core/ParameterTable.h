// The effect's 11 parameters, as every format presents them: one row per
// parameter, in index order. The VST 2 names, labels and program defaults, the
// LV2 ports and the other formats' parameter lists are all read from here.
//
// How a value turns into engine quantities and back is the effect's own code
// (TapestrumEffect::applyParameter and readParameter, one case per row); the
// `mapping` column says in words what that code does.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

enum ParameterIndex : int32_t {
    kDelay = 0,
    kProcess,
    kOutAmp,
    kRecStartFreq,
    kRecEndFreq,
    kThreshold,
    kTrackLength,
    kHeadPosition,
    kRecAmp,
    kMix,
    kHeadDirection,
};

constexpr int32_t kParameterCount = 11;
constexpr int32_t kLastParameter = kParameterCount - 1;

struct ParameterInfo {
    ParameterIndex index;
    std::string_view name;   // as hosts show it (the misspelt "track lenght" included)
    std::string_view symbol; // a stable identifier for formats that want one (LV2)
    std::string_view label;  // the VST 2 label: "(cc" index ")"
    float defaultValue;      // the one program's initial value
    bool isSwitch;           // two states, split at 0.5
    std::string_view mapping;
};

inline constexpr std::array<ParameterInfo, kParameterCount> kParameters{{
    {kDelay, "delay", "delay", "(cc0)", 0.0f, false, "delay frames = nearest(v^2 * track length)"},
    {kProcess, "process", "process", "(cc1)", 0.0f, true,
     "delayed frame as carrier when nearest(v) is 1, as modulator otherwise"},
    {kOutAmp, "out amp", "out_amp", "(cc2)", 1.0f, false, "wet gain = v^2"},
    {kRecStartFreq, "rec start freq", "rec_start_freq", "(cc3)", 0.0f, false,
     "start bin = min(end bin, nearest(v^3 * 512))"},
    {kRecEndFreq, "rec end freq", "rec_end_freq", "(cc4)", 1.0f, false,
     "end bin = max(start bin, nearest(v^2 * 512))"},
    {kThreshold, "threshold", "threshold", "(cc5)", 0.0f, false, "gate level = v"},
    {kTrackLength, "track lenght", "track_length", "(cc6)", 1.0f, false,
     "track frames = nearest(v^2 * 600), at least 1; the delay keeps its share"},
    {kHeadPosition, "head position", "head_position", "(cc7)", 0.0f, false,
     "write head = nearest(track length * v)"},
    {kRecAmp, "rec amp", "rec_amp", "(cc8)", 0.5f, false, "recording gain = 2 v"},
    {kMix, "mix", "mix", "(cc9)", 1.0f, false, "wet = v, dry = 1 - v"},
    {kHeadDirection, "head direction", "head_direction", "(cc10)", 0.0f, true,
     "forward when nearest(v) is 1, backward otherwise"},
}};

// A value as the effect stores it: above 1 becomes 1, anything not at least 0
// (NaN included) becomes 0.
constexpr float ClampParameterValue(float value) {
    if (value > 1.0f) return 1.0f;
    if (!(value >= 0.0f)) return 0.0f;
    return value;
}

// A host's value in double precision (VST 3 and CLAP send doubles) as the float
// the effect stores. Values far outside 0 to 1 (the infinities included) are
// brought near it first, where the conversion is defined; the clamp then gives
// what the VST 2 face gives: 1 above the range, 0 below it and for NaN.
constexpr float ParameterFloat(double value) {
    if (value > 2.0) return 2.0f;
    if (value < -1.0) return -1.0f;
    return static_cast<float>(value);
}
