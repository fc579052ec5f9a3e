#pragma once

#include <string>
#include <vector>

#include "platform/process.h"

namespace quarlo::platform::posix {

// Starts a program detached from us (double fork, new session), so it outlives
// Quarlo and never becomes a zombie we must reap. False when it could not be
// executed.
bool spawnDetached(const std::vector<std::string>& argv,
                   const std::vector<std::string>& extraEnv = {});

class PosixProcesses : public Processes {
  public:
    bool startLauncher(const std::string& launcherPath) override;
    std::string executableFolder() const override;
};

}  // namespace quarlo::platform::posix
