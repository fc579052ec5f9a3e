#include "ui/win32/dialogs.h"

#include "texts/catalogue.h"

#include "app/saves_window.h"
#include "app/transfer_text.h"
#include "ui/win32/wide.h"
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace quarlo::ui::win32 {

namespace {

constexpr WORD kPromptId = 100;
constexpr WORD kComboId = 101;
constexpr WORD kHeadingId = 102;
constexpr WORD kBodyId = 103;
constexpr WORD kProgressId = 104;
constexpr WORD kNameEditId = 107;

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

    // `atom`: 0x0080 button, 0x0081 edit, 0x0082 static, 0x0085 combo box.
    void item(WORD atom, DWORD style, short x, short y, short cx, short cy, WORD id,
              const wchar_t* title) {
        begin(style, x, y, cx, cy, id);
        words_.push_back(0xFFFF);
        words_.push_back(atom);
        text(title);
        words_.push_back(0);  // no creation data
    }
    // A control of a class known by name, such as the progress bar's.
    void item(const wchar_t* className, DWORD style, short x, short y, short cx, short cy,
              WORD id) {
        begin(style, x, y, cx, cy, id);
        text(className);
        text(L"");
        words_.push_back(0);
    }

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

  private:
    void begin(DWORD style, short x, short y, short cx, short cy, WORD id) {
        if (words_.size() % 2 != 0) {
            words_.push_back(0);
        }
        dword(style | WS_CHILD | WS_VISIBLE);
        dword(0);
        box(x, y, cx, cy);
        words_.push_back(id);
    }
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

// One question answered with a line of text: in a drop-down list of
// characters (kComboId), or in an edit box holding `answer` at first
// (kNameEditId).
struct Question {
    std::wstring title;
    std::wstring prompt;
    std::vector<std::wstring> characters;
    std::wstring answer;
    WORD input = kComboId;
};

INT_PTR CALLBACK questionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            const auto* q = reinterpret_cast<const Question*>(lParam);
            SetWindowTextW(dialog, q->title.c_str());
            SetDlgItemTextW(dialog, kPromptId, q->prompt.c_str());
            HWND input = GetDlgItem(dialog, q->input);
            if (q->input == kComboId) {
                for (const std::wstring& name : q->characters) {
                    SendMessageW(input, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
                }
                SendMessageW(input, CB_SETCURSEL, 0, 0);
            } else {
                SetWindowTextW(input, q->answer.c_str());
                SendMessageW(input, EM_SETSEL, 0, -1);
            }
            return TRUE;  // the focus goes to the input, the first tab stop
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                auto* q = reinterpret_cast<Question*>(GetWindowLongPtrW(dialog, DWLP_USER));
                HWND input = GetDlgItem(dialog, q->input);
                std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(input)) + 1, L'\0');
                text.resize(static_cast<std::size_t>(
                    GetWindowTextW(input, text.data(), static_cast<int>(text.size()))));
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
    form.item(0x0080, BS_DEFPUSHBUTTON | WS_TABSTOP, 129, 49, 50, 14, IDOK, trw("OK").c_str());
    form.item(0x0080, BS_PUSHBUTTON | WS_TABSTOP, 183, 49, 50, 14, IDCANCEL, trw("Cancel").c_str());
    Question q{trw(title), eachLineW(prompt), {}, {}};
    for (const std::string& name : characters) {
        q.characters.push_back(toWide(name));
    }
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), form.get(), owner,
                                                   &questionProc, reinterpret_cast<LPARAM>(&q));
    if (result != IDOK) {
        return std::nullopt;
    }
    return toUtf8(q.answer);
}

bool askYes(HWND owner, const std::string& title, const std::string& question) {
    return MessageBoxW(owner, eachLineW(question).c_str(), trw(title).c_str(),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1) == IDYES;
}

// A heading, a wide read-only text that scrolls, and one or two buttons.
struct Report {
    std::wstring title;
    std::wstring heading;
    std::wstring body;
};

