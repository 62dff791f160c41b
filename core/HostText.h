// SPDX-License-Identifier: ISC
// Copying texts into buffers the host supplies, as 8-bit characters or as the
// UTF-16 units some formats take.
#pragma once

#include <cstddef>
#include <string_view>

// Writes at most maxChars characters of text and a terminating zero into the
// host's buffer; a null buffer gets nothing.
void CopyHostText(char* buffer, std::string_view text, size_t maxChars);
// Writes the UTF-8 text as at most maxUnits UTF-16 units and a terminating
// zero, cut where the next character does not fit (never inside one); a byte
// that does not start a well-formed UTF-8 sequence stands for itself (as
// Latin-1). A null buffer gets nothing.
void CopyHostText(char16_t* buffer, std::string_view text, size_t maxUnits);
