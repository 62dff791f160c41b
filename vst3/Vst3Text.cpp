// SPDX-License-Identifier: ISC
#include "vst3/Vst3Text.h"

#include "core/HostText.h"

#include <cstring>

namespace vst3 {

namespace {

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
    std::memset(target, 0, capacity);
    CopyHostText(target, text, capacity - 1);
}

} // namespace vst3
