#include "platform/posix/save_files_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

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

// Two chunks a thread copies and compares files through, kept from file to
// file: a fresh megabyte a file would be faulted in anew each time.
char* chunkBuffer(int which) {
    static thread_local std::unique_ptr<char[]> buffers[2];
    if (!buffers[which]) {
        buffers[which].reset(new char[kChunk]);
    }
    return buffers[which].get();
}

}  // namespace

FileStamp stampOf(const struct stat& st) {
    return FileStamp{
        static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
        static_cast<std::uint64_t>(st.st_size),
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec,
        static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec};
}

namespace {

RenameTestHooks& renameHooks() {
    static RenameTestHooks hooks;
    return hooks;
}

int injected(std::string_view call) {
    const RenameTestHooks& hooks = renameHooks();
    return hooks.fails ? hooks.fails(call) : 0;
}

EntryKind entryKindOf(mode_t mode) {
    if (S_ISREG(mode)) {
        return EntryKind::file;
    }
    return S_ISLNK(mode) ? EntryKind::link : EntryKind::other;
}

// The folder opened as spelled, or as the game's file system would find it.
std::optional<std::pair<std::string, Folder>> openAsOnDisk(const std::string& folder) {
    Folder dir = openFolder(folder);
    if (dir) {
        return std::make_pair(folder, std::move(dir));
    }
    if (errno != ENOENT && errno != ENOTDIR) {
        return std::nullopt;
    }
    std::string resolved = wine::resolveCase(folder);
    dir = openFolder(resolved);
    if (!dir) {
        return std::nullopt;
    }
    return std::make_pair(std::move(resolved), std::move(dir));
}

// Every name of a folder with what it is; folders as nullopt.
template <typename Each>
bool readEntries(DIR* dir, Each each) {
    const int dirFd = ::dirfd(dir);
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..") {
            errno = 0;
            continue;
        }
        std::optional<EntryKind> kind;
        switch (entry->d_type) {
            case DT_REG:
                kind = EntryKind::file;
                break;
            case DT_LNK:
                kind = EntryKind::link;
                break;
            case DT_DIR:
                break;
            case DT_UNKNOWN: {
                struct stat st {};
                if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                    !S_ISDIR(st.st_mode)) {
                    kind = entryKindOf(st.st_mode);
                } else if (errno == ENOENT) {
                    errno = 0;
                    continue;  // gone since it was listed
                }
                break;
            }
            default:
                kind = EntryKind::other;
                break;
        }
        each(name, kind);
        errno = 0;
    }
    return errno == 0;
}

class PosixFolderNames;

// One inotify instance for the whole program, each open folder a watch of
// it: closing an instance waits for the kernel to retire it, milliseconds
// that a Sort into many folders would otherwise pay once a folder.
class Watcher {
  public:
    static Watcher& instance() {
        static Watcher watcher;
        return watcher;
    }

    // The watch of a folder for `names`, or -1 where there can be none.
    int add(const std::string& folder, PosixFolderNames* names) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!fd_.valid()) {
            return -1;
        }
        const int wd =
            ::inotify_add_watch(fd_.get(), folder.c_str(),
                                IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM | IN_ONLYDIR);
        if (wd >= 0) {
            byWatch_[wd].push_back(names);
        }
        return wd;
    }

    void remove(int wd, PosixFolderNames* names) {
        const std::lock_guard<std::mutex> lock(mutex_);
        auto it = byWatch_.find(wd);
        if (it == byWatch_.end()) {
            return;
        }
        std::erase(it->second, names);
        if (it->second.empty()) {
            byWatch_.erase(it);
            ::inotify_rm_watch(fd_.get(), wd);
        }
    }

    // Hands every event that has come since to the folder it is about.
    void drain();

  private:
    Watcher() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

    std::mutex mutex_;
    Fd fd_;
    std::unordered_map<int, std::vector<PosixFolderNames*>> byWatch_;
};

// The names of one folder. Where inotify is at hand, what other programs do
// in the folder is taken in as they do it, at one read of the watch per
// question; otherwise the names are those read at opening and those this
// program gave.
class PosixFolderNames : public FolderNames {
  public:
    explicit PosixFolderNames(std::string folder) : folder_(std::move(folder)) {}
    ~PosixFolderNames() override {
        if (watch_ >= 0) {
            Watcher::instance().remove(watch_, this);
        }
    }
    PosixFolderNames(const PosixFolderNames&) = delete;
    PosixFolderNames& operator=(const PosixFolderNames&) = delete;

