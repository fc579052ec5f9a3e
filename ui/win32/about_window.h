#pragma once

#include <string>

#include "platform/win32/win32_api.h"
#include "ui/win32/open_windows.h"

namespace quarlo::ui::win32 {

// The passive credits window. The object lasts as long as the program; the
// window it shows is made anew whenever it was closed, and at most one exists.
class AboutWindow final : public RoutedWindow {
  public:
    explicit AboutWindow(HINSTANCE instance) : instance_(instance) {}
    ~AboutWindow() override;
    AboutWindow(const AboutWindow&) = delete;
    AboutWindow& operator=(const AboutWindow&) = delete;

    static bool registerClass(HINSTANCE instance);

    // Opens the window at the system's default place, without owner or
    // modality, or brings it to the front when it is open already.
    void show();

    HWND handle() const { return window_; }

  private:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void applyDpi(int dpi);
    void releaseResources();

    HINSTANCE instance_;
    HFONT font_ = nullptr;
    HFONT titleFont_ = nullptr;
    HICON crest_ = nullptr;
    HICON scroll_ = nullptr;
    // What the line below the language choice says, once one is made.
    std::wstring languageNote_;
};

}  // namespace quarlo::ui::win32
