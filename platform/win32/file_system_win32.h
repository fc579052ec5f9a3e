#pragma once

#include "platform/file_system.h"

namespace quarlo::platform::win32 {

class Win32FileSystem : public FileSystem {
  public:
    char separator() const override { return '\\'; }
    bool folderExists(const std::string& path) const override;
    std::optional<FolderId> folderId(const std::string& path) const override;
    std::optional<FolderListing> listFolder(const std::string& path) const override;
    bool createFolder(const std::string& path) override;
    bool removeFolder(const std::string& path) override;
};

}  // namespace quarlo::platform::win32