    // The watch is set before the folder is read, so that nothing can come
    // in between unseen.
    bool open() {
        watch_ = Watcher::instance().add(folder_, this);
        return load();
    }

    bool load() {
        Folder dir = openFolder(folder_);
        if (!dir) {
            return false;
        }
        std::vector<FolderEntry> initial;
        exact_.clear();
        folded_.clear();
        const bool ok =
            readEntries(dir.get(), [&](std::string_view name, std::optional<EntryKind> kind) {
                if (kind) {
                    initial.push_back(FolderEntry{std::string(name), *kind});
                }
                add(name);
            });
        if (!loaded_) {
            initial_ = std::move(initial);
            loaded_ = true;
        }
        return ok;
    }

    const std::string& folder() const override { return folder_; }
    const std::vector<FolderEntry>& initial() const override { return initial_; }

    bool taken(std::string_view name) override {
        if (watch_ >= 0) {
            Watcher::instance().drain();
        }
        return folded_.count(wine::foldedName(name)) > 0;
    }

    bool twin(std::string_view name) override {
        if (watch_ >= 0) {
            Watcher::instance().drain();
        }
        const auto it = folded_.find(wine::foldedName(name));
        return it != folded_.end() &&
               it->second > static_cast<int>(exact_.count(std::string(name)));
    }

    void add(std::string_view name) override {
        if (exact_.insert(std::string(name)).second) {
            ++folded_[wine::foldedName(name)];
        }
    }

    void remove(std::string_view name) override {
        if (exact_.erase(std::string(name)) == 0) {
            return;
        }
        const auto it = folded_.find(wine::foldedName(name));
        if (it != folded_.end() && --it->second == 0) {
            folded_.erase(it);
        }
    }

  private:
    std::string folder_;
    int watch_ = -1;
    bool loaded_ = false;
    std::vector<FolderEntry> initial_;
    std::unordered_set<std::string> exact_;
    std::unordered_map<std::string, int> folded_;
};

void Watcher::drain() {
    const std::lock_guard<std::mutex> lock(mutex_);
    alignas(inotify_event) char buffer[16384];
    while (true) {
        const ssize_t n = ::read(fd_.get(), buffer, sizeof buffer);
        if (n <= 0) {
            return;  // EAGAIN: nothing more has happened
        }
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if ((event->mask & IN_Q_OVERFLOW) != 0) {
                // Too much happened to follow: every folder is read again.
                for (auto& [wd, all] : byWatch_) {
                    for (PosixFolderNames* names : all) {
                        names->load();
                    }
                }
                continue;
            }
            const auto it = byWatch_.find(event->wd);
            if (event->len == 0 || it == byWatch_.end()) {
                continue;
            }
            const std::string_view name(event->name);
            for (PosixFolderNames* names : it->second) {
                if ((event->mask & (IN_CREATE | IN_MOVED_TO)) != 0) {
                    names->add(name);
                } else if ((event->mask & (IN_DELETE | IN_MOVED_FROM)) != 0) {
                    names->remove(name);
                }
            }
        }
    }
}

}  // namespace

std::optional<FolderFiles> PosixSaveFiles::listFiles(const std::string& folder) const {
    auto opened = openAsOnDisk(folder);
    if (!opened) {
        return std::nullopt;
    }
    FolderFiles files{std::move(opened->first), {}};
    const bool ok = readEntries(
        opened->second.get(), [&files](std::string_view name, std::optional<EntryKind> kind) {
            if (kind) {
                files.entries.push_back(FolderEntry{std::string(name), *kind});
            }
        });
    if (!ok) {
        return std::nullopt;
    }
    return files;
}

std::unique_ptr<FolderNames> PosixSaveFiles::openNames(const std::string& folder) const {
    auto opened = openAsOnDisk(folder);
    if (!opened) {
        return nullptr;
    }
    auto names = std::make_unique<PosixFolderNames>(std::move(opened->first));
    if (!names->open()) {
        return nullptr;
    }
    return names;
}

namespace {

class PosixOpenedFile : public OpenedFile {
  public:
    PosixOpenedFile(Fd fd, const struct stat& st)
        : fd_(std::move(fd)),
          size_(static_cast<std::uint64_t>(st.st_size)),
          modified_(localMilliseconds(st.st_mtim)) {}

