#pragma once

#include <string>
#include <vector>

#include "platform/win32/win32_api.h"
#include "ui/win32/dpi.h"
#include "ui/win32/layout.h"

// The platform's own controls, made and placed as the design describes them.
namespace quarlo::ui::win32 {

// Creates one child control of `parent`, visible, with the design's text.
// Labels take no access keys ("&" shows as itself) and never wrap; buttons
// are plain push buttons, none of them a default button. `labelAlignment`
// replaces a label's left alignment (SS_CENTER for a centred title).
HWND createControl(HWND parent, HINSTANCE instance, const ControlPlace& place,
                   DWORD labelAlignment = SS_LEFTNOWORDWRAP);

// The texts both front ends fit (design::textsToFit), each with the width
// its control leaves it at `dpi`: a button's less its frame and margins.
std::vector<FittingText> textsToFit(int dpi);

// Puts the control where the design has it, at `dpi`.
void placeControl(HWND parent, const ControlPlace& place, int dpi);

// Shows on a one-line label what fits of `text` in its font: whole words up
// to its width, or the first word cut by its right edge.
void setLabelText(HWND label, const std::wstring& text);

// Moves a window to the rectangle a WM_DPICHANGED message suggests.
void moveToSuggestedRect(HWND window, LPARAM suggestedRect);

}  // namespace quarlo::ui::win32