INT_PTR CALLBACK reportProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            const auto* r = reinterpret_cast<const Report*>(lParam);
            SetWindowTextW(dialog, r->title.c_str());
            SetDlgItemTextW(dialog, kHeadingId, r->heading.c_str());
            SetDlgItemTextW(dialog, kBodyId, r->body.c_str());
            SetFocus(GetDlgItem(dialog, IDOK));
            return FALSE;  // the focus is set: on the default button
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

// The text with Windows' line breaks, which a multi-line edit control needs.
std::wstring withCrLf(const std::string& text) {
    std::wstring out;
    for (const wchar_t c : eachLineW(text)) {
        if (c == L'\n') {
            out += L'\r';
        }
        out += c;
    }
    return out;
}

bool showReport(HWND owner, const std::string& title, const std::string& heading,
                const std::string& body, const wchar_t* okText, bool withCancel) {
    DialogTemplate form(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 340, 200,
                        withCancel ? 4 : 3);
    form.item(0x0082, SS_LEFT, 7, 7, 326, 20, kHeadingId, L"");
    form.item(0x0081,
              ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER | WS_TABSTOP, 7,
              30, 326, 142, kBodyId, L"");
    const short okX = withCancel ? 229 : 283;
    form.item(0x0080, BS_DEFPUSHBUTTON | WS_TABSTOP, okX, 179, 50, 14, IDOK, okText);
    if (withCancel) {
        form.item(0x0080, BS_PUSHBUTTON | WS_TABSTOP, 283, 179, 50, 14, IDCANCEL,
                  trw("Cancel").c_str());
    }
    Report report{trw(title), withCrLf(heading), withCrLf(body)};
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), form.get(), owner, &reportProc,
                                   reinterpret_cast<LPARAM>(&report)) == IDOK;
}

void tell(HWND owner, const std::string& title, const std::string& text) {
    const std::size_t cut = text.find("\n\n");
    if (cut != std::string::npos) {
        showReport(owner, title, text.substr(0, cut), text.substr(cut + 2), trw("OK").c_str(),
                   false);
        return;
    }
    const bool failed = text.rfind("Failed.", 0) == 0;
    MessageBoxW(owner, eachLineW(text).c_str(), trw(title).c_str(),
                MB_OK | (failed ? MB_ICONWARNING : MB_ICONINFORMATION));
}

bool confirmSortPlan(HWND owner, const app::SortPlan& plan) {
    return showReport(
        owner, app::text::kSortLooseSaves,
        texts::format(
            texts::trn("Sort moves {1} save from Saves into the folder of its player:",
                       "Sort moves {1} saves from Saves into the folders of their players:",
                       plan.movable()),
            {std::to_string(plan.movable())}),
        (plan.warning.empty() ? std::string() : plan.warning + "\n\n") +
            app::planText(plan, texts::tr),
        trw("&Sort").c_str(), true);
}

std::optional<std::string> askName(HWND owner, const std::string& title, const std::string& prompt,
                                   const std::string& initial) {
    DialogTemplate form(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 240, 70, 4);
    form.item(0x0082, SS_LEFT | SS_NOPREFIX, 7, 7, 226, 18, kPromptId, L"");
    form.item(0x0081, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 28, 226, 14, kNameEditId, L"");
    form.item(0x0080, BS_DEFPUSHBUTTON | WS_TABSTOP, 129, 49, 50, 14, IDOK, trw("OK").c_str());
    form.item(0x0080, BS_PUSHBUTTON | WS_TABSTOP, 183, 49, 50, 14, IDCANCEL, trw("Cancel").c_str());
    Question q{trw(title), eachLineW(prompt), {}, toWide(initial), kNameEditId};
    if (DialogBoxIndirectParamW(GetModuleHandleW(nullptr), form.get(), owner, &questionProc,
                                reinterpret_cast<LPARAM>(&q)) != IDOK) {
        return std::nullopt;
    }
    return toUtf8(q.answer);
}

