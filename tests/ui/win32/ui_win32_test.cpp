#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/main_window.h"
#include "platform/win32/file_system_win32.h"
#include "platform/win32/processes_win32.h"
#include "platform/win32/profile_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/save_files_win32.h"
#include "tests/support/fake_saves_view.h"
#include "tests/support/save_writer.h"
#include "tests/support/temp_dir.h"
#include "texts/catalogue.h"
#include "ui/win32/control_set.h"
#include "ui/win32/dpi.h"
#include "ui/win32/layout.h"
#include "ui/win32/main_window.h"
#include "ui/win32/wide.h"
// After windows.h, which it needs.
#include <commctrl.h>

namespace quarlo::ui::win32 {
namespace {

using Strings = std::vector<std::string>;

// The main window itself, on a display (./dev runs these on a virtual one).
class Win32Window : public ::testing::Test {
  protected:
    class DocumentsAt : public platform::SpecialFolders {
      public:
        explicit DocumentsAt(std::string folder) : folder_(std::move(folder)) {}
        std::string GetSpecialFolderPath(int) const override { return folder_; }

      private:
        std::string folder_;
    };

    void SetUp() override {
        std::filesystem::create_directories(game() + "\\Saves\\Ann");
        test::writeBytes(ini(), "[General]\r\nSLocalSavePath=Saves\\Ann\\\r\n");
        platform.profile = std::make_unique<platform::win32::Win32ProfileFile>();
        platform.fileSystem = std::make_unique<platform::win32::Win32FileSystem>();
        platform.specialFolders = std::make_unique<DocumentsAt>(dir.str());
        platform.registry = std::make_unique<platform::win32::Win32Registry>();
        platform.processes = std::make_unique<platform::win32::Win32Processes>();
        platform.saveFiles = std::make_unique<platform::win32::Win32SaveFiles>();
        static const bool registered = MainWindow::registerClass(GetModuleHandleW(nullptr));
        (void)registered;
        window = std::make_unique<MainWindow>(GetModuleHandleW(nullptr));
        window->setDialogs(answers());
        if (!window->create()) {
            GTEST_SKIP() << "no display to open windows on";
        }
        main = std::make_unique<app::Main>(platform, *window);
        window->setHandlers(app::handlersFor(*main));
        main->startUp();
        window->show(SW_SHOWNORMAL);
    }
    void TearDown() override {
        if (window && window->about().handle()) {
            DestroyWindow(window->about().handle());
        }
        main.reset();
        window.reset();
        // The last window's closing posts the quit message; drop it.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    std::string game() const { return dir.str() + "\\My Games\\Oblivion"; }
    std::string ini() const { return game() + "\\oblivion.ini"; }
    HWND control(int id) const { return window->control(id); }
    std::string text(int id) const {
        wchar_t buffer[512] = {};
        GetWindowTextW(control(id), buffer, 512);
        std::wstring w(buffer);
        return std::string(w.begin(), w.end());  // ASCII texts only
    }
    // A key as the message loop hands it to the dialog keyboard interface.
    bool key(HWND target, UINT message, WPARAM key, LPARAM flags = 0) {
        MSG m{target, message, key, flags, 0, {}};
        return IsDialogMessageW(window->handle(), &m);
    }
    // In place of the modal dialogs and the menu: each records what it was
    // asked and gives the answer set here, so nothing waits for a click.
    struct Asked {
        std::string title;
        std::string text;
        Strings characters;
    };
    Dialogs answers() {
        Dialogs d;
        d.askCharacter = [this](HWND owner, const std::string& title, const std::string& prompt,
                                const Strings& characters) {
            EXPECT_TRUE(IsWindow(owner));
            asked.push_back({title, prompt, characters});
            return destination;
        };
        d.askYes = [this](HWND, const std::string& title, const std::string& question) {
            asked.push_back({title, question, {}});
            return true;
        };
        d.tell = [this](HWND owner, const std::string& title, const std::string& text) {
            EXPECT_TRUE(IsWindow(owner));
            told.push_back({title, text, {}});
        };
        d.confirmSortPlan = [this](HWND, const app::SortPlan& plan) {
            for (const app::SortGroup& g : plan.groups) {
                planned.push_back(g.name);
            }
            return false;
        };
        d.runWithProgress = [](HWND, const std::string&,
                               const std::function<void(const saves::Progress&)>& work) {
            work([](std::size_t, std::size_t) { return true; });
        };
        d.popUpMenu = [this](HMENU menu, POINT, HWND) {
            menuItems.clear();
            UINT chosen = 0;
            for (int i = 0; i < GetMenuItemCount(menu); ++i) {
                wchar_t buffer[128] = {};
                GetMenuStringW(menu, static_cast<UINT>(i), buffer, 128, MF_BYPOSITION);
                const std::string item =
                    (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) != 0
                        ? "-"
                        : toUtf8(buffer);
                menuItems.push_back(item);
                if (item == menuChoice) {
                    chosen = GetMenuItemID(menu, i);
                }
            }
            return chosen;
        };
        return d;
    }
    void contextMenu(LPARAM where) {
        SendMessageW(window->handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control(kLstLoad)),
                     where);
    }
    // Only this program's windows: the other test programs running beside it
    // share the desktop.
    static int ownWindows(const wchar_t* windowClass) {
        int n = 0;
        for (HWND w = FindWindowExW(nullptr, nullptr, windowClass, nullptr); w != nullptr;
             w = FindWindowExW(nullptr, w, windowClass, nullptr)) {
            DWORD process = 0;
            GetWindowThreadProcessId(w, &process);
            n += process == GetCurrentProcessId() ? 1 : 0;
        }
        return n;
    }
    static int savesWindows() { return ownWindows(L"QuarloSaves"); }
    void scroll(int request) {
        SendMessageW(window->handle(), WM_HSCROLL, MAKEWPARAM(request, 0),
                     reinterpret_cast<LPARAM>(control(kScrDiff)));
    }

