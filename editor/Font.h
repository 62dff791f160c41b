// SPDX-License-Identifier: ISC
// Font: DejaVu Sans, compiled into the module, rasterised by stb_truetype
// into coverage bitmaps that are kept per size and character once drawn.
// One per view; on the view's (UI) thread.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

namespace tapestrum::editor {

class Canvas;
struct Rect;

class Font {
  public:
    Font();
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Sizes are the pixel height from the highest ascender to the lowest
    // descender. Text is UTF-8; a character the font lacks draws as its box.
    int ascent(int size) const;
    int lineHeight(int size) const;
    int measure(std::string_view text, int size);
    // Draws text with its baseline at y, starting at x, in colour (0x00RRGGBB),
    // blended by each pixel's coverage, inside clip.
    void draw(Canvas& canvas, int x, int y, std::string_view text, int size, uint32_t colour,
              const Rect& clip);

  private:
    struct Glyph {
        int advance = 0; // in font units
        int left = 0, top = 0, width = 0, height = 0;
        std::vector<uint8_t> coverage;
    };
    const Glyph& glyph(int size, char32_t character);
    float scaleFor(int size) const;

    struct Info;
    std::unique_ptr<Info> info;
    std::map<std::pair<int, char32_t>, Glyph> glyphs;
};

// The next character of UTF-8 text at `at`, which moves past it; a byte that
// begins no valid character reads as U+FFFD.
char32_t NextCharacter(std::string_view text, size_t& at);

} // namespace tapestrum::editor
