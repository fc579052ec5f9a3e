#pragma once

#include <string>

namespace quarlo::platform::posix {

enum class ReadStatus {
    ok,
    missing,  // nothing at the path, or a folder on the way is missing
    failed,   // it is there but could not be read (permissions, a folder, I/O)
};

// Reads a whole file as bytes.
ReadStatus readFile(const std::string& path, std::string& content);

// Replaces a file's content without ever leaving it half-written: the bytes go
// to a temporary file beside it, are flushed to disk, and the temporary file
// is renamed over the target, keeping the target's permissions and owner. A
// symbolic link is followed: the file it points to is replaced, the link
// stays. A missing file is created; a missing folder, or a target without
// write permission bits (the read-only attribute of the game's file system,
// honoured even for root), makes it fail. On failure the target is untouched
// and no temporary file is left behind.
bool replaceFile(const std::string& path, const std::string& content);

}  // namespace quarlo::platform::posix