    test::TempDir dir;
    platform::Platform platform;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<app::Main> main;
    std::optional<std::string> destination;  // askCharacter's answer
    std::vector<Asked> asked;
    std::vector<Asked> told;
    Strings planned;  // the player names of the sort's plan
    Strings menuItems;
    std::string menuChoice;  // the item the menu returns, none when no item has it
};

const std::string kShowSaves = app::text::kMenuShowSaves;
const std::string kSort = app::text::kMenuSortLooseSaves;

TEST_F(Win32Window, ControlsSitWhereTheDesignPutsThemAndFocusStartsOnNew) {
    const int dpi = windowDpi(window->handle());
    RECT client{};
    GetClientRect(window->handle(), &client);
    EXPECT_EQ(client.right, twipsToPixels(kMainClient.width, dpi));
    EXPECT_EQ(client.bottom, twipsToPixels(kMainClient.height, dpi));
    for (const ControlPlace& place : kMainControls) {
        RECT r{};
        GetWindowRect(control(place.id), &r);
        MapWindowPoints(nullptr, window->handle(), reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ((Rect{r.left, r.top, r.right - r.left, r.bottom - r.top}), toPixels(place, dpi))
            << place.name;
    }
    EXPECT_EQ(GetFocus(), control(kCmdNew));
    EXPECT_EQ(text(kLblActive), "Ann");
    EXPECT_EQ(text(kLblMode), "Automatic Mode.");
}

TEST_F(Win32Window, TabVisitsTheFocusableControlsInTheDesignsOrder) {
    Strings order;
    HWND at = control(kCmdNew);
    for (int i = 0; i < 10; ++i) {
        at = GetNextDlgTabItem(window->handle(), at, FALSE);
        const int id = GetDlgCtrlID(at);
        for (const ControlPlace& place : kMainControls) {
            if (place.id == id) {
                order.push_back(place.name);
            }
        }
    }
    EXPECT_EQ(order, (Strings{"txtNew", "cmdLoad", "lstLoad", "cmdAbout", "cmdRun", "cmdToggle",
                              "Check1", "scrDiff", "cmdNew", "txtNew"}));
}

TEST_F(Win32Window, EnterInTheTextBoxRunsNothingAndAltNCreatesTheCharacter) {
    SetWindowTextW(control(kTxtNew), L"Zed");
    SetFocus(control(kTxtNew));
    key(control(kTxtNew), WM_KEYDOWN, VK_RETURN);
    EXPECT_FALSE(std::filesystem::exists(game() + "\\Saves\\Zed"));
    EXPECT_NE(text(kLblOp), "New.");

    // Alt+N, from whichever control has the focus.
    key(control(kTxtNew), WM_SYSCHAR, 'n', 1 << 29);
    EXPECT_TRUE(std::filesystem::is_directory(game() + "\\Saves\\Zed"));
    EXPECT_EQ(text(kLblOp), "New.");
    EXPECT_EQ(text(kLblOutcome), "Success. New Character Set.");
    EXPECT_EQ(text(kLblActive), "Zed");
}

TEST_F(Win32Window, EnterOnAFocusedButtonClicksIt) {
    SetFocus(control(kCmdLoad));
    key(control(kCmdLoad), WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(text(kLblOp), "Load.");
    EXPECT_EQ(text(kLblOutcome), "Failed. Choose a Character.");
}

TEST_F(Win32Window, SliderNotifiesOncePerChangeAndNotWhileDragging) {
    platform::win32::Win32ProfileFile profile;
    const auto difficulty = [&] {
        return profile.read("GamePlay", "iDifficultyLevel", "-", 100, ini());
    };
    ASSERT_EQ(window->sliderValue(), 50);
    scroll(SB_THUMBTRACK);
    EXPECT_EQ(window->sliderValue(), 50);
    scroll(SB_LINERIGHT);
    EXPECT_EQ(window->sliderValue(), 51);
    EXPECT_EQ(text(kLblDiff), "51");
    EXPECT_EQ(difficulty(), "51");
    scroll(SB_PAGELEFT);
    EXPECT_EQ(difficulty(), "41");
    scroll(SB_LEFT);
    EXPECT_EQ(difficulty(), "0");
    // At the end already: no change, so no notification writes anything.
    DeleteFileA(ini().c_str());
    scroll(SB_LINELEFT);
    scroll(SB_LEFT);
    EXPECT_FALSE(std::filesystem::exists(ini()));
}

TEST_F(Win32Window, CheckBoxClickRemembersRenamingForTheCharacter) {
    SendMessageW(control(kCheck1), BM_CLICK, 0, 0);
    EXPECT_EQ(window->checkValue(), 1);
    platform::win32::Win32ProfileFile profile;
    EXPECT_EQ(profile.read("Ann", "SScreenShotBaseName", "", 100, game() + "\\quarlo.ini"), "1");
    EXPECT_EQ(profile.read("Display", "SScreenShotBaseName", "", 100, ini()), "Ann");
    window->setCheckValue(2);
    EXPECT_EQ(window->checkValue(), 2);
    SendMessageW(control(kCheck1), BM_CLICK, 0, 0);
    EXPECT_EQ(window->checkValue(), 1);
    SendMessageW(control(kCheck1), BM_CLICK, 0, 0);
    EXPECT_EQ(window->checkValue(), 0);
    EXPECT_EQ(profile.read("Ann", "SScreenShotBaseName", "", 100, game() + "\\quarlo.ini"), "0");
    EXPECT_EQ(profile.read("Display", "SScreenShotBaseName", "", 100, ini()), "ScreenShot");
}

TEST_F(Win32Window, EveryStatusTextShowsWhole) {
    for (const char* op : app::text::kOperations) {
        window->setLabel(app::ValueLabel::Op, op);
        EXPECT_EQ(text(kLblOp), op);
    }
    for (const char* outcome : app::text::kOutcomes) {
        window->setLabel(app::ValueLabel::Outcome, outcome);
        EXPECT_EQ(text(kLblOutcome), outcome);
    }
}

// In every language Quarlo installs, at 100 % to 200 %, each caption and
// status text fits its control in the font chosen for it.
TEST(Win32Texts, EveryCatalogueFitsAtEveryScale) {
    for (const texts::Language& l : texts::languages()) {
        std::ifstream in(std::string(QUARLO_LOCALE_DIR) + "/" + l.code + "/LC_MESSAGES/quarlo.mo",
                         std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        std::string why;
        auto catalogue = texts::parseMo(bytes, why);
        ASSERT_TRUE(std::string(l.code) == "en" || catalogue) << l.code << ": " << why;
        texts::use(l.code, std::move(catalogue));
        for (const int dpi : {96, 120, 144, 192}) {
            const auto fits = ui::win32::textsToFit(dpi);
            HFONT font = ui::win32::createDialogFont(dpi, fits);
            HDC screen = GetDC(nullptr);
            HGDIOBJ was = SelectObject(screen, font);
            for (const ui::win32::FittingText& t : fits) {
                SIZE size{};
                GetTextExtentPoint32W(screen, t.text.c_str(), static_cast<int>(t.text.size()),
                                      &size);
                EXPECT_LE(size.cx, t.width)
                    << l.code << " at " << dpi << ": " << ui::win32::toUtf8(t.text);
            }
            SelectObject(screen, was);
            ReleaseDC(nullptr, screen);
            DeleteObject(font);
        }
    }
    texts::use("en", std::nullopt);
}

TEST_F(Win32Window, LongTextsShowTheWordsThatFit) {
    const std::string longText = "Failed. Could Not Write Settings. And a good many more words.";
    window->setLabel(app::ValueLabel::Outcome, longText);
    const std::string shown = text(kLblOutcome);
    EXPECT_LT(shown.size(), longText.size());
    EXPECT_EQ(longText.substr(0, shown.size()), shown);
    EXPECT_EQ(longText[shown.size()], ' ');
}

TEST_F(Win32Window, AboutOpensOnceAndAgainAfterClosing) {
    const auto aboutWindows = [] { return ownWindows(L"QuarloAbout"); };
    SendMessageW(control(kCmdAbout), BM_CLICK, 0, 0);
    SendMessageW(control(kCmdAbout), BM_CLICK, 0, 0);
    EXPECT_EQ(aboutWindows(), 1);
    HWND about = window->about().handle();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(GetWindow(about, GW_OWNER), nullptr);
    RECT client{};
    GetClientRect(about, &client);
    const int dpi = windowDpi(about);
    EXPECT_EQ(client.right, twipsToPixels(kAboutClient.width, dpi));
    EXPECT_EQ(client.bottom, twipsToPixels(kAboutClient.height, dpi));

    DestroyWindow(about);
    EXPECT_EQ(aboutWindows(), 0);
    EXPECT_TRUE(IsWindow(window->handle()));
    SendMessageW(control(kCmdAbout), BM_CLICK, 0, 0);
    EXPECT_EQ(aboutWindows(), 1);
}

TEST_F(Win32Window, SavesOpensOncePerCharacterWithTheListViewHoldingTheRows) {
    test::SaveShape shape;
    shape.width = 5;
    shape.height = 3;
    test::writeBytes(game() + "\\Saves\\Ann\\Save 1.ess", test::saveBytes(shape));
    shape.saveTime.year = 2023;
    test::writeBytes(game() + "\\Saves\\Ann\\Save 2.ess", test::saveBytes(shape));
    const auto cell = [](HWND list, int row, int column) {
        wchar_t buffer[256] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer;
        item.cchTextMax = 256;
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
        std::wstring w(buffer);
        return std::string(w.begin(), w.end());
    };
    // Nothing selected: the keyboard's context menu has no entry to open.
    menuChoice = kShowSaves;
    contextMenu(-1);
    EXPECT_EQ(menuItems, Strings{kSort});
    EXPECT_EQ(savesWindows(), 0);

    // The selected entry's menu opens its window, and opening it again
    // brings back the same one; neither changes the selection.
    SendMessageW(control(kLstLoad), LB_SETCURSEL, 0, 0);
    contextMenu(-1);
    EXPECT_EQ(menuItems,
              (Strings{kShowSaves, app::text::kMenuOpenFolder, "-", app::text::kMenuBackUp,
                       app::text::kMenuRestore, "-", app::text::kMenuRename, app::text::kMenuTidyUp,
                       app::text::kMenuCarry, "-", kSort}));
    window->showSaves("Ann");
    EXPECT_EQ(SendMessageW(control(kLstLoad), LB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(savesWindows(), 1);
    SavesWindow* saves = window->savesWindow("Ann");
    ASSERT_NE(saves, nullptr);
    ASSERT_NE(saves->handle(), nullptr);
    EXPECT_EQ(GetWindow(saves->handle(), GW_OWNER), nullptr);
    wchar_t title[64] = {};
    GetWindowTextW(saves->handle(), title, 64);
    EXPECT_EQ(std::wstring(title), L"Saves of Ann");
    HWND list = saves->list();
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(cell(list, 0, 7), "Save 1.ess");  // 2024, the newer
    EXPECT_EQ(cell(list, 1, 7), "Save 2.ess");
    EXPECT_EQ(cell(list, 0, 5), "1");  // plugins
    EXPECT_EQ(cell(list, 0, 1), "12");
    EXPECT_EQ(cell(list, 0, 2), "Imperial City Market District");
    EXPECT_EQ(cell(list, 0, 3), "2:07");
    EXPECT_FALSE(cell(list, 0, 4).empty());
    // Every column in view on a 1280 x 800 screen, without a scroll bar.
    RECT frame{};
    GetWindowRect(saves->handle(), &frame);
    EXPECT_LE(frame.right - frame.left, 1280);
    EXPECT_LE(frame.bottom - frame.top, 800);
    // Within the screen's work area, whatever its size.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(
        GetMonitorInfoW(MonitorFromWindow(saves->handle(), MONITOR_DEFAULTTONEAREST), &monitor));
    EXPECT_GE(frame.left, monitor.rcWork.left);
    EXPECT_GE(frame.top, monitor.rcWork.top);
    EXPECT_LE(frame.right, monitor.rcWork.right);
    EXPECT_LE(frame.bottom, monitor.rcWork.bottom);
    // Each plugin's state whole, the longest too.
    EXPECT_GE(SendMessageW(saves->plugins(), LVM_GETCOLUMNWIDTH, 1, 0),
              SendMessageW(saves->plugins(), LVM_GETSTRINGWIDTHW, 0,
                           reinterpret_cast<LPARAM>(L"installed, not active")));
    EXPECT_EQ(GetWindowLongW(list, GWL_STYLE) & WS_HSCROLL, 0);
    EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 0);
    EXPECT_NE(SendMessageW(saves->picture(), STM_GETIMAGE, IMAGE_BITMAP, 0), 0);

    // F5 in the list reads the folder again.
    test::writeBytes(game() + "\\Saves\\Ann\\Quick.ess", "not a save");
    SendMessageW(list, WM_KEYDOWN, VK_F5, 0);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(cell(list, 2, 7), "Quick.ess");  // the unreadable after the saves
    EXPECT_EQ(cell(list, 2, 0), "");

    window->showSaves("Other");
    EXPECT_EQ(savesWindows(), 2);
    DestroyWindow(saves->handle());
    EXPECT_EQ(savesWindows(), 1);
    EXPECT_EQ(saves->handle(), nullptr);
    DestroyWindow(window->savesWindow("Other")->handle());
}

TEST_F(Win32Window, SortLooseSavesIsOfferedOnTheEmptyPartOfTheListAndMovesNothingUnasked) {
    const std::string op = text(kLblOp);
    // Below the last entry: only the sort.
    RECT list{};
    GetWindowRect(control(kLstLoad), &list);
    menuChoice = kSort;
    contextMenu(MAKELPARAM(list.left + 5, list.bottom - 5));
    EXPECT_EQ(menuItems, Strings{kSort});
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].title, app::text::kSortLooseSaves);
    EXPECT_EQ(told[0].text.rfind("Failed. No Loose Saves.", 0), 0u) << told[0].text;

    // A loose save: the plan is shown and, refused, moves nothing.
    const std::string loose = game() + "\\Saves\\Save 9.ess";
    test::writeBytes(loose, test::saveBytes(test::SaveShape{}));
    contextMenu(MAKELPARAM(list.left + 5, list.bottom - 5));
    EXPECT_EQ(planned, Strings{"J\xC3\xB6rg"});
    EXPECT_TRUE(std::filesystem::exists(loose));
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(SendMessageW(control(kLstLoad), LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_EQ(text(kLblOp), op);
}

TEST_F(Win32Window, SavesCommandsTakeTheSelectedRowsAndAskTheirQuestionsOfTheHooks) {
    for (int i = 0; i < 3; ++i) {
        test::SaveShape shape;
        shape.width = static_cast<std::uint32_t>(5 + i);  // tells the screenshots apart
        shape.saveTime.year = static_cast<std::uint16_t>(2024 - i);
        test::writeBytes(game() + "\\Saves\\Ann\\Save " + std::to_string(i + 1) + ".ess",
                         test::saveBytes(shape));
    }
    std::filesystem::create_directories(game() + "\\Saves\\Bob");
    main->RefreshSaveList();
    window->showSaves("Ann");
    SavesWindow* saves = window->savesWindow("Ann");
    ASSERT_NE(saves, nullptr);
    HWND list = saves->list();
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);

    const auto setState = [&](int row, UINT state) {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = state;
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
    };
    const auto shownWidth = [&] {
        BITMAP b{};
        const auto bitmap = reinterpret_cast<HBITMAP>(
            SendMessageW(saves->picture(), STM_GETIMAGE, IMAGE_BITMAP, 0));
        return bitmap != nullptr && GetObjectW(bitmap, sizeof b, &b) != 0 ? b.bmWidth : 0;
    };
    // The screenshot follows the focused row while it is selected, else the
    // first selected.
    setState(0, LVIS_SELECTED);
    setState(2, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(saves->selectedRows(), (std::vector<int>{0, 2}));
    EXPECT_EQ(shownWidth(), 7);
    setState(1, LVIS_FOCUSED);
    EXPECT_EQ(saves->selectedRows(), (std::vector<int>{0, 2}));
    EXPECT_EQ(shownWidth(), 5);

    // Tab goes from the list to the three buttons and back.
    Strings order;
    HWND at = list;
    for (int i = 0; i < 4; ++i) {
        at = GetNextDlgTabItem(saves->handle(), at, FALSE);
        wchar_t buffer[64] = {};
        GetWindowTextW(at, buffer, 64);
        order.push_back(at == list ? "list" : toUtf8(buffer));
    }
    EXPECT_EQ(order,
              (Strings{"&" + std::string(app::text::kMoveTo), "&" + std::string(app::text::kCopyTo),
                       "&" + std::string(app::text::kDelete), "list"}));

    // Alt+C presses Copy To…; cancelled, nothing is told.
    MSG altC{list, WM_SYSCHAR, L'c', 1 << 29, 0, {}};
    EXPECT_TRUE(IsDialogMessageW(saves->handle(), &altC));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, app::text::kCopyTo);
    EXPECT_EQ(asked[0].text, "Copy 2 saves to this character, or type a new one:");
    EXPECT_EQ(asked[0].characters, Strings{"Bob"});
    EXPECT_TRUE(told.empty());

    // Enter on a focused button clicks it. A new name makes its folder, which
    // the main window's list then shows; the window reads its folder again.
    destination = "Cat";
    SetFocus(saves->control(SavesWindow::kMoveToId));
    MSG enter{saves->control(SavesWindow::kMoveToId), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    IsDialogMessageW(saves->handle(), &enter);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].title, app::text::kMoveTo);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].title, app::text::kMoveTo);
    EXPECT_TRUE(told[0].text.rfind("Failed.", 0) == 0 || told[0].text.rfind("Success.", 0) == 0)
        << told[0].text;
    EXPECT_TRUE(std::filesystem::is_directory(game() + "\\Saves\\Cat"));
    EXPECT_NE(SendMessageW(control(kLstLoad), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(L"Cat")),
              LB_ERR);
    int left = 0;
    for (const auto& file : std::filesystem::directory_iterator(game() + "\\Saves\\Ann")) {
        left += file.path().extension() == ".ess" ? 1 : 0;
    }
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), left);

    // The Delete key in the list asks for the selected saves; this test's
    // platform has no trash, so the command refuses.
    setState(0, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageW(list, WM_KEYDOWN, VK_DELETE, 0);
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[1].title, app::text::kDelete);
    EXPECT_EQ(told[1].text, app::text::kNotAvailable);
    DestroyWindow(saves->handle());
}

