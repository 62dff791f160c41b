// SPDX-License-Identifier: ISC
// The editor's window on Linux: an Xlib child window of the host's parent,
// embedded by XEmbed, over a connection of its own to the X server.
//
// The window carries the _XEMBED_INFO property (version 0, not mapped) from the
// request that creates it on, so an embedding host sees it before it first looks
// at the window; such a host maps it. show(true) maps it too (and says so in the
// property), for hosts that only hand over a parent.
//
// The view paints into memory the window owns; an XImage over that memory puts
// it on the screen. Nothing here blocks: events are read only while XPending
// says some have arrived. Everything runs on the host's UI thread.
#include "editor/EditorWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <vector>

namespace tapestrum::editor {
namespace {

// Two presses of the first button this close in time (milliseconds) and place
// (pixels either way) make a double-click.
constexpr Time kDoubleClickTime = 400;
constexpr int kDoubleClickDistance = 4;

constexpr long kXEmbedVersion = 0;
constexpr long kXEmbedMapped = 1;

constexpr long kEventMask =
    ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | StructureNotifyMask;

unsigned ModifiersOf(unsigned state) {
    return (state & (ShiftMask | ControlMask)) ? kFine : kNoModifier;
}

// Whether an X call on one connection failed, learnt without taking the
// process's error handler away from the host for longer than the call: the
// trap's handler is installed, the requests are made and answered (XSync), and
// the previous handler is back before the trap's scope ends. Errors of other
// connections in that moment go to the previous handler.
class ErrorTrap {
  public:
    explicit ErrorTrap(Display* display) : display(display) {
        XSync(display, False);
        trapped = display;
        failed = false;
        previous = XSetErrorHandler(Handler);
    }
    ~ErrorTrap() { XSetErrorHandler(previous); }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    bool anyError() {
        XSync(display, False);
        return failed;
    }

  private:
    static int Handler(Display* errorDisplay, XErrorEvent* error) {
        if (errorDisplay == trapped) {
            failed = true;
            return 0;
        }
        return previous ? previous(errorDisplay, error) : 0;
    }

    Display* display;
    static inline Display* trapped = nullptr;
    static inline bool failed = false;
    static inline XErrorHandler previous = nullptr;
};

class X11EditorWindow final : public EditorWindow {
  public:
    X11EditorWindow(Display* display, Window window, Visual* visual, Colormap colormap,
                    Atom xembedInfo, EditorView& view)
        : display(display), window(window), visual(visual), colormap(colormap), view(view),
          xembedInfo(xembedInfo) {
        gc = XCreateGC(display, window, 0, nullptr);
        allocateImage();
    }

    ~X11EditorWindow() override {
        // The host may have destroyed the parent, and with it this window: its
        // DestroyNotify is then among the pending events.
        drainEvents();
        releaseImage();
        XFreeGC(display, gc);
        if (!destroyed) XDestroyWindow(display, window);
        if (colormap != None) XFreeColormap(display, colormap);
        XCloseDisplay(display);
    }

    int fileDescriptor() const override { return ConnectionNumber(display); }

    void handleEvents() override {
        drainEvents();
        putImage();
    }

    void tick() override {
        if (view.tick()) stale = true;
        handleEvents();
    }

    void resize(int width, int height) override {
        view.resize(width, height);
        if (destroyed) return;
        if (view.width() != imageWidth || view.height() != imageHeight) {
            XResizeWindow(display, window, static_cast<unsigned>(view.width()),
                          static_cast<unsigned>(view.height()));
            allocateImage();
        }
        handleEvents();
    }

    void show(bool visible) override {
        if (destroyed) return;
        const long info[2] = {kXEmbedVersion, visible ? kXEmbedMapped : 0};
        XChangeProperty(display, window, xembedInfo, xembedInfo, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(info), 2);
        if (visible)
            XMapRaised(display, window);
        else
            XUnmapWindow(display, window);
        XFlush(display);
    }

    std::uintptr_t nativeHandle() const override { return window; }

  private:
    void drainEvents() {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            handle(event);
        }
    }

    void handle(const XEvent& event) {
        if (event.xany.window != window) return;
        switch (event.type) {
        case Expose:
            if (event.xexpose.count == 0) exposed = true;
            break;
        case ConfigureNotify:
            // The host sized the window itself (an embedding host does): the view
            // takes the size, as far as its limits allow.
            if (event.xconfigure.width != imageWidth || event.xconfigure.height != imageHeight) {
                view.resize(event.xconfigure.width, event.xconfigure.height);
                if (view.width() != imageWidth || view.height() != imageHeight) allocateImage();
            }
            break;
        case DestroyNotify:
            destroyed = true;
            break;
        case ButtonPress:
            press(event.xbutton);
            break;
        case ButtonRelease:
            if (event.xbutton.button == Button1) {
                view.mouseUp(event.xbutton.x, event.xbutton.y, ModifiersOf(event.xbutton.state));
                stale = true;
            }
            break;
        case MotionNotify:
            view.mouseMove(event.xmotion.x, event.xmotion.y, ModifiersOf(event.xmotion.state));
            stale = true;
            break;
        default:
            break;
        }
    }

