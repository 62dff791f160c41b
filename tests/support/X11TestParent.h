// SPDX-License-Identifier: ISC
// A host's side of an editor under X11, for the editor tests (run on a virtual
// X server, Xvfb): a top-level parent window for the editor's child, the X
// errors the process saw, the child's pixels, a mouse drag sent to it as input
// events, and the gesture a host records from the editor's edits.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using XDisplay = struct _XDisplay;

namespace testhost {

class X11TestParent {
  public:
    X11TestParent(int width, int height);
    ~X11TestParent();
    X11TestParent(const X11TestParent&) = delete;
    X11TestParent& operator=(const X11TestParent&) = delete;

    bool open() const { return display != nullptr; }
    std::uintptr_t window() const { return parent; }
    // The parent's children (the editor's window while one is attached),
    // once every request made so far is answered.
    std::vector<std::uintptr_t> children();
    // X errors in the process, on any connection, since the first parent.
    static int errors();

    // The pixels of a window, row after row (empty if it cannot be read).
    struct Picture {
        int width = 0, height = 0;
        std::vector<uint32_t> pixels;
        bool operator==(const Picture&) const = default;
    };
    Picture picture(std::uintptr_t window);

    // A press of the first button at `from`, moves in `steps` to `to` with the
    // button held, and a release there, sent to `window` as X input events.
    void drag(std::uintptr_t window, int fromX, int fromY, int toX, int toY, int steps);

  private:
    XDisplay* display = nullptr;
    std::uintptr_t parent = 0;
    unsigned long time = 100000; // the events' times, far apart (no double-click)
};

// Calls `pump` until `done` says so or the time runs out; whether it did.
bool PumpUntil(const std::function<void()>& pump, const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::milliseconds(3000));

// The smallest rectangle that holds every pixel in which two pictures of the
// same size differ; empty (width 0) when they are the same.
struct Box {
    int x = 0, y = 0, width = 0, height = 0;
    int centreX() const { return x + width / 2; }
    int centreY() const { return y + height / 2; }
};
Box Difference(const X11TestParent::Picture& a, const X11TestParent::Picture& b);

// What a host records of the editor's edits: begin, values, end.
struct GestureLog {
    struct Entry {
        char kind; // 'b'egin, 'p'erform, 'e'nd
        int32_t index;
        float value;
    };
    std::vector<Entry> entries;
    // "" when the log is one whole gesture on `index` (begin, at least one
    // value, end, nothing else) whose values rise from above `from` to no more
    // than 1; otherwise what is wrong.
    std::string checkRisingGesture(int32_t index, float from) const;
};

// An editor in `parent`, as a test drives it: the host's idle call or run loop,
// and a host-side change of one parameter.
struct EditorUnderTest {
    std::function<void()> pump;
    std::function<void(float)> setFromHost;
    GestureLog& log;
};
// Host-side changes of the parameter `index` to 1 and back to 0 move its
// control (the editor's picture changes, and changes back); a drag from the
// middle of what changed, right and up, then reaches the host as one gesture
// on `index` with rising values. "" or what failed.
std::string CheckControl(X11TestParent& parent, std::uintptr_t editor, int32_t index,
                         const EditorUnderTest& under);

} // namespace testhost
