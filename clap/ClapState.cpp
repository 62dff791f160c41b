// SPDX-License-Identifier: ISC
// The state a host stores in its project: the effect's state block, moved through
// the host's streams by the core's loop (main thread).
#include "clap/ClapEffect.h"
#include "core/EffectStateStream.h"

// A call that moves nothing, or more than asked, or fails, fails the save.
bool ClapEffect::saveState(const clap::OutputStream& stream) const {
    return WriteEffectStateTo(
        [&stream](const uint8_t* bytes, size_t count) {
            return stream.write(&stream, bytes, count);
        },
        effect.state());
}

// The stream holds one block and nothing more: a stream that fails, or ends
// before the block does, or holds more after it, or a block the state reader
// refuses, changes nothing. A valid block's values are set in index order, as
// the VST 2 face sets its program's.
bool ClapEffect::loadState(const clap::InputStream& stream) {
    const StreamRead read = [&stream](uint8_t* bytes, size_t count) {
        return stream.read(&stream, bytes, count);
    };
    const std::optional<EffectState> state = ReadEffectStateFrom(read);
    uint8_t more = 0;
    if (!state || read(&more, 1) != 0) return false;
    effect.setState(*state);
    return true;
}
