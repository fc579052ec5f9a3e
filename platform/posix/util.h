#pragma once

#include <dirent.h>

#include <cstdlib>
#include <memory>
#include <string>

// Small helpers the POSIX and Wine code share.
namespace quarlo::platform::posix {

// An environment variable's value, "" when it is unset.
inline std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// The path without the slashes that end it; "/" stays "/".
inline std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

// An open folder listing that closes itself; null when it could not be opened.
using Folder = std::unique_ptr<DIR, DirCloser>;

inline Folder openFolder(const std::string& path) {
    return Folder(::opendir(path.c_str()));
}

}  // namespace quarlo::platform::posix
