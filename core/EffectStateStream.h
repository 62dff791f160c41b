// SPDX-License-Identifier: ISC
// The effect's state block through a host's stream. A stream may move fewer
// bytes than asked in one call, or fail part way: both directions loop until
// the block is through or the stream stops moving. Each format's face turns
// its stream into one call of the kind below; the loop is the same for all.
// Main thread (the reading and writing allocate).
#pragma once

#include "core/EffectState.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

// One call of a host's stream: moves up to `count` bytes into or out of
// `bytes`, and gives the number it moved, or a negative number when the stream
// fails.
using StreamRead = std::function<int64_t(uint8_t* bytes, size_t count)>;
using StreamWrite = std::function<int64_t(const uint8_t* bytes, size_t count)>;

// Reads exactly one state block: the header, as many values as it says, then
// as many name bytes as it says; nothing past the block is read. Nothing when
// a call fails, moves nothing before the block is whole, or claims more than it
// was asked for, or when the bytes are not a valid block.
std::optional<EffectState> ReadEffectStateFrom(const StreamRead& read);
// Writes the state's block; false when a call fails, moves nothing, or claims
// more than it was given.
bool WriteEffectStateTo(const StreamWrite& write, const EffectState& state);
