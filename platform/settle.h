#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quarlo::platform {

// A file's size and last change, as a writer leaves them.
struct FileVersion {
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;  // since 1970-01-01 00:00 UTC
    friend bool operator==(const FileVersion&, const FileVersion&) = default;
};

// How long a file must hold still to count as whole, and how long to wait
// for that before giving up.
inline constexpr std::chrono::milliseconds kSettlePause{150};
inline constexpr std::chrono::milliseconds kSettleLimit{3000};

// Whether a file is whole to read for a write: another program may be
// writing it in place at this moment, and a read then would take half a
// file for the whole. It is whole when its version is the one this program
// left with its own last write, when it last changed longer ago than the
// pause, or once it holds still across a pause; nullopt from `look` means
// missing, which is whole too. False when it never holds still within the
// limit. `path` names the file for the memory of this program's own writes.
bool waitUntilSettled(const std::string& path,
                      const std::function<std::optional<FileVersion>()>& look);

// This program's own write left the file at `version`.
void rememberWritten(const std::string& path, const FileVersion& version);

// Where tests stand in for the pause: called instead of sleeping, with the
// number of pauses so far.
void setSettlePauseForTests(std::function<void(int pause)> pause);

}  // namespace quarlo::platform
