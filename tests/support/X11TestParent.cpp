// SPDX-License-Identifier: ISC
#include "support/X11TestParent.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <utility>

namespace testhost {

namespace {

std::atomic<int> errorCount{0};

int CountError(Display*, XErrorEvent*) {
    ++errorCount;
    return 0;
}

} // namespace

X11TestParent::X11TestParent(int width, int height) {
    XSetErrorHandler(CountError);
    display = XOpenDisplay(nullptr);
    if (display == nullptr) return;
    parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, unsigned(width),
                                 unsigned(height), 0, 0, 0);
    XMapWindow(display, parent);
    XSync(display, False);
}

X11TestParent::~X11TestParent() {
    if (display == nullptr) return;
    XDestroyWindow(display, parent);
    XCloseDisplay(display);
}

int X11TestParent::errors() { return errorCount.load(); }

std::vector<std::uintptr_t> X11TestParent::children() {
    XSync(display, False);
    Window root = 0, up = 0, *list = nullptr;
    unsigned count = 0;
    std::vector<std::uintptr_t> found;
    if (XQueryTree(display, parent, &root, &up, &list, &count) != 0) {
        found.assign(list, list + count);
        if (list != nullptr) XFree(list);
    }
    return found;
}

X11TestParent::Picture X11TestParent::picture(std::uintptr_t window) {
    Picture shot;
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0 ||
        attributes.map_state != IsViewable)
        return shot;
    XImage* image = XGetImage(display, window, 0, 0, unsigned(attributes.width),
                              unsigned(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) return shot;
    shot.width = attributes.width;
    shot.height = attributes.height;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            shot.pixels.push_back(uint32_t(XGetPixel(image, x, y)) & 0xFFFFFFu);
    XDestroyImage(image);
    return shot;
}

void X11TestParent::drag(std::uintptr_t window, int fromX, int fromY, int toX, int toY, int steps) {
    const auto send = [&](int type, int x, int y, unsigned state, long mask) {
        XEvent event{};
        event.xbutton.type = type;
        event.xbutton.display = display;
        event.xbutton.window = window;
        event.xbutton.root = DefaultRootWindow(display);
        event.xbutton.time = time += 50;
        event.xbutton.x = x;
        event.xbutton.y = y;
        event.xbutton.state = state;
        event.xbutton.button = Button1;
        event.xbutton.same_screen = True;
        XSendEvent(display, window, False, mask, &event);
    };
    send(ButtonPress, fromX, fromY, 0, ButtonPressMask);
    for (int step = 1; step <= steps; ++step) {
        XEvent event{};
        event.xmotion.type = MotionNotify;
        event.xmotion.display = display;
        event.xmotion.window = window;
        event.xmotion.root = DefaultRootWindow(display);
        event.xmotion.time = time += 20;
        event.xmotion.x = fromX + (toX - fromX) * step / steps;
        event.xmotion.y = fromY + (toY - fromY) * step / steps;
        event.xmotion.state = Button1Mask;
        event.xmotion.same_screen = True;
        XSendEvent(display, window, False, PointerMotionMask | Button1MotionMask, &event);
    }
    send(ButtonRelease, toX, toY, Button1Mask, ButtonReleaseMask);
    time += 5000;
    XSync(display, False);
}

bool PumpUntil(const std::function<void()>& pump, const std::function<bool()>& done,
               std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    do {
        pump();
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < end);
    return false;
}

Box Difference(const X11TestParent::Picture& a, const X11TestParent::Picture& b) {
    if (a.width != b.width || a.height != b.height || a.pixels.empty()) return {};
    int left = a.width, top = a.height, right = -1, bottom = -1;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (a.pixels[size_t(y * a.width + x)] != b.pixels[size_t(y * a.width + x)]) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    return right < 0 ? Box{} : Box{left, top, right - left + 1, bottom - top + 1};
}

std::string GestureLog::checkRisingGesture(int32_t index, float from) const {
    if (entries.size() < 3 || entries.front().kind != 'b' || entries.back().kind != 'e')
        return "not begin, values, end";
    float last = from;
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        if (entry.index != index) return "an edit of another parameter";
        const bool inside = i > 0 && i + 1 < entries.size();
        if (inside && entry.kind != 'p') return "a gesture within the gesture";
        if (inside && (entry.value < last || entry.value > 1)) return "a value that falls";
        if (inside) last = entry.value;
    }
    return last > from ? "" : "no value above the start";
}

std::string CheckControl(X11TestParent& parent, std::uintptr_t editor, int32_t index,
                         const EditorUnderTest& under) {
    // A picture is taken once three in a row are alike (the X server may show
    // the editor's drawing a moment after the editor made it).
    const auto settled = [&](const std::function<bool(const X11TestParent::Picture&)>& wanted,
                             X11TestParent::Picture& shot) {
        int alike = 0;
        X11TestParent::Picture previous;
        return PumpUntil(under.pump, [&] {
            shot = parent.picture(editor);
            alike = !shot.pixels.empty() && wanted(shot) && shot == previous ? alike + 1 : 0;
            previous = shot;
            return alike == 2;
        });
    };
    X11TestParent::Picture atZero, atOne, back;
    under.setFromHost(0);
    if (!settled([](const auto&) { return true; }, atZero)) return "the editor shows nothing";
    under.setFromHost(1);
    if (!settled([&](const auto& shot) { return shot != atZero; }, atOne))
        return "a host-side change leaves the picture as it was";
    under.setFromHost(0);
    if (!settled([&](const auto& shot) { return shot == atZero; }, back))
        return "the picture does not return with the value";
    const Box control = Difference(atZero, atOne);

    under.log.entries.clear();
    parent.drag(editor, control.centreX(), control.centreY(), control.centreX() + 40,
                control.centreY() - 40, 8);
    if (!PumpUntil(under.pump, [&] {
            return !under.log.entries.empty() && under.log.entries.back().kind == 'e';
        }))
        return "the drag ends no gesture";
    return under.log.checkRisingGesture(index, 0);
}

} // namespace testhost
