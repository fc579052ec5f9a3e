#pragma once

#include <string>
#include <vector>

#include "platform/win32/win32_api.h"

namespace quarlo::ui::win32 {

// The DPI a window is shown at: its monitor's where the system tells it
// (Windows 10 1607 and later), else the system's.
int windowDpi(HWND window);

// The outer size of a window whose client area is `clientWidth` x
// `clientHeight` pixels at `dpi`, for its styles.
SIZE outerSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi,
               bool menu = false);

// A text that must fit a width in pixels.
struct FittingText {
    std::wstring text;
    int width;
};

// The platform's default dialog face (DEFAULT_GUI_FONT's) at 8 points for
// `dpi`, or a pixel or more smaller where that face is wider than the one the
// layout was drawn with (Wine's Tahoma is), so that every one of `mustFit`
// fits its width.
HFONT createDialogFont(int dpi, const std::vector<FittingText>& mustFit);

}  // namespace quarlo::ui::win32
