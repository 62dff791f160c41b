#include "vst3/Vst3Text.h"

#include <algorithm>
#include <cstring>

namespace vst3 {

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

void AppendUtf8(std::string& out, char32_t point) {
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

} // namespace

void CopyToUtf16(std::string_view text, TChar* target, size_t capacity) {
    if (capacity == 0) return;
    size_t used = 0;
    for (size_t i = 0; i < text.size();) {
        size_t length = 1;
        const char32_t point = DecodeUtf8(text, i, length);
        const size_t units = point >= 0x10000 ? 2 : 1;
        if (used + units >= capacity) break;
        if (units == 2) {
            target[used++] = static_cast<TChar>(0xD800 + ((point - 0x10000) >> 10));
            target[used++] = static_cast<TChar>(0xDC00 + ((point - 0x10000) & 0x3FF));
        } else {
            target[used++] = static_cast<TChar>(point);
        }
        i += length;
    }
    target[used] = 0;
}

std::string Utf8FromUtf16(const TChar* text, size_t capacity) {
    std::string out;
    for (size_t i = 0; i < capacity && text[i] != 0; ++i) {
        char32_t point = text[i];
        if (point >= 0xD800 && point < 0xDC00 && i + 1 < capacity && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            point = 0x10000 + ((point - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        AppendUtf8(out, point);
    }
    return out;
}

void CopyToChars(std::string_view text, char* target, size_t capacity) {
    if (capacity == 0) return;
    const size_t length = std::min(text.size(), capacity - 1);
    std::memcpy(target, text.data(), length);
    std::memset(target + length, 0, capacity - length);
}

} // namespace vst3
