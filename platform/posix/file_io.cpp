#include "platform/posix/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <random>
#include <string_view>
#include <utility>

#include "platform/posix/util.h"
#include "platform/settle.h"

namespace quarlo::platform::posix {

namespace {

FileIoTestHooks& testHooks() {
    static FileIoTestHooks hooks;
    return hooks;
}

// Whether a test wants this step to fail; errno is set as for an I/O error.
bool injectedFailure(FileStep step) {
    const auto& fails = testHooks().fails;
    if (fails && fails(step)) {
        errno = EIO;
        return true;
    }
    return false;
}

// Reads and writes of one file are tried again this often when the file keeps
// changing under them; a program rewriting its settings takes milliseconds.
constexpr int kAttempts = 5;

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
    if (injectedFailure(FileStep::write)) {
        return false;
    }
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

FileStamp stampOf(const struct stat& st) {
    FileStamp stamp;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.modified = st.st_mtim;
    stamp.changed = st.st_ctim;
    return stamp;
}

enum class Chunk { ok, failed, tooLarge };

// The file's bytes from the start; pread, so a second pass needs no seek.
Chunk readAll(int fd, std::string& content) {
    content.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(content.size()));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Chunk::failed;
        }
        if (n == 0) {
            return Chunk::ok;
        }
        if (content.size() + static_cast<std::size_t>(n) > kMaxReadSize) {
            return Chunk::tooLarge;
        }
        content.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace

bool FileStamp::operator==(const FileStamp& o) const {
    return device == o.device && inode == o.inode && size == o.size &&
           modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
           changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
}

void setFileIoTestHooks(FileIoTestHooks hooks) {
    testHooks() = std::move(hooks);
}

ReadStatus readFile(const std::string& path, std::string& content, FileStamp* stamp) {
    content.clear();
    if (path.empty()) {
        return ReadStatus::missing;
    }
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer for ever. Regular files ignore the flag.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.valid()) {
        return (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::missing : ReadStatus::failed;
    }
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        struct stat before {};
        if (::fstat(fd.get(), &before) != 0 || !S_ISREG(before.st_mode) || before.st_size < 0 ||
            static_cast<std::uintmax_t>(before.st_size) > kMaxReadSize) {
            return ReadStatus::failed;
        }
        content.reserve(static_cast<std::size_t>(before.st_size));
        const Chunk chunk = readAll(fd.get(), content);
        if (chunk != Chunk::ok) {
            content.clear();
            return ReadStatus::failed;
        }
        if (testHooks().afterRead) {
            testHooks().afterRead(path);
        }
        struct stat after {};
        if (::fstat(fd.get(), &after) != 0) {
            content.clear();
            return ReadStatus::failed;
        }
        // Bytes read while the file was being rewritten may be half of one
        // version and half of another: only a read that saw no change counts.
        if (stampOf(before) == stampOf(after)) {
            if (stamp) {
                *stamp = stampOf(after);
            }
            return ReadStatus::ok;
        }
    }
    content.clear();
    return ReadStatus::failed;
}

namespace {

// Where replaceFile and updateFile write the new bytes: the target a path
// names once links are followed, and whether that target exists.
struct Target {
    std::string path;
    bool exists = false;
    struct stat st {};
};

std::optional<Target> targetOf(const std::string& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    Target target;
    target.path = resolveLinks(path);
    if (target.path.empty()) {
        return std::nullopt;
    }
    target.exists = ::stat(target.path.c_str(), &target.st) == 0;
    if (target.exists) {
        if (!S_ISREG(target.st.st_mode)) {
            return std::nullopt;
        }
        // No write bit is the read-only attribute; root would pass access(2),
        // so the bits are checked first.
        if ((target.st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
            ::access(target.path.c_str(), W_OK) != 0) {
            return std::nullopt;
        }
    } else if (errno != ENOENT) {
        return std::nullopt;
    }
    return target;
}

// Writes the content to a new temporary file beside the target, with the
// target's owner and mode, flushed to disk. The temporary file's name, or
// empty when that failed (and nothing is left behind).
std::string writeTemporary(const Target& target, const std::string& content) {
    std::string temp;
    Fd fd(-1);
    for (int attempt = 0; attempt < 8 && !fd.valid(); ++attempt) {
        temp = temporaryNameFor(target.path);
        if (injectedFailure(FileStep::open)) {
            return {};
        }
        // 0666 lets the umask decide for a new file, as for any other the user
        // creates; an existing file's mode is copied below.
        fd.reset(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd.valid() && errno != EEXIST) {
            return {};  // a missing folder or one we may not write in
        }
    }
    if (!fd.valid()) {
        return {};
    }

    bool ok = true;
    if (target.exists) {
        const struct stat& existing = target.st;
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
    ok = ok && !injectedFailure(FileStep::fsync) && ::fsync(fd.get()) == 0;
    ok = fd.close() && !injectedFailure(FileStep::close) && ok;
    if (!ok) {
        ::unlink(temp.c_str());
        return {};
    }
    return temp;
}

bool moveInPlace(const std::string& temp, const std::string& target) {
    if (injectedFailure(FileStep::rename) || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    syncFolder(folderOf(target));
    return true;
}

}  // namespace

bool replaceFile(const std::string& path, const std::string& content) {
    const std::optional<Target> target = targetOf(path);
    if (!target) {
        return false;
    }
    const std::string temp = writeTemporary(*target, content);
    return !temp.empty() && moveInPlace(temp, target->path);
}

namespace {

std::optional<FileVersion> versionOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return FileVersion{
        static_cast<std::uint64_t>(st.st_size),
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

}  // namespace

bool updateFile(const std::string& path, const FileUpdate& build) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::optional<Target> target = targetOf(path);
        if (!target) {
            // Not a file we may replace; a file that is there but cannot be
            // written and would not change is still no failure.
            std::string old;
            if (path.empty() || readFile(resolveLinks(path), old) != ReadStatus::ok) {
                return false;
            }
            const std::optional<std::string> updated = build(old);
            return updated && *updated == old;
        }
        // A file another program is writing in place is read only once it
        // holds still.
        if (!waitUntilSettled(target->path, [&] { return versionOf(target->path); })) {
            return false;
        }
        std::string old;
        FileStamp stamp;
        const ReadStatus status = readFile(target->path, old, &stamp);
        // A file that is there but cannot be read must not be replaced by one
        // holding only the new entry.
        if (status == ReadStatus::failed) {
            return false;
        }
        const std::optional<std::string> updated = build(old);
        if (!updated) {
            return false;
        }
        if (status == ReadStatus::ok && *updated == old) {
            return true;  // nothing would change: leave the file and its times alone
        }
        const std::string temp = writeTemporary(*target, *updated);
        if (temp.empty()) {
            return false;
        }
        if (testHooks().beforeCheck) {
            testHooks().beforeCheck(target->path);
        }
        // The same version as at the read: the same file, size and times, and
        // the same bytes, since a rewrite within one tick of the file
        // system's clock can keep the times.
        std::string now;
        FileStamp nowStamp;
        const ReadStatus nowStatus = readFile(target->path, now, &nowStamp);
        const bool unchanged = nowStatus == status &&
                               (status == ReadStatus::missing || (nowStamp == stamp && now == old));
        if (unchanged) {
            if (!moveInPlace(temp, target->path)) {
                return false;
            }
            if (const auto written = versionOf(target->path)) {
                rememberWritten(target->path, *written);
            }
            return true;
        }
        ::unlink(temp.c_str());
    }
    return false;
}

}  // namespace quarlo::platform::posix
