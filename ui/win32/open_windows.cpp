#include "ui/win32/open_windows.h"

#include "platform/win32/win32_api.h"

namespace quarlo::ui::win32 {

namespace {
int openWindows = 0;  // only the one UI thread touches it
}  // namespace

void windowOpened() {
    ++openWindows;
}

void windowClosed() {
    if (--openWindows == 0) {
        PostQuitMessage(0);
    }
}

int openWindowCount() {
    return openWindows;
}

HWND RoutedWindow::createWindow(const wchar_t* windowClass, const wchar_t* title, DWORD style,
                                HINSTANCE instance) {
    // The procedure finds the object through the creation parameter, so it
    // must point at this part of the object, not at the whole.
    return CreateWindowExW(0, windowClass, title, style, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this);
}

LRESULT CALLBACK RoutedWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<RoutedWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        windowOpened();
    }
    auto* self = reinterpret_cast<RoutedWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    const LRESULT result = self->handleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // Closing discards the window; the object stays for the next time.
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        windowClosed();
    }
    return result;
}

}  // namespace quarlo::ui::win32
