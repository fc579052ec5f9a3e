#pragma once

#include <optional>

#include "platform/game_folders.h"
#include "platform/wine/prefix.h"

namespace quarlo::platform::posix {

// The game's folders inside the Wine or Proton prefix it lives in; none
// without a prefix.
class PosixGameFolders : public GameFolders {
  public:
    PosixGameFolders(std::optional<wine::WinePrefix> prefix, std::vector<std::string> steamRoots)
        : prefix_(std::move(prefix)), steamRoots_(std::move(steamRoots)) {}
    std::string installFolder() const override {
        return prefix_ ? wine::installFolder(*prefix_) : std::string();
    }
    std::string localDataFolder() const override {
        return prefix_ ? wine::localDataFolder(*prefix_) : std::string();
    }

    std::vector<std::string> steamRoots() const override { return steamRoots_; }

  private:
    std::optional<wine::WinePrefix> prefix_;
    std::vector<std::string> steamRoots_;
};

}  // namespace quarlo::platform::posix
