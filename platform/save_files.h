#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quarlo::platform {

// What one read of a file gives: the bytes asked for (fewer at the end of the
// file), and the size and modification time seen on the same open, so that a
// save's table row costs a single open of its file.
struct FileChunk {
    std::string bytes;
    std::uint64_t size = 0;
    // The last modification on the local clock, as milliseconds since
    // 1970-01-01 00:00 local time: the scale of the times the game writes into
    // its saves, so the two sort together.
    std::int64_t modifiedLocalMs = 0;
};

// The few file operations the saves need. Paths are UTF-8.
class SaveFiles {
  public:
    virtual ~SaveFiles() = default;

    virtual char separator() const = 0;

    // The names of the regular files directly in a folder (links followed), in
    // no particular order; nullopt when the folder cannot be listed.
    virtual std::optional<std::vector<std::string>> listFiles(const std::string& folder) const = 0;

    // Up to `count` bytes from `offset` of a regular file; nullopt when it is
    // not one or cannot be opened or read. Never waits on a pipe or device.
    virtual std::optional<FileChunk> read(const std::string& path, std::uint64_t offset,
                                          std::size_t count) const = 0;
};

}  // namespace quarlo::platform
