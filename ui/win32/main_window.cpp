#include "ui/win32/main_window.h"

#include "texts/catalogue.h"

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "ui/win32/control_set.h"
#include "ui/win32/dpi.h"
#include "ui/win32/layout.h"
#include "ui/win32/open_windows.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/wide.h"

namespace quarlo::ui::win32 {

namespace {

// The Game menu's commands, well above every control's id.
constexpr int kGameMenuFirst = 0x6000;

}  // namespace

namespace {

using design::kSlider;

const wchar_t* const kClassName = L"QuarloMain";
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;

int labelId(app::ValueLabel label) {
    switch (label) {
        case app::ValueLabel::Active:
            return kLblActive;
        case app::ValueLabel::Op:
            return kLblOp;
        case app::ValueLabel::Outcome:
            return kLblOutcome;
        case app::ValueLabel::Mode:
            return kLblMode;
        case app::ValueLabel::Diff:
            return kLblDiff;
    }
    return kLblOutcome;
}

void run(const std::function<void()>& hook) {
    if (hook) {
        hook();
    }
}

bool isCommandButton(int id) {
    return id == kCmdNew || id == kCmdLoad || id == kCmdRun || id == kCmdToggle || id == kCmdAbout;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance)
    : instance_(instance),
      about_(instance),
      dialogs_(systemDialogs()),
      sliderLow_(kSlider.minimum),
      sliderHigh_(kSlider.maximum),
      sliderPage_(kSlider.pageStep) {}

void MainWindow::setHandlers(app::MainHandlers handlers) {
    handlers_ = std::move(handlers);
}

MainWindow::~MainWindow() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
}

bool MainWindow::registerClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &RoutedWindow::windowProc;
    wc.hInstance = instance;
    wc.hIcon =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(QUARLO_IDI_PROGRAM), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(QUARLO_IDI_PROGRAM),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc) != 0 && AboutWindow::registerClass(instance) &&
           SavesWindow::registerClass(instance);
}

bool MainWindow::create() {
    HWND window = createWindow(kClassName, L"Quarlo", kStyle, instance_);
    if (window == nullptr) {
        return false;
    }
    for (const ControlPlace& place : kMainControls) {
        createControl(window, instance_, place);
        if (place.kind == Kind::Label) {
            labelTexts_[place.id] = trw(place.text);
        }
    }
    SendMessageW(control(kTxtNew), EM_SETLIMITTEXT, 0, 0);  // no limit
    SetScrollRange(control(kScrDiff), SB_CTL, kSlider.minimum, kSlider.maximum, FALSE);
    SetScrollPos(control(kScrDiff), SB_CTL, kSlider.minimum, FALSE);
    applyDpi(windowDpi(window));
    return true;
}

void MainWindow::show(int showCommand) {
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    focus_ = control(kCmdNew);
    SetFocus(focus_);
}