// The system's own dialogs, answered from a timer while they run: the plan's
// buttons say what they do, and long work shows its progress with a Cancel
// that stops it after the save it is at, no other window taking input.
std::vector<std::wstring> gButtons;
bool gMainEnabled = true;
HWND gMain = nullptr;
void CALLBACK answerDialog(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = GetActiveWindow();
    if (dialog == nullptr || dialog == gMain) {
        return;
    }
    KillTimer(nullptr, id);
    wchar_t ok[64] = {};
    wchar_t cancel[64] = {};
    GetDlgItemTextW(dialog, IDOK, ok, 64);
    GetDlgItemTextW(dialog, IDCANCEL, cancel, 64);
    gButtons = {ok, cancel};
    gMainEnabled = IsWindowEnabled(gMain) != FALSE;
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
}

TEST_F(Win32Window, ThePlanSaysSortAndLongWorkCanBeStopped) {
    const Dialogs real = systemDialogs();
    gMain = window->handle();
    app::SortPlan plan;
    plan.groups.emplace_back().name = "Ann";
    plan.groups.back().saves.emplace_back();
    SetTimer(nullptr, 0, 50, &answerDialog);
    EXPECT_FALSE(real.confirmSortPlan(window->handle(), plan));
    EXPECT_EQ(gButtons, (std::vector<std::wstring>{L"&Sort", L"Cancel"}));
    std::size_t reached = 0;
    SetTimer(nullptr, 0, 700, &answerDialog);
    real.runWithProgress(window->handle(), "Move To", test::slowWork(reached));
    EXPECT_TRUE(reached > 0 && reached < 1000) << reached;
    EXPECT_FALSE(gMainEnabled);
    EXPECT_TRUE(IsWindowEnabled(window->handle()));
}

}  // namespace
}  // namespace quarlo::ui::win32
