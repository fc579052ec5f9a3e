#pragma once

#include <memory>
#include <string>

#include "ui/cli/command_line.h"

class QApplication;

namespace quarlo::ui {

// The command line's windows in Qt: the full-screen picker and the failure
// shown in its style. Qt's application is made only when one is shown, so
// that every other verb runs without a display.
class QtScreens : public cli::Screens {
  public:
    // `program`: argv[0], all Qt's application is given.
    explicit QtScreens(char* program);
    ~QtScreens() override;

    void pick(app::Picker& picker) override;
    void showFailure(const std::string& text) override;

  private:
    void ensureApplication();

    char* program_;
    std::unique_ptr<QApplication> application_;
};

}  // namespace quarlo::ui