void MainWindow::applyDpi(int dpi) {
    dpi_ = dpi;
    HFONT old = font_;
    font_ = createDialogFont(dpi, textsToFit(dpi));
    // A menu bar is outside the client area: the window grows by it.
    const SIZE outer =
        outerSize(twipsToPixels(kMainClient.width, dpi), twipsToPixels(kMainClient.height, dpi),
                  kStyle, 0, dpi, menuBar_ != nullptr);
    SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (const ControlPlace& place : kMainControls) {
        placeControl(window_, place, dpi);
        SendMessageW(control(place.id), WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    }
    for (const auto& [id, text] : labelTexts_) {
        setLabelText(control(id), text);
    }
    if (old != nullptr) {
        DeleteObject(old);
    }
}

void MainWindow::showLabel(int id, const std::wstring& text) {
    labelTexts_[id] = text;
    setLabelText(control(id), text);
}

void MainWindow::setLabel(app::ValueLabel label, const std::string& text) {
    // The character's name is the player's; every other value Quarlo's own.
    showLabel(labelId(label), label == app::ValueLabel::Active || label == app::ValueLabel::Diff
                                  ? toWide(text)
                                  : trw(text));
}

void MainWindow::clearList() {
    SendMessageW(control(kLstLoad), LB_RESETCONTENT, 0, 0);
}

void MainWindow::hideList() {
    ShowWindow(control(kLstLoad), SW_HIDE);
}

void MainWindow::showList() {
    ShowWindow(control(kLstLoad), SW_SHOWNA);
}

void MainWindow::appendToList(const std::string& entry) {
    const std::wstring text = toWide(entry);
    SendMessageW(control(kLstLoad), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string MainWindow::selectedListText() const {
    const LRESULT index = SendMessageW(control(kLstLoad), LB_GETCURSEL, 0, 0);
    return index == LB_ERR ? std::string() : listText(static_cast<int>(index));
}

std::string MainWindow::listText(int index) const {
    HWND list = control(kLstLoad);
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                                     reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == LB_ERR ? 0 : static_cast<std::size_t>(got));
    return toUtf8(text);
}

std::string MainWindow::newNameText() const {
    HWND edit = control(kTxtNew);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    return toUtf8(text);
}

int MainWindow::sliderValue() const {
    return GetScrollPos(control(kScrDiff), SB_CTL);
}

// Neither setter notifies: the program's logic runs the handler itself.
void MainWindow::setSliderValue(int value) {
    SetScrollPos(control(kScrDiff), SB_CTL, std::clamp(value, sliderLow_, sliderHigh_), TRUE);
}

void MainWindow::setSliderRange(int low, int high) {
    sliderLow_ = low;
    sliderHigh_ = std::max(low, high);
    // A page a tenth of the scale, as 10 of Oblivion's 100; at least a step.
    sliderPage_ = std::max(1, (sliderHigh_ - sliderLow_) / 10);
    const int at = std::clamp(sliderValue(), sliderLow_, sliderHigh_);
    SetScrollRange(control(kScrDiff), SB_CTL, sliderLow_, sliderHigh_, FALSE);
    SetScrollPos(control(kScrDiff), SB_CTL, at, TRUE);
}

void MainWindow::setTitle(const std::string& title) {
    SetWindowTextW(window_, toWide(title).c_str());
}

void MainWindow::setGames(const std::vector<app::GameEntry>& entries) {
    HMENU old = menuBar_;
    menuBar_ = nullptr;
    if (!entries.empty()) {
        menuBar_ = CreateMenu();
        HMENU games = CreatePopupMenu();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            AppendMenuW(games, MF_STRING | (entries[i].chosen ? MF_CHECKED : 0u),
                        kGameMenuFirst + i, trw(entries[i].label).c_str());
        }
        AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(games),
                    trw(N_("&Game")).c_str());
    }
    SetMenu(window_, menuBar_);
    if (old != nullptr) {
        DestroyMenu(old);
    }
    if ((old == nullptr) != (menuBar_ == nullptr)) {
        applyDpi(dpi_);  // the window's outer size, with or without the bar
    }
}

int MainWindow::checkValue() const {
    return static_cast<int>(SendMessageW(control(kCheck1), BM_GETCHECK, 0, 0));
}

void MainWindow::setCheckValue(int value) {
    // 2 shows the box greyed: only the program sets it.
    SendMessageW(control(kCheck1), BM_SETCHECK, static_cast<WPARAM>(std::clamp(value, 0, 2)), 0);
}

SavesWindow* MainWindow::savesWindow(const std::string& entry) const {
    const auto it = saves_.find(entry);
    return it == saves_.end() ? nullptr : it->second.get();
}

void MainWindow::showSaves(const std::string& entry) {
    std::unique_ptr<SavesWindow>& window = saves_[entry];
    if (!window) {
        if (!handlers_.savesOf) {
            saves_.erase(entry);
            return;
        }
        window = std::make_unique<SavesWindow>(instance_, handlers_.savesOf(entry), dialogs_,
                                               [this](bool added) { refreshSaves(added); });
    }
    window->show();
}

void MainWindow::openFolder(const std::string& entry) {
    if (handlers_.openFolder) {
        handlers_.openFolder(entry);
    }
}

