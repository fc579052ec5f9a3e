#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/save_files.h"

namespace quarlo::backups {

// Why a backup was made.
enum class Reason {
    byHand,         // "Back Up" from the list's menu: kept until the player removes it
    leftCharacter,  // Load or New switched the game away from the character
    beforeSort,     // Sort Loose Saves… was about to move the loose saves
    beforeRestore,  // a Restore was about to put back an older backup
    beforeTidy,     // Tidy Up… was about to send old saves to the trash
};

// Whether backups made for this reason are pruned: all but those by hand.
bool automatic(Reason reason);

// "By hand", "Left for another character", ...
const char* describe(Reason reason);
// The word the list keeps it by, the same in every language: "hand", "left".
std::string_view reasonKey(Reason reason);

// One file of a backup, with the version of the save's file it was copied
// from (its identity, size and times), the checksum of its bytes, and the
// backup's own copy as it was when the list was written (its identity and
// change time: while they hold, nobody has written into it since). Lists of
// the first version have neither of the last two.
struct ManifestFile {
    std::string name;
    platform::FileStamp source;
    std::optional<std::uint64_t> digest;
    platform::FileStamp copy;
    friend bool operator==(const ManifestFile&, const ManifestFile&) = default;
};

// What a backup holds and where it came from. A backup's folder without its
// manifest is unfinished: the manifest is written last.
struct Manifest {
    std::string gameFolder;
    std::string character;
    Reason reason = Reason::byHand;
    std::string made;  // UTC, "2026-12-08T10:37:19Z"
    std::vector<ManifestFile> files;
    friend bool operator==(const Manifest&, const Manifest&) = default;
};

// The manifest's own file name in a backup's folder.
inline constexpr std::string_view kManifestName = "quarlo-backup.txt";

// A line a field: the header, each field, each file's numbers then its name,
// and "end". Names and fields keep every byte: a line break, a control
// character and "%" are written as "%" and two hexadecimal digits.
std::string formatManifest(const Manifest& manifest);
// nullopt for anything but a whole manifest this code wrote, and for one
// that names anything but distinct plain file names (no folder levels, not
// "." or "..", not the manifest itself): a list is read back from a disk
// anyone may have written to.
std::optional<Manifest> parseManifest(std::string_view text);

// Whether `name` is one plain file name a backup may hold.
bool plainFileName(std::string_view name);

}  // namespace quarlo::backups