    std::uint64_t size() const override { return size_; }
    std::int64_t modifiedLocalMs() const override { return modified_; }

    std::optional<std::string> read(std::uint64_t offset, std::size_t count) override {
        std::string bytes;
        if (!readInto(offset, count, bytes)) {
            return std::nullopt;
        }
        return bytes;
    }

    bool readInto(std::uint64_t offset, std::size_t count, std::string& bytes) override {
        // Never more than the file held, whatever the caller asked for.
        if (offset >= size_) {
            bytes.clear();
            return true;
        }
        // A buffer already this long is only written over, never cleared.
        bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset)));
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::pread(fd_.get(), bytes.data() + done, bytes.size() - done,
                                      static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                return false;
            }
            if (n == 0) {
                break;  // shrank since it was opened
            }
            done += static_cast<std::size_t>(n);
        }
        bytes.resize(done);
        return true;
    }

  private:
    Fd fd_;
    std::uint64_t size_;
    std::int64_t modified_;
};

}  // namespace

std::unique_ptr<OpenedFile> PosixSaveFiles::open(const std::string& path) const {
    Fd fd(openForReading(path));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return nullptr;
    }
    return std::make_unique<PosixOpenedFile>(std::move(fd), st);
}

std::optional<FileChunk> PosixSaveFiles::read(const std::string& path, std::uint64_t offset,
                                              std::size_t count) const {
    const auto file = open(path);
    if (!file) {
        return std::nullopt;
    }
    auto bytes = file->read(offset, count);
    if (!bytes) {
        return std::nullopt;
    }
    return FileChunk{std::move(*bytes), file->size(), file->modifiedLocalMs()};
}

std::optional<FileStamp> PosixSaveFiles::stamp(const std::string& path) const {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    return stampOf(st);
}

bool PosixSaveFiles::exists(const std::string& path) const {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 || ::lstat(wine::resolveCase(path).c_str(), &st) == 0;
}

namespace {

// What another program wrote into a claimed name in the moment before the
// rename replaced it, put in a new file beside it rather than lost; the
// name it is kept under, "" when there was nothing to keep.
std::string keepClaimed(int claim, int toDir, const std::string& to) {
    struct stat st {};
    if (::fstat(claim, &st) != 0 || st.st_size == 0) {
        return {};
    }
    for (int n = 1; n < 100; ++n) {
        const std::string kept = to + ".kept-by-quarlo" + (n == 1 ? "" : "-" + std::to_string(n));
        Fd out(::openat(toDir, kept.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY,
                        0644));
        if (!out.valid()) {
            if (errno == EEXIST) {
                continue;
            }
            return {};
        }
        std::unique_ptr<char[]> buffer(new char[kChunk]);
        off_t at = 0;
        while (true) {
            const ssize_t got = ::pread(claim, buffer.get(), kChunk, at);
            if (got <= 0 || !writeAll(out.get(), buffer.get(), static_cast<std::size_t>(got))) {
                break;
            }
            at += got;
        }
        ::fsync(out.get());
        return kept;
    }
    return {};
}

}  // namespace

void setRenameTestHooks(RenameTestHooks hooks) {
    renameHooks() = std::move(hooks);
}

int renameNoReplace(const std::string& from, const std::string& to, std::string* kept) {
    return renameNoReplaceAt(AT_FDCWD, from, AT_FDCWD, to, kept);
}

