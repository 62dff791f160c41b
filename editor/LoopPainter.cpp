// SPDX-License-Identifier: ISC
#include "editor/LoopPainter.h"

#include "editor/Font.h"
#include "editor/Palette.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace tapestrum::editor {

namespace {

// 80 dB in levels of a tenth of an octave of magnitude (0.602 dB each).
constexpr int kShownLevels = 133;

int Brightness(int level, int loudest) {
    if (level == 0) return 0;
    return std::clamp(255 - (loudest - level) * 255 / kShownLevels, 0, 255);
}

// The rows of the feed's picture that a pixel row shows, [first, end).
struct RowSpan {
    int first, end;
};
std::vector<RowSpan> PixelRows(int height) {
    std::vector<RowSpan> spans(size_t(std::max(height, 0)));
    for (int y = 0; y < height; ++y) {
        const int first = (height - 1 - y) * LoopFeed::kRows / height;
        const int end = (height - y) * LoopFeed::kRows / height;
        spans[y] = {first, std::max(first + 1, end)};
    }
    return spans;
}

// The loudest level of each row over the frames [first, end).
void ColumnOver(const LoopFeed::Picture& p, int first, int end, uint8_t* column) {
    std::fill_n(column, LoopFeed::kRows, uint8_t{0});
    for (int frame = first; frame < end; ++frame) {
        const uint8_t* levels = p.column(frame);
        for (int row = 0; row < LoopFeed::kRows; ++row)
            column[row] = std::max(column[row], levels[row]);
    }
}

void PaintFrames(Canvas& canvas, const Rect& area, const LoopFeed::Picture& p, int frames,
                 int loudest) {
    const std::vector<RowSpan> rows = PixelRows(area.height);
    uint8_t column[LoopFeed::kRows];
    for (int x = 0; x < area.width; ++x) {
        const int first = x * frames / area.width;
        ColumnOver(p, first, std::max(first + 1, (x + 1) * frames / area.width), column);
        for (int y = 0; y < area.height; ++y) {
            uint8_t level = 0;
            for (int row = rows[y].first; row < rows[y].end; ++row)
                level = std::max(level, column[row]);
            canvas.at(area.x + x, area.y + y) = kBrightness[Brightness(level, loudest)];
        }
    }
}

void PaintMark(Canvas& canvas, const Rect& area, int column, int width, uint32_t colour) {
    canvas.fill({area.x + column - width / 2, area.y, width, area.height}, colour);
}

// The frequencies marked on the axis, with the band's edges beside them.
void PaintAxis(Canvas& canvas, Font& font, const EditorLayout& l, const LoopFeed::Picture& p) {
    const Rect& pic = l.picture;
    const double binWidth =
        (p.sampleRate > 0.0f ? p.sampleRate : 44100.0f) / double{TDelayVoc::FrameLength};
    const int size = l.smallTextSize;
    for (const auto& [hz, label] :
         {std::pair{100.0, "100 Hz"}, std::pair{1000.0, "1 kHz"}, std::pair{10000.0, "10 kHz"}}) {
        const double bin = hz / binWidth;
        if (bin < 1.0 || bin >= TDelayVoc::BinCount) continue;
        const int y = pic.y + BinRow(bin, pic.height);
        canvas.fill({pic.x - l.padding / 3, y, l.padding / 3, 1}, kDimText);
        const int width = font.measure(label, size);
        font.draw(canvas, l.bandMark.x - l.padding / 2 - width, y + font.ascent(size) / 2 - 1,
                  label, size, kDimText, l.frequencyAxis);
    }
    const int top = pic.y + BinRow(p.endBin, pic.height);
    const int bottom = pic.y + BinRow(p.startBin, pic.height);
    canvas.fill({l.bandMark.x, top, l.bandMark.width, std::max(1, bottom - top)}, kBand);
}

// Hop levels from -60 dB to +48 dB (a full-scale hop sums to about +44 dB).
void PaintGate(Canvas& canvas, const Rect& meter, const LoopFeed::Picture& p) {
    const auto height = [&](float level) {
        const double db = level > 0.0f ? 20.0 * std::log10(level) : -200.0;
        return static_cast<int>(
            std::lround(std::clamp((db + 60.0) / 108.0, 0.0, 1.0) * meter.height));
    };
    canvas.fill(meter, kPanel);
    const int level = height(p.hopLevel);
    const bool open = p.hopLevel > p.threshold;
    canvas.fill({meter.x, meter.bottom() - level, meter.width, level},
                open ? kGateOpen : kGateClosed);
    const int threshold = std::min(height(p.threshold), meter.height - 2);
    canvas.fill({meter.x - 2, meter.bottom() - threshold - 2, meter.width + 4, 2}, kThresholdMark);
}

void PaintTrackStrip(Canvas& canvas, Font& font, const EditorLayout& l, const LoopFeed::Picture& p,
                     int loudest) {
    const Rect& strip = l.track;
    uint8_t column[LoopFeed::kRows];
    for (int x = 0; x < strip.width; ++x) {
        const int first = x * LoopFeed::kColumns / strip.width;
        ColumnOver(p, first, std::max(first + 1, (x + 1) * LoopFeed::kColumns / strip.width),
                   column);
        const int level = *std::max_element(column, column + LoopFeed::kRows);
        uint32_t colour = kBrightness[Brightness(level, loudest)];
        if (first >= p.length) colour = MixColour(colour, kBackground, 190);
        canvas.fill({strip.x + x, strip.y, 1, strip.height}, colour);
    }
    PaintMark(canvas, strip, p.length * strip.width / LoopFeed::kColumns, 2, kLoopEnd);
    font.draw(canvas, l.trackLabel.x, strip.bottom() - 1, "track", l.smallTextSize, kDimText,
              l.trackLabel);
}

} // namespace

