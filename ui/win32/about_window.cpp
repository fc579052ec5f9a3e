#include "ui/win32/about_window.h"

#include <utility>

#include "app/language.h"
#include "ui/win32/control_set.h"
#include "ui/win32/dpi.h"
#include "ui/win32/open_windows.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/wide.h"

namespace quarlo::ui::win32 {

namespace {

const wchar_t* const kClassName = L"QuarloAbout";
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;
constexpr int kPictureSize = 50;  // pixels at 96 dpi

// The title line's own face, normal weight, underlined, Western character
// set.
HFONT createTitleFont(int dpi) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(design::kAboutTitleCentipoints, dpi, 7200);
    font.lfWeight = FW_NORMAL;
    font.lfUnderline = TRUE;
    font.lfCharSet = ANSI_CHARSET;
    lstrcpynW(font.lfFaceName, toWide(design::kAboutTitleFace).c_str(), LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

}  // namespace

bool AboutWindow::registerClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &RoutedWindow::windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    // No icon of its own: the system's default one.
    return RegisterClassExW(&wc) != 0;
}

AboutWindow::~AboutWindow() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
    releaseResources();
}

void AboutWindow::show() {
    if (window_ != nullptr) {
        if (IsIconic(window_)) {
            ShowWindow(window_, SW_RESTORE);
        }
        SetForegroundWindow(window_);
        BringWindowToTop(window_);
        return;
    }
    // No owner: an independent top-level window with a task-bar entry of its
    // own, neither kept above the main window nor minimized with it.
    HWND window = createWindow(kClassName, L"About", kStyle, instance_);
    if (window == nullptr) {
        return;
    }
    for (const ControlPlace& place : kAboutControls) {
        createControl(window, instance_, place,
                      place.id == kAboutLabel2 ? static_cast<DWORD>(SS_CENTER)
                                               : static_cast<DWORD>(SS_LEFTNOWORDWRAP));
    }
    for (const ControlPlace& place : kLanguageControls) {
        createControl(window, instance_, place, SS_LEFTNOWORDWRAP);
    }
    HWND choice = GetDlgItem(window, kLanguageChoice);
    for (const app::LanguageChoice& c : app::languageChoices()) {
        SendMessageW(choice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(toWide(c.name).c_str()));
    }
    SendMessageW(choice, CB_SETCURSEL, app::keptLanguageChoice(), 0);
    languageNote_.clear();
    applyDpi(windowDpi(window));
    ShowWindow(window, SW_SHOWNORMAL);
}

void AboutWindow::releaseResources() {
    for (auto* font : {&font_, &titleFont_}) {
        if (*font != nullptr) {
            DeleteObject(*font);
            *font = nullptr;
        }
    }
    for (auto* icon : {&crest_, &scroll_}) {
        if (*icon != nullptr) {
            DestroyIcon(*icon);
            *icon = nullptr;
        }
    }
}

void AboutWindow::applyDpi(int dpi) {
    // The old fonts and pictures go once the controls hold the new ones.
    AboutWindow old(instance_);
    std::swap(old.font_, font_);
    std::swap(old.titleFont_, titleFont_);
    std::swap(old.crest_, crest_);
    std::swap(old.scroll_, scroll_);
    // The main window's font: both are fitted to the same texts.
    font_ = createDialogFont(dpi, textsToFit(dpi));
    titleFont_ = createTitleFont(dpi);
    const int picture = MulDiv(kPictureSize, dpi, USER_DEFAULT_SCREEN_DPI);
    crest_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(QUARLO_IDI_ABOUT_CREST),
                                           IMAGE_ICON, picture, picture, 0));
    scroll_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(QUARLO_IDI_ABOUT_SCROLL),
                                            IMAGE_ICON, picture, picture, 0));
    const SIZE outer = outerSize(twipsToPixels(kAboutClient.width, dpi),
                                 twipsToPixels(kAboutClient.height, dpi), kStyle, 0, dpi);
    SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (const ControlPlace& place : kAboutControls) {
        placeControl(window_, place, dpi);
        HWND control = GetDlgItem(window_, place.id);
        if (place.kind == Kind::Picture) {
            HICON icon = place.id == kAboutPicture2 ? crest_ : scroll_;
            SendMessageW(control, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
        } else {
            HFONT font = place.id == kAboutLabel2 ? titleFont_ : font_;
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            setLabelText(control, trw(place.text));
        }
    }
    for (const ControlPlace& place : kLanguageControls) {
        placeControl(window_, place, dpi);
        HWND control = GetDlgItem(window_, place.id);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        if (place.kind == Kind::Choice) {
            // A drop-down list's height is its list's: room for every language.
            const Rect r = toPixels(place, dpi);
            SetWindowPos(control, nullptr, 0, 0, r.width, r.height * 9,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        } else {
            setLabelText(control, place.id == kLanguageNote ? languageNote_ : trw(place.text));
        }
    }
}

// The window handles the language chosen; the rest is its own upkeep.
LRESULT AboutWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = window_;
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == kLanguageChoice && HIWORD(wParam) == CBN_SELCHANGE) {
                const LRESULT index =
                    SendMessageW(reinterpret_cast<HWND>(lParam), CB_GETCURSEL, 0, 0);
                languageNote_ = toWide(app::keepLanguageChoice(static_cast<std::size_t>(index)));
                setLabelText(GetDlgItem(window, kLanguageNote), languageNote_);
                return 0;
            }
            break;
        case WM_DPICHANGED: {
            applyDpi(HIWORD(wParam));
            moveToSuggestedRect(window, lParam);
            return 0;
        }
        case WM_NCDESTROY:
            releaseResources();
            break;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace quarlo::ui::win32
