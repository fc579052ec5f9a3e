#pragma once

#include <sys/types.h>

#include <cstddef>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

namespace quarlo::platform::posix {

enum class ReadStatus {
    ok,
    missing,  // nothing at the path, or a folder on the way is missing
    failed,   // it is there but is not read: permissions, I/O, or not a file we read
};

// Settings files are small; the largest known are a few megabytes. Anything
// beyond this is not a settings file and is not read into memory.
inline constexpr std::size_t kMaxReadSize = std::size_t{64} * 1024 * 1024;

// One version of a file: which file it is, how long, and when it last
// changed, to the nanosecond the file system keeps.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
    bool operator==(const FileStamp& other) const;
};

// Reads a whole regular file as bytes. Anything else (a folder, a FIFO, a
// device such as /dev/zero, a socket) and a file over kMaxReadSize is
// refused as failed, without blocking: the same reader serves the game's
// files and the prefix's, where a user's link can point anywhere. A file
// whose size or time changes while it is read is read again, so the bytes
// are one version of it; `stamp`, when given, receives that version.
ReadStatus readFile(const std::string& path, std::string& content, FileStamp* stamp = nullptr);

// Replaces a file's content without ever leaving it half-written: the bytes go
// to a temporary file beside it, are flushed to disk, and the temporary file
// is renamed over the target, keeping the target's permissions and owner. A
// symbolic link is followed: the file it points to is replaced, the link
// stays. A missing file is created; a missing folder, or a target without
// write permission bits (the read-only attribute of the game's file system,
// honoured even for root), makes it fail. On failure the target is untouched
// and no temporary file is left behind.
bool replaceFile(const std::string& path, const std::string& content);

// The new content built from the old (empty for a missing file); nullopt
// refuses the change.
using FileUpdate = std::function<std::optional<std::string>(const std::string& old)>;

// Reads a file, builds its new content and replaces it as replaceFile does,
// unless another program changed the file in the meantime: the game writes
// its own settings, and a rename over its fresh file would lose its update
// (or keep an edit of bytes it was halfway through writing). Just before the
// rename the file is read again; if it is no longer the version the new
// content was built from, everything starts over from the read, a few times,
// and then the update fails. Content equal to the old is not written at all.
// Fails, changing nothing, when the file cannot be read (see readFile).
bool updateFile(const std::string& path, const FileUpdate& build);

// Points where tests reach into the file layer. Empty hooks do nothing.
enum class FileStep { open, write, fsync, close, rename };
struct FileIoTestHooks {
    // Whether the step fails, as if the system call had reported an I/O error.
    std::function<bool(FileStep)> fails;
    // After readFile read the bytes, before it checks the file is unchanged.
    std::function<void(const std::string& path)> afterRead;
    // In updateFile, once the new content is safe in the temporary file and
    // before the check that the target is still the version it was built from.
    std::function<void(const std::string& target)> beforeCheck;
};
// Sets the hooks for the whole process; FileIoTestHooks{} clears them.
void setFileIoTestHooks(FileIoTestHooks hooks);

}  // namespace quarlo::platform::posix
