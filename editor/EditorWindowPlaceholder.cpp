// SPDX-License-Identifier: ISC
// A stand-in for the platform window until the real one is merged: an Xlib
// child window embedded by XEmbed that paints the view and passes the mouse on.
// On Windows no window is made. Deleted at the merge.
#include "editor/EditorWindow.h"

#if defined(_WIN32)
std::unique_ptr<tapestrum::editor::EditorWindow>
tapestrum::editor::EditorWindow::create(std::uintptr_t, EditorView&) {
    return nullptr;
}
#else
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <vector>

namespace tapestrum::editor {
namespace {

class PlaceholderWindow final : public EditorWindow {
  public:
    PlaceholderWindow(Display* display, ::Window parent, EditorView& view)
        : display(display), view(view) {
        window = XCreateSimpleWindow(display, parent, 0, 0, unsigned(view.width()),
                                     unsigned(view.height()), 0, 0, 0);
        XSelectInput(display, window,
                     ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask);
        const long info[2] = {0, 0}; // version 0, not mapped: the embedder maps it
        const Atom atom = XInternAtom(display, "_XEMBED_INFO", False);
        XChangeProperty(display, window, atom, atom, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(info), 2);
        XFlush(display);
    }
    ~PlaceholderWindow() override {
        XDestroyWindow(display, window);
        XCloseDisplay(display);
    }
    int fileDescriptor() const override { return ConnectionNumber(display); }
    void handleEvents() override {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            const unsigned fine =
                (event.xbutton.state & (ShiftMask | ControlMask)) ? unsigned(kFine) : 0u;
            if (event.type == Expose) {
                paint();
            } else if (event.type == ButtonPress && event.xbutton.button <= 1) {
                const bool twice = event.xbutton.time - lastPress < 300;
                lastPress = event.xbutton.time;
                view.mouseDown(event.xbutton.x, event.xbutton.y, fine, twice);
            } else if (event.type == ButtonPress && event.xbutton.button <= 5) {
                view.wheel(event.xbutton.x, event.xbutton.y, event.xbutton.button == 4 ? 1 : -1,
                           fine);
            } else if (event.type == MotionNotify) {
                view.mouseMove(event.xmotion.x, event.xmotion.y, fine);
            } else if (event.type == ButtonRelease && event.xbutton.button == 1) {
                view.mouseUp(event.xbutton.x, event.xbutton.y, fine);
            }
        }
    }
    void tick() override {
        handleEvents();
        if (view.tick()) paint();
    }
    void resize(int width, int height) override {
        view.resize(width, height);
        XResizeWindow(display, window, unsigned(view.width()), unsigned(view.height()));
        paint();
    }
    void show(bool visible) override {
        if (visible)
            XMapWindow(display, window);
        else
            XUnmapWindow(display, window);
        XFlush(display);
    }
    std::uintptr_t nativeHandle() const override { return window; }

  private:
    void paint() {
        pixels.assign(size_t(view.width()) * size_t(view.height()), 0);
        view.paint({pixels.data(), view.width(), view.height(), view.width()});
        XImage image{};
        image.width = view.width();
        image.height = view.height();
        image.format = ZPixmap;
        image.data = reinterpret_cast<char*>(pixels.data());
        image.byte_order = LSBFirst;
        image.bitmap_unit = image.bitmap_pad = image.bits_per_pixel = 32;
        image.bitmap_bit_order = LSBFirst;
        image.depth = 24;
        image.bytes_per_line = view.width() * 4;
        image.red_mask = 0xFF0000;
        image.green_mask = 0xFF00;
        image.blue_mask = 0xFF;
        XInitImage(&image);
        XPutImage(display, window, DefaultGC(display, DefaultScreen(display)), &image, 0, 0, 0, 0,
                  unsigned(image.width), unsigned(image.height));
        XFlush(display);
    }

    Display* display;
    EditorView& view;
    ::Window window = 0;
    Time lastPress = 0;
    std::vector<std::uint32_t> pixels;
};

} // namespace

std::unique_ptr<EditorWindow> EditorWindow::create(std::uintptr_t parent, EditorView& view) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return nullptr;
    if (parent == 0) {
        XCloseDisplay(display);
        return nullptr;
    }
    return std::make_unique<PlaceholderWindow>(display, ::Window(parent), view);
}

} // namespace tapestrum::editor
#endif
