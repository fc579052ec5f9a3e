#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace quarlo::test {

// An in-memory tree with Windows paths, for the catalogue's own logic: folders
// keep the order in which they were added, as a service that does not sort.
class FakeFileSystem : public platform::FileSystem {
  public:
    explicit FakeFileSystem(char sep = '\\') : sep_(sep) {}

    // Adds a folder (and its parents) given as a full path without trailing separator.
    void addFolder(const std::string& path);
    void addFile(const std::string& folder, const std::string& name);
    // Makes `path` list as a subfolder of its parent that is the folder `target`.
    void addLink(const std::string& path, const std::string& target);

    // The folder exists but cannot be listed, as without read permission.
    void makeUnlistable(const std::string& path) { unlistable_.push_back(key(path)); }

    std::vector<std::string> created;  // every createFolder attempt, in order

    char separator() const override { return sep_; }
    bool folderExists(const std::string& path) const override;
    std::optional<platform::FolderId> folderId(const std::string& path) const override;
    std::optional<platform::FolderListing> listFolder(const std::string& path) const override;
    bool createFolder(const std::string& path) override;
    bool removeFolder(const std::string&) override { return false; }

  private:
    struct Node {
        std::uint64_t id;
        std::vector<std::string> folders;
        std::vector<std::string> files;
    };
    std::string key(std::string path) const;
    std::string resolve(const std::string& path) const;

    char sep_;
    std::map<std::string, Node> nodes_;
    std::map<std::string, std::string> links_;
    std::vector<std::string> unlistable_;
    std::uint64_t nextId_ = 1;
};

}  // namespace quarlo::test
