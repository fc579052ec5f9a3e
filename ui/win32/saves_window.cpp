#include "ui/win32/saves_window.h"

#include "texts/catalogue.h"

#include <algorithm>
#include <utility>

#include "ui/win32/control_set.h"
#include "ui/win32/dpi.h"
#include "ui/win32/open_windows.h"
#include "ui/win32/wide.h"
// After windows.h, which it needs.
#include <commctrl.h>

namespace quarlo::ui::win32 {

namespace {

const wchar_t* const kClassName = L"QuarloSaves";
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;
constexpr int kListId = 1;
constexpr int kPictureId = 2;
constexpr int kPluginsId = 7;
constexpr int kNoteId = 8;
constexpr int kDetailsId = 9;
constexpr int kSideWidth = 256;  // pixels at 96 dpi: the game's screenshots' width
constexpr int kMargin = 7;       // pixels at 96 dpi
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;

struct Command {
    int id;
    const char* text;
    void (app::SavesWindow::*run)();
};
const Command kCommands[] = {
    {SavesWindow::kMoveToId, app::text::kMoveTo, &app::SavesWindow::onMoveTo},
    {SavesWindow::kCopyToId, app::text::kCopyTo, &app::SavesWindow::onCopyTo},
    {SavesWindow::kDeleteId, app::text::kDelete, &app::SavesWindow::onDelete},
};

// The facts first; the file name, long in real folders, last, with the
// width the others leave.
struct Column {
    const char* title;  // English, shown translated
    int width;          // pixels at 96 dpi; the last column's least width
    int format;
};
constexpr Column kColumns[] = {
    {N_("Player"), 110, LVCFMT_LEFT},   {N_("Level"), 45, LVCFMT_RIGHT},
    {N_("Location"), 190, LVCFMT_LEFT}, {N_("Played"), 55, LVCFMT_RIGHT},
    {N_("Saved"), 115, LVCFMT_LEFT},    {N_("Plugins"), 85, LVCFMT_LEFT},
    {N_("Note"), 110, LVCFMT_LEFT},     {N_("File"), 200, LVCFMT_LEFT},
};
constexpr int kFileColumn = static_cast<int>(std::size(kColumns)) - 1;

int scaled(int pixels, int dpi) {
    return MulDiv(pixels, dpi, USER_DEFAULT_SCREEN_DPI);
}

// The save time in the user's locale: short date, then time; nothing for a
// time no calendar has.
std::wstring savedText(const std::optional<saves::SystemTime>& t) {
    if (!t) {
        return {};
    }
    SYSTEMTIME s{};
    s.wYear = t->year;
    s.wMonth = t->month;
    s.wDay = t->day;
    s.wHour = t->hour;
    s.wMinute = t->minute;
    s.wSecond = t->second;
    wchar_t date[80] = {};
    wchar_t time[80] = {};
    if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &s, nullptr, date, 80) == 0 ||
        GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &s, nullptr, time, 80) == 0) {
        return {};
    }
    return std::wstring(date) + L" " + time;
}

void setCell(HWND list, int row, int column, const std::wstring& text) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

SavesWindow::SavesWindow(HINSTANCE instance, app::SavesSource source, const Dialogs& dialogs,
                         std::function<void(bool)> savesChanged)
    : instance_(instance),
      source_(std::move(source)),
      dialogs_(dialogs),
      savesChanged_(std::move(savesChanged)) {}

SavesWindow::~SavesWindow() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

bool SavesWindow::registerClass(HINSTANCE instance) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &RoutedWindow::windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc) != 0;
}

void SavesWindow::show() {
    if (window_ != nullptr) {
        if (IsIconic(window_)) {
            ShowWindow(window_, SW_RESTORE);
        }
        SetForegroundWindow(window_);
        BringWindowToTop(window_);
        return;
    }
    // No owner: an independent top-level window, as the About window is.
    HWND window = createWindow(kClassName, L"", kStyle, instance_);
    if (window == nullptr) {
        return;
    }
    list_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, 0,
                            0, 0, 0, window, reinterpret_cast<HMENU>(kListId), instance_, nullptr);
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = kColumns[i].format;
        const std::wstring title = trw(kColumns[i].title);
        column.pszText = const_cast<wchar_t*>(title.c_str());
        column.cx = kColumns[i].width;
        column.iSubItem = i;
        SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&column));
    }
    picture_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BITMAP, 0, 0, 0, 0,
                               window, reinterpret_cast<HMENU>(kPictureId), instance_, nullptr);
    // The selected save's plugins in load order, under its screenshot.
    plugins_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                               WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOSORTHEADER, 0, 0, 0, 0,
                               window, reinterpret_cast<HMENU>(kPluginsId), instance_, nullptr);
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        const std::wstring title = trw(i == 0 ? N_("Plugin") : N_("Now"));
        column.pszText = const_cast<wchar_t*>(title.c_str());
        column.cx = i == 0 ? 125 : 118;
        column.iSubItem = i;
        SendMessageW(plugins_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&column));
    }
    note_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, window,
                            reinterpret_cast<HMENU>(kNoteId), instance_, nullptr);
    // The selected save's notes in full and its co-saves, under its plugins.
    details_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0,
                               window, reinterpret_cast<HMENU>(kDetailsId), instance_, nullptr);
    // Made after the list, so Tab goes from the list to them in this order.
    for (const Command& command : kCommands) {
        // The first letter is the command's access key: Alt+M, Alt+C, Alt+D.
        CreateWindowExW(0, L"BUTTON", (L"&" + trw(command.text)).c_str(),
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(command.id)), instance_,
                        nullptr);
    }
    applyDpi(windowDpi(window));
    logic_ = std::make_unique<app::SavesWindow>(source_, *this);
    logic_->onOpen();
    ShowWindow(window, SW_SHOWNORMAL);
    SetFocus(list_);
}