constexpr WORD kTidyWarningId = 108;
constexpr WORD kTidyKeepId = 109;
constexpr WORD kTidyIntroId = 110;
constexpr WORD kTidyListId = 111;
constexpr WORD kTidyKeepLabelId = 112;

// The Tidy Up plan's dialog: its state while it is open.
struct TidyDialog {
    app::TidyPlan* plan;
    const std::function<app::TidyPlan(std::size_t keep)>* replan;
    bool filling = false;

    static std::wstring why(const app::TidyPlan& plan, const app::TidyItem& item) {
        switch (item.kind) {
            case app::TidyItem::Kind::old:
                return toWide(texts::trf("Older than the newest {1}", {std::to_string(plan.keep)}));
            case app::TidyItem::Kind::stray:
                return trw("Co-save without its save");
            case app::TidyItem::Kind::unloadable:
                break;
        }
        return trw("The game cannot load it");
    }

    void tell(HWND dialog) const {
        SetDlgItemTextW(dialog, kTidyIntroId, trw(app::tidyIntro(*plan)).c_str());
    }

    void fill(HWND dialog) {
        filling = true;
        HWND list = GetDlgItem(dialog, kTidyListId);
        SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
        for (int i = 0; i < static_cast<int>(plan->items.size()); ++i) {
            const app::TidyItem& item = plan->items[static_cast<std::size_t>(i)];
            const std::wstring cells[] = {trw(app::tidyItemFile(item)), why(*plan, item),
                                          trw(item.facts)};
            LVITEMW row{};
            row.mask = LVIF_TEXT;
            row.iItem = i;
            row.pszText = const_cast<wchar_t*>(cells[0].c_str());
            SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row));
            for (int c = 1; c < 3; ++c) {
                LVITEMW cell{};
                cell.iSubItem = c;
                cell.pszText = const_cast<wchar_t*>(cells[c].c_str());
                SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(i),
                             reinterpret_cast<LPARAM>(&cell));
            }
            LVITEMW check{};
            check.stateMask = LVIS_STATEIMAGEMASK;
            check.state = INDEXTOSTATEIMAGEMASK(item.chosen ? 2 : 1);
            SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(&check));
        }
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
        filling = false;
        tell(dialog);
    }
};

INT_PTR CALLBACK tidyProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<TidyDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            state = reinterpret_cast<TidyDialog*>(lParam);
            SetWindowTextW(dialog, trw(app::text::kTidyUp).c_str());
            SetDlgItemTextW(dialog, kTidyWarningId, withCrLf(state->plan->warning).c_str());
            HWND list = GetDlgItem(dialog, kTidyListId);
            SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE,
                         LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES,
                         LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
            RECT box{};
            GetClientRect(list, &box);
            const int widths[] = {box.right * 2 / 5, box.right / 4, box.right * 7 / 20 - 4};
            const std::wstring titles[] = {trw("File"), trw("Why"), trw("Facts")};
            for (int i = 0; i < 3; ++i) {
                LVCOLUMNW column{};
                column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
                column.pszText = const_cast<wchar_t*>(titles[i].c_str());
                column.cx = widths[i];
                column.iSubItem = i;
                SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                             reinterpret_cast<LPARAM>(&column));
            }
            state->filling = true;
            SetDlgItemInt(dialog, kTidyKeepId, static_cast<UINT>(state->plan->keep), FALSE);
            state->fill(dialog);
            return TRUE;
        }
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (state != nullptr && !state->filling && header->idFrom == kTidyListId &&
                header->code == LVN_ITEMCHANGED) {
                const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
                if ((change->uChanged & LVIF_STATE) != 0 && change->iItem >= 0 &&
                    change->iItem < static_cast<int>(state->plan->items.size())) {
                    state->plan->items[static_cast<std::size_t>(change->iItem)].chosen =
                        ((change->uNewState & LVIS_STATEIMAGEMASK) >> 12) == 2;
                    state->tell(dialog);
                }
            }
            break;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == kTidyKeepId && HIWORD(wParam) == EN_CHANGE && state != nullptr &&
                !state->filling) {
                BOOL ok = FALSE;
                const UINT keep = GetDlgItemInt(dialog, kTidyKeepId, &ok, FALSE);
                if (ok) {
                    *state->plan = (*state->replan)(keep);
                    state->fill(dialog);
                }
                return TRUE;
            }
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