    // The first button presses (a second press close enough to the last makes a
    // double-click, a third starts over); buttons 4 and 5 are the wheel's steps.
    void press(const XButtonEvent& button) {
        const unsigned modifiers = ModifiersOf(button.state);
        if (button.button == Button4 || button.button == Button5) {
            view.wheel(button.x, button.y, button.button == Button4 ? 1.0f : -1.0f, modifiers);
        } else if (button.button == Button1) {
            const bool doubleClick = clickPending &&
                                     button.time - lastClickTime <= kDoubleClickTime &&
                                     std::abs(button.x - lastClickX) <= kDoubleClickDistance &&
                                     std::abs(button.y - lastClickY) <= kDoubleClickDistance;
            clickPending = !doubleClick;
            lastClickTime = button.time;
            lastClickX = button.x;
            lastClickY = button.y;
            view.mouseDown(button.x, button.y, modifiers, doubleClick);
        } else {
            return;
        }
        stale = true;
    }

    // Paints when the picture changed, and puts it on the screen when it was
    // painted or the server lost the window's contents.
    void putImage() {
        if (stale) {
            view.paint(PixelBuffer{pixels.data(), imageWidth, imageHeight, imageWidth});
            stale = false;
            exposed = true;
        }
        if (!exposed || destroyed || !image) return;
        exposed = false;
        XPutImage(display, window, gc, image, 0, 0, 0, 0, static_cast<unsigned>(imageWidth),
                  static_cast<unsigned>(imageHeight));
        XFlush(display);
    }

    // The image at the view's size, over the window's own pixel memory, in the
    // order this machine stores the words (Xlib swaps them for a server of the
    // other order).
    void allocateImage() {
        releaseImage();
        imageWidth = view.width();
        imageHeight = view.height();
        pixels.assign(static_cast<std::size_t>(imageWidth) * static_cast<std::size_t>(imageHeight),
                      0);
        image =
            XCreateImage(display, visual, 24, ZPixmap, 0, reinterpret_cast<char*>(pixels.data()),
                         static_cast<unsigned>(imageWidth), static_cast<unsigned>(imageHeight), 32,
                         imageWidth * 4);
        if (image) {
            const std::uint32_t probe = 1;
            image->byte_order =
                *reinterpret_cast<const unsigned char*>(&probe) ? LSBFirst : MSBFirst;
        }
        stale = true;
    }

    void releaseImage() {
        if (!image) return;
        image->data = nullptr; // the memory is the vector's
        XDestroyImage(image);
        image = nullptr;
    }

    Display* display;
    Window window;
    Visual* visual;
    Colormap colormap; // None when the window uses the screen's own
    EditorView& view;
    Atom xembedInfo;
    GC gc = nullptr;
    XImage* image = nullptr;
    std::vector<std::uint32_t> pixels;
    int imageWidth = 0;
    int imageHeight = 0;
    bool stale = true;    // the view's picture changed since it was last painted
    bool exposed = false; // the window's contents must be put on the screen again
    bool destroyed = false;
    bool clickPending = false;
    Time lastClickTime = 0;
    int lastClickX = 0;
    int lastClickY = 0;
};

// A 24-bit true-colour visual whose pixels are 0x00RRGGBB, as the view paints.
bool FindVisual(Display* display, int screen, XVisualInfo& info) {
    return XMatchVisualInfo(display, screen, 24, TrueColor, &info) && info.red_mask == 0xff0000 &&
           info.green_mask == 0x00ff00 && info.blue_mask == 0x0000ff;
}

} // namespace

std::unique_ptr<EditorWindow> EditorWindow::create(std::uintptr_t parent, EditorView& view) {
    if (parent == 0) return nullptr;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return nullptr;
    const Window parentWindow = static_cast<Window>(parent);
    XWindowAttributes parentAttributes{};
    bool parentExists = false;
    {
        ErrorTrap trap(display);
        parentExists = XGetWindowAttributes(display, parentWindow, &parentAttributes) != 0;
        parentExists = !trap.anyError() && parentExists;
    }
    XVisualInfo visual{};
    if (!parentExists ||
        !FindVisual(display, XScreenNumberOfScreen(parentAttributes.screen), visual)) {
        XCloseDisplay(display);
        return nullptr;
    }
    // A window of another depth or visual than its parent's needs a colormap of
    // its own and a border pixel.
    const bool screenVisual = visual.visual == DefaultVisual(display, visual.screen);
    const Colormap colormap =
        screenVisual ? None
                     : XCreateColormap(display, parentAttributes.root, visual.visual, AllocNone);
    // Named before the window exists (a round trip), so that the property goes
    // out in the same batch of requests as the window: nobody sees the window
    // without it.
    const Atom xembedInfo = XInternAtom(display, "_XEMBED_INFO", False);
    XSetWindowAttributes attributes{};
    attributes.event_mask = kEventMask;
    attributes.background_pixel = 0;
    attributes.border_pixel = 0;
    attributes.colormap = screenVisual ? DefaultColormap(display, visual.screen) : colormap;
    const Window window = XCreateWindow(
        display, parentWindow, 0, 0, static_cast<unsigned>(view.width()),
        static_cast<unsigned>(view.height()), 0, visual.depth, InputOutput, visual.visual,
        CWEventMask | CWBackPixel | CWBorderPixel | CWColormap, &attributes);
    const long info[2] = {kXEmbedVersion, 0};
    XChangeProperty(display, window, xembedInfo, xembedInfo, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(info), 2);
    // The window exists for the host once create returns.
    XSync(display, False);
    return std::make_unique<X11EditorWindow>(display, window, visual.visual, colormap, xembedInfo,
                                             view);
}

} // namespace tapestrum::editor