int FrameColumn(int frame, int length, int pictureWidth) {
    return static_cast<int>((2LL * frame + 1) * pictureWidth / (2LL * std::max(length, 1)));
}

int BinRow(double bin, int pictureHeight) {
    const double row = bin >= 1.0 ? LoopFeed::RowOfBin(bin) : 0.0;
    return pictureHeight - static_cast<int>(std::lround(row * pictureHeight / LoopFeed::kRows));
}

void PaintLoop(Canvas& canvas, Font& font, const EditorLayout& l,
               const LoopFeed::Picture* picture) {
    if (!picture) {
        canvas.fill(l.picture, kPanel);
        const std::string_view text = "The loop is not available here; the controls still work.";
        const int width = font.measure(text, l.textSize);
        font.draw(canvas, l.picture.x + (l.picture.width - width) / 2,
                  l.picture.y + l.picture.height / 2, text, l.textSize, kDimText, l.picture);
        return;
    }
    const LoopFeed::Picture& p = *picture;
    const int length = std::clamp(p.length, 1, LoopFeed::kColumns);
    const int loudest =
        *std::max_element(p.levels.begin(), p.levels.begin() + length * LoopFeed::kRows);
    PaintFrames(canvas, l.picture, p, length, loudest);
    const int markWidth = std::max(1, static_cast<int>(std::lround(2 * l.scale)));
    if (p.readHead >= 0 && p.readHead < length)
        PaintMark(canvas, l.picture, FrameColumn(p.readHead, length, l.picture.width), markWidth,
                  kReadHead);
    if (p.writeHead >= 0 && p.writeHead < length)
        PaintMark(canvas, l.picture, FrameColumn(p.writeHead, length, l.picture.width), markWidth,
                  kWriteHead);
    canvas.fill(l.loopEnd, kLoopEnd);
    PaintAxis(canvas, font, l, p);
    PaintGate(canvas, l.gateMeter, p);
    PaintTrackStrip(canvas, font, l, p, loudest);
}

} // namespace tapestrum::editor