bool confirmTidyPlan(HWND owner, app::TidyPlan& plan,
                     const std::function<app::TidyPlan(std::size_t keep)>& replan) {
    // 400 x 240 dialog units: about 600 x 390 pixels at 96 dpi, within the
    // smallest screens the program is made for.
    const short warning = plan.warning.empty() ? 0 : 44;
    DialogTemplate form(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 400,
                        static_cast<short>(196 + warning), 7);
    form.item(0x0082, SS_LEFT | SS_NOPREFIX, 7, 7, 386, warning, kTidyWarningId, L"");
    form.item(0x0082, SS_LEFT, 7, static_cast<short>(9 + warning), 60, 10, kTidyKeepLabelId,
              trw("&Keep the newest").c_str());
    form.item(0x0081, ES_NUMBER | WS_BORDER | WS_TABSTOP, 70, static_cast<short>(7 + warning), 30,
              12, kTidyKeepId, L"");
    form.item(0x0082, SS_LEFT | SS_NOPREFIX, 7, static_cast<short>(23 + warning), 386, 18,
              kTidyIntroId, L"");
    form.item(
        WC_LISTVIEWW,
        LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_BORDER | WS_TABSTOP,
        7, static_cast<short>(43 + warning), 386, 128, kTidyListId);
    form.item(0x0080, BS_DEFPUSHBUTTON | WS_TABSTOP, 289, static_cast<short>(177 + warning), 50, 14,
              IDOK, trw("&Tidy Up").c_str());
    form.item(0x0080, BS_PUSHBUTTON | WS_TABSTOP, 343, static_cast<short>(177 + warning), 50, 14,
              IDCANCEL, trw("Cancel").c_str());
    TidyDialog state{&plan, &replan};
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), form.get(), owner, &tidyProc,
                                   reinterpret_cast<LPARAM>(&state)) == IDOK;
}

// The progress window's state, shared with the thread that does the work.
struct Running {
    std::atomic<std::size_t> done{0};
    std::atomic<std::size_t> total{0};
    std::atomic<bool> cancel{false};
};

INT_PTR CALLBACK progressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) {
                auto* running = reinterpret_cast<Running*>(GetWindowLongPtrW(dialog, DWLP_USER));
                running->cancel = true;
                SetDlgItemTextW(dialog, kHeadingId,
                                trw("Stopping after this save\xE2\x80\xA6").c_str());
                EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

BOOL CALLBACK collectEnabled(HWND window, LPARAM list) {
    if (IsWindowEnabled(window) && IsWindowVisible(window)) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    }
    return TRUE;
}

