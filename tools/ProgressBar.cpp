// SPDX-License-Identifier: ISC
#include "tools/ProgressBar.h"

#include <cstdio>
#include <string>

#if defined(_WIN32)
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

ProgressBar::ProgressBar()
    : shown(isatty(fileno(stderr))), start(std::chrono::steady_clock::now()) {}

ProgressBar::~ProgressBar() {
    if (drawn >= 0) std::fputs("\r\033[K", stderr);
}

void ProgressBar::operator()(double share) {
    if (!shown || std::chrono::steady_clock::now() - start < kQuietTime) return;
    const int width = 40;
    const int filled = static_cast<int>(share * width);
    if (filled == drawn) return;
    drawn = filled;
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(static_cast<size_t>(filled), '=').c_str(),
                 std::string(static_cast<size_t>(width - filled), ' ').c_str(),
                 static_cast<int>(share * 100));
    std::fflush(stderr);
}
