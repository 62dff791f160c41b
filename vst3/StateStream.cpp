#include "vst3/StateStream.h"

#include <cstdint>
#include <vector>

namespace vst3 {

namespace {

// Reads `count` bytes into `target`; false when the stream gives out first.
bool ReadFully(IBStream* stream, uint8_t* target, size_t count) {
    size_t done = 0;
    while (done < count) {
        int32_t moved = 0;
        const tresult result =
            stream->read(target + done, static_cast<int32_t>(count - done), &moved);
        if (result != kResultOk || moved <= 0 || static_cast<size_t>(moved) > count - done)
            return false;
        done += static_cast<size_t>(moved);
    }
    return true;
}

} // namespace

// Reads just the block, however much else the stream holds after it: its
// first bytes say how long it is.
std::optional<EffectState> ReadStateBlock(IBStream* stream) {
    if (stream == nullptr) return std::nullopt;
    std::vector<uint8_t> block;
    for (;;) {
        const std::optional<size_t> size = EffectStateSize(block);
        if (!size) return std::nullopt;
        if (*size == block.size()) return ReadEffectState(block);
        const size_t done = block.size();
        block.resize(*size);
        if (!ReadFully(stream, block.data() + done, *size - done)) return std::nullopt;
    }
}

bool WriteStateBlock(IBStream* stream, const EffectState& state) {
    if (stream == nullptr) return false;
    std::vector<uint8_t> block = WriteEffectState(state);
    size_t done = 0;
    while (done < block.size()) {
        int32_t moved = 0;
        const tresult result =
            stream->write(block.data() + done, static_cast<int32_t>(block.size() - done), &moved);
        if (result != kResultOk || moved <= 0 || static_cast<size_t>(moved) > block.size() - done)
            return false;
        done += static_cast<size_t>(moved);
    }
    return true;
}

} // namespace vst3
