#pragma once

#include <string>

#include "platform/special_folders.h"

namespace quarlo::platform::posix {

// The XDG documents folder: XDG_DOCUMENTS_DIR from user-dirs.dirs, else
// $HOME/Documents; "" when neither can be settled.
std::string xdgDocumentsFolder();

class PosixSpecialFolders : public SpecialFolders {
  public:
    std::string GetSpecialFolderPath(int folderId) const override;
};

}  // namespace quarlo::platform::posix
