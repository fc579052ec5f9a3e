#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/saves_window.h"
#include "platform/win32/win32_api.h"
#include "ui/win32/dialogs.h"
#include "ui/win32/open_windows.h"

namespace quarlo::ui::win32 {

// One character's saves on the platform's own controls: a list view in report
// mode beside a static picture of the selected save's screenshot, and under
// them the buttons of the commands on the selected saves. The object
// lasts as long as the main window; the window it shows is made anew whenever
// it was closed, and reads the folder each time it opens and on F5.
class SavesWindow final : public app::SavesView, public RoutedWindow {
  public:
    static constexpr int kMoveToId = 3;
    static constexpr int kCopyToId = 4;
    static constexpr int kDeleteId = 5;

    // `dialogs` outlives the object; `savesChanged` is told when a command
    // moved saves (true when it made a character folder as well).
    SavesWindow(HINSTANCE instance, app::SavesSource source, const Dialogs& dialogs,
                std::function<void(bool charactersAdded)> savesChanged);
    ~SavesWindow() override;
    SavesWindow(const SavesWindow&) = delete;
    SavesWindow& operator=(const SavesWindow&) = delete;

    static bool registerClass(HINSTANCE instance);

    // Opens the window at the system's default place, without owner or
    // modality, or brings it to the front when it is open already.
    void show();

    HWND handle() const { return window_; }
    HWND list() const { return list_; }
    HWND picture() const { return picture_; }
    HWND plugins() const { return plugins_; }
    HWND details() const { return details_; }
    HWND control(int id) const { return GetDlgItem(window_, id); }

    // F5's reading of the folder again, when the window is open.
    void refresh();

    // app::SavesView
    void setTitle(const std::string& title) override;
    void setRows(const std::vector<app::SaveRow>& rows) override;
    void selectRow(int row) override;
    void showScreenshot(std::uint32_t width, std::uint32_t height, const std::string& rgb) override;
    void clearScreenshot() override;
    void showPlugins(const std::vector<app::PluginLine>& plugins) override;
    void setPluginNote(const std::string& note) override;
    void showDetails(const std::vector<std::string>& lines) override;
    std::vector<int> selectedRows() const override;
    std::optional<std::string> askDestination(const std::string& title, const std::string& prompt,
                                              const std::vector<std::string>& characters) override;
    bool confirm(const std::string& title, const std::string& question) override;
    void showMessage(const std::string& title, const std::string& text) override;
    void savesChanged(bool charactersAdded) override;
    void runWithProgress(const std::string& title,
                         const std::function<void(const saves::Progress&)>& work) override;

  private:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void applyDpi(int dpi);
    void layOut();
    void setBitmap(HBITMAP bitmap, int width, int height);
    // Runs one of the logic's commands; the window stays open while it asks.
    void run(void (app::SavesWindow::*command)());
    // The row whose screenshot shows: the focused one while it is selected,
    // else the first selected, else -1.
    int screenshotRow() const;

    HINSTANCE instance_;
    app::SavesSource source_;
    const Dialogs& dialogs_;
    std::function<void(bool)> savesChanged_;
    std::unique_ptr<app::SavesWindow> logic_;  // while the window is open
    HWND list_ = nullptr;
    HWND picture_ = nullptr;
    HWND plugins_ = nullptr;
    HWND note_ = nullptr;
    HWND details_ = nullptr;
    HFONT font_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    SIZE bitmapSize_{0, 0};
    HWND focus_ = nullptr;  // given back when the window is active again
    bool quiet_ = false;    // selection changes from the logic do not notify
    int noteLines_ = 1;
    int shownRow_ = -1;  // the row last handed to the logic's onSelect
    bool busy_ = false;  // a command runs, perhaps inside a modal dialog
};

}  // namespace quarlo::ui::win32
