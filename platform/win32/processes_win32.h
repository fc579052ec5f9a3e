#pragma once

#include <functional>
#include <optional>
#include <string>

#include "games/games.h"
#include "platform/process.h"

namespace quarlo::platform::win32 {

// Starts the launcher the registry names. Where the registry names no folder
// (the launcher path is the bare file name), the stores' own records are
// looked at: a Steam library holding the game's steamapps\common folder has Steam
// start the game (steam://rungameid/<app>, handed to the shell) so its
// overlay and play time work; else GOG's entry for the game names the folder
// whose launcher is started.
class Win32Processes : public Processes {
  public:
    // Hands a URL to the shell; true when it took it.
    using OpenUrl = std::function<bool(const std::string& url)>;

    explicit Win32Processes(const games::Game& game = games::oblivion());
    explicit Win32Processes(OpenUrl openUrl, const games::Game& game = games::oblivion())
        : openUrl_(std::move(openUrl)), game_(&game) {}

    bool startLauncher(const std::string& launcherPath) override;
    bool gameIsRunning() const override;
    bool openFolder(const std::string& folder) override;
    std::string executableFolder() const override;
    int runAndWait(const std::vector<std::string>& command) override;
    Captured capture(const std::vector<std::string>& command, int limitMs,
                     std::size_t largestOut) override;

  private:
    OpenUrl openUrl_;
    const games::Game* game_;
};

// The game in one of the Steam libraries of the Steam folder `steamPath` (as
// the registry gives it): its folder and Steam app; nullopt when none holds
// it.
struct SteamGame {
    std::string folder;
    std::string appId;
};
std::optional<SteamGame> steamGameInLibraries(const std::string& steamPath,
                                              const games::Game& game = games::oblivion());
std::string steamAppInLibraries(const std::string& steamPath,
                                const games::Game& game = games::oblivion());

// A path with backslashes, one at a time, and no separator at its end.
std::string cleanWindowsPath(const std::string& path);

}  // namespace quarlo::platform::win32
