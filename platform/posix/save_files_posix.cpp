#include "platform/posix/save_files_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "platform/posix/util.h"
#include "platform/wine/case_paths.h"

namespace quarlo::platform::posix {

namespace {

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

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

}  // namespace quarlo::platform::posix
