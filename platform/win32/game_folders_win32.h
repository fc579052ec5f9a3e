#pragma once

#include "platform/game_folders.h"

namespace quarlo::platform::win32 {

// The installer's registry entry, else a Steam library holding the game,
// else GOG's entry; the local application data folder from the shell.
class Win32GameFolders : public GameFolders {
  public:
    std::string installFolder() const override;
    std::string localDataFolder() const override;
};

}  // namespace quarlo::platform::win32
