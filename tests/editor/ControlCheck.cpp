// SPDX-License-Identifier: ISC
#include "editor/ControlCheck.h"

#include <algorithm>
#include <chrono>

namespace {

using Picture = std::vector<std::uint32_t>;

// Pumps until three pictures in a row are alike and `wanted` (the X server may
// show the editor's drawing a moment after the editor made it), for 3 s at most.
bool Settled(TestParent& parent, std::uintptr_t window, const EditorUnderTest& under,
             const std::function<bool(const Picture&)>& wanted, Picture& shot) {
    Picture previous;
    int alike = 0;
    for (int round = 0; round < 300 && alike < 2; ++round) {
        under.pump();
        shot = parent.snapshot(window);
        alike = !shot.empty() && wanted(shot) && shot == previous ? alike + 1 : 0;
        previous = shot;
    }
    return alike == 2;
}

// The middle of the smallest rectangle holding every pixel in which the two
// pictures differ, or false when none does.
bool MiddleOfDifference(const Picture& a, const Picture& b, int width, int& x, int& y) {
    int left = width, top = 1 << 30, right = -1, bottom = -1;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i]) {
            const int column = static_cast<int>(i) % width, row = static_cast<int>(i) / width;
            left = std::min(left, column), right = std::max(right, column);
            top = std::min(top, row), bottom = std::max(bottom, row);
        }
    x = (left + right) / 2;
    y = (top + bottom) / 2;
    return right >= 0;
}

std::string RisingGesture(const GestureLog& log, int32_t index) {
    const auto& entries = log.entries;
    if (entries.size() < 3 || entries.front().kind != 'b' || entries.back().kind != 'e')
        return "the drag is not begin, values, end";
    float last = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].index != index) return "the drag edits another parameter";
        if (i == 0 || i + 1 == entries.size()) continue;
        if (entries[i].kind != 'p') return "a gesture within the gesture";
        if (entries[i].value < last || entries[i].value > 1) return "the drag's values fall";
        last = entries[i].value;
    }
    return last > 0 ? "" : "the drag's values stay at the start";
}

} // namespace

std::uintptr_t SettledChild(TestParent& parent, bool present) {
    for (int round = 0; round < 1000 && (parent.child() != 0) != present; ++round)
        parent.run(std::chrono::milliseconds(1));
    return parent.child();
}

bool PictureMoves(TestParent& parent, std::uintptr_t window, const std::function<void()>& pump) {
    pump();
    const Picture before = parent.snapshot(window);
    for (int round = 0; round < 300; ++round) {
        pump();
        if (parent.snapshot(window) != before) return true;
    }
    return false;
}

std::string FindControl(TestParent& parent, std::uintptr_t window, const EditorUnderTest& under,
                        int& x, int& y) {
    Picture atZero, atOne, back;
    under.setFromHost(0);
    if (!Settled(
            parent, window, under, [](const Picture&) { return true; }, atZero))
        return "the editor shows nothing";
    under.setFromHost(1);
    if (!Settled(
            parent, window, under, [&](const Picture& shot) { return shot != atZero; }, atOne))
        return "a host-side change leaves the picture as it was";
    under.setFromHost(0);
    if (!Settled(
            parent, window, under, [&](const Picture& shot) { return shot == atZero; }, back))
        return "the picture does not return with the value";
    MiddleOfDifference(atZero, atOne, parent.size(window).first, x, y);
    return "";
}

std::string DragIsAGesture(TestParent& parent, std::uintptr_t window, int32_t index,
                           const EditorUnderTest& under, int x, int y) {
    under.log.entries.clear();
    parent.drag(window, x, y, x + 40, y - 40);
    for (int round = 0; round < 300; ++round) {
        under.pump();
        if (!under.log.entries.empty() && under.log.entries.back().kind == 'e')
            return RisingGesture(under.log, index);
    }
    return "the drag ends no gesture";
}
