// SPDX-License-Identifier: ISC
// EditorWindow: the platform's child window that shows an EditorView inside a
// host's window and passes the user's input back to it. editor/x11/ holds the
// Linux one, editor/win32/ the Windows one; each module links the one of its
// platform.
#pragma once
#include "editor/EditorView.h"
#include <cstdint>
#include <memory>
namespace tapestrum::editor {
// A child window of the host's parent showing an EditorView: Xlib on Linux
// (embedded by XEmbed), Win32 + GDI on Windows. All calls on the UI thread.
class EditorWindow {
  public:
    // parent: an X11 Window id, or an HWND, as the format passes it. Null on failure
    // (no display, bad parent): the face then refuses to attach.
    static std::unique_ptr<EditorWindow> create(std::uintptr_t parent, EditorView& view);
    virtual ~EditorWindow() = default;
    // The X connection's file descriptor to watch for reading (-1 on Windows).
    virtual int fileDescriptor() const = 0;
    // Handles every pending event without blocking (call when the descriptor is readable,
    // or on any timer tick); input goes to the view.
    virtual void handleEvents() = 0;
    // The timer: view.tick(), and paints when it says so.
    virtual void tick() = 0;
    // The host resized the parent's slot: the view takes the size, the window follows.
    virtual void resize(int width, int height) = 0;
    virtual void show(bool visible) = 0;
    virtual std::uintptr_t nativeHandle() const = 0;
};
// Set when the user resizes from inside the view, if ever (not needed now).
} // namespace tapestrum::editor
