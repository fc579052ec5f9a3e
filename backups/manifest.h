#pragma once

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
};

// Whether backups made for this reason are pruned: all but those by hand.
bool automatic(Reason reason);

// "By hand", "Left for another character", ...
const char* describe(Reason reason);

// One file of a backup, with the version of the save's file it was copied
// from: its identity, size and times.
struct ManifestFile {
    std::string name;
    platform::FileStamp source;
};

// What a backup holds and where it came from. A backup's folder without its
// manifest is unfinished: the manifest is written last.
struct Manifest {
    std::string gameFolder;
    std::string character;
    Reason reason = Reason::byHand;
    std::string made;  // UTC, "2026-12-08T10:37:19Z"
    std::vector<ManifestFile> files;
};

// The manifest's own file name in a backup's folder.
inline constexpr std::string_view kManifestName = "quarlo-backup.txt";

// A line a field: the header, each field, each file's numbers then its name
// (which may hold spaces but no line break), and "end".
std::string formatManifest(const Manifest& manifest);
// nullopt for anything but a whole manifest this code wrote.
std::optional<Manifest> parseManifest(std::string_view text);

}  // namespace quarlo::backups
