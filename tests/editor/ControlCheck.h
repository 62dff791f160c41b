// SPDX-License-Identifier: ISC
// The editor contract's checks of a control in a test parent: a host-side
// change moves it, and a drag on it reaches the host as the gesture a host
// records (begin, values, end).
#pragma once

#include "editor/TestParent.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The parent's child window once it is there (`present`) or gone, running the
// parent's loop for a second at most (the editor's own connection to the X
// server may make or destroy its window a moment after it returns): the child,
// or 0.
std::uintptr_t SettledChild(TestParent& parent, bool present);

// Whether the editor's picture changes by itself while `pump` runs the host's
// loop (the loop it shows moves while audio runs), within 3 s.
bool PictureMoves(TestParent& parent, std::uintptr_t window, const std::function<void()>& pump);

// What a host records of the editor's edits.
struct GestureLog {
    struct Entry {
        char kind; // 'b'egin, 'p'erform (a value), 'e'nd
        int32_t index;
        float value;
    };
    std::vector<Entry> entries;
};

// An editor shown in `parent` as `window`: how the test lets the host's loop
// run, and how it changes one parameter as the host would.
struct EditorUnderTest {
    std::function<void()> pump;
    std::function<void(float)> setFromHost;
    GestureLog& log;
};

// Host-side changes of the parameter to 1 and back to 0 change the editor's
// picture and change it back: "" and (`x`, `y`) the middle of what changed, or
// what failed.
std::string FindControl(TestParent& parent, std::uintptr_t window, const EditorUnderTest& under,
                        int& x, int& y);

// A drag from (`x`, `y`), right and up, reaches the host as one gesture on
// `index` whose values rise above 0 and stay within 1. "" or what failed.
std::string DragIsAGesture(TestParent& parent, std::uintptr_t window, int32_t index,
                           const EditorUnderTest& under, int x, int y);
