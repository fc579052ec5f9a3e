#pragma once

#include <optional>
#include <string>

#include "platform/special_folders.h"
#include "platform/wine/prefix.h"

namespace quarlo::platform::posix {

// The XDG documents folder: XDG_DOCUMENTS_DIR from user-dirs.dirs, else
// $HOME/Documents; "" when neither can be settled.
std::string xdgDocumentsFolder();

// The documents folder the game sees: that of the Windows user in the game's
// Wine prefix when there is one, else the XDG documents folder.
class PosixSpecialFolders : public SpecialFolders {
  public:
    PosixSpecialFolders() = default;
    explicit PosixSpecialFolders(std::optional<wine::WinePrefix> prefix)
        : prefix_(std::move(prefix)) {}

    std::string GetSpecialFolderPath(int folderId) const override;

  private:
    std::optional<wine::WinePrefix> prefix_;
};

}  // namespace quarlo::platform::posix
