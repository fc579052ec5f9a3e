#include "ui/win32/control_set.h"

#include "ui/win32/wide.h"

namespace quarlo::ui::win32 {

namespace {

struct ClassAndStyle {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
};

ClassAndStyle classFor(Kind kind, DWORD labelAlignment) {
    switch (kind) {
        case Kind::Label:
            return {L"STATIC", labelAlignment | SS_NOPREFIX, 0};
        case Kind::Button:
            return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
        case Kind::Edit:
            return {L"EDIT", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
        case Kind::List:
            return {L"LISTBOX", LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
                    WS_EX_CLIENTEDGE};
        case Kind::Check:
            // Three states, so the program can show 2 (greyed); the window
            // toggles it between 0 and 1 itself when the user clicks.
            return {L"BUTTON", BS_3STATE | WS_TABSTOP, 0};
        case Kind::ScrollBar:
            return {L"SCROLLBAR", SBS_HORZ | WS_TABSTOP, 0};
        case Kind::Picture:
            return {L"STATIC", SS_ICON, 0};
        case Kind::Choice:
            return {L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0};
    }
    return {L"STATIC", SS_LEFTNOWORDWRAP, 0};
}

}  // namespace

HWND createControl(HWND parent, HINSTANCE instance, const ControlPlace& place,
                   DWORD labelAlignment) {
    const ClassAndStyle c = classFor(place.kind, labelAlignment);
    // Labels get their text once they have a font to fit it with. The check
    // box is as wide as its box, so its caption would only show as a sliver
    // of its first letter: it has none on screen.
    const std::wstring text =
        place.kind == Kind::Label || place.kind == Kind::Check ? std::wstring() : trw(place.text);
    HWND control = CreateWindowExW(
        c.exStyle, c.className, text.c_str(), WS_CHILD | WS_VISIBLE | c.style, 0, 0, 0, 0, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(place.id)), instance, nullptr);
    return control;
}

std::vector<FittingText> textsToFit(int dpi) {
    // A push button's frame and the space beside its caption.
    const int buttonMargins = 2 * MulDiv(4, dpi, USER_DEFAULT_SCREEN_DPI);
    std::vector<FittingText> texts;
    for (const design::TextToFit& t : design::textsToFit()) {
        const int width = twipsToPixels(t.widthTwips, dpi);
        texts.push_back({toWide(t.text), t.onButton ? width - buttonMargins : width});
    }
    return texts;
}

void placeControl(HWND parent, const ControlPlace& place, int dpi) {
    const Rect r = toPixels(place, dpi);
    SetWindowPos(GetDlgItem(parent, place.id), nullptr, r.left, r.top, r.width, r.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void setLabelText(HWND label, const std::wstring& text) {
    RECT client{};
    GetClientRect(label, &client);
    HDC dc = GetDC(label);
    HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    const design::MeasureText measure = [dc](std::string_view piece) {
        const std::wstring wide = toWide(piece);
        SIZE size{};
        GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
        return static_cast<int>(size.cx);
    };
    const std::wstring shown =
        toWide(design::firstLineThatFits(toUtf8(text), client.right - client.left, measure));
    SelectObject(dc, previous);
    ReleaseDC(label, dc);
    SetWindowTextW(label, shown.c_str());
}

void moveToSuggestedRect(HWND window, LPARAM suggestedRect) {
    const RECT* r = reinterpret_cast<const RECT*>(suggestedRect);
    SetWindowPos(window, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace quarlo::ui::win32
