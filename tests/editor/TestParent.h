// SPDX-License-Identifier: ISC
// TestParent: what a host gives an editor, for the editors' tests: a top-level
// window to be the editor's parent, and the host's run loop (timers, and on
// Linux descriptors watched for reading). It reads back what a user would see
// (the child window, its size and pixels) and sends the input a user would
// give. Linux: an X11 window on the X server of DISPLAY, or on an Xvfb started
// for the program when there is none; X errors on any connection of the
// program are counted. Windows: a Win32 window and the thread's message loop.
// Everything on the thread that made it.
#pragma once

#include "editor/TestRunLoop.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TestParent {
  public:
    // Why no editor can be shown here (no display, and none can be started), or
    // empty. Tests skip with this reason.
    static std::string Unavailable();

    TestParent(int width, int height);
    ~TestParent();
    TestParent(const TestParent&) = delete;
    TestParent& operator=(const TestParent&) = delete;

    std::uintptr_t handle() const;
    // Errors the window system reported since the parent was made.
    int errors() const;

    // The parent's child window (the editor's), or 0.
    std::uintptr_t child() const;
    bool visible(std::uintptr_t window) const;
    // The window's size, or 0 x 0 when it cannot be read.
    std::pair<int, int> size(std::uintptr_t window) const;
    // The window's pixels as 0x00RRGGBB, rows top to bottom.
    std::vector<std::uint32_t> snapshot(std::uintptr_t window) const;
    // The _XEMBED_INFO flags the window carries, or -1 without the property
    // (always -1 on Windows).
    long embedFlags(std::uintptr_t window) const;
    // A press of the first button at (x0, y0), a move in steps to (x1, y1) and
    // the release there, sent to the window as the window system's input.
    void drag(std::uintptr_t window, int x0, int y0, int x1, int y1);
    // Two clicks of the first button at (x, y), as close in time as a user's
    // double-click.
    void doubleClick(std::uintptr_t window, int x, int y);

    // The run loop, as a host's timer and descriptor support offers it.
    TestRunLoop& loop() { return runLoop; }
    const TestRunLoop& loop() const { return runLoop; }
    // Runs the loop for the time: fires what is due and ready, handles the
    // window system's messages.
    void run(std::chrono::milliseconds time);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl;
    TestRunLoop runLoop;
};
