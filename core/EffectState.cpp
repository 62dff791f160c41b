// SPDX-License-Identifier: ISC
#include "core/EffectState.h"

#include <bit>
#include <cstring>

namespace {

constexpr uint8_t kMagic[4] = {'T', 'P', 'S', 'T'};

void PutWord(std::vector<uint8_t>& out, uint32_t word) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(word >> shift));
}

uint32_t WordAt(std::span<const uint8_t> block, size_t offset) {
    uint32_t word = 0;
    for (int i = 3; i >= 0; --i)
        word = (word << 8) | block[offset + static_cast<size_t>(i)];
    return word;
}

} // namespace

std::vector<uint8_t> WriteEffectState(const EffectState& state) {
    std::string name = state.name.substr(0, state.name.find('\0'));
    if (name.size() > kStateNameCapacity) name.resize(kStateNameCapacity);
    std::vector<uint8_t> block(std::begin(kMagic), std::end(kMagic));
    block.reserve(kStateMinSize + name.size());
    PutWord(block, kStateVersion);
    PutWord(block, kParameterCount);
    for (const float value : state.values)
        PutWord(block, std::bit_cast<uint32_t>(value));
    PutWord(block, static_cast<uint32_t>(name.size()));
    block.insert(block.end(), name.begin(), name.end());
    return block;
}

std::optional<size_t> EffectStateSize(std::span<const uint8_t> start) {
    if (start.size() < kStateHeaderSize) return kStateHeaderSize;
    if (std::memcmp(start.data(), kMagic, sizeof kMagic) != 0) return std::nullopt;
    const uint32_t count = WordAt(start, 8);
    if (WordAt(start, 4) != kStateVersion || count < 1 || count > kParameterCount)
        return std::nullopt;
    const size_t nameAt = kStateHeaderSize + 4 * size_t{count} + 4;
    if (start.size() < nameAt) return nameAt;
    const uint32_t nameLength = WordAt(start, nameAt - 4);
    if (nameLength > kStateNameCapacity) return std::nullopt;
    return nameAt + nameLength;
}

std::optional<EffectState> ReadEffectState(std::span<const uint8_t> block) {
    const std::optional<size_t> size = EffectStateSize(block);
    if (!size || *size != block.size()) return std::nullopt;
    const uint32_t count = WordAt(block, 8);
    EffectState state;
    for (const ParameterInfo& row : kParameters)
        state.values[row.index] = row.defaultValue;
    for (size_t i = 0; i < count; ++i) {
        const float value = std::bit_cast<float>(WordAt(block, kStateHeaderSize + 4 * i));
        if (!(value >= 0.0f && value <= 1.0f)) return std::nullopt;
        state.values[i] = value;
    }
    const size_t nameAt = kStateHeaderSize + 4 * size_t{count} + 4;
    state.name.assign(reinterpret_cast<const char*>(block.data()) + nameAt, block.size() - nameAt);
    if (state.name.find('\0') != std::string::npos) return std::nullopt;
    return state;
}
