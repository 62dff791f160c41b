// SPDX-License-Identifier: ISC
// The editors' test parent on Windows: a top-level window of the test's own,
// and the thread's message loop between the run loop's timers.
#include "editor/TestParent.h"
#include "editor/TestRunLoop.h"

#include <windows.h>

namespace {

constexpr const wchar_t* kClassName = L"tapestrum-test-parent";

HWND AsWindow(std::uintptr_t window) { return reinterpret_cast<HWND>(window); }

void HandleMessages(int timeoutMs) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(timeoutMs), QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

} // namespace

// Under wine a window needs an X server (DISPLAY): without one, a window can be
// made but not a child of it.
std::string TestParent::Unavailable() {
    static const std::string reason = [] {
        TestParent probe(100, 100);
        const HWND child = CreateWindowExW(0, kClassName, L"", WS_CHILD, 0, 0, 10, 10,
                                           reinterpret_cast<HWND>(probe.handle()), nullptr,
                                           GetModuleHandleW(nullptr), nullptr);
        if (!probe.handle() || !child)
            return std::string("no windows here (under wine, DISPLAY must name an X server: "
                               "scripts/wine-run.sh starts Xvfb when TAPESTRUM_WINE_XVFB is set)");
        DestroyWindow(child);
        return std::string();
    }();
    return reason;
}

struct TestParent::Impl {
    HWND window = nullptr;
};

TestParent::TestParent(int width, int height) : impl(std::make_unique<Impl>()) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass); // fails harmlessly when a parent made it before
    impl->window =
        CreateWindowExW(0, kClassName, L"editor test host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                        0, 0, width, height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(impl->window, SW_SHOWNA);
}

TestParent::~TestParent() {
    DestroyWindow(impl->window);
    HandleMessages(0);
}

std::uintptr_t TestParent::handle() const { return reinterpret_cast<std::uintptr_t>(impl->window); }

int TestParent::errors() const { return 0; }

std::uintptr_t TestParent::child() const {
    return reinterpret_cast<std::uintptr_t>(GetWindow(impl->window, GW_CHILD));
}

bool TestParent::visible(std::uintptr_t window) const {
    return IsWindowVisible(AsWindow(window)) != FALSE;
}

std::pair<int, int> TestParent::size(std::uintptr_t window) const {
    RECT rect{};
    if (!GetClientRect(AsWindow(window), &rect)) return {0, 0};
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// The window's contents as the screen has them, copied into a top-down DIB.
std::vector<std::uint32_t> TestParent::snapshot(std::uintptr_t window) const {
    const auto [width, height] = size(window);
    std::vector<std::uint32_t> pixels;
    if (width <= 0 || height <= 0) return pixels;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(AsWindow(window));
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    if (first)
        pixels.assign(first,
                      first + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::uint32_t& pixel : pixels)
        pixel &= 0xffffff;
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(AsWindow(window), screen);
    return pixels;
}

long TestParent::embedFlags(std::uintptr_t) const { return -1; }

// The mouse messages, posted to the window as the system would post them.
void TestParent::drag(std::uintptr_t window, int x0, int y0, int x1, int y1) {
    const HWND target = AsWindow(window);
    PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x0, y0));
    constexpr int kSteps = 4;
    for (int step = 1; step <= kSteps; ++step)
        PostMessageW(target, WM_MOUSEMOVE, MK_LBUTTON,
                     MAKELPARAM(x0 + (x1 - x0) * step / kSteps, y0 + (y1 - y0) * step / kSteps));
    PostMessageW(target, WM_LBUTTONUP, 0, MAKELPARAM(x1, y1));
}

// The second press as the system makes it of a real one close enough to the
// first: a double-click message.
void TestParent::doubleClick(std::uintptr_t window, int x, int y) {
    const HWND target = AsWindow(window);
    for (const UINT press : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}) {
        PostMessageW(target, press, MK_LBUTTON, MAKELPARAM(x, y));
        PostMessageW(target, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
}

void TestParent::run(std::chrono::milliseconds time) { runLoop.run(time, HandleMessages); }
