// SPDX-License-Identifier: ISC
// Texts between the effect (UTF-8 std::string) and the format: UTF-16 arrays
// read back from the host, and fixed 8-bit arrays filled to their end. The
// effect's texts go into the format's UTF-16 arrays by the core's
// CopyHostText.
#pragma once

#include "vst3/Vst3Interface.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vst3 {

// The UTF-8 text of a zero-terminated UTF-16 string of at most `capacity` units.
std::string Utf8FromUtf16(const TChar* text, size_t capacity);
// Copies ASCII text into an 8-bit array, cut to fit, always ending in a zero,
// with zeros to the array's end.
void CopyToChars(std::string_view text, char* target, size_t capacity);

} // namespace vst3