void SavesWindow::applyDpi(int dpi) {
    HFONT old = font_;
    font_ = createDialogFont(dpi, {});
    SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    SendMessageW(plugins_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    SendMessageW(note_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    SendMessageW(details_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    for (const Command& command : kCommands) {
        SendMessageW(control(command.id), WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    }
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
        SendMessageW(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i),
                     scaled(kColumns[i].width, dpi));
    }
    // Large enough for real names, and never more than the screen's work
    // area has room for.
    const SIZE outer = outerSize(scaled(1230, dpi), scaled(600, dpi), kStyle, 0, dpi);
    SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    fitToWorkArea(window_);
    if (old != nullptr) {
        DeleteObject(old);
    }
    layOut();
}

// The screenshot keeps its natural size at the right, the save's plugins
// under it; the list takes the rest above the note and the row of buttons.
void SavesWindow::layOut() {
    RECT client{};
    GetClientRect(window_, &client);
    const int dpi = windowDpi(window_);
    const int margin = scaled(kMargin, dpi);
    const int buttonWidth = scaled(kButtonWidth, dpi);
    const int buttonHeight = scaled(kButtonHeight, dpi);
    const int buttonsTop = std::max<int>(margin, client.bottom - margin - buttonHeight);
    // A line of the note for each thing it says (no install folder, no time
    // in the saves).
    const int noteHeight = IsWindowVisible(note_) ? scaled(16, dpi) * noteLines_ : 0;
    const int listBottom = buttonsTop - margin - noteHeight;
    const int pictureWidth = scaled(kSideWidth, dpi);
    const int gap = margin;
    const int listWidth = std::max<int>(0, client.right - 2 * margin - gap - pictureWidth);
    const int sideLeft = margin + listWidth + gap;
    MoveWindow(picture_, sideLeft, margin, bitmapSize_.cx, bitmapSize_.cy, TRUE);
    const int pluginsTop = margin + std::max<int>(bitmapSize_.cy, scaled(144, dpi)) + margin;
    // The details as tall as their wrapped lines, at most half the side.
    int detailsHeight = 0;
    if (IsWindowVisible(details_)) {
        const int length = GetWindowTextLengthW(details_);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        text.resize(static_cast<std::size_t>(GetWindowTextW(details_, text.data(), length + 1)));
        RECT box{0, 0, pictureWidth, 0};
        HDC dc = GetDC(details_);
        HGDIOBJ old = SelectObject(dc, font_);
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box,
                  DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(dc, old);
        ReleaseDC(details_, dc);
        detailsHeight = std::min<int>(box.bottom, std::max(0, (listBottom - pluginsTop) / 2));
    }
    const int pluginsBottom = listBottom - (detailsHeight > 0 ? detailsHeight + margin : 0);
    MoveWindow(plugins_, sideLeft, pluginsTop, pictureWidth,
               std::max<int>(0, pluginsBottom - pluginsTop), TRUE);
    MoveWindow(details_, sideLeft, pluginsBottom + margin, pictureWidth, detailsHeight, TRUE);
    // Each plugin's state whole, the name the width left.
    const int stateWidth =
        static_cast<int>(SendMessageW(plugins_, LVM_GETSTRINGWIDTHW, 0,
                                      reinterpret_cast<LPARAM>(L"installed, not active"))) +
        scaled(16, dpi);
    const int pluginsInside =
        pictureWidth - 2 * GetSystemMetrics(SM_CXEDGE) - GetSystemMetrics(SM_CXVSCROLL);
    SendMessageW(plugins_, LVM_SETCOLUMNWIDTH, 1, stateWidth);
    SendMessageW(plugins_, LVM_SETCOLUMNWIDTH, 0,
                 std::max<int>(scaled(40, dpi), pluginsInside - stateWidth));
    MoveWindow(note_, margin, listBottom + margin / 2, client.right - 2 * margin, noteHeight, TRUE);
    MoveWindow(list_, margin, margin, listWidth, std::max<int>(0, listBottom - margin), TRUE);
    // The file name takes what the facts leave of the list's width.
    int facts = 0;
    for (int i = 0; i < kFileColumn; ++i) {
        facts +=
            static_cast<int>(SendMessageW(list_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0));
    }
    const int inside = listWidth - 2 * GetSystemMetrics(SM_CXEDGE) - GetSystemMetrics(SM_CXVSCROLL);
    SendMessageW(list_, LVM_SETCOLUMNWIDTH, kFileColumn,
                 std::max<int>(scaled(kColumns[kFileColumn].width, dpi), inside - facts));
    int x = margin;
    for (const Command& command : kCommands) {
        MoveWindow(control(command.id), x, buttonsTop, buttonWidth, buttonHeight, TRUE);
        x += buttonWidth + scaled(kButtonGap, dpi);
    }
}

void SavesWindow::setTitle(const std::string& title) {
    SetWindowTextW(window_, trw(title).c_str());
}

void SavesWindow::setRows(const std::vector<app::SaveRow>& rows) {
    quiet_ = true;
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
    SendMessageW(list_, LVM_SETITEMCOUNT, rows.size(), 0);
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const app::SaveRow& r = rows[static_cast<std::size_t>(i)];
        const std::wstring player = toWide(r.player);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<wchar_t*>(player.c_str());
        SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        setCell(list_, i, 1, toWide(r.level));
        setCell(list_, i, 2, toWide(r.location));
        setCell(list_, i, 3, toWide(r.played));
        setCell(list_, i, 4, savedText(r.saved));
        setCell(list_, i, 5, trw(r.plugins));
        setCell(list_, i, 6, toWide(texts::trEach(r.note, "; ")));
        setCell(list_, i, kFileColumn, toWide(r.file));
    }
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
    shownRow_ = -1;
    quiet_ = false;
}

void SavesWindow::selectRow(int row) {
    quiet_ = true;
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    if (row >= 0) {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
        SendMessageW(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    }
    shownRow_ = row;
    quiet_ = false;
}

std::vector<int> SavesWindow::selectedRows() const {
    std::vector<int> rows;
    for (int row = -1;;) {
        row = static_cast<int>(
            SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED));
        if (row < 0) {
            return rows;
        }
        rows.push_back(row);
    }
}

int SavesWindow::screenshotRow() const {
    const auto focused = static_cast<int>(
        SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (focused >= 0 &&
        SendMessageW(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(focused), LVIS_SELECTED) != 0) {
        return focused;
    }
    return static_cast<int>(
        SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::optional<std::string> SavesWindow::askDestination(const std::string& title,
                                                       const std::string& prompt,
                                                       const std::vector<std::string>& characters) {
    return dialogs_.askCharacter(window_, title, prompt, characters);
}

bool SavesWindow::confirm(const std::string& title, const std::string& question) {
    return dialogs_.askYes(window_, title, question);
}

void SavesWindow::showMessage(const std::string& title, const std::string& text) {
    dialogs_.tell(window_, title, text);
}

void SavesWindow::savesChanged(bool charactersAdded) {
    if (savesChanged_) {
        savesChanged_(charactersAdded);
    }
}

void SavesWindow::runWithProgress(const std::string& title,
                                  const std::function<void(const saves::Progress&)>& work) {
    dialogs_.runWithProgress(window_, title, work);
}

void SavesWindow::refresh() {
    if (logic_) {
        logic_->onRefresh();
    }
}

void SavesWindow::run(void (app::SavesWindow::*command)()) {
    if (!logic_ || busy_) {
        return;
    }
    busy_ = true;
    ((*logic_).*command)();
    busy_ = false;
}

void SavesWindow::showScreenshot(std::uint32_t width, std::uint32_t height,
                                 const std::string& rgb) {
    // A top-down 24-bit DIB: rows padded to four bytes, blue first.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr || bits == nullptr) {
        clearScreenshot();
        return;
    }
    const std::size_t stride = (std::size_t{width} * 3 + 3) & ~std::size_t{3};
    auto* out = static_cast<unsigned char*>(bits);
    for (std::size_t y = 0; y < height; ++y) {
        const char* row = rgb.data() + y * width * 3;
        unsigned char* to = out + y * stride;
        for (std::size_t x = 0; x < width; ++x) {
            to[3 * x] = static_cast<unsigned char>(row[3 * x + 2]);
            to[3 * x + 1] = static_cast<unsigned char>(row[3 * x + 1]);
            to[3 * x + 2] = static_cast<unsigned char>(row[3 * x]);
        }
    }
    GdiFlush();
    setBitmap(bitmap, static_cast<int>(width), static_cast<int>(height));
}

void SavesWindow::clearScreenshot() {
    setBitmap(nullptr, 0, 0);
}

void SavesWindow::showPlugins(const std::vector<app::PluginLine>& plugins) {
    SendMessageW(plugins_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(plugins_, LVM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < static_cast<int>(plugins.size()); ++i) {
        const std::wstring name = toWide(plugins[static_cast<std::size_t>(i)].name);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<wchar_t*>(name.c_str());
        SendMessageW(plugins_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        setCell(plugins_, i, 1, trw(plugins[static_cast<std::size_t>(i)].state));
    }
    SendMessageW(plugins_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(plugins_, nullptr, TRUE);
}

void SavesWindow::setPluginNote(const std::string& note) {
    SetWindowTextW(note_, eachLineW(note).c_str());
    noteLines_ = 1 + static_cast<int>(std::count(note.begin(), note.end(), '\n'));
    ShowWindow(note_, note.empty() ? SW_HIDE : SW_SHOWNA);
    layOut();
}

void SavesWindow::showDetails(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += (text.empty() ? "" : "\r\n") + texts::tr(line);
    }
    SetWindowTextW(details_, toWide(text).c_str());
    ShowWindow(details_, lines.empty() ? SW_HIDE : SW_SHOWNA);
    layOut();
}

void SavesWindow::setBitmap(HBITMAP bitmap, int width, int height) {
    SendMessageW(picture_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    // The control does not own the bitmap it shows: the old one goes once it
    // shows the new one.
    if (bitmap_ != nullptr) {
        DeleteObject(bitmap_);
    }
    bitmap_ = bitmap;
    bitmapSize_ = SIZE{width, height};
    layOut();
}

LRESULT SavesWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = window_;
    switch (message) {
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom != list_ || !logic_) {
                break;
            }
            if (header->code == LVN_ITEMCHANGED && !quiet_) {
                const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
                // A click among several selected rows notifies once per row
                // that changes; the screenshot is read once.
                if ((change->uChanged & LVIF_STATE) != 0 &&
                    ((change->uNewState ^ change->uOldState) & (LVIS_SELECTED | LVIS_FOCUSED)) !=
                        0) {
                    if (const int row = screenshotRow(); row != shownRow_) {
                        shownRow_ = row;
                        logic_->onSelect(row);
                    }
                }
            } else if (header->code == LVN_KEYDOWN) {
                const WORD key = reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey;
                if (key == VK_F5) {
                    logic_->onRefresh();
                } else if (key == VK_DELETE) {
                    run(&app::SavesWindow::onDelete);
                }
            }
            return 0;
        }
        case WM_COMMAND: {
            if (HIWORD(wParam) != BN_CLICKED) {
                break;
            }
            int id = LOWORD(wParam);
            if (id == IDOK) {
                // Enter: the dialog keyboard interface asks for the default
                // button, and there is none; a focused button clicks.
                id = GetParent(GetFocus()) == window ? GetDlgCtrlID(GetFocus()) : 0;
            }
            for (const Command& command : kCommands) {
                if (command.id == id) {
                    run(command.run);
                }
            }
            return 0;
        }
        case WM_CLOSE:
            // Not while a command asks or works: it would end the logic under it.
            if (busy_) {
                return 0;
            }
            break;
        case WM_KEYDOWN:
            if (wParam == VK_F5 && logic_) {
                logic_->onRefresh();
                return 0;
            }
            break;
        case WM_SIZE:
            layOut();
            return 0;
        case WM_ACTIVATE:
            // The focus goes back to the control that had it, the list at first.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focused = GetFocus();
                if (focused != nullptr && GetParent(focused) == window) {
                    focus_ = focused;
                }
            } else if (list_ != nullptr) {
                SetFocus(focus_ != nullptr && IsWindow(focus_) ? focus_ : list_);
                return 0;
            }
            break;
        case WM_DPICHANGED:
            applyDpi(HIWORD(wParam));
            moveToSuggestedRect(window, lParam);
            return 0;
        case WM_NCDESTROY:
            // Closing discards the window, its controls and what it read; the
            // object stays for the next time.
            list_ = picture_ = plugins_ = note_ = focus_ = nullptr;
            shownRow_ = -1;
            logic_.reset();
            if (bitmap_ != nullptr) {
                DeleteObject(bitmap_);
                bitmap_ = nullptr;
            }
            bitmapSize_ = SIZE{0, 0};
            if (font_ != nullptr) {
                DeleteObject(font_);
                font_ = nullptr;
            }
            break;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace quarlo::ui::win32
