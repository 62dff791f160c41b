// Texts between the effect (UTF-8 std::string) and the format (UTF-16 arrays,
// and fixed 8-bit arrays that must end in a zero).
#pragma once

#include "vst3/Vst3Interface.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vst3 {

// Copies UTF-8 text into a UTF-16 array of `capacity` units, cut where it does
// not fit (never inside a character) and always ending in a zero.
void CopyToUtf16(std::string_view text, TChar* target, size_t capacity);
// The UTF-8 text of a zero-terminated UTF-16 string of at most `capacity` units.
std::string Utf8FromUtf16(const TChar* text, size_t capacity);
// Copies ASCII text into an 8-bit array, cut to fit, always ending in a zero.
void CopyToChars(std::string_view text, char* target, size_t capacity);

} // namespace vst3
