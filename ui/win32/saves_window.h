#pragma once

#include <memory>
#include <string>

#include "app/saves_window.h"
#include "platform/win32/win32_api.h"

namespace quarlo::ui::win32 {

// One character's saves on the platform's own controls: a list view in report
// mode beside a static picture of the selected save's screenshot. The object
// lasts as long as the main window; the window it shows is made anew whenever
// it was closed, and reads the folder each time it opens and on F5.
class SavesWindow final : public app::SavesView {
  public:
    SavesWindow(HINSTANCE instance, app::SavesSource source);
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

    // app::SavesView
    void setTitle(const std::string& title) override;
    void setRows(const std::vector<app::SaveRow>& rows) override;
    void selectRow(int row) override;
    void showScreenshot(std::uint32_t width, std::uint32_t height, const std::string& rgb) override;
    void clearScreenshot() override;

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void applyDpi(int dpi);
    void layOut();
    void setBitmap(HBITMAP bitmap, int width, int height);

    HINSTANCE instance_;
    app::SavesSource source_;
    std::unique_ptr<app::SavesWindow> logic_;  // while the window is open
    HWND window_ = nullptr;
    HWND list_ = nullptr;
    HWND picture_ = nullptr;
    HFONT font_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    SIZE bitmapSize_{0, 0};
    bool quiet_ = false;  // selection changes from the logic do not notify
};

}  // namespace quarlo::ui::win32