void runWithProgress(HWND owner, const std::string& title,
                     const std::function<void(const saves::Progress&)>& work) {
    Running running;
    // No window takes input while the work runs on what they show; each
    // still paints, as its messages are dispatched below.
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), &collectEnabled, reinterpret_cast<LPARAM>(&disabled));
    for (HWND w : disabled) {
        EnableWindow(w, FALSE);
    }
    HANDLE finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread worker([&] {
        work([&running](std::size_t done, std::size_t total) {
            running.done = done;
            running.total = total;
            return !running.cancel.load();
        });
        SetEvent(finished);
    });
    const ULONGLONG start = GetTickCount64();
    HWND dialog = nullptr;
    std::optional<int> quit;
    while (MsgWaitForMultipleObjects(1, &finished, FALSE, 50, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = static_cast<int>(message.wParam);
                continue;
            }
            if (dialog == nullptr || !IsDialogMessageW(dialog, &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        if (dialog == nullptr && GetTickCount64() - start >= 500) {
            DialogTemplate form(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION, 200, 62, 3);
            form.item(0x0082, SS_LEFT, 7, 7, 186, 10, kHeadingId, L"");
            form.item(PROGRESS_CLASSW, 0, 7, 21, 186, 10, kProgressId);
            form.item(0x0080, BS_PUSHBUTTON | WS_TABSTOP, 143, 41, 50, 14, IDCANCEL,
                      trw("Cancel").c_str());
            dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), form.get(), owner,
                                                &progressProc, reinterpret_cast<LPARAM>(&running));
            if (dialog != nullptr) {
                SetWindowTextW(dialog, trw(title).c_str());
                ShowWindow(dialog, SW_SHOW);
            }
        }
        if (dialog != nullptr && !running.cancel) {
            const std::size_t total = running.total;
            const std::size_t done = std::min<std::size_t>(running.done, total);
            const std::string line = texts::format(N_("{1} of {2} saves done."),
                                                   {std::to_string(done), std::to_string(total)});
            SetDlgItemTextW(dialog, kHeadingId, trw(line).c_str());
            HWND bar = GetDlgItem(dialog, kProgressId);
            SendMessageW(bar, PBM_SETRANGE32, 0,
                         static_cast<LPARAM>(std::max<std::size_t>(total, 1)));
            SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(done), 0);
        }
    }
    worker.join();
    CloseHandle(finished);
    for (HWND w : disabled) {
        if (IsWindow(w)) {
            EnableWindow(w, TRUE);
        }
    }
    if (dialog != nullptr) {
        DestroyWindow(dialog);
    }
    if (owner != nullptr && IsWindow(owner)) {
        SetActiveWindow(owner);
    }
    if (quit) {
        PostQuitMessage(*quit);
    }
}

constexpr WORD kBackupsListId = 105;
constexpr WORD kStoreSizeId = 106;
constexpr WORD kRestoreId = 201;
constexpr WORD kRemoveId = 202;

// The Restore list's view: a report list view and a line in a dialog, over
// the logic's rows.
class RestoreList final : public app::BackupsView {
  public:
    RestoreList(app::BackupsSource source, std::function<void()> savesChanged)
        : logic_(std::move(source), *this), savesChanged_(std::move(savesChanged)) {}

    void attach(HWND dialog) {
        dialog_ = dialog;
        list_ = GetDlgItem(dialog, kBackupsListId);
        SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                     LVS_EX_FULLROWSELECT);
        const struct {
            std::wstring title;
            int width;
        } columns[] = {
            {trw("Made"), 125}, {trw("Why"), 175}, {trw("Saves"), 45}, {trw("Newest save"), 240}};
        for (int i = 0; i < 4; ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            column.pszText = const_cast<wchar_t*>(columns[i].title.c_str());
            column.cx = columns[i].width;
            column.iSubItem = i;
            SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(&column));
        }
        logic_.onOpen();
    }
    app::BackupsWindow& logic() { return logic_; }

    void setTitle(const std::string& title) override {
        SetWindowTextW(dialog_, trw(title).c_str());
    }
    void setRows(const std::vector<app::BackupRow>& rows) override {
        SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
        for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
            const app::BackupRow& r = rows[static_cast<std::size_t>(i)];
            const std::wstring cells[] = {localTime(r.made), trw(r.reason), toWide(r.saves),
                                          trw(r.newest)};
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = i;
            item.pszText = const_cast<wchar_t*>(cells[0].c_str());
            SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            for (int c = 1; c < 4; ++c) {
                LVITEMW cell{};
                cell.iSubItem = c;
                cell.pszText = const_cast<wchar_t*>(cells[c].c_str());
                SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(i),
                             reinterpret_cast<LPARAM>(&cell));
            }
        }
        if (!rows.empty()) {
            LVITEMW first{};
            first.stateMask = first.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(list_, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&first));
        }
    }
    void setStoreSize(const std::string& text) override {
        SetDlgItemTextW(dialog_, kStoreSizeId, trw(text).c_str());
    }
    int selectedRow() const override {
        return static_cast<int>(
            SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }
    bool confirm(const std::string& title, const std::string& question) override {
        return askYes(dialog_, title, question);
    }
    void showMessage(const std::string& title, const std::string& text) override {
        tell(dialog_, title, text);
    }
    void runWithProgress(const std::string& title,
                         const std::function<void(const saves::Progress&)>& work) override {
        win32::runWithProgress(dialog_, title, work);
    }
    void savesChanged() override {
        if (savesChanged_) {
            savesChanged_();
        }
    }

  private:
    // A UTC time on the local clock, in the user's short formats.
    static std::wstring localTime(const saves::SystemTime& t) {
        SYSTEMTIME utc{t.year, t.month, 0, t.day, t.hour, t.minute, t.second, 0};
        SYSTEMTIME local{};
        if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
            local = utc;
        }
        wchar_t date[80] = {};
        wchar_t time[80] = {};
        GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, date, 80);
        GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &local, nullptr, time, 80);
        return std::wstring(date) + L" " + time;
    }

    app::BackupsWindow logic_;
    std::function<void()> savesChanged_;
    HWND dialog_ = nullptr;
    HWND list_ = nullptr;
};

