// SPDX-License-Identifier: ISC
// The loop's picture: the loop's frames across the picture (however long the
// loop), frequencies up on a logarithmic scale, each level's brightness 80 dB
// down from the loop's loudest; the write head, the read head and the loop's
// end marked; the recorded band and the frequency labels on the axis to the
// left; the whole track in a strip below, its unused rest dimmed; the gate
// meter on the right.
#pragma once

#include "core/LoopFeed.h"
#include "editor/EditorLayout.h"

namespace tapestrum::editor {

class Font;

// The picture's column (from its left edge) where a frame's mark stands, and
// the row (from its top) where a bin's frequency lies.
int FrameColumn(int frame, int length, int pictureWidth);
int BinRow(double bin, int pictureHeight);

// picture null: the loop is not available, and the area says so.
void PaintLoop(Canvas& canvas, Font& font, const EditorLayout& layout,
               const LoopFeed::Picture* picture);

} // namespace tapestrum::editor
