// The effect's saved state, as the VST 3 and CLAP faces store it in a host's
// project: the 11 parameter values and the program name, in a small versioned
// little-endian block.
//
//   offset  size  field
//   0       4     "TPST"
//   4       4     version, 1
//   8       4     parameter count, 11
//   12      44    the 11 values, IEEE 754 single precision, each from 0 to 1
//   56      4     name length n, at most 51
//   60      n     the name's bytes, no terminating zero, none of them zero
//
// A block is read only whole: one that is short, longer than it says, foreign,
// of a newer version, or with a value outside 0 to 1 (NaN included) or a bad
// name is refused, and nothing changes.
#pragma once

#include "plugin/ParameterTable.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

constexpr size_t kStateNameCapacity = 51;

struct EffectState {
    std::array<float, kParameterCount> values{};
    std::string name;

    bool operator==(const EffectState&) const = default;
};

constexpr uint32_t kStateVersion = 1;
constexpr size_t kStateHeaderSize = 12;
constexpr size_t kStateMinSize = kStateHeaderSize + 4 * kParameterCount + 4;
constexpr size_t kStateMaxSize = kStateMinSize + kStateNameCapacity;

// The block for a state; a name longer than 51 bytes is cut, and a name is cut
// at its first zero byte.
std::vector<uint8_t> WriteEffectState(const EffectState& state);
// The state a block holds, or nothing when it is not a whole, valid block.
std::optional<EffectState> ReadEffectState(std::span<const uint8_t> block);