int renameNoReplaceAt(int fromDir, const std::string& from, int toDir, const std::string& to,
                      std::string* kept) {
    if (kept != nullptr) {
        kept->clear();
    }
    int error = injected("renameat2");
    if (error == 0) {
        if (::renameat2(fromDir, from.c_str(), toDir, to.c_str(), RENAME_NOREPLACE) == 0) {
            return 0;
        }
        error = errno;
    }
    if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP) {
        return error;
    }
    // File systems without that flag: a second link, which fails rather than
    // replace, then the old name goes.
    error = injected("link");
    if (error == 0) {
        if (::linkat(fromDir, from.c_str(), toDir, to.c_str(), 0) == 0) {
            if (::unlinkat(fromDir, from.c_str(), 0) == 0) {
                return 0;
            }
            error = errno;
            ::unlinkat(toDir, to.c_str(), 0);
            return error;
        }
        error = errno;
    }
    if (error != EPERM && error != EOPNOTSUPP && error != ENOSYS && error != EMLINK) {
        return error;
    }
    struct stat source {};
    if (::fstatat(fromDir, from.c_str(), &source, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISDIR(source.st_mode)) {
        // A folder: the claim is an empty folder, which a rename replaces
        // only while it stays empty; one another program put a file in makes
        // the rename fail, and the claim is then theirs.
        if (::mkdirat(toDir, to.c_str(), 0700) != 0) {
            return errno;
        }
        if (renameHooks().afterClaim) {
            renameHooks().afterClaim(to);
        }
        if (::renameat(fromDir, from.c_str(), toDir, to.c_str()) == 0) {
            return 0;
        }
        error = errno;
        ::unlinkat(toDir, to.c_str(), AT_REMOVEDIR);  // only while empty, and so still ours
        return error == ENOTEMPTY ? EEXIST : error;
    }
    // No hard links either (FAT, some FUSE and network drives): the name is
    // claimed by creating it, which fails rather than replace, and the rename
    // replaces nothing but that claim.
    // The claim stays open across the rename: bytes another program writes
    // into it in the last moment are still there to be kept.
    Fd claim(::openat(toDir, to.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600));
    if (!claim.valid()) {
        return errno;
    }
    struct stat mine {};
    if (::fstat(claim.get(), &mine) != 0) {
        error = errno;
        ::unlinkat(toDir, to.c_str(), 0);
        return error;
    }
    if (renameHooks().afterClaim) {
        renameHooks().afterClaim(to);
    }
    const auto stillOurs = [&] {
        struct stat now {};
        return ::fstatat(toDir, to.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
               now.st_dev == mine.st_dev && now.st_ino == mine.st_ino && now.st_size == 0;
    };
    if (!stillOurs()) {
        // Another program wrote to the name or put its own there: it is
        // theirs now.
        return EEXIST;
    }
    if (renameHooks().beforeRename) {
        renameHooks().beforeRename(to);
    }
    if (::renameat(fromDir, from.c_str(), toDir, to.c_str()) == 0) {
        const std::string keptAs = keepClaimed(claim.get(), toDir, to);
        if (kept != nullptr) {
            *kept = keptAs;
        }
        return 0;
    }
    error = errno;
    if (stillOurs()) {
        ::unlinkat(toDir, to.c_str(), 0);
    }
    return error;
}

FileOutcome PosixSaveFiles::renameNew(const std::string& from, const std::string& to) {
    std::string kept;
    const int error = renameNoReplace(from, to, &kept);
    if (!kept.empty()) {
        const std::lock_guard<std::mutex> lock(keptMutex_);
        kept_.push_back(kept);
    }
    return error == 0 ? FileOutcome::done : outcomeOf(error);
}

std::vector<std::string> PosixSaveFiles::takeKeptAside() {
    const std::lock_guard<std::mutex> lock(keptMutex_);
    return std::exchange(kept_, {});
}

FileOutcome PosixSaveFiles::copyNew(const std::string& from, const std::string& to) {
    return copy(from, to, true);
}

FileOutcome PosixSaveFiles::copyUnflushed(const std::string& from, const std::string& to) {
    return copy(from, to, false);
}

FileOutcome PosixSaveFiles::copy(const std::string& from, const std::string& to, bool flush) {
    Fd in(openForReading(from));
    struct stat st {};
    if (!in.valid() || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return FileOutcome::failed;
    }
    const std::string& target = to;
    Fd out(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY,
                  st.st_mode & 0666));
    if (!out.valid()) {
        return outcomeOf(errno);
    }
    // Where the file system shares blocks (Btrfs, XFS) the copy is a clone
    // of the original's; elsewhere the kernel copies where it can, without
    // the bytes passing through here; from the first refusal on, plain
    // reads and writes.
    bool ok = true;
    bool kernelCopy = ::ioctl(out.get(), FICLONE, in.get()) != 0;
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
    char* buffer = kernelCopy || !ok ? nullptr : chunkBuffer(0);
    while (ok && !kernelCopy) {
        const ssize_t n = readFull(in.get(), buffer, kChunk);
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = writeAll(out.get(), buffer, static_cast<std::size_t>(n));
    }
    // The copy keeps the save's time, which the Saves window falls back on.
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ok = ok && ::futimens(out.get(), times) == 0;
    ok = ok && (!flush || ::fsync(out.get()) == 0);
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
    char* x = chunkBuffer(0);
    char* y = chunkBuffer(1);
    while (true) {
        const ssize_t n = readFull(first.get(), x, kChunk);
        const ssize_t m = readFull(second.get(), y, kChunk);
        if (n < 0 || m < 0) {
            return std::nullopt;
        }
        if (n != m || std::string_view(x, static_cast<std::size_t>(n)) !=
                          std::string_view(y, static_cast<std::size_t>(m))) {
            return false;
        }
        if (n == 0) {
            return true;
        }
    }
}

