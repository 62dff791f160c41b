// SPDX-License-Identifier: ISC
// A picture in memory that the editor's painter draws into and a platform
// window shows.
#pragma once
#include <cstdint>
namespace tapestrum::editor {
// Pixels as 0x00RRGGBB in 32-bit words, rows top to bottom; stride in pixels.
// This is the layout of a 24-bit-depth X11 ZPixmap image (little-endian) and of
// a 32-bit top-down GDI DIB section.
struct PixelBuffer {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};
} // namespace tapestrum::editor
