#pragma once

#include <string>

#include "ui/cli/command_line.h"

namespace quarlo::ui::win32 {

// The command line's windows on Windows (Big Picture): the full-screen
// picker and a failure in its style, each one popup window covering the
// screen, painted in large type, driven by the arrow keys, Enter and Escape.
class Win32Screens : public cli::Screens {
  public:
    void pick(app::Picker& picker) override;
    void showFailure(const std::string& text) override;
};

}  // namespace quarlo::ui::win32