bool PosixSaveFiles::remove(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool PosixSaveFiles::canRemoveIn(const std::string& folder) const {
    // EROFS for a read-only drive, EACCES for a folder without write access
    // (root passes that one, as it would the removal).
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

FileOutcome PosixSaveFiles::linkNew(const std::string& from, const std::string& to) {
    if (::link(from.c_str(), to.c_str()) == 0) {
        return FileOutcome::done;
    }
    return errno == EEXIST ? FileOutcome::exists : FileOutcome::failed;
}

bool PosixSaveFiles::writeNew(const std::string& path, const std::string& bytes) {
    const std::string temp = path + "." + std::to_string(::getpid()) + ".tmp";
    Fd out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0644));
    if (!out.valid()) {
        return false;
    }
    bool ok = writeAll(out.get(), bytes.data(), bytes.size()) && ::fsync(out.get()) == 0;
    ok = out.close() && ok;
    ok = ok && renameNoReplace(temp, path) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
    }
    return ok;
}

bool PosixSaveFiles::replace(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool PosixSaveFiles::flushFiles(const std::vector<std::string>& paths) {
    // One flush of each file system holds every file of the batch: a flush
    // a file would wait for the disk once a file.
    std::vector<dev_t> done;
    bool ok = true;
    for (const std::string& path : paths) {
        Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        struct stat st {};
        if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
            ok = false;
            continue;
        }
        if (std::find(done.begin(), done.end(), st.st_dev) == done.end()) {
            ok = ::syncfs(fd.get()) == 0 && ok;
            done.push_back(st.st_dev);
        }
    }
    return ok;
}

PathKind PosixSaveFiles::kindOf(const std::string& path) const {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? PathKind::missing : PathKind::unknown;
    }
    if (S_ISDIR(st.st_mode)) {
        return PathKind::folder;
    }
    switch (entryKindOf(st.st_mode)) {
        case EntryKind::file:
            return PathKind::file;
        case EntryKind::link:
            return PathKind::link;
        default:
            return PathKind::other;
    }
}

