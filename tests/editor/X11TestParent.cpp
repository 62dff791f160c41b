// SPDX-License-Identifier: ISC
// The editors' test parent on Linux: a top-level X11 window on a connection of
// the test's own, on the X server DISPLAY names or, when none answers, on an
// Xvfb started for the program (and stopped when it ends).
#include "editor/TestParent.h"
#include "editor/TestRunLoop.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::atomic<int> errorCount{0};

int CountError(Display*, XErrorEvent* error) {
    char text[256] = {};
    XGetErrorText(error->display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "X error: %s (request %d)\n", text, error->request_code);
    ++errorCount;
    return 0;
}

bool ServerAnswers() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    XCloseDisplay(display);
    return true;
}

pid_t xvfb = 0;

void StopXvfb() {
    if (xvfb <= 0) return;
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    xvfb = 0;
}

// Starts Xvfb on a display number it picks and writes back, and points
// DISPLAY at it. False when it cannot be started or does not answer in time.
bool StartXvfb() {
    int ready[2];
    if (pipe(ready) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, ready[0]);
    const std::string fd = std::to_string(ready[1]);
    const char* arguments[] = {"Xvfb",         "-displayfd", fd.c_str(), "-screen",  "0",
                               "1280x1024x24", "-nolisten",  "tcp",      "-noreset", nullptr};
    pid_t pid = 0;
    const int spawned =
        posix_spawnp(&pid, "Xvfb", &actions, nullptr, const_cast<char**>(arguments), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ready[1]);
    std::string number;
    pollfd watched{ready[0], POLLIN, 0};
    char c = 0;
    while (spawned == 0 && poll(&watched, 1, 10000) > 0 && read(ready[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(ready[0]);
    if (spawned != 0) return false;
    xvfb = pid;
    std::atexit(StopXvfb);
    if (number.empty()) return false;
    setenv("DISPLAY", (":" + number).c_str(), 1);
    return ServerAnswers();
}

} // namespace

std::string TestParent::Unavailable() {
    static const std::string reason = [] {
        if (ServerAnswers() || StartXvfb()) return std::string();
        return std::string("no X server: DISPLAY names none that answers, and Xvfb (Debian's xvfb) "
                           "could not be started");
    }();
    return reason;
}

struct TestParent::Impl {
    Display* display = nullptr;
    Window window = 0;
    XErrorHandler previousHandler = nullptr;
    Time time = 1000;
};

TestParent::TestParent(int width, int height) : impl(std::make_unique<Impl>()) {
    impl->display = XOpenDisplay(nullptr);
    if (!impl->display) return;
    impl->previousHandler = XSetErrorHandler(CountError);
    errorCount = 0;
    impl->window =
        XCreateSimpleWindow(impl->display, DefaultRootWindow(impl->display), 0, 0,
                            static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0, 0);
    XMapWindow(impl->display, impl->window);
    XSync(impl->display, False);
}

TestParent::~TestParent() {
    if (!impl->display) return;
    XDestroyWindow(impl->display, impl->window);
    XSync(impl->display, False);
    XSetErrorHandler(impl->previousHandler);
    XCloseDisplay(impl->display);
}

std::uintptr_t TestParent::handle() const { return impl->window; }

int TestParent::errors() const {
    if (impl->display) XSync(impl->display, False);
    return errorCount;
}

std::uintptr_t TestParent::child() const {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(impl->display, impl->window, &root, &parent, &children, &count)) return 0;
    const Window first = count > 0 ? children[0] : 0;
    if (children) XFree(children);
    return first;
}

bool TestParent::visible(std::uintptr_t window) const {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(impl->display, window, &attributes) &&
           attributes.map_state == IsViewable;
}

std::pair<int, int> TestParent::size(std::uintptr_t window) const {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(impl->display, window, &attributes)) return {0, 0};
    return {attributes.width, attributes.height};
}

std::vector<std::uint32_t> TestParent::snapshot(std::uintptr_t window) const {
    const auto [width, height] = size(window);
    std::vector<std::uint32_t> pixels;
    if (width <= 0 || height <= 0) return pixels;
    XImage* image = XGetImage(impl->display, window, 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) return pixels;
    pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y) & 0xffffff));
    XDestroyImage(image);
    return pixels;
}

long TestParent::embedFlags(std::uintptr_t window) const {
    const Atom info = XInternAtom(impl->display, "_XEMBED_INFO", True);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (info == None || XGetWindowProperty(impl->display, window, info, 0, 2, False, info, &type,
                                           &format, &count, &after, &data) != Success)
        return -1;
    const long flags =
        data && format == 32 && count == 2 ? reinterpret_cast<const long*>(data)[1] : -1;
    if (data) XFree(data);
    return flags;
}

namespace {

// A press (ButtonPress), a release (ButtonRelease) or a move with the first
// button down (MotionNotify), sent straight to the window, as the server would
// send it to the client that asked for it.
void SendPointer(Display* display, Window window, int type, int x, int y, Time time) {
    XEvent event{};
    if (type == MotionNotify) {
        event.xmotion = {MotionNotify,
                         0,
                         False,
                         display,
                         window,
                         DefaultRootWindow(display),
                         0,
                         time,
                         x,
                         y,
                         0,
                         0,
                         Button1Mask,
                         NotifyNormal,
                         True};
        XSendEvent(display, window, False, PointerMotionMask, &event);
        return;
    }
    event.xbutton = {type,
                     0,
                     False,
                     display,
                     window,
                     DefaultRootWindow(display),
                     0,
                     time,
                     x,
                     y,
                     0,
                     0,
                     type == ButtonRelease ? static_cast<unsigned>(Button1Mask) : 0u,
                     Button1,
                     True};
    XSendEvent(display, window, False, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask,
               &event);
}

} // namespace

// The times run on, a second apart from one call to the next, so that two
// drags never make a double-click.
void TestParent::drag(std::uintptr_t window, int x0, int y0, int x1, int y1) {
    constexpr int kSteps = 4;
    const Time start = impl->time += 1000;
    SendPointer(impl->display, window, ButtonPress, x0, y0, start);
    for (int step = 1; step <= kSteps; ++step)
        SendPointer(impl->display, window, MotionNotify, x0 + (x1 - x0) * step / kSteps,
                    y0 + (y1 - y0) * step / kSteps, start + step);
    SendPointer(impl->display, window, ButtonRelease, x1, y1, start + kSteps + 1);
    XFlush(impl->display);
}

void TestParent::doubleClick(std::uintptr_t window, int x, int y) {
    const Time start = impl->time += 1000;
    for (const Time at : {start, start + 150}) {
        SendPointer(impl->display, window, ButtonPress, x, y, at);
        SendPointer(impl->display, window, ButtonRelease, x, y, at + 1);
    }
    XFlush(impl->display);
}

void TestParent::run(std::chrono::milliseconds time) {
    runLoop.run(time, nullptr);
    XSync(impl->display, False);
}