namespace {

// The sort's questions and answers as dialogs above the main window.
class SortDialogs : public app::SortView {
  public:
    SortDialogs(MainWindow& window, const Dialogs& dialogs) : window_(window), dialogs_(dialogs) {}
    bool confirmSort(const app::SortPlan& plan) override {
        return dialogs_.confirmSortPlan(window_.handle(), plan);
    }
    void showSortMessage(const std::string& text) override {
        dialogs_.tell(window_.handle(), app::text::kSortLooseSaves, text);
    }
    void savesChanged() override { window_.refreshSaves(false); }
    void runWithProgress(const std::string& title,
                         const std::function<void(const saves::Progress&)>& work) override {
        dialogs_.runWithProgress(window_.handle(), title, work);
    }

  private:
    MainWindow& window_;
    const Dialogs& dialogs_;
};

}  // namespace

void MainWindow::sortLooseSaves() {
    if (handlers_.sortLooseSaves) {
        SortDialogs dialogs(*this, dialogs_);
        handlers_.sortLooseSaves(dialogs);
    }
}

void MainWindow::refreshSaves(bool charactersAdded) {
    if (charactersAdded && handlers_.refreshList) {
        handlers_.refreshList();
    }
    for (const auto& [entry, window] : saves_) {
        window->refresh();
    }
}

void MainWindow::onListContextMenu(LPARAM where) {
    HWND list = control(kLstLoad);
    int index = -1;
    POINT at{};
    if (where == -1) {
        // The Menu key or Shift+F10: the selected entry, at its own place, or
        // with none the middle of the list.
        const LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
        RECT item{};
        if (selected != LB_ERR && SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(selected),
                                               reinterpret_cast<LPARAM>(&item)) != LB_ERR) {
            index = static_cast<int>(selected);
        } else {
            GetClientRect(list, &item);
        }
        at = POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
        ClientToScreen(list, &at);
    } else {
        // The right button: the entry under the pointer, whatever is selected.
        at = POINT{static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
        POINT inList = at;
        ScreenToClient(list, &inList);
        const LRESULT hit =
            SendMessageW(list, LB_ITEMFROMPOINT, 0,
                         MAKELPARAM(static_cast<WORD>(inList.x), static_cast<WORD>(inList.y)));
        if (HIWORD(hit) == 0) {
            index = LOWORD(hit);  // else below the last entry
        }
    }
    const std::string entry = index >= 0 ? listText(index) : std::string();
    enum : UINT {
        kShowSaves = 1,
        kOpenFolder = 2,
        kSort = 3,
        kBackUp = 4,
        kRestore = 5,
        kRename = 6,
        kTidyUp = 7,
        kCarry = 8
    };
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) {
        return;
    }
    if (!entry.empty()) {
        AppendMenuW(menu, MF_STRING, kShowSaves, trw(app::text::kMenuShowSaves).c_str());
        AppendMenuW(menu, MF_STRING, kOpenFolder, trw(app::text::kMenuOpenFolder).c_str());
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, kBackUp, trw(app::text::kMenuBackUp).c_str());
        AppendMenuW(menu, MF_STRING, kRestore, trw(app::text::kMenuRestore).c_str());
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, kRename, trw(app::text::kMenuRename).c_str());
        AppendMenuW(menu, MF_STRING, kTidyUp, trw(app::text::kMenuTidyUp).c_str());
        AppendMenuW(menu, MF_STRING, kCarry, trw(app::text::kMenuCarry).c_str());
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    }
    AppendMenuW(menu, MF_STRING, kSort, trw(app::text::kMenuSortLooseSaves).c_str());
    const UINT chosen = dialogs_.popUpMenu(menu, at, window_);
    DestroyMenu(menu);
    if (chosen == kShowSaves) {
        showSaves(entry);
    } else if (chosen == kOpenFolder) {
        openFolder(entry);
    } else if (chosen == kSort) {
        sortLooseSaves();
    } else if (chosen == kBackUp) {
        backUp(entry);
    } else if (chosen == kRestore) {
        showBackups(entry);
    } else if (chosen == kRename) {
        renameCharacter(entry);
    } else if (chosen == kTidyUp) {
        tidyUp(entry);
    } else if (chosen == kCarry) {
        carry(entry);
    }
}

