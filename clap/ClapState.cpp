// The state a host stores in its project: the effect's state block, moved through
// the host's streams (main thread).
#include "clap/ClapEffect.h"
#include "core/EffectState.h"

#include <vector>

// A stream may move fewer bytes per call than asked: the block is written in as
// many calls as it takes. A call that moves nothing, or more than asked, or
// fails, fails the save.
bool ClapEffect::saveState(const clap::OutputStream& stream) const {
    const std::vector<uint8_t> block = WriteEffectState(effect.state());
    for (size_t done = 0; done < block.size();) {
        const uint64_t left = block.size() - done;
        const int64_t moved = stream.write(&stream, block.data() + done, left);
        if (moved <= 0 || static_cast<uint64_t>(moved) > left) return false;
        done += static_cast<size_t>(moved);
    }
    return true;
}

// Reads to the end of the stream, then takes the block only whole and valid: a
// stream that fails, or holds more than the longest block, or a block the state
// reader refuses, changes nothing. A valid block's values are set in index
// order, as the VST 2 face sets its program's.
bool ClapEffect::loadState(const clap::InputStream& stream) {
    std::vector<uint8_t> block(kStateMaxSize + 1);
    size_t size = 0;
    while (size < block.size()) {
        const uint64_t room = block.size() - size;
        const int64_t moved = stream.read(&stream, block.data() + size, room);
        if (moved == 0) break;
        if (moved < 0 || static_cast<uint64_t>(moved) > room) return false;
        size += static_cast<size_t>(moved);
    }
    if (size > kStateMaxSize) return false;
    const std::optional<EffectState> state =
        ReadEffectState(std::span<const uint8_t>(block.data(), size));
    if (!state) return false;
    effect.setState(*state);
    return true;
}
