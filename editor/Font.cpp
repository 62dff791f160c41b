// SPDX-License-Identifier: ISC
#include "editor/Font.h"

#include "editor/Canvas.h"

#include <cmath>

// stb_truetype's functions, private to this unit.
#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb/stb_truetype.h>

// DejaVu Sans, written into a source of the build tree by cmake/EmbedFile.cmake.
extern const unsigned char kEmbeddedDejaVuSans[];

namespace tapestrum::editor {

struct Font::Info {
    stbtt_fontinfo font{};
    int ascent = 0, descent = 0, lineGap = 0;
};

Font::Font() : info(std::make_unique<Info>()) {
    stbtt_InitFont(&info->font, kEmbeddedDejaVuSans,
                   stbtt_GetFontOffsetForIndex(kEmbeddedDejaVuSans, 0));
    stbtt_GetFontVMetrics(&info->font, &info->ascent, &info->descent, &info->lineGap);
}

Font::~Font() = default;

float Font::scaleFor(int size) const {
    return stbtt_ScaleForPixelHeight(&info->font, static_cast<float>(size));
}

int Font::ascent(int size) const {
    return static_cast<int>(std::lround(info->ascent * scaleFor(size)));
}

int Font::lineHeight(int size) const {
    return static_cast<int>(
        std::lround((info->ascent - info->descent + info->lineGap) * scaleFor(size)));
}

const Font::Glyph& Font::glyph(int size, char32_t character) {
    const auto key = std::make_pair(size, character);
    if (const auto found = glyphs.find(key); found != glyphs.end()) return found->second;
    Glyph g;
    const float scale = scaleFor(size);
    const int codepoint = static_cast<int>(character);
    int leftBearing = 0;
    stbtt_GetCodepointHMetrics(&info->font, codepoint, &g.advance, &leftBearing);
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    stbtt_GetCodepointBitmapBox(&info->font, codepoint, scale, scale, &x0, &y0, &x1, &y1);
    g.left = x0;
    g.top = y0;
    g.width = std::max(0, x1 - x0);
    g.height = std::max(0, y1 - y0);
    g.coverage.resize(size_t(g.width) * g.height);
    if (!g.coverage.empty())
        stbtt_MakeCodepointBitmap(&info->font, g.coverage.data(), g.width, g.height, g.width, scale,
                                  scale, codepoint);
    return glyphs.emplace(key, std::move(g)).first->second;
}

int Font::measure(std::string_view text, int size) {
    const float scale = scaleFor(size);
    float width = 0.0f;
    char32_t previous = 0;
    for (size_t at = 0; at < text.size();) {
        const char32_t c = NextCharacter(text, at);
        if (previous)
            width += scale * stbtt_GetCodepointKernAdvance(&info->font, int(previous), int(c));
        width += scale * glyph(size, c).advance;
        previous = c;
    }
    return static_cast<int>(std::ceil(width));
}

// Each glyph starts at the pen position rounded to a whole pixel, so that a
// text draws the same wherever it stands.
void Font::draw(Canvas& canvas, int x, int y, std::string_view text, int size, uint32_t colour,
                const Rect& clip) {
    const Rect area = clip.intersection(canvas.bounds());
    const float scale = scaleFor(size);
    float pen = static_cast<float>(x);
    char32_t previous = 0;
    for (size_t at = 0; at < text.size();) {
        const char32_t c = NextCharacter(text, at);
        if (previous)
            pen += scale * stbtt_GetCodepointKernAdvance(&info->font, int(previous), int(c));
        const Glyph& g = glyph(size, c);
        const int left = static_cast<int>(std::lround(pen)) + g.left, top = y + g.top;
        for (int row = 0; row < g.height; ++row) {
            const int py = top + row;
            if (py < area.y || py >= area.bottom()) continue;
            for (int column = 0; column < g.width; ++column) {
                const int px = left + column;
                const int cover = g.coverage[size_t(row) * g.width + column];
                if (cover == 0 || px < area.x || px >= area.right()) continue;
                canvas.at(px, py) = MixColour(canvas.at(px, py), colour, cover);
            }
        }
        pen += scale * g.advance;
        previous = c;
    }
}

char32_t NextCharacter(std::string_view text, size_t& at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at++);
    if (lead < 0x80) return lead;
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (extra < 0 || lead > 0xF4 || at + extra > text.size()) return 0xFFFD;
    char32_t c = lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        if ((byte(at) & 0xC0) != 0x80) return 0xFFFD;
        c = (c << 6) | (byte(at++) & 0x3F);
    }
    return c;
}

} // namespace tapestrum::editor
