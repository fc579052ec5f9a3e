#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quarlo::platform {

// Identity of a folder on disk, so that a walk can tell when a link leads it
// back to a folder it has already seen.
struct FolderId {
    std::uint64_t device = 0;
    std::uint64_t node = 0;
    friend bool operator==(const FolderId&, const FolderId&) = default;
};

struct Subfolder {
    std::string name;
    FolderId id;
};

// The direct entries of one folder, siblings sorted as the game's file system
// lists them (by name, without regard to case).
struct FolderListing {
    std::vector<Subfolder> folders;
    std::vector<std::string> files;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // The separator of folder levels in this platform's paths.
    virtual char separator() const = 0;

    // True only for an existing folder (links followed); false for a file or
    // a missing path.
    virtual bool folderExists(const std::string& path) const = 0;

    virtual std::optional<FolderId> folderId(const std::string& path) const = 0;

    // Direct subfolders and files of a folder; nullopt when it cannot be
    // opened or listed.
    virtual std::optional<FolderListing> listFolder(const std::string& path) const = 0;

    // Creates one folder with the default permissions of its place. False when
    // it was not created (it may already exist).
    virtual bool createFolder(const std::string& path) = 0;

    // Removes one empty folder. False when it is not there or not empty.
    virtual bool removeFolder(const std::string& path) = 0;
};

}  // namespace quarlo::platform
