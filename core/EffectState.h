// SPDX-License-Identifier: ISC
// The effect's saved state, as the VST 3 and CLAP faces store it in a host's
// project: the 11 parameter values and the program name, in a small versioned
// little-endian block.
//
//   offset  size  field
//   0       4     "TPST"
//   4       4     version, 1
//   8       4     parameter count c, 11 today
//   12      4c    the values in index order, IEEE 754 single precision, each
//                 from 0 to 1
//   12+4c   4     name length n, at most 51
//   16+4c   n     the name's bytes, no terminating zero, none of them zero
//
// A block from a build with fewer parameters is read with the table's defaults
// for the rest, so a state saved by one build loads in the next. A block is
// read only whole: one that is short, longer than it says, foreign, of a newer
// version, with more parameters than this build has, with a value outside 0 to
// 1 (NaN included) or a bad name is refused, and nothing changes.
#pragma once

#include "core/ParameterTable.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

constexpr size_t kStateNameCapacity = 51;
// The name of the effect's one program until a host or a state renames it.
inline constexpr std::string_view kDefaultProgramName = "Preset 0";

struct EffectState {
    std::array<float, kParameterCount> values{};
    std::string name;

    bool operator==(const EffectState&) const = default;
};

constexpr uint32_t kStateVersion = 1;
constexpr size_t kStateHeaderSize = 12;
// The size of a block this build writes, without the name's bytes.
constexpr size_t kStateMinSize = kStateHeaderSize + 4 * kParameterCount + 4;
constexpr size_t kStateMaxSize = kStateMinSize + kStateNameCapacity;

// The block for a state; a name longer than 51 bytes is cut, and a name is cut
// at its first zero byte.
std::vector<uint8_t> WriteEffectState(const EffectState& state);
// The length of the whole block as far as its first bytes tell: 12 while the
// header is incomplete, then up to the name's length word, then the whole
// block. Nothing when those bytes already show a block this build refuses.
// For reading a block from a stream that holds more: read until the answer
// equals what has been read.
std::optional<size_t> EffectStateSize(std::span<const uint8_t> start);
// The state a block holds, or nothing when it is not a whole, valid block.
std::optional<EffectState> ReadEffectState(std::span<const uint8_t> block);
