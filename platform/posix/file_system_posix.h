#pragma once

#include "platform/file_system.h"

namespace quarlo::platform::posix {

class PosixFileSystem : public FileSystem {
  public:
    char separator() const override { return '/'; }
    bool folderExists(const std::string& path) const override;
    std::optional<FolderId> folderId(const std::string& path) const override;
    std::optional<FolderListing> listFolder(const std::string& path) const override;
    bool createFolder(const std::string& path) override;
    bool removeFolder(const std::string& path) override;
};

// Orders names as the game's file system lists them: without regard to case,
// with the raw bytes as a tie-break so the order is total.
bool lessByNameIgnoringCase(const std::string& a, const std::string& b);

}  // namespace quarlo::platform::posix
