#pragma once

#include "platform/process.h"

namespace quarlo::platform::win32 {

class Win32Processes : public Processes {
  public:
    bool startLauncher(const std::string& launcherPath) override;
    bool openFolder(const std::string& folder) override;
    std::string executableFolder() const override;
};

}  // namespace quarlo::platform::win32
