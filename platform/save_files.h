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

// How one change to a save's files came out.
enum class FileOutcome {
    done,
    exists,       // the new name is taken (in any letter case where names match so)
    crossDevice,  // the two names are on different file systems
    failed,
};

// The few file operations the saves need. Paths are UTF-8. None of them ever
// replaces a file that is already there.
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

    // Whether anything has that name, matched as the game's file system
    // matches names (without regard to letter case under Wine).
    virtual bool exists(const std::string& path) const = 0;

    // Gives a file a new name, atomically, never replacing one: exists when
    // `to` is taken, crossDevice when a rename cannot reach it.
    virtual FileOutcome renameNew(const std::string& from, const std::string& to) = 0;

    // A new file `to` with the bytes and modification time of the regular file
    // `from`, on the disk itself before this returns; exists when `to` is
    // taken. Where the copy fails, no file `to` is left behind.
    virtual FileOutcome copyNew(const std::string& from, const std::string& to) = 0;

    // Whether two regular files hold the same bytes, read back from the disk;
    // nullopt when either cannot be read.
    virtual std::optional<bool> sameBytes(const std::string& a, const std::string& b) const = 0;

    // Removes one file.
    virtual bool remove(const std::string& path) = 0;

    // Makes the folder's list of names durable after renames into or out of
    // it, where the system needs that asked for.
    virtual bool syncFolder(const std::string& folder) = 0;
};

}  // namespace quarlo::platform
