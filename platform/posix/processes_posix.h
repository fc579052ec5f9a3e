#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/wine/prefix.h"

namespace quarlo::platform::posix {

// Starts a program detached from us (double fork, new session), so it outlives
// Quarlo and never becomes a zombie we must reap. False when it could not be
// executed.
bool spawnDetached(const std::vector<std::string>& argv,
                   const std::vector<std::string>& extraEnv = {});

// Starts the game the way its prefix is run. In Steam's Proton prefix Steam
// itself starts it (steam://rungameid/22330, through `steam` or else
// `xdg-open`), since only Steam sets Proton up; in a plain Wine prefix `wine`
// starts the launcher's Windows path with WINEPREFIX set, when that path is a
// file in the prefix. Without a prefix the launcher path is a Linux file,
// started only when it exists.
class PosixProcesses : public Processes {
  public:
    PosixProcesses() = default;
    explicit PosixProcesses(std::optional<wine::WinePrefix> prefix) : prefix_(std::move(prefix)) {}

    bool startLauncher(const std::string& launcherPath) override;
    bool openFolder(const std::string& folder) override;
    std::string executableFolder() const override;

  private:
    std::optional<wine::WinePrefix> prefix_;
};

}  // namespace quarlo::platform::posix
