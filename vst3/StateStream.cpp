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

std::optional<EffectState> ReadStateBlock(IBStream* stream) {
    if (stream == nullptr) return std::nullopt;
    auto wordAt = [](const std::vector<uint8_t>& block, size_t offset) {
        return uint32_t{block[offset]} | uint32_t{block[offset + 1]} << 8 |
               uint32_t{block[offset + 2]} << 16 | uint32_t{block[offset + 3]} << 24;
    };
    // The header says how many values follow (an earlier build may have saved
    // fewer), the word after them how long the name is.
    std::vector<uint8_t> block(kStateHeaderSize);
    if (!ReadFully(stream, block.data(), block.size())) return std::nullopt;
    const uint32_t count = wordAt(block, 8);
    if (count < 1 || count > static_cast<uint32_t>(kParameterCount)) return std::nullopt;
    block.resize(kStateHeaderSize + 4 * size_t{count} + 4);
    if (!ReadFully(stream, block.data() + kStateHeaderSize, block.size() - kStateHeaderSize))
        return std::nullopt;
    const uint32_t nameLength = wordAt(block, block.size() - 4);
    if (nameLength > kStateNameCapacity) return std::nullopt;
    const size_t nameAt = block.size();
    block.resize(nameAt + nameLength);
    if (!ReadFully(stream, block.data() + nameAt, nameLength)) return std::nullopt;
    return ReadEffectState(block);
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
