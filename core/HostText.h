// Copying texts into buffers the host supplies.
#pragma once

#include <cstddef>
#include <string_view>

// Writes at most maxChars characters of text and a terminating zero into the
// host's buffer; a null buffer gets nothing.
void CopyHostText(char* buffer, std::string_view text, size_t maxChars);
