#include "tests/support/fake_file_system.h"

#include <algorithm>

namespace quarlo::test {

std::string FakeFileSystem::key(std::string path) const {
    while (path.size() > 1 && path.back() == sep_ && path[path.size() - 2] != ':') {
        path.pop_back();
    }
    return path;
}

std::string FakeFileSystem::resolve(const std::string& path) const {
    const std::string k = key(path);
    auto link = links_.find(k);
    return link == links_.end() ? k : link->second;
}

void FakeFileSystem::addFolder(const std::string& path) {
    const std::string k = key(path);
    if (nodes_.count(k)) {
        return;
    }
    nodes_[k] = Node{nextId_++, {}, {}};
    const auto cut = k.rfind(sep_);
    if (cut != std::string::npos && cut + 1 < k.size()) {
        std::string parent = k.substr(0, cut);
        if (parent.empty() || parent.back() == ':') {
            parent.push_back(sep_);
        }
        addFolder(parent);
        nodes_[key(parent)].folders.push_back(k.substr(cut + 1));
    }
}

void FakeFileSystem::addFile(const std::string& folder, const std::string& name) {
    addFolder(folder);
    nodes_[key(folder)].files.push_back(name);
}

void FakeFileSystem::addLink(const std::string& path, const std::string& target) {
    const std::string k = key(path);
    const auto cut = k.rfind(sep_);
    const std::string parent = k.substr(0, cut);
    addFolder(parent);
    nodes_[parent].folders.push_back(k.substr(cut + 1));
    links_[k] = key(target);
}

bool FakeFileSystem::folderExists(const std::string& path) const {
    return nodes_.count(resolve(path)) > 0;
}

std::optional<platform::FolderId> FakeFileSystem::folderId(const std::string& path) const {
    auto it = nodes_.find(resolve(path));
    if (it == nodes_.end()) {
        return std::nullopt;
    }
    return platform::FolderId{0, it->second.id};
}

std::optional<platform::FolderListing> FakeFileSystem::listFolder(const std::string& path) const {
    auto it = nodes_.find(resolve(path));
    if (it == nodes_.end() ||
        std::find(unlistable_.begin(), unlistable_.end(), key(path)) != unlistable_.end()) {
        return std::nullopt;
    }
    platform::FolderListing listing;
    std::string base = key(path);
    if (base.back() != sep_) {
        base.push_back(sep_);
    }
    for (const auto& name : it->second.folders) {
        listing.folders.push_back({name, *folderId(base + name)});
    }
    listing.files = it->second.files;
    return listing;
}

bool FakeFileSystem::createFolder(const std::string& path) {
    created.push_back(path);
    if (folderExists(path)) {
        return false;
    }
    addFolder(path);
    return true;
}

}  // namespace quarlo::test