namespace {

// "Back Up"'s progress and summary as dialogs above the main window.
class BackupDialogs : public app::BackupView {
  public:
    BackupDialogs(HWND window, const Dialogs& dialogs) : window_(window), dialogs_(dialogs) {}
    void showMessage(const std::string& title, const std::string& text) override {
        dialogs_.tell(window_, title, text);
    }
    void runWithProgress(const std::string& title,
                         const std::function<void(const saves::Progress&)>& work) override {
        dialogs_.runWithProgress(window_, title, work);
    }

  private:
    HWND window_;
    const Dialogs& dialogs_;
};

}  // namespace

namespace {

// Rename…'s and Tidy Up…'s questions and answers as dialogs above the main
// window.
class CharacterDialogs : public app::CharacterView {
  public:
    CharacterDialogs(HWND window, const Dialogs& dialogs, std::function<void()> changed)
        : window_(window), dialogs_(dialogs), changed_(std::move(changed)) {}
    std::optional<std::string> askName(const std::string& title, const std::string& prompt,
                                       const std::string& initial) override {
        return dialogs_.askName ? dialogs_.askName(window_, title, prompt, initial) : std::nullopt;
    }
    bool confirm(const std::string& title, const std::string& question) override {
        return dialogs_.askYes && dialogs_.askYes(window_, title, question);
    }
    bool confirmTidy(app::TidyPlan& plan,
                     const std::function<app::TidyPlan(std::size_t keep)>& replan) override {
        return dialogs_.confirmTidyPlan && dialogs_.confirmTidyPlan(window_, plan, replan);
    }
    void showMessage(const std::string& title, const std::string& text) override {
        if (dialogs_.tell) {
            dialogs_.tell(window_, title, text);
        }
    }
    void savesChanged() override { changed_(); }
    void runWithProgress(const std::string& title,
                         const std::function<void(const saves::Progress&)>& work) override {
        if (dialogs_.runWithProgress) {
            dialogs_.runWithProgress(window_, title, work);
        } else {
            work([](std::size_t, std::size_t) { return true; });
        }
    }

  private:
    HWND window_;
    const Dialogs& dialogs_;
    std::function<void()> changed_;
};

}  // namespace

void MainWindow::renameCharacter(const std::string& entry) {
    if (handlers_.rename) {
        CharacterDialogs dialogs(window_, dialogs_, [this] { refreshSaves(false); });
        handlers_.rename(entry, dialogs);
        // The old name's Saves window would show a folder that is gone.
        bool listed = false;
        const auto count = SendMessageW(control(kLstLoad), LB_GETCOUNT, 0, 0);
        for (int i = 0; i < count && !listed; ++i) {
            listed = listText(i) == entry;
        }
        if (const auto it = saves_.find(entry);
            !listed && it != saves_.end() && it->second->handle() != nullptr) {
            DestroyWindow(it->second->handle());
        }
    }
}

void MainWindow::tidyUp(const std::string& entry) {
    if (handlers_.tidyUp) {
        CharacterDialogs dialogs(window_, dialogs_, [this] { refreshSaves(false); });
        handlers_.tidyUp(entry, dialogs);
    }
}

void MainWindow::carry(const std::string& entry) {
    if (handlers_.carry) {
        CharacterDialogs dialogs(window_, dialogs_, [this] { refreshSaves(false); });
        handlers_.carry(entry, dialogs);
    }
}

void MainWindow::backUp(const std::string& entry) {
    if (handlers_.backUp) {
        BackupDialogs dialogs(window_, dialogs_);
        handlers_.backUp(entry, dialogs);
    }
}

void MainWindow::showBackups(const std::string& entry) {
    if (handlers_.backupsOf && dialogs_.showRestoreList) {
        dialogs_.showRestoreList(window_, handlers_.backupsOf(entry),
                                 [this] { refreshSaves(false); });
    }
}

void MainWindow::showNotice(const std::string& title, const std::string& text) {
    if (dialogs_.tell) {
        dialogs_.tell(window_, title, text);
    }
}

