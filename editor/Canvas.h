// SPDX-License-Identifier: ISC
// Canvas: rectangles and blends into a pixel buffer, every operation clipped to
// the buffer.
#pragma once

#include "editor/PixelBuffer.h"

#include <algorithm>
#include <cstdint>

namespace tapestrum::editor {

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    int right() const { return x + width; }
    int bottom() const { return y + height; }
    bool contains(int px, int py) const {
        return px >= x && px < right() && py >= y && py < bottom();
    }
    bool within(const Rect& outer) const {
        return x >= outer.x && y >= outer.y && right() <= outer.right() &&
               bottom() <= outer.bottom();
    }
    Rect intersection(const Rect& other) const {
        const int left = std::max(x, other.x), top = std::max(y, other.y);
        const int r = std::min(right(), other.right()), b = std::min(bottom(), other.bottom());
        return {left, top, std::max(0, r - left), std::max(0, b - top)};
    }
};

// Mixes two 0x00RRGGBB colours: amount 0 gives `from`, 255 gives `to`.
inline uint32_t MixColour(uint32_t from, uint32_t to, int amount) {
    uint32_t mixed = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int a = (from >> shift) & 0xFF, b = (to >> shift) & 0xFF;
        mixed |= static_cast<uint32_t>(a + ((b - a) * amount + 127) / 255) << shift;
    }
    return mixed;
}

class Canvas {
  public:
    explicit Canvas(const PixelBuffer& buffer) : buffer(buffer) {}
    Rect bounds() const { return {0, 0, buffer.width, buffer.height}; }
    uint32_t& at(int x, int y) { return buffer.pixels[y * buffer.stride + x]; }
    void fill(const Rect& rect, uint32_t colour) {
        const Rect r = rect.intersection(bounds());
        for (int y = r.y; y < r.bottom(); ++y)
            std::fill_n(&at(r.x, y), r.width, colour);
    }
    // Mixes colour into the rectangle by amount (0 to 255).
    void blend(const Rect& rect, uint32_t colour, int amount) {
        const Rect r = rect.intersection(bounds());
        for (int y = r.y; y < r.bottom(); ++y)
            for (int x = r.x; x < r.right(); ++x)
                at(x, y) = MixColour(at(x, y), colour, amount);
    }
    void frame(const Rect& rect, uint32_t colour) {
        fill({rect.x, rect.y, rect.width, 1}, colour);
        fill({rect.x, rect.bottom() - 1, rect.width, 1}, colour);
        fill({rect.x, rect.y, 1, rect.height}, colour);
        fill({rect.right() - 1, rect.y, 1, rect.height}, colour);
    }

  private:
    PixelBuffer buffer;
};

} // namespace tapestrum::editor
