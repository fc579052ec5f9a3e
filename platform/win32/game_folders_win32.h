#pragma once

#include "games/games.h"
#include "platform/game_folders.h"

namespace quarlo::platform::win32 {

// The installer's registry entry, else a Steam library holding the game,
// else GOG's entry; the local application data folder from the shell.
class Win32GameFolders : public GameFolders {
  public:
    explicit Win32GameFolders(const games::Game& game = games::oblivion()) : game_(game) {}
    std::string installFolder() const override;
    std::string localDataFolder() const override;
    // Steam's own folder, as it names it in the registry.
    std::vector<std::string> steamRoots() const override;

  private:
    const games::Game& game_;
};

// The user's local application data folder (UTF-8), "" when the shell has
// none.
std::string localAppDataFolder();

}  // namespace quarlo::platform::win32
