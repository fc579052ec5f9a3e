#pragma once

#include <string>
#include <vector>

namespace quarlo::platform {

// Where the game itself is, beyond the documents folder: found as Run Game
// finds the game (the installer's registry entry, Steam's libraries, GOG's
// entry; under Wine and Proton through the prefix). Paths are native, without
// a trailing separator; "" when not found.
class GameFolders {
  public:
    virtual ~GameFolders() = default;

    // The folder the game is installed in: Oblivion.exe, its own
    // Oblivion.ini, which the game reads first, and Data.
    virtual std::string installFolder() const = 0;

    // The game's folder in the user's local application data, which holds
    // Plugins.txt: %LOCALAPPDATA%\Oblivion.
    virtual std::string localDataFolder() const = 0;

    // The folders of the Steam installations on this system, each holding
    // userdata/<account>/<app>/ for every account that signed in there;
    // none where Steam is not installed.
    virtual std::vector<std::string> steamRoots() const { return {}; }
};

}  // namespace quarlo::platform
