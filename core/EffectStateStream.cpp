// SPDX-License-Identifier: ISC
#include "core/EffectStateStream.h"

#include <vector>

namespace {

// Moves all `count` bytes, in as many calls as the stream takes.
template <class Byte, class Move> bool MoveAll(const Move& move, Byte* bytes, size_t count) {
    for (size_t done = 0; done < count;) {
        const int64_t moved = move(bytes + done, count - done);
        if (moved <= 0 || static_cast<uint64_t>(moved) > count - done) return false;
        done += static_cast<size_t>(moved);
    }
    return true;
}

} // namespace

// The block's first bytes say how long it is: read up to what they say until
// the answer is what has been read.
std::optional<EffectState> ReadEffectStateFrom(const StreamRead& read) {
    std::vector<uint8_t> block;
    for (;;) {
        const std::optional<size_t> size = EffectStateSize(block);
        if (!size) return std::nullopt;
        if (*size == block.size()) return ReadEffectState(block);
        const size_t done = block.size();
        block.resize(*size);
        if (!MoveAll(read, block.data() + done, *size - done)) return std::nullopt;
    }
}

bool WriteEffectStateTo(const StreamWrite& write, const EffectState& state) {
    const std::vector<uint8_t> block = WriteEffectState(state);
    return MoveAll(write, block.data(), block.size());
}
