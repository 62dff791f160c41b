// SPDX-License-Identifier: ISC
#include "core/HostText.h"

#include <cstring>

namespace {

// The code point starting at text[i] and the number of bytes it takes; a byte
// that does not start a well-formed sequence stands for itself (as Latin-1).
char32_t DecodeUtf8(std::string_view text, size_t i, size_t& length) {
    const auto lead = static_cast<unsigned char>(text[i]);
    length = 1;
    const size_t extra = lead >= 0xF5   ? 0
                         : lead >= 0xF0 ? 3
                         : lead >= 0xE0 ? 2
                         : lead >= 0xC2 ? 1
                                        : 0;
    if (extra == 0) return lead;
    char32_t point = lead & (0x3F >> extra);
    for (size_t k = 1; k <= extra; ++k) {
        if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return lead;
        point = (point << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    length = extra + 1;
    return point;
}

} // namespace

void CopyHostText(char* buffer, std::string_view text, size_t maxChars) {
    if (!buffer) return;
    const size_t count = text.size() < maxChars ? text.size() : maxChars;
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
}

// Code points above the basic plane take a surrogate pair.
void CopyHostText(char16_t* buffer, std::string_view text, size_t maxUnits) {
    if (!buffer) return;
    size_t used = 0;
    for (size_t i = 0; i < text.size();) {
        size_t length = 1;
        const char32_t point = DecodeUtf8(text, i, length);
        const size_t units = point >= 0x10000 ? 2 : 1;
        if (used + units > maxUnits) break;
        if (units == 2) {
            buffer[used++] = static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10));
            buffer[used++] = static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
        } else {
            buffer[used++] = static_cast<char16_t>(point);
        }
        i += length;
    }
    buffer[used] = 0;
}
