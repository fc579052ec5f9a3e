#pragma once

#include <dirent.h>
#include <unistd.h>

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

// Closes a descriptor on every way out.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Hands the descriptor over to what closes it now (a listing).
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes now and reports whether close succeeded: for a written file a
    // late write error can surface only here.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }
    void reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

  private:
    int fd_;
};

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

// An open folder listing that closes itself; null when it could not be opened.
using Folder = std::unique_ptr<DIR, DirCloser>;

inline Folder openFolder(const std::string& path) {
    return Folder(::opendir(path.c_str()));
}

}  // namespace quarlo::platform::posix
