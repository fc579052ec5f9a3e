#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quarlo::platform {
class Processes;
class SaveFiles;
struct FileStamp;
}  // namespace quarlo::platform

namespace quarlo::carry {

// Where a character is carried to and from: a folder that something else
// keeps in step between computers, or an rclone remote. Paths at the place
// are relative, '/' between their parts, each part a plain name Quarlo made.
// A file appears at its path whole or not at all; none is ever rewritten in
// place, as a synced folder or a cloud may show any half of it.
class Place {
  public:
    virtual ~Place() = default;
    // The names of the regular files directly in a folder of the place (none
    // when it is not there yet); nullopt when it cannot be read. Links and
    // folders are left out.
    virtual std::optional<std::vector<std::string>> list(const std::string& folder) = 0;
    // A small file's bytes, at most `largest`; nullopt when it cannot be read.
    virtual std::optional<std::string> read(const std::string& path, std::size_t largest) = 0;
    // A file put at `path`, whole: written beside it first, its bytes
    // checked to be `sha256` (the file may have changed since it was
    // hashed: then nothing is put), then renamed.
    // With `unchanged`, a file still at that version after it is copied
    // holds the bytes that were hashed, and is not read again. A place may
    // hold what is put until commit(), which is called before anything
    // names it; false when what was put could not all be kept.
    virtual bool put(const std::string& localFile, const std::string& path,
                     const std::string& sha256, const platform::FileStamp* unchanged) = 0;
    virtual bool commit() { return true; }
    virtual bool putBytes(const std::string& bytes, const std::string& path) = 0;
    // A file of the place copied to a new local file (which must not exist).
    virtual bool fetch(const std::string& path, const std::string& localFile) = 0;
    // Why the last call failed, as the end of a sentence ("the place is not
    // there", "rclone: ..."); "" when none did.
    const std::string& why() const { return why_; }

  protected:
    std::string why_;
};

// The SHA-256 of a regular file's bytes, nullopt when it cannot be read.
std::optional<std::string> fileSha256(platform::SaveFiles& files, const std::string& path);

// A folder place: its path on this computer.
std::unique_ptr<Place> folderPlace(platform::SaveFiles& files, std::string folder);

// An rclone remote ("name:path"), through the rclone program given (its
// path, or "rclone" on the PATH); each call ends within `limitMs`. Local
// files it writes go to `scratch`, a folder of Quarlo's own.
std::unique_ptr<Place> rclonePlace(platform::Processes& processes, platform::SaveFiles& files,
                                   std::string rclone, std::string remote, std::string scratch,
                                   int limitMs = 300000);

// Whether a place as the player gives it is an rclone remote ("name:" or
// "name:path", the name letters, digits, '-', '_' or '.', and not a drive
// letter such as "C:").
bool isRemote(const std::string& place);

}  // namespace quarlo::carry
