// SPDX-License-Identifier: ISC
#include "vst3/PresetFile.h"

#include <array>
#include <cstring>

namespace vst3 {

namespace {

constexpr char kFileMagic[4] = {'V', 'S', 'T', '3'};
constexpr char kListId[4] = {'L', 'i', 's', 't'};
constexpr char kComponentId[4] = {'C', 'o', 'm', 'p'};
constexpr char kControllerId[4] = {'C', 'o', 'n', 't'};
constexpr size_t kClassIdAt = 8;
constexpr size_t kListOffsetAt = 40;
constexpr size_t kListHeaderSize = 8;
constexpr size_t kListEntrySize = 20;

// Writes `bytes` little-endian bytes of the number at `offset`.
void PutNumber(std::vector<uint8_t>& file, size_t offset, uint64_t number, int bytes) {
    for (int i = 0; i < bytes; ++i)
        file[offset + static_cast<size_t>(i)] = static_cast<uint8_t>(number >> (8 * i));
}

uint64_t NumberAt(std::span<const uint8_t> file, size_t offset, int bytes) {
    uint64_t number = 0;
    for (int i = bytes - 1; i >= 0; --i)
        number = (number << 8) | file[offset + static_cast<size_t>(i)];
    return number;
}

bool IdAt(std::span<const uint8_t> file, size_t offset, const char (&id)[4]) {
    return std::memcmp(file.data() + offset, id, 4) == 0;
}

uint32_t BigEndianWord(const uint8_t* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

// The four words Uid::fromWords was given, undoing this platform's layout.
std::array<uint32_t, 4> WordsOf(const Uid& uid) {
    const uint8_t* b = uid.bytes;
#if defined(_WIN32)
    const uint32_t first = uint32_t{b[3]} << 24 | uint32_t{b[2]} << 16 | uint32_t{b[1]} << 8 | b[0];
    const uint32_t second =
        uint32_t{b[5]} << 24 | uint32_t{b[4]} << 16 | uint32_t{b[7]} << 8 | b[6];
    return {first, second, BigEndianWord(b + 8), BigEndianWord(b + 12)};
#else
    return {BigEndianWord(b), BigEndianWord(b + 4), BigEndianWord(b + 8), BigEndianWord(b + 12)};
#endif
}

int HexDigit(uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

std::string ClassIdText(const Uid& classId) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const uint32_t word : WordsOf(classId))
        for (int shift = 28; shift >= 0; shift -= 4)
            text += kDigits[(word >> shift) & 0xF];
    return text;
}

// The header, the one chunk's data, then the list of one entry.
std::vector<uint8_t> WritePresetFile(const Uid& classId, std::span<const uint8_t> componentState) {
    const size_t listOffset = kPresetHeaderSize + componentState.size();
    std::vector<uint8_t> file(listOffset + kListHeaderSize + kListEntrySize);
    std::memcpy(file.data(), kFileMagic, 4);
    PutNumber(file, 4, kPresetFileVersion, 4);
    const std::string id = ClassIdText(classId);
    std::memcpy(file.data() + kClassIdAt, id.data(), id.size());
    PutNumber(file, kListOffsetAt, listOffset, 8);
    if (!componentState.empty())
        std::memcpy(file.data() + kPresetHeaderSize, componentState.data(), componentState.size());
    std::memcpy(file.data() + listOffset, kListId, 4);
    PutNumber(file, listOffset + 4, 1, 4);
    std::memcpy(file.data() + listOffset + kListHeaderSize, kComponentId, 4);
    PutNumber(file, listOffset + kListHeaderSize + 4, kPresetHeaderSize, 8);
    PutNumber(file, listOffset + kListHeaderSize + 12, componentState.size(), 8);
    return file;
}

// Every offset and size is checked against the file's length before it is
// used, in unsigned arithmetic that cannot wrap: a negative 64-bit number reads
// as one far past the end.
std::optional<PresetContents> ReadPresetFile(std::span<const uint8_t> file) {
    if (file.size() < kPresetHeaderSize || !IdAt(file, 0, kFileMagic) ||
        NumberAt(file, 4, 4) != kPresetFileVersion)
        return std::nullopt;

    std::array<uint32_t, 4> words{};
    for (size_t digit = 0; digit < 32; ++digit) {
        const int value = HexDigit(file[kClassIdAt + digit]);
        if (value < 0) return std::nullopt;
        words[digit / 8] = words[digit / 8] << 4 | static_cast<uint32_t>(value);
    }
    PresetContents contents;
    contents.classId = Uid::fromWords(words[0], words[1], words[2], words[3]);

    const uint64_t listOffset = NumberAt(file, kListOffsetAt, 8);
    if (listOffset < kPresetHeaderSize || listOffset > file.size() - kListHeaderSize ||
        !IdAt(file, listOffset, kListId))
        return std::nullopt;
    const uint64_t count = NumberAt(file, listOffset + 4, 4);
    if (count > (file.size() - listOffset - kListHeaderSize) / kListEntrySize) return std::nullopt;

    bool haveComponent = false, haveController = false;
    for (uint64_t entry = 0; entry < count; ++entry) {
        const size_t at = listOffset + kListHeaderSize + entry * kListEntrySize;
        const uint64_t offset = NumberAt(file, at + 4, 8);
        const uint64_t size = NumberAt(file, at + 12, 8);
        if (offset < kPresetHeaderSize || offset > file.size() || size > file.size() - offset)
            return std::nullopt;
        std::vector<uint8_t>* target = nullptr;
        bool* seen = nullptr;
        if (IdAt(file, at, kComponentId)) {
            target = &contents.componentState;
            seen = &haveComponent;
        } else if (IdAt(file, at, kControllerId)) {
            target = &contents.controllerState;
            seen = &haveController;
        } else {
            continue;
        }
        if (*seen) return std::nullopt;
        *seen = true;
        const auto data = file.subspan(offset, size);
        target->assign(data.begin(), data.end());
    }
    if (!haveComponent) return std::nullopt;
    return contents;
}

} // namespace vst3
