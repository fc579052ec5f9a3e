#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "app/controls.h"
#include "platform/win32/win32_api.h"
#include "ui/win32/about_window.h"
#include "ui/win32/dialogs.h"
#include "ui/win32/open_windows.h"
#include "ui/win32/saves_window.h"

namespace quarlo::ui::win32 {

// The main window on the platform's own controls: it lays them out from the
// design, hands each notification the program handles to its hook and gives
// the program's logic the control operations it needs.
class MainWindow final : public app::MainControls, public RoutedWindow {
  public:
    explicit MainWindow(HINSTANCE instance);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    static bool registerClass(HINSTANCE instance);

    void setHandlers(app::MainHandlers handlers);
    // The dialogs and menu of the save commands, the system's own unless a
    // test puts its answers in their place.
    void setDialogs(Dialogs dialogs) { dialogs_ = std::move(dialogs); }

    // Creates the window and its controls, not yet shown. False when the
    // window cannot be created.
    bool create();
    // Shows the window with the focus on cmdNew.
    void show(int showCommand);

    HWND handle() const { return window_; }
    HWND control(int id) const { return GetDlgItem(window_, id); }
    AboutWindow& about() { return about_; }
    // The Saves window object of one list entry, null before it was first
    // asked for.
    SavesWindow* savesWindow(const std::string& entry) const;

    // lstLoad's context menu commands for one entry.
    void showSaves(const std::string& entry);
    void openFolder(const std::string& entry);
    void sortLooseSaves();
    void backUp(const std::string& entry);
    void showBackups(const std::string& entry);
    void renameCharacter(const std::string& entry);
    void tidyUp(const std::string& entry);
    void carry(const std::string& entry);
    // Saves moved: every open Saves window reads its folder again, and the
    // list too when a character folder was made.
    void refreshSaves(bool charactersAdded);

    // app::MainControls
    void setLabel(app::ValueLabel label, const std::string& text) override;
    void clearList() override;
    void hideList() override;
    void showList() override;
    void appendToList(const std::string& entry) override;
    std::string selectedListText() const override;
    std::string newNameText() const override;
    int sliderValue() const override;
    void setSliderValue(int value) override;
    void setSliderRange(int low, int high) override;
    void setTitle(const std::string& title) override;
    void setGames(const std::vector<app::GameEntry>& entries) override;
    // The menu bar with the Game menu while there is one, else null.
    HMENU gameMenuBar() const { return menuBar_; }
    int checkValue() const override;
    void setCheckValue(int value) override;
    void showNotice(const std::string& title, const std::string& text) override;
    void runWithProgress(const std::string& title,
                         const std::function<void(const saves::Progress&)>& work) override;

  private:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void applyDpi(int dpi);
    void showLabel(int id, const std::wstring& text);
    void onCommand(int id, int code);
    void onScroll(int request);
    // The context menu at a WM_CONTEXTMENU's place: the entry under the
    // pointer, or the selected one from the keyboard; only Sort Loose Saves…
    // without an entry.
    void onListContextMenu(LPARAM where);
    std::string listText(int index) const;

    HINSTANCE instance_;
    app::MainHandlers handlers_;
    AboutWindow about_;
    Dialogs dialogs_;  // before the Saves windows, which use it
    std::map<std::string, std::unique_ptr<SavesWindow>> saves_;
    HFONT font_ = nullptr;
    HWND focus_ = nullptr;                    // given back when the window is active again
    std::map<int, std::wstring> labelTexts_;  // whole texts; labels show what fits
    // The slider's scale: Oblivion's 0..100 unless the game has its own.
    int sliderLow_;
    int sliderHigh_;
    int sliderPage_;
    HMENU menuBar_ = nullptr;
    int dpi_ = 96;
};

}  // namespace quarlo::ui::win32