namespace {

// A folder opened as itself: never a link to one.
Fd openFolderItself(int at, const char* path) {
    return Fd(::openat(at, path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

}  // namespace

std::optional<std::vector<FolderEntry>> PosixSaveFiles::entriesOf(const std::string& folder) const {
    Fd fd = openFolderItself(AT_FDCWD, folder.c_str());
    if (!fd.valid()) {
        return std::nullopt;
    }
    Folder dir(::fdopendir(fd.get()));
    if (!dir) {
        return std::nullopt;
    }
    (void)fd.release();
    std::vector<FolderEntry> entries;
    const bool ok =
        readEntries(dir.get(), [&](std::string_view name, std::optional<EntryKind> kind) {
            entries.push_back(FolderEntry{std::string(name), kind.value_or(EntryKind::folder)});
        });
    if (!ok) {
        return std::nullopt;
    }
    return entries;
}

bool PosixSaveFiles::makeFolder(const std::string& path) {
    return !path.empty() && ::mkdir(path.c_str(), 0777) == 0;
}

bool PosixSaveFiles::removeFolderOfFiles(const std::string& folder, std::string_view first) {
    // Every removal goes through the folder's own descriptor, opened without
    // following a link: a folder swapped for a link meanwhile is not entered.
    Fd fd = openFolderItself(AT_FDCWD, folder.c_str());
    if (!fd.valid()) {
        return errno == ENOENT;
    }
    const std::string firstName(first);
    if (!firstName.empty() && ::unlinkat(fd.get(), firstName.c_str(), 0) != 0 && errno != ENOENT) {
        return false;
    }
    Fd listing(::dup(fd.get()));
    Folder dir(listing.valid() ? ::fdopendir(listing.get()) : nullptr);
    if (!dir) {
        return false;
    }
    (void)listing.release();
    bool removed = true;
    const bool listed =
        readEntries(dir.get(), [&](std::string_view name, std::optional<EntryKind> kind) {
            if (kind) {  // a file or a link itself, never a folder's contents
                const int saved = errno;
                removed =
                    (::unlinkat(fd.get(), std::string(name).c_str(), 0) == 0 || errno == ENOENT) &&
                    removed;
                errno = saved;
            }
        });
    return listed && removed && ::rmdir(folder.c_str()) == 0;
}

bool PosixSaveFiles::syncFolder(const std::string& folder) {
    Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.valid() && ::fsync(fd.get()) == 0;
}

namespace {

class PosixOpenFolder : public OpenFolder {
  public:
    PosixOpenFolder(std::string path, Fd fd) : path_(std::move(path)), fd_(std::move(fd)) {}
    const std::string& path() const override { return path_; }
    std::string pathOf(std::string_view name) const override {
        return path_ + "/" + std::string(name);
    }
    std::optional<std::vector<FolderEntry>> entries() const override {
        Fd listing(::openat(fd_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        Folder dir(listing.valid() ? ::fdopendir(listing.get()) : nullptr);
        if (!dir) {
            return std::nullopt;
        }
        (void)listing.release();
        std::vector<FolderEntry> out;
        const bool ok =
            readEntries(dir.get(), [&](std::string_view name, std::optional<EntryKind> kind) {
                out.push_back(FolderEntry{std::string(name), kind.value_or(EntryKind::folder)});
            });
        return ok ? std::optional(std::move(out)) : std::nullopt;
    }
    std::optional<FileStamp> stamp(std::string_view name) const override {
        struct stat st {};
        if (::fstatat(fd_.get(), std::string(name).c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode)) {
            return std::nullopt;
        }
        return stampOf(st);
    }
    int descriptor() const override { return fd_.get(); }

  private:
    std::string path_;
    Fd fd_;
};

}  // namespace

std::unique_ptr<OpenFolder> PosixSaveFiles::openFolder(const std::string& path) const {
    std::string spelled = path;
    Fd fd(::open(spelled.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid() && errno == ENOENT) {
        spelled = wine::resolveCase(path);
        fd.reset(::open(spelled.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    if (!fd.valid()) {
        return nullptr;
    }
    return std::make_unique<PosixOpenFolder>(std::move(spelled), std::move(fd));
}

std::string PosixSaveFiles::foldedName(std::string_view name) const {
    return wine::foldedName(name);
}

std::optional<std::string> PosixSaveFiles::identityPath(const std::string& path) const {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        real = ::realpath(wine::resolveCase(path).c_str(), nullptr);
    }
    if (real == nullptr) {
        return std::nullopt;
    }
    std::string out(real);
    std::free(real);
    return out;
}

namespace {

// flock's lock belongs to the open file: it goes with the descriptor, and
// with the process however it ends.
class PosixHeldLock : public HeldLock {
  public:
    explicit PosixHeldLock(Fd fd) : fd_(std::move(fd)) {}
    ~PosixHeldLock() override {
        // Nobody holds it now: the note would mislead the next reader.
        if (::ftruncate(fd_.get(), 0) != 0) {
            // the lock goes with the descriptor all the same
        }
    }

  private:
    Fd fd_;
};

}  // namespace

SaveFiles::LockAttempt PosixSaveFiles::lockExclusive(const std::string& path,
                                                     const std::string& note) {
    LockAttempt attempt;
    Fd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return attempt;
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        attempt.takenByAnother = errno == EWOULDBLOCK;
        char text[512];
        const ssize_t n = ::pread(fd.get(), text, sizeof text, 0);
        attempt.holder.assign(text, n > 0 ? static_cast<std::size_t>(n) : 0);
        return attempt;
    }
    if (::ftruncate(fd.get(), 0) == 0) {
        writeAll(fd.get(), note.data(), note.size());
    }
    attempt.held = std::make_unique<PosixHeldLock>(std::move(fd));
    return attempt;
}

std::uint32_t PosixSaveFiles::processId() const {
    return static_cast<std::uint32_t>(::getpid());
}

bool PosixSaveFiles::processRunning(std::uint32_t id) const {
    return id != 0 && (::kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM);
}

}  // namespace quarlo::platform::posix
