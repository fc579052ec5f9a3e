#include "platform/posix/save_files_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string_view>

#include "platform/posix/util.h"
#include "platform/wine/case_paths.h"

namespace quarlo::platform::posix {

namespace {

// The modification time moved onto the local clock with the offset from UTC
// in force at that moment, as Windows shows a file's time.
std::int64_t localMilliseconds(const struct timespec& t) {
    struct tm local {};
    const time_t seconds = t.tv_sec;
    long offset = 0;
    if (::localtime_r(&seconds, &local) != nullptr) {
        offset = local.tm_gmtoff;
    }
    return (static_cast<std::int64_t>(t.tv_sec) + offset) * 1000 + t.tv_nsec / 1000000;
}

int openForReading(const std::string& path) {
    // O_NONBLOCK: a FIFO named like a save must not hang the listing; the
    // file type is checked before anything is read.
    const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    int fd = ::open(path.c_str(), flags);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(wine::resolveCase(path).c_str(), flags);
    }
    return fd;
}

// The path as it is on disk where it is not there as written: under Wine a
// save folder may be spelled "saves" for "Saves".
std::string onDisk(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? path : wine::resolveCase(path);
}

FileOutcome outcomeOf(int error) {
    switch (error) {
        case EEXIST:
        case ENOTEMPTY:
            return FileOutcome::exists;
        case EXDEV:
            return FileOutcome::crossDevice;
        default:
            return FileOutcome::failed;
    }
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Up to size bytes, fewer only at the end of the file; -1 on an error.
ssize_t readFull(int fd, char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

constexpr std::size_t kChunk = 1 << 20;

}  // namespace

std::optional<std::vector<std::string>> PosixSaveFiles::listFiles(const std::string& folder) const {
    Folder dir = openFolder(folder);
    if (!dir && (errno == ENOENT || errno == ENOTDIR)) {
        dir = openFolder(wine::resolveCase(folder));
    }
    if (!dir) {
        return std::nullopt;
    }
    const int dirFd = ::dirfd(dir.get());
    std::vector<std::string> files;
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (entry->d_type == DT_REG) {
            files.emplace_back(entry->d_name);
        } else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(dirFd, entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode)) {
                files.emplace_back(entry->d_name);
            }
        }
        errno = 0;
    }
    if (errno != 0) {
        return std::nullopt;
    }
    return files;
}

std::optional<FileChunk> PosixSaveFiles::read(const std::string& path, std::uint64_t offset,
                                              std::size_t count) const {
    Fd fd(openForReading(path));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    FileChunk chunk;
    chunk.size = static_cast<std::uint64_t>(st.st_size);
    chunk.modifiedLocalMs = localMilliseconds(st.st_mtim);
    // Never more than the file holds, whatever the caller asked for.
    if (offset >= chunk.size) {
        return chunk;
    }
    const std::uint64_t available = chunk.size - offset;
    chunk.bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(count, available)));
    std::size_t done = 0;
    while (done < chunk.bytes.size()) {
        const ssize_t n = ::pread(fd.get(), chunk.bytes.data() + done, chunk.bytes.size() - done,
                                  static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            break;  // shrank since fstat
        }
        done += static_cast<std::size_t>(n);
    }
    chunk.bytes.resize(done);
    return chunk;
}

bool PosixSaveFiles::exists(const std::string& path) const {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 || ::lstat(wine::resolveCase(path).c_str(), &st) == 0;
}

FileOutcome PosixSaveFiles::renameNew(const std::string& from, const std::string& to) {
    // A name taken in another letter case is the same file to the game.
    if (exists(to)) {
        return FileOutcome::exists;
    }
    const std::string source = onDisk(from);
    const std::string target = onDisk(to);
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return FileOutcome::done;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        return outcomeOf(errno);
    }
    // File systems without that flag: a second link, which fails rather than
    // replace, then the old name goes.
    if (::link(source.c_str(), target.c_str()) == 0) {
        if (::unlink(source.c_str()) == 0) {
            return FileOutcome::done;
        }
        ::unlink(target.c_str());
        return FileOutcome::failed;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) {
        return outcomeOf(errno);
    }
    // No hard links either (FAT, some network shares): the name was free a
    // moment ago, which is as much as such a file system lets one know.
    if (exists(to)) {
        return FileOutcome::exists;
    }
    return ::rename(source.c_str(), target.c_str()) == 0 ? FileOutcome::done : outcomeOf(errno);
}

FileOutcome PosixSaveFiles::copyNew(const std::string& from, const std::string& to) {
    if (exists(to)) {
        return FileOutcome::exists;
    }
    Fd in(openForReading(from));
    struct stat st {};
    if (!in.valid() || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return FileOutcome::failed;
    }
    const std::string target = onDisk(to);
    Fd out(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY,
                  st.st_mode & 0666));
    if (!out.valid()) {
        return outcomeOf(errno);
    }
    // The kernel copies where it can, without the bytes passing through
    // here; from the first refusal on, plain reads and writes.
    bool ok = true;
    bool kernelCopy = true;
    while (kernelCopy) {
        const ssize_t n = ::copy_file_range(in.get(), nullptr, out.get(), nullptr, kChunk, 0);
        if (n > 0) {
            continue;
        }
        if (n == 0) {
            break;
        }
        if (errno == EINTR) {
            continue;
        }
        kernelCopy = false;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP &&
            errno != EPERM) {
            ok = false;
        }
    }
    std::unique_ptr<char[]> buffer(kernelCopy || !ok ? nullptr : new char[kChunk]);
    while (ok && !kernelCopy) {
        const ssize_t n = readFull(in.get(), buffer.get(), kChunk);
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = writeAll(out.get(), buffer.get(), static_cast<std::size_t>(n));
    }
    // The copy keeps the save's time, which the Saves window falls back on.
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ok = ok && ::futimens(out.get(), times) == 0;
    ok = ok && ::fsync(out.get()) == 0;
    ok = out.close() && ok;
    if (!ok) {
        ::unlink(target.c_str());
        return FileOutcome::failed;
    }
    return FileOutcome::done;
}

std::optional<bool> PosixSaveFiles::sameBytes(const std::string& a, const std::string& b) const {
    Fd first(openForReading(a));
    Fd second(openForReading(b));
    struct stat sa {};
    struct stat sb {};
    if (!first.valid() || !second.valid() || ::fstat(first.get(), &sa) != 0 ||
        ::fstat(second.get(), &sb) != 0 || !S_ISREG(sa.st_mode) || !S_ISREG(sb.st_mode)) {
        return std::nullopt;
    }
    if (sa.st_size != sb.st_size) {
        return false;
    }
    std::unique_ptr<char[]> x(new char[kChunk]);
    std::unique_ptr<char[]> y(new char[kChunk]);
    while (true) {
        const ssize_t n = readFull(first.get(), x.get(), kChunk);
        const ssize_t m = readFull(second.get(), y.get(), kChunk);
        if (n < 0 || m < 0) {
            return std::nullopt;
        }
        if (n != m || std::string_view(x.get(), static_cast<std::size_t>(n)) !=
                          std::string_view(y.get(), static_cast<std::size_t>(m))) {
            return false;
        }
        if (n == 0) {
            return true;
        }
    }
}

bool PosixSaveFiles::remove(const std::string& path) {
    return ::unlink(onDisk(path).c_str()) == 0;
}

bool PosixSaveFiles::syncFolder(const std::string& folder) {
    Fd fd(::open(onDisk(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.valid() && ::fsync(fd.get()) == 0;
}

}  // namespace quarlo::platform::posix
