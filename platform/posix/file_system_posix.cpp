#include "platform/posix/file_system_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "platform/posix/util.h"
#include "platform/wine/case_paths.h"

namespace quarlo::platform::posix {

namespace {

// NTFS compares names by their upper-case forms, so '_' and the other signs
// between 'Z' and 'a' sort after the letters, as the game lists them.
unsigned char upperAscii(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c;
}

FolderId idOf(const struct stat& st) {
    return FolderId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

}  // namespace

bool lessByNameIgnoringCase(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char ca = upperAscii(static_cast<unsigned char>(a[i]));
        const unsigned char cb = upperAscii(static_cast<unsigned char>(b[i]));
        if (ca != cb) {
            return ca < cb;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size();
    }
    return a < b;
}

// Paths are tried as written first, so a walk over names read from disk pays
// nothing for the lookup without regard to case that Wine's file system needs.
bool PosixFileSystem::folderExists(const std::string& path) const {
    return folderId(path).has_value();
}

std::optional<FolderId> PosixFileSystem::folderId(const std::string& path) const {
    struct stat st {};
    if (path.empty() ||
        (::stat(path.c_str(), &st) != 0 && ::stat(wine::resolveCase(path).c_str(), &st) != 0) ||
        !S_ISDIR(st.st_mode)) {
        return std::nullopt;
    }
    return idOf(st);
}

std::optional<FolderListing> PosixFileSystem::listFolder(const std::string& path) const {
    Folder dir = openFolder(path);
    if (!dir && (errno == ENOENT || errno == ENOTDIR)) {
        dir = openFolder(wine::resolveCase(path));
    }
    if (!dir) {
        return std::nullopt;
    }
    const int dirFd = ::dirfd(dir.get());
    FolderListing listing;
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            continue;
        }
        // Plain files are told apart by the directory entry alone, so a folder
        // of many files costs no stat per file. Folders need one for their
        // identity, and links are followed to whatever they point at.
        if (entry->d_type == DT_REG) {
            listing.files.emplace_back(name);
            continue;
        }
        struct stat st {};
        if (::fstatat(dirFd, name, &st, 0) == 0 && S_ISDIR(st.st_mode)) {
            listing.folders.push_back(Subfolder{name, idOf(st)});
        } else if (entry->d_type != DT_DIR) {
            // Anything else a folder holds (a dangling link, a device) is shown
            // as a file, as the game's file system would list it.
            listing.files.emplace_back(name);
        }
        errno = 0;
    }
    if (errno != 0) {
        return std::nullopt;
    }
    std::sort(listing.folders.begin(), listing.folders.end(),
              [](const Subfolder& a, const Subfolder& b) {
                  return lessByNameIgnoringCase(a.name, b.name);
              });
    std::sort(listing.files.begin(), listing.files.end(), lessByNameIgnoringCase);
    return listing;
}

bool PosixFileSystem::createFolder(const std::string& path) {
    // A folder that is there in other letter case is the same folder to the
    // game: it is not created a second time. 0777 lets the process umask
    // decide, as for any new folder of the user's.
    return !path.empty() && ::mkdir(wine::resolveCase(path).c_str(), 0777) == 0;
}

bool PosixFileSystem::removeFolder(const std::string& path) {
    return !path.empty() && ::rmdir(wine::resolveCase(path).c_str()) == 0;
}

}  // namespace quarlo::platform::posix
