// SPDX-License-Identifier: ISC
// The effect's saved state block, as a host hands back what a project stored:
// any bytes are read; a block that is not whole and valid gives nothing. The
// block's size, as a stream reader asks for it, grows to at most the largest
// block in a few steps, and the core's stream reader, fed a few bytes per call,
// reads just that block and gives what the block reader gives for it. A block
// that reads has values from 0 to 1 and a name of at most 51 bytes without
// zeros, is written back as the same state, and, when it holds this build's
// parameter count, as the same bytes.
#include "core/EffectState.h"
#include "core/EffectStateStream.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> block(data, data + size); // exactly the input's bytes
    const std::span<const uint8_t> all(block);

    // Read as from a stream that holds the input: ask for the block's size,
    // read up to it, until the answer is what has been read. The answers grow,
    // stay within the largest block, and come to an end in a few rounds.
    size_t read = 0;
    std::optional<EffectState> blockRead;
    for (int round = 0;; ++round) {
        const std::optional<size_t> wanted = EffectStateSize(all.first(read));
        if (wanted == read) blockRead = ReadEffectState(all.first(read));
        if (!wanted || *wanted == read || *wanted > block.size()) break;
        if (*wanted < read || *wanted > kStateMaxSize || round == 4) std::abort();
        read = *wanted;
    }
    const size_t step = 1 + size % 7;
    size_t streamed = 0;
    const std::optional<EffectState> viaStream =
        ReadEffectStateFrom([&](uint8_t* bytes, size_t count) -> int64_t {
            const size_t moved = std::min({count, step, block.size() - streamed});
            if (moved > 0) std::memcpy(bytes, block.data() + streamed, moved);
            streamed += moved;
            return static_cast<int64_t>(moved);
        });
    if (viaStream != blockRead || (viaStream && streamed != read)) std::abort();

    const std::optional<EffectState> state = ReadEffectState(all);
    if (!state) return 0;
    if (EffectStateSize(all) != block.size()) std::abort();
    for (const float value : state->values)
        if (!(value >= 0.0f && value <= 1.0f)) std::abort();
    if (state->name.size() > kStateNameCapacity || state->name.find('\0') != std::string::npos)
        std::abort();
    const std::vector<uint8_t> written = WriteEffectState(*state);
    if (ReadEffectState(std::span(written)) != state) std::abort();
    uint32_t count;
    std::memcpy(&count, block.data() + 8, sizeof count); // little-endian machines only
    if (count == kParameterCount && written != block) std::abort();
    return 0;
}
