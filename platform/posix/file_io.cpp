#include "platform/posix/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <random>
#include <string_view>

namespace quarlo::platform::posix {

namespace {

// Closes a descriptor on every way out.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
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

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    if (slash == 0) {
        return "/";
    }
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a path finally names once every symbolic link along the last
// component is followed. A link to a file that does not exist yet resolves to
// that file, so the write creates it where the link points. Empty when the
// links loop.
std::string resolveLinks(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return current;
        }
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size()) {
            return {};
        }
        target.resize(static_cast<std::size_t>(n));
        if (target.empty()) {
            return {};
        }
        current = target.front() == '/' ? target : folderOf(current) + "/" + target;
    }
    return {};
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// A name beside the target that no one else uses: hidden, and told apart from
// the target's own name so a leftover after a power cut is recognisable.
std::string temporaryNameFor(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    static thread_local std::mt19937 random{std::random_device{}()};
    return folderOf(target) + "/." + nameOf(target) + ".quarlo-" + std::to_string(::getpid()) +
           "-" + std::to_string(counter++) + "-" + std::to_string(random() & 0xFFFFFF);
}

// Makes a file's own folder entry durable after a rename. Failure here does
// not undo the rename, so it is not reported.
void syncFolder(const std::string& folder) {
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) {
        ::fsync(dir.get());
    }
}

}  // namespace

ReadStatus readFile(const std::string& path, std::string& content) {
    content.clear();
    if (path.empty()) {
        return ReadStatus::missing;
    }
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
        return (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::missing : ReadStatus::failed;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode)) {
        return ReadStatus::failed;
    }
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        content.reserve(static_cast<std::size_t>(st.st_size));
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            content.clear();
            return ReadStatus::failed;
        }
        if (n == 0) {
            return ReadStatus::ok;
        }
        content.append(buffer, static_cast<std::size_t>(n));
    }
}

bool replaceFile(const std::string& path, const std::string& content) {
    if (path.empty()) {
        return false;
    }
    const std::string target = resolveLinks(path);
    if (target.empty()) {
        return false;
    }

    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists) {
        if (!S_ISREG(existing.st_mode)) {
            return false;
        }
        // No write bit is the read-only attribute; root would pass access(2),
        // so the bits are checked first.
        if ((existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
            ::access(target.c_str(), W_OK) != 0) {
            return false;
        }
    } else if (errno != ENOENT) {
        return false;
    }

    std::string temp;
    Fd fd(-1);
    for (int attempt = 0; attempt < 8 && !fd.valid(); ++attempt) {
        temp = temporaryNameFor(target);
        // 0666 lets the umask decide for a new file, as for any other the user
        // creates; an existing file's mode is copied below.
        fd.reset(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd.valid() && errno != EEXIST) {
            return false;  // a missing folder or one we may not write in
        }
    }
    if (!fd.valid()) {
        return false;
    }

    bool ok = true;
    if (exists) {
        struct stat mine {};
        ok = ::fstat(fd.get(), &mine) == 0;
        // The owner must stay: a file that would change hands is not written.
        // The group is kept where we may set it.
        if (ok && (mine.st_uid != existing.st_uid || mine.st_gid != existing.st_gid)) {
            if (::fchown(fd.get(), existing.st_uid, existing.st_gid) != 0) {
                ok = mine.st_uid == existing.st_uid;
            }
        }
        ok = ok && ::fchmod(fd.get(), existing.st_mode & 07777) == 0;
    }
    ok = ok && writeAll(fd.get(), content);
    ok = ok && ::fsync(fd.get()) == 0;
    ok = fd.close() && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    syncFolder(folderOf(target));
    return true;
}

}  // namespace quarlo::platform::posix
