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
// itself starts it (steam://rungameid/<app>, through `steam` or else
// `xdg-open`), since only Steam sets Proton up; in Heroic's or Lutris's
// prefix that launcher does (heroic://launch/..., lutris:rungame/..., through
// `heroic` or `lutris`, else `xdg-open`), else `wine` as in a plain prefix;
// in a plain Wine prefix `wine` starts the launcher's Windows path with
// WINEPREFIX set, when that path is a file in the prefix. Without a prefix the launcher path is a
// Linux file, started only when it exists. Whether one of the processes listed under `procFolder`
// (/proc) is the game under Wine or Proton: its comm, or the base name of the program its command
// line names first or second (after wine or a preloader), is the game's
// program in any case.
bool gameRunsUnder(const std::string& procFolder, const games::Game& game = games::oblivion());

class PosixProcesses : public Processes {
  public:
    PosixProcesses() = default;
    explicit PosixProcesses(std::optional<wine::WinePrefix> prefix,
                            const games::Game& game = games::oblivion())
        : prefix_(std::move(prefix)), game_(&game) {}

    bool startLauncher(const std::string& launcherPath) override;
    bool gameIsRunning() const override { return gameRunsUnder("/proc", *game_); }
    bool openFolder(const std::string& folder) override;
    std::string executableFolder() const override;
    int runAndWait(const std::vector<std::string>& command) override;
    Captured capture(const std::vector<std::string>& command, int limitMs,
                     std::size_t largestOut) override;

  private:
    std::optional<wine::WinePrefix> prefix_;
    const games::Game* game_ = &games::oblivion();
};

}  // namespace quarlo::platform::posix
