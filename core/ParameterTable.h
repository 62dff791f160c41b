// SPDX-License-Identifier: ISC
// The effect's 11 parameters, as every format presents them: one row per
// parameter, in index order. The VST 2 names, labels and program defaults, the
// LV2 ports and the other formats' parameter lists are all read from here.
//
// Each row's `mapping` says what its value v (0 to 1) becomes: the kind of
// quantity with its exponent and scale, the engine quantity it sets, and how
// the quantity is written in a text. Applying a value, reading it back,
// showing it and reading a text back all follow the mapping
// (core/EffectQuantities, core/EffectTexts).
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

// What a value becomes. Counts are rounded to the nearest integer, halves to
// even; powers are taken in extended precision.
enum class QuantityKind : uint8_t {
    TrackFrames,   // nearest(v^exponent * track length) frames, shown as a duration
    StorageFrames, // nearest(v^exponent * 600) frames, at least 1: the track length itself
    HeadFrame,     // the frame nearest(v^exponent * track length); reads back against the
                   // track length, so a head left beyond a shortened track reads as 1
    Bins,          // nearest(v^exponent * 512) bins, shown as the bin's frequency
    Gain,          // scale * v^exponent, shown in decibels
    GateLevel,     // v itself, an input level, shown in decibels
    Switch,        // on when nearest(v) is 1; shown as onText or offText
    Mix,           // wet = v, dry = 1 - v; the effect keeps v and shows it as a bar
};

// The engine quantity a row sets and reads back.
enum class EngineTarget : uint8_t {
    Delay,
    DelayedAsCarrier,
    OutputGain,
    StartBin,
    EndBin,
    Threshold,
    TrackLength,
    WriteHead,
    RecordGain,
    Mix,
    Forward,
};
constexpr int32_t kEngineTargetCount = 11;

// What a parameter's value becomes, with the columns its kind needs: the
// exponent and scale of the formula, the unit its text shows, a switch's two
// texts, and whether it reads back as stored rather than from the engine.
struct ValueMapping {
    QuantityKind kind;
    EngineTarget target;
    int32_t exponent = 1; // the power of v (frames, bins, gains)
    // 1 / exponent, worked out with the table at compile time, so that no x87
    // precision setting of a host's thread can round it differently.
    long double rootExponent = 1.0L;
    int32_t scale = 1; // a gain's factor
    // The unit after the number, spaces as shown (" ms " ends in a space, the
    // start frequency's "Hz" is glued to the number); also the unit a text read
    // back may end in. DecibelText writes the " dB" of gains itself.
    std::string_view unit{};
    std::string_view onText{}, offText{}; // a switch's two states
    // Reads back as stored (a switch's value rounded to 0 or 1), not from the engine.
    bool readsStored = false;

    static constexpr ValueMapping TrackFrames(EngineTarget target, int32_t exponent) {
        return Make(QuantityKind::TrackFrames, target, exponent, 1, " ms ");
    }
    static constexpr ValueMapping StorageFrames(EngineTarget target, int32_t exponent) {
        return Make(QuantityKind::StorageFrames, target, exponent, 1, " ms ");
    }
    static constexpr ValueMapping HeadFrame(EngineTarget target) {
        return Make(QuantityKind::HeadFrame, target, 1, 1, " ms ");
    }
    static constexpr ValueMapping Bins(EngineTarget target, int32_t exponent,
                                       std::string_view unit) {
        return Make(QuantityKind::Bins, target, exponent, 1, unit);
    }
    static constexpr ValueMapping Gain(EngineTarget target, int32_t exponent, int32_t scale) {
        return Make(QuantityKind::Gain, target, exponent, scale, " dB");
    }
    static constexpr ValueMapping GateLevel(EngineTarget target) {
        return Make(QuantityKind::GateLevel, target, 1, 1, " dB");
    }
    static constexpr ValueMapping Switch(EngineTarget target, std::string_view on,
                                         std::string_view off) {
        return Make(QuantityKind::Switch, target, 1, 1, {}, on, off);
    }
    static constexpr ValueMapping Mix(EngineTarget target) {
        return Make(QuantityKind::Mix, target, 1, 1, {});
    }
    constexpr ValueMapping ReadingStored() const {
        ValueMapping stored = *this;
        stored.readsStored = true;
        return stored;
    }

  private:
    static constexpr ValueMapping Make(QuantityKind kind, EngineTarget target, int32_t exponent,
                                       int32_t scale, std::string_view unit,
                                       std::string_view on = {}, std::string_view off = {}) {
        return {kind, target, exponent, 1.0L / exponent, scale, unit, on, off};
    }
};

struct ParameterInfo {
    ParameterIndex index;
    std::string_view name;   // as hosts show it (the misspelt "track lenght" included)
    std::string_view symbol; // a stable identifier for formats that want one (LV2)
    std::string_view label;  // the VST 2 label: "(cc" index ")"
    float defaultValue;      // the one program's initial value
    bool isSwitch;           // two states, split at 0.5
    ValueMapping mapping;
};

inline constexpr std::array<ParameterInfo, kParameterCount> kParameters{{
    {kDelay, "delay", "delay", "(cc0)", 0.0f, false,
     ValueMapping::TrackFrames(EngineTarget::Delay, 2)},
    {kProcess, "process", "process", "(cc1)", 0.0f, true,
     ValueMapping::Switch(EngineTarget::DelayedAsCarrier, "delayed as carrier",
                          "delayed as modulator")},
    {kOutAmp, "out amp", "out_amp", "(cc2)", 1.0f, false,
     ValueMapping::Gain(EngineTarget::OutputGain, 2, 1)},
    {kRecStartFreq, "rec start freq", "rec_start_freq", "(cc3)", 0.0f, false,
     ValueMapping::Bins(EngineTarget::StartBin, 3, "Hz")},
    {kRecEndFreq, "rec end freq", "rec_end_freq", "(cc4)", 1.0f, false,
     ValueMapping::Bins(EngineTarget::EndBin, 2, " Hz")},
    {kThreshold, "threshold", "threshold", "(cc5)", 0.0f, false,
     ValueMapping::GateLevel(EngineTarget::Threshold)},
    {kTrackLength, "track lenght", "track_length", "(cc6)", 1.0f, false,
     ValueMapping::StorageFrames(EngineTarget::TrackLength, 2)},
    {kHeadPosition, "head position", "head_position", "(cc7)", 0.0f, false,
     ValueMapping::HeadFrame(EngineTarget::WriteHead)},
    {kRecAmp, "rec amp", "rec_amp", "(cc8)", 0.5f, false,
     ValueMapping::Gain(EngineTarget::RecordGain, 1, 2).ReadingStored()},
    {kMix, "mix", "mix", "(cc9)", 1.0f, false,
     ValueMapping::Mix(EngineTarget::Mix).ReadingStored()},
    {kHeadDirection, "head direction", "head_direction", "(cc10)", 0.0f, true,
     ValueMapping::Switch(EngineTarget::Forward, "forward", "backward").ReadingStored()},
}};

// The switches are the rows of that kind, and each engine quantity belongs to
// one row.
static_assert([] {
    for (const ParameterInfo& row : kParameters) {
        if (row.isSwitch != (row.mapping.kind == QuantityKind::Switch)) return false;
        if (static_cast<int32_t>(row.mapping.target) >= kEngineTargetCount) return false;
        int32_t sharing = 0;
        for (const ParameterInfo& other : kParameters)
            sharing += other.mapping.target == row.mapping.target;
        if (sharing != 1) return false;
    }
    return true;
}());

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
