// SPDX-License-Identifier: ISC
#include "vst3/StateStream.h"

#include "core/EffectStateStream.h"

#include <cstdint>

namespace vst3 {

// The stream's calls as the core's: a result other than kResultOk is a failure.
// A block is far shorter than the largest count a call takes; the format's
// write takes its buffer as not const, but only reads it.
std::optional<EffectState> ReadStateBlock(IBStream* stream) {
    if (stream == nullptr) return std::nullopt;
    return ReadEffectStateFrom([stream](uint8_t* bytes, size_t count) -> int64_t {
        int32_t moved = 0;
        if (stream->read(bytes, static_cast<int32_t>(count), &moved) != kResultOk) return -1;
        return moved;
    });
}

bool WriteStateBlock(IBStream* stream, const EffectState& state) {
    if (stream == nullptr) return false;
    return WriteEffectStateTo(
        [stream](const uint8_t* bytes, size_t count) -> int64_t {
            int32_t moved = 0;
            if (stream->write(const_cast<uint8_t*>(bytes), static_cast<int32_t>(count), &moved) !=
                kResultOk)
                return -1;
            return moved;
        },
        state);
}

} // namespace vst3
