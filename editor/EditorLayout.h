// SPDX-License-Identifier: ISC
// EditorLayout: where everything of the editor stands, in physical pixels, for
// a window size and a scale factor. The picture of the loop takes what the top
// bar and the controls leave; its labels stand outside it, on its left.
#pragma once

#include "core/ParameterTable.h"
#include "editor/Canvas.h"

#include <array>

namespace tapestrum::editor {

struct EditorLayout {
    int width = 0, height = 0;
    double scale = 1.0;
    int textSize = 0;      // control values, the menu
    int smallTextSize = 0; // names, labels
    int padding = 0;

    Rect title;        // the top bar's left part: the effect's name
    Rect presetButton; // the presets menu's button, top right
    Rect presetMenu;   // the menu's list when open, below the button
    int menuItemHeight = 0;
    Rect frequencyAxis; // left of the picture: frequency labels and the recorded band
    Rect bandMark;      // the column of the axis where the band is marked
    Rect picture;       // the loop: frames across, frequencies up
    Rect loopEnd;       // the mark of the loop's end, right of the picture
    Rect gateMeter;     // right of the loop's end: the hop level against the threshold
    Rect track;         // below the picture: the whole track, the loop and the rest
    Rect trackLabel;    // left of it
    std::array<Rect, kParameterCount> controls;
    int controlColumns = 0;

    static EditorLayout For(int width, int height, double scale, int presetCount);
};

} // namespace tapestrum::editor
