#include "ui/win32/dialogs.h"

#include "app/saves_window.h"
#include "ui/win32/wide.h"

namespace quarlo::ui::win32 {

namespace {

constexpr WORD kPromptId = 100;
constexpr WORD kComboId = 101;

// A dialog template in memory, laid out in dialog units: the header, then
// each control's item, every item on a DWORD boundary.
class DialogTemplate {
  public:
    DialogTemplate(DWORD style, short cx, short cy, WORD items) {
        dword(style | DS_SETFONT);
        dword(0);  // extended style
        words_.push_back(items);
        box(0, 0, cx, cy);
        words_.push_back(0);  // no menu
        words_.push_back(0);  // the standard dialog class
        text(L"");            // the title comes with WM_INITDIALOG
        words_.push_back(8);
        text(L"MS Shell Dlg");
    }

    // `atom`: 0x0080 button, 0x0082 static, 0x0085 combo box.
    void item(WORD atom, DWORD style, short x, short y, short cx, short cy, WORD id,
              const wchar_t* title) {
        if (words_.size() % 2 != 0) {
            words_.push_back(0);
        }
        dword(style | WS_CHILD | WS_VISIBLE);
        dword(0);
        box(x, y, cx, cy);
        words_.push_back(id);
        words_.push_back(0xFFFF);
        words_.push_back(atom);
        text(title);
        words_.push_back(0);  // no creation data
    }

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

  private:
    void dword(DWORD value) {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    void box(short x, short y, short cx, short cy) {
        for (const short v : {x, y, cx, cy}) {
            words_.push_back(static_cast<WORD>(v));
        }
    }
    void text(const wchar_t* s) {
        for (; *s != L'\0'; ++s) {
            words_.push_back(static_cast<WORD>(*s));
        }
        words_.push_back(0);
    }

    std::vector<WORD> words_;  // new[] aligns it for the DWORDs
};

struct Question {
    std::wstring title;
    std::wstring prompt;
    std::vector<std::wstring> characters;
    std::wstring answer;
};

INT_PTR CALLBACK characterProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            const auto* q = reinterpret_cast<const Question*>(lParam);
            SetWindowTextW(dialog, q->title.c_str());
            SetDlgItemTextW(dialog, kPromptId, q->prompt.c_str());
            HWND combo = GetDlgItem(dialog, kComboId);
            for (const std::wstring& name : q->characters) {
                SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
            }
            SendMessageW(combo, CB_SETCURSEL, 0, 0);
            return TRUE;  // the focus goes to the combo box, the first tab stop
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                auto* q = reinterpret_cast<Question*>(GetWindowLongPtrW(dialog, DWLP_USER));
                HWND combo = GetDlgItem(dialog, kComboId);
                std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(combo)) + 1, L'\0');
                text.resize(static_cast<std::size_t>(
                    GetWindowTextW(combo, text.data(), static_cast<int>(text.size()))));
                q->answer = std::move(text);
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

std::optional<std::string> askCharacter(HWND owner, const std::string& title,
                                        const std::string& prompt,
                                        const std::vector<std::string>& characters) {
    DialogTemplate form(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 240, 70, 4);
    form.item(0x0082, SS_LEFT, 7, 7, 226, 18, kPromptId, L"");
    form.item(0x0085, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 7, 28, 226, 90,
              kComboId, L"");
    form.item(0x0080, BS_DEFPUSHBUTTON | WS_TABSTOP, 129, 49, 50, 14, IDOK, L"OK");
    form.item(0x0080, BS_PUSHBUTTON | WS_TABSTOP, 183, 49, 50, 14, IDCANCEL, L"Cancel");
    Question q{toWide(title), toWide(prompt), {}, {}};
    for (const std::string& name : characters) {
        q.characters.push_back(toWide(name));
    }
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), form.get(), owner,
                                                   &characterProc, reinterpret_cast<LPARAM>(&q));
    if (result != IDOK) {
        return std::nullopt;
    }
    return toUtf8(q.answer);
}

bool askYes(HWND owner, const std::string& title, const std::string& question) {
    return MessageBoxW(owner, toWide(question).c_str(), toWide(title).c_str(),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1) == IDYES;
}

void tell(HWND owner, const std::string& title, const std::string& text) {
    const bool failed = text.rfind("Failed.", 0) == 0;
    MessageBoxW(owner, toWide(text).c_str(), toWide(title).c_str(),
                MB_OK | (failed ? MB_ICONWARNING : MB_ICONINFORMATION));
}

bool confirmSortPlan(HWND owner, const app::SortPlan& plan) {
    const std::string text = "Sort moves " + app::countOf(plan.movable(), "save") +
                             " from Saves into the folders of their players:\n\n" +
                             app::planText(plan) + "\nSort now?";
    return MessageBoxW(owner, toWide(text).c_str(), toWide(app::text::kSortLooseSaves).c_str(),
                       MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

UINT popUpMenu(HMENU menu, POINT at, HWND owner) {
    return static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                            at.x, at.y, 0, owner, nullptr));
}

}  // namespace

Dialogs systemDialogs() {
    return Dialogs{&askCharacter, &askYes, &tell, &confirmSortPlan, &popUpMenu};
}

}  // namespace quarlo::ui::win32