void MainWindow::runWithProgress(const std::string& title,
                                 const std::function<void(const saves::Progress&)>& work) {
    if (dialogs_.runWithProgress) {
        dialogs_.runWithProgress(window_, title, work);
    } else {
        work([](std::size_t, std::size_t) { return true; });
    }
}

void MainWindow::onCommand(int id, int code) {
    if (menuBar_ != nullptr && code == 0 && id >= kGameMenuFirst &&
        id < kGameMenuFirst + GetMenuItemCount(GetSubMenu(menuBar_, 0))) {
        // A Saves window reads the folders of the game it opened on.
        saves_.clear();
        if (handlers_.gameChosen) {
            handlers_.gameChosen(static_cast<std::size_t>(id - kGameMenuFirst));
        }
        return;
    }
    if (code != BN_CLICKED) {
        return;
    }
    switch (id) {
        case IDOK:
            // Enter: the dialog keyboard interface asks for the default button,
            // and there is none. A focused command button clicks, as Space
            // does; anywhere else (the text box) Enter runs nothing.
            if (const int focused = GetDlgCtrlID(GetFocus());
                isCommandButton(focused) && GetParent(GetFocus()) == window_) {
                onCommand(focused, BN_CLICKED);
            }
            break;
        case kCmdNew:
            run(handlers_.newClicked);
            break;
        case kCmdLoad:
            run(handlers_.loadClicked);
            break;
        case kCmdRun:
            run(handlers_.runClicked);
            break;
        case kCmdToggle:
            run(handlers_.toggleClicked);
            break;
        case kCmdAbout:
            about_.show();
            break;
        case kCheck1:
            // A click (or Space) turns it on, or off when it is on; greyed is
            // for the program alone to set.
            setCheckValue(checkValue() == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
            run(handlers_.checkClicked);
            break;
        default:
            break;  // IDCANCEL (Escape) and the rest: nothing
    }
}

// One change notification per change of position: arrows, keys and clicks in
// the track, and the end of a thumb drag; nothing while the thumb is dragged,
// and nothing when a request leaves the position where it was.
void MainWindow::onScroll(int request) {
    HWND bar = control(kScrDiff);
    const int current = GetScrollPos(bar, SB_CTL);
    int next = current;
    switch (request) {
        case SB_LINELEFT:
            next = current - kSlider.arrowStep;
            break;
        case SB_LINERIGHT:
            next = current + kSlider.arrowStep;
            break;
        case SB_PAGELEFT:
            next = current - sliderPage_;
            break;
        case SB_PAGERIGHT:
            next = current + sliderPage_;
            break;
        case SB_LEFT:
            next = sliderLow_;
            break;
        case SB_RIGHT:
            next = sliderHigh_;
            break;
        case SB_THUMBPOSITION: {
            SCROLLINFO info{};
            info.cbSize = sizeof info;
            info.fMask = SIF_TRACKPOS;
            GetScrollInfo(bar, SB_CTL, &info);
            next = info.nTrackPos;
            break;
        }
        default:
            return;  // SB_THUMBTRACK, SB_ENDSCROLL
    }
    next = std::clamp(next, sliderLow_, sliderHigh_);
    if (next == current) {
        return;
    }
    SetScrollPos(bar, SB_CTL, next, TRUE);
    run(handlers_.sliderChanged);
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = window_;
    switch (message) {
        case WM_COMMAND:
            onCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_CONTEXTMENU:
            if (reinterpret_cast<HWND>(wParam) == control(kLstLoad)) {
                onListContextMenu(lParam);
                return 0;
            }
            break;
        case WM_HSCROLL:
            if (reinterpret_cast<HWND>(lParam) == control(kScrDiff)) {
                onScroll(LOWORD(wParam));
            }
            return 0;
        case WM_ACTIVATE:
            // Keep the focus on the control that had it when the user comes back.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focused = GetFocus();
                if (focused != nullptr && GetParent(focused) == window) {
                    focus_ = focused;
                }
            } else if (focus_ != nullptr) {
                SetFocus(focus_);
                return 0;
            }
            break;
        case WM_DPICHANGED: {
            applyDpi(HIWORD(wParam));
            moveToSuggestedRect(window, lParam);
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace quarlo::ui::win32
