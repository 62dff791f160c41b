// SPDX-License-Identifier: ISC
// The effect's saved state through a host's stream, read and written by the
// core's loop (core/EffectStateStream.h), which a stream that moves a few bytes
// at a time or fails part way cannot surprise.
#pragma once

#include "core/EffectState.h"
#include "vst3/Vst3Interface.h"

#include <optional>

namespace vst3 {

// Reads exactly one state block from the stream: the header, as many values as
// it says, then as many name bytes as the block says (nothing past the block is
// read). Nothing when the stream ends early or the block is not a valid one.
std::optional<EffectState> ReadStateBlock(IBStream* stream);
// Writes the state's block; false when the stream takes less than all of it.
bool WriteStateBlock(IBStream* stream, const EffectState& state);

} // namespace vst3
