#include "core/HostText.h"

#include <cstring>

void CopyHostText(char* buffer, std::string_view text, size_t maxChars) {
    if (!buffer) return;
    const size_t count = text.size() < maxChars ? text.size() : maxChars;
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
}
