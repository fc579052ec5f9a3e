#include "ui/win32/dpi.h"

namespace quarlo::ui::win32 {

namespace {

constexpr int kDialogFontPoints = 8;
// Below this a smaller font helps no one: the text is cut instead.
constexpr int kSmallestFontPoints = 6;

// Looked up at run time so the program still starts on systems without them.
template <typename Function>
Function user32Function(const char* name) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
               : nullptr;
}

}  // namespace

int windowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = user32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow != nullptr && window != nullptr) {
        if (const UINT dpi = getDpiForWindow(window)) {
            return static_cast<int>(dpi);
        }
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

SIZE outerSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi, bool menu) {
    using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = user32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    RECT r{0, 0, clientWidth, clientHeight};
    if (adjustForDpi == nullptr || !adjustForDpi(&r, style, menu ? TRUE : FALSE, exStyle, dpi)) {
        AdjustWindowRectEx(&r, style, menu ? TRUE : FALSE, exStyle);
    }
    return SIZE{r.right - r.left, r.bottom - r.top};
}

HFONT createDialogFont(int dpi, const std::vector<FittingText>& mustFit) {
    LOGFONTW font{};
    if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font) == 0) {
        lstrcpynW(font.lfFaceName, L"MS Shell Dlg", LF_FACESIZE);
        font.lfCharSet = DEFAULT_CHARSET;
    }
    font.lfWidth = 0;
    const int fullHeight = MulDiv(kDialogFontPoints, dpi, 72);
    const int smallestHeight = MulDiv(kSmallestFontPoints, dpi, 72);
    HDC screen = GetDC(nullptr);
    HFONT chosen = nullptr;
    for (int height = fullHeight; chosen == nullptr; --height) {
        font.lfHeight = -height;
        HFONT candidate = CreateFontIndirectW(&font);
        HGDIOBJ previous = SelectObject(screen, candidate);
        bool fits = true;
        for (const FittingText& t : mustFit) {
            SIZE size{};
            GetTextExtentPoint32W(screen, t.text.c_str(), static_cast<int>(t.text.size()), &size);
            fits = fits && size.cx <= t.width;
        }
        SelectObject(screen, previous);
        if (fits || height <= smallestHeight) {
            chosen = candidate;
        } else {
            DeleteObject(candidate);
        }
    }
    ReleaseDC(nullptr, screen);
    return chosen;
}

}  // namespace quarlo::ui::win32