INT_PTR CALLBACK restoreProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            reinterpret_cast<RestoreList*>(lParam)->attach(dialog);
            return TRUE;
        case WM_COMMAND: {
            auto* view = reinterpret_cast<RestoreList*>(GetWindowLongPtrW(dialog, DWLP_USER));
            if (LOWORD(wParam) == kRestoreId) {
                view->logic().onRestore();
                return TRUE;
            }
            if (LOWORD(wParam) == kRemoveId) {
                view->logic().onRemove();
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            break;
        }
        default:
            break;
    }
    return FALSE;
}

void showRestoreList(HWND owner, app::BackupsSource source,
                     const std::function<void()>& savesChanged) {
    DialogTemplate form(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 420, 220,
                        5);
    form.item(WC_LISTVIEWW, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP,
              7, 7, 406, 170, kBackupsListId);
    form.item(0x0082, SS_LEFT, 7, 183, 250, 10, kStoreSizeId, L"");
    form.item(0x0080, BS_PUSHBUTTON | WS_TABSTOP, 253, 199, 50, 14, kRestoreId,
              trw("&Restore").c_str());
    form.item(0x0080, BS_PUSHBUTTON | WS_TABSTOP, 308, 199, 50, 14, kRemoveId,
              trw("Re&move").c_str());
    form.item(0x0080, BS_PUSHBUTTON | WS_TABSTOP, 363, 199, 50, 14, IDCANCEL, trw("Close").c_str());
    RestoreList view(std::move(source), savesChanged);
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), form.get(), owner, &restoreProc,
                            reinterpret_cast<LPARAM>(&view));
}

UINT popUpMenu(HMENU menu, POINT at, HWND owner) {
    return static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                            at.x, at.y, 0, owner, nullptr));
}

}  // namespace

Dialogs systemDialogs() {
    return Dialogs{&askCharacter,    &askYes,    &tell,    &confirmSortPlan, &runWithProgress,
                   &showRestoreList, &popUpMenu, &askName, &confirmTidyPlan};
}

void fitToWorkArea(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT now{};
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor) ||
        !GetWindowRect(window, &now)) {
        return;
    }
    const RECT& work = monitor.rcWork;
    const LONG width = std::min(now.right - now.left, work.right - work.left);
    const LONG height = std::min(now.bottom - now.top, work.bottom - work.top);
    const LONG left = std::clamp(now.left, work.left, work.right - width);
    const LONG top = std::clamp(now.top, work.top, work.bottom - height);
    SetWindowPos(window, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace quarlo::ui::win32
