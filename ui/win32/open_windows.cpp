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

}  // namespace quarlo::ui::win32
