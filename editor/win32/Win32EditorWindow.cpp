// SPDX-License-Identifier: ISC
// The editor's window on Windows: a plain child window of the host's HWND. The
// host's message loop drives it: WM_PAINT puts the view's pixels on the screen
// with SetDIBitsToDevice, WM_TIMER (about 30 times a second) asks the view for
// a new picture, and the mouse messages go to the view, the window holding the
// mouse (SetCapture) while a button is down. Everything on the thread that
// made the window, the host's UI thread.
#include "editor/EditorWindow.h"

#include <windows.h>

#include <string>
#include <vector>

namespace tapestrum::editor {
namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerPeriodMs = 33;

// The window class, registered by the first window of this module and
// unregistered with its last. Its name holds the module's address, so that two
// copies of the module in one process never share a class (and a window
// procedure the other may already have unloaded).
HINSTANCE ModuleInstance() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ModuleInstance), &module);
    return module;
}

std::wstring ClassName() {
    return L"tapestrum-editor-" +
           std::to_wstring(reinterpret_cast<std::uintptr_t>(ModuleInstance()));
}

int windowCount = 0; // UI thread

unsigned ModifiersOf(WPARAM keys) { return (keys & (MK_SHIFT | MK_CONTROL)) ? kFine : kNoModifier; }

class Win32EditorWindow final : public EditorWindow {
  public:
    explicit Win32EditorWindow(EditorView& view) : view(view) {}

    ~Win32EditorWindow() override {
        if (window) {
            KillTimer(window, kTimerId);
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            DestroyWindow(window);
        }
        if (--windowCount == 0) UnregisterClassW(ClassName().c_str(), ModuleInstance());
    }

    bool open(HWND parent) {
        if (windowCount++ == 0) {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.style = CS_DBLCLKS;
            windowClass.lpfnWndProc = Procedure;
            windowClass.hInstance = ModuleInstance();
            windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
            const std::wstring name = ClassName();
            windowClass.lpszClassName = name.c_str();
            if (!RegisterClassExW(&windowClass)) return false;
        }
        allocate();
        window =
            CreateWindowExW(0, ClassName().c_str(), L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0,
                            view.width(), view.height(), parent, nullptr, ModuleInstance(), this);
        if (!window) return false;
        SetTimer(window, kTimerId, kTimerPeriodMs, nullptr);
        return true;
    }

    int fileDescriptor() const override { return -1; }
    void handleEvents() override {}

    void tick() override {
        if (!view.tick()) return;
        stale = true;
        InvalidateRect(window, nullptr, FALSE);
    }

    void resize(int width, int height) override {
        view.resize(width, height);
        if (view.width() == imageWidth && view.height() == imageHeight) return;
        allocate();
        SetWindowPos(window, nullptr, 0, 0, view.width(), view.height(),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(window, nullptr, FALSE);
    }

    void show(bool visible) override { ShowWindow(window, visible ? SW_SHOWNA : SW_HIDE); }

    std::uintptr_t nativeHandle() const override {
        return reinterpret_cast<std::uintptr_t>(window);
    }

  private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<Win32EditorWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && self->handle(message, wParam, lParam)) return 0;
        return DefWindowProcW(window, message, wParam, lParam);
    }

    // True when the message was handled here.
    bool handle(UINT message, WPARAM wParam, LPARAM lParam) {
        const int x = static_cast<short>(LOWORD(lParam));
        const int y = static_cast<short>(HIWORD(lParam));
        switch (message) {
        case WM_PAINT:
            paint();
            return true;
        case WM_ERASEBKGND:
            return true;
        case WM_TIMER:
            if (wParam != kTimerId) return false;
            tick();
            return true;
        case WM_SIZE:
            // The host sized the window itself: the view takes the size, as far
            // as its limits allow.
            view.resize(LOWORD(lParam), HIWORD(lParam));
            if (view.width() != imageWidth || view.height() != imageHeight) allocate();
            InvalidateRect(window, nullptr, FALSE);
            return true;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            SetCapture(window);
            view.mouseDown(x, y, ModifiersOf(wParam), message == WM_LBUTTONDBLCLK);
            break;
        case WM_MOUSEMOVE:
            view.mouseMove(x, y, ModifiersOf(wParam));
            break;
        case WM_LBUTTONUP:
            view.mouseUp(x, y, ModifiersOf(wParam));
            if (GetCapture() == window) ReleaseCapture();
            break;
        case WM_MOUSEWHEEL: {
            POINT point{x, y}; // the wheel's position is on the screen
            ScreenToClient(window, &point);
            view.wheel(point.x, point.y,
                       GET_WHEEL_DELTA_WPARAM(wParam) / static_cast<float>(WHEEL_DELTA),
                       ModifiersOf(GET_KEYSTATE_WPARAM(wParam)));
            break;
        }
        default:
            return false;
        }
        stale = true;
        InvalidateRect(window, nullptr, FALSE);
        return true;
    }

    void paint() {
        PAINTSTRUCT paintStruct;
        HDC context = BeginPaint(window, &paintStruct);
        if (stale) {
            view.paint(PixelBuffer{pixels.data(), imageWidth, imageHeight, imageWidth});
            stale = false;
        }
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = imageWidth;
        info.bmiHeader.biHeight = -imageHeight; // rows top to bottom
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(context, 0, 0, static_cast<DWORD>(imageWidth),
                          static_cast<DWORD>(imageHeight), 0, 0, 0, static_cast<UINT>(imageHeight),
                          pixels.data(), &info, DIB_RGB_COLORS);
        EndPaint(window, &paintStruct);
    }

    void allocate() {
        imageWidth = view.width();
        imageHeight = view.height();
        pixels.assign(static_cast<std::size_t>(imageWidth) * static_cast<std::size_t>(imageHeight),
                      0);
        stale = true;
    }

    EditorView& view;
    HWND window = nullptr;
    std::vector<std::uint32_t> pixels;
    int imageWidth = 0;
    int imageHeight = 0;
    bool stale = true; // the view's picture changed since it was last painted
};

} // namespace

std::unique_ptr<EditorWindow> EditorWindow::create(std::uintptr_t parent, EditorView& view) {
    const HWND parentWindow = reinterpret_cast<HWND>(parent);
    if (!parentWindow || !IsWindow(parentWindow)) return nullptr;
    auto window = std::make_unique<Win32EditorWindow>(view);
    if (!window->open(parentWindow)) return nullptr;
    return window;
}

} // namespace tapestrum::editor
