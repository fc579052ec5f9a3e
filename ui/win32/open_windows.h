#pragma once

#include "platform/win32/win32_api.h"

// The program ends when its last window closes, whichever that is: closing
// the main window while the About window is open leaves the program running.
namespace quarlo::ui::win32 {

void windowOpened();
// Posts the quit message when no window remains.
void windowClosed();
int openWindowCount();

// A window whose messages go to its object. The object is the creation
// parameter of CreateWindowExW and windowProc its class's procedure; window_
// is its window from WM_NCCREATE up to WM_NCDESTROY, and the window counts as
// open for as long.
class RoutedWindow {
  public:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  protected:
    RoutedWindow() = default;
    virtual ~RoutedWindow() = default;
    RoutedWindow(const RoutedWindow&) = delete;
    RoutedWindow& operator=(const RoutedWindow&) = delete;

    // A top-level window of a class whose procedure is windowProc, at the
    // system's default place and size; null when it cannot be made.
    HWND createWindow(const wchar_t* windowClass, const wchar_t* title, DWORD style,
                      HINSTANCE instance);
    // Every message from WM_NCCREATE on; what it leaves goes to DefWindowProcW.
    virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    HWND window_ = nullptr;
};

}  // namespace quarlo::ui::win32
