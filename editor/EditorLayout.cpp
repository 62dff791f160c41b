// SPDX-License-Identifier: ISC
#include "editor/EditorLayout.h"

#include <algorithm>
#include <cmath>

namespace tapestrum::editor {

// The controls fill rows of two to six boxes at least 150 logical pixels wide,
// from the bottom up; the track strip sits above them and the picture takes
// the rest of the height between the strip and the top bar.
EditorLayout EditorLayout::For(int width, int height, double scale, int presetCount) {
    const auto px = [scale](double logical) {
        return std::max(1, static_cast<int>(std::lround(logical * scale)));
    };
    EditorLayout l;
    l.width = width;
    l.height = height;
    l.scale = scale;
    l.textSize = px(13);
    l.smallTextSize = px(11);
    l.padding = px(8);
    const int pad = l.padding, gap = px(6), bar = px(30);

    l.title = {pad, 0, width / 2 - pad, bar};
    const int buttonWidth = std::min(px(240), width / 2 - pad);
    l.presetButton = {width - pad - buttonWidth, px(4), buttonWidth, bar - px(8)};
    l.menuItemHeight = px(22);
    l.presetMenu = {l.presetButton.x, l.presetButton.bottom(), buttonWidth,
                    l.menuItemHeight * presetCount};

    l.controlColumns = std::clamp((width - 2 * pad) / px(150), 2, 6);
    const int rows = (kParameterCount + l.controlColumns - 1) / l.controlColumns;
    const int controlHeight = px(40);
    const int controlWidth = (width - 2 * pad - (l.controlColumns - 1) * gap) / l.controlColumns;
    const int controlsTop = height - pad - rows * controlHeight - (rows - 1) * gap;
    for (int i = 0; i < kParameterCount; ++i) {
        const int row = i / l.controlColumns, column = i % l.controlColumns;
        l.controls[i] = {pad + column * (controlWidth + gap),
                         controlsTop + row * (controlHeight + gap), controlWidth, controlHeight};
    }

    const int axisWidth = px(64), meterWidth = px(12), endWidth = px(3), stripHeight = px(12);
    l.frequencyAxis = {pad, bar, axisWidth, 0};
    l.picture = {pad + axisWidth, bar + px(2), 0, 0};
    l.picture.width = width - pad - meterWidth - gap - endWidth - l.picture.x;
    l.track = {l.picture.x, controlsTop - pad - stripHeight, l.picture.width, stripHeight};
    l.picture.height = l.track.y - gap - l.picture.y;
    l.frequencyAxis.y = l.picture.y;
    l.frequencyAxis.height = l.picture.height;
    l.bandMark = {l.picture.x - px(8), l.picture.y, px(5), l.picture.height};
    l.loopEnd = {l.picture.right(), l.picture.y, endWidth, l.picture.height};
    l.gateMeter = {l.loopEnd.right() + gap, l.picture.y, meterWidth, l.picture.height};
    l.trackLabel = {pad, l.track.y, axisWidth - px(10), stripHeight};
    return l;
}

} // namespace tapestrum::editor
