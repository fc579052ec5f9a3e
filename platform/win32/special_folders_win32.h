#pragma once

#include "platform/special_folders.h"

namespace quarlo::platform::win32 {

class Win32SpecialFolders : public SpecialFolders {
  public:
    std::string GetSpecialFolderPath(int folderId) const override;
};

}  // namespace quarlo::platform::win32
