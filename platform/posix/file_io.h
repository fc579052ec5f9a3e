#pragma once

#include <string>

namespace quarlo::platform::posix {

// Reads a whole file as bytes. False when it does not exist or cannot be read.
bool readFile(const std::string& path, std::string& content);

// Replaces a file's content without ever leaving it half-written: the bytes go
// to a temporary file beside it, are flushed, and the temporary file is renamed
// over the target, which keeps the target's permissions.
bool replaceFile(const std::string& path, const std::string& content);

}  // namespace quarlo::platform::posix
