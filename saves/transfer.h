#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "saves/character_saves.h"

namespace quarlo::platform {
class FolderNames;
class SaveFiles;
class Trash;
}  // namespace quarlo::platform

namespace quarlo::saves {

enum class Transfer { move, copy };

// Where one file of a save is after an operation that could not keep the
// save in one place.
enum class Place { source, destination, both, trash };

struct FilePlace {
    std::string file;
    Place place = Place::source;
    friend bool operator==(const FilePlace&, const FilePlace&) = default;
};

// How one save (its save file with its co-saves) came out of a move, a copy
// or a trip to the trash.
struct TransferResult {
    enum class Outcome {
        done,
        // `detail` is taken at the destination; the save is where it was.
        nameTaken,
        // Could not go; the save is whole where it was.
        failed,
        // The trash cannot take files from this drive; the save is where it
        // was.
        unavailable,
        // No longer in its folder: moved or deleted since it was listed.
        // `detail` is "destination" when the destination has it.
        gone,
        // `detail`, one of its files, is a link or no regular file: the save
        // is left alone.
        notAFile,
        // `detail` is another save of the folder whose name is the same to
        // the game: which of the two owns the co-saves cannot be told.
        sameName,
        // `detail` changed while it was being moved (another program wrote
        // it); the save is whole where it was, with those changes.
        changed,
        // Moved whole, but `detail` could not be removed from where it was:
        // it is in both folders.
        leftBehind,
        // A failure whose undo failed too: `places` says where each file is.
        split,
        // Not begun: the user stopped the operation first.
        notStarted,
        // A move out of a folder whose files cannot be removed (a read-only
        // drive): nothing was copied.
        readOnly,
    };
    std::string fileName;  // the save file
    Outcome outcome = Outcome::failed;
    std::string detail;
    std::size_t coSaves = 0;             // co-saves that went with it
    std::vector<FilePlace> places = {};  // for split and leftBehind
    // Unfinished copies (no save to the game) an undo could not remove from
    // the destination; the next operation there removes them.
    std::vector<std::string> unfinished = {};
    // Files of the save still in the source folder under the name they were
    // set aside by ("<name>.<process>.quarlo-old"), after a removal and its
    // undo both failed: the player's own, to be renamed back.
    std::vector<std::string> setAside = {};
    // Where a file system could only claim a destination name by creating
    // it, what another program wrote into that name in the moment the save's
    // file took it, kept beside it under these names (in the destination):
    // the save arrived, that program's file did not keep its name.
    std::vector<std::string> keptBeside = {};
};

// Reports each whole save done, of all to do; false asks the operation to
// stop before the next save.
using Progress = std::function<bool(std::size_t done, std::size_t total)>;

// Saves of one source folder that go to one destination.
struct TransferJob {
    std::vector<std::string> saves;  // save file names in the source folder
    std::string destination;         // an existing folder
};

// Moves or copies saves of `sourceFolder` with their co-saves, never
// replacing a file. The files of each save are those the folder holds when
// the operation begins (read once), each folder's names are read once and
// kept as the operation adds to them, and only regular files go. A move
// within one file system renames; across file systems, and for every copy,
// each file is copied to a temporary name beside its destination, flushed,
// compared byte for byte with its source, and only then given its name; a
// move removes the originals last, each first set aside under a name of its
// own and checked there to be the version copied (a write up to that moment
// keeps the save where it was; a write by name after it makes a new save). A
// failure part way puts back what the operation changed, so that every save
// is wholly where it was or wholly at its destination; where the undo fails
// too, the result says where each file is. Unfinished copies left by a run
// that ended are removed from the destinations first. One result a save, in
// the order given.
std::vector<TransferResult> transferSaves(
    platform::SaveFiles& files, const std::string& sourceFolder,
    const std::vector<TransferJob>& jobs, Transfer how, const Progress& progress = {},
    const games::SaveFormat& format = games::oblivion().saves);

// Sends saves of `folder` with their co-saves to the system's trash, each
// save whole or not at all, with the same checks as transferSaves.
std::vector<TransferResult> trashSaves(platform::SaveFiles& files, platform::Trash& trash,
                                       const std::string& folder,
                                       const std::vector<std::string>& saves,
                                       const Progress& progress = {},
                                       const games::SaveFormat& format = games::oblivion().saves);

// Removes the unfinished copies that a run which has ended left in a folder:
// only names of exactly the form this code gives, never a file of another
// letter case or another program's.
void removeLeftovers(platform::SaveFiles& files, platform::FolderNames& names);

// The suffix of an unfinished copy: "<name>.<process>.quarlo-part". The game
// lists no such name as a save or a co-save.
inline constexpr const char* kPartSuffix = ".quarlo-part";

// The suffix of an original set aside right before its removal:
// "<name>.<process>.quarlo-old". Never removed but by the move that made it:
// cut off there, it is the player's own file.
inline constexpr const char* kAsideSuffix = ".quarlo-old";

}  // namespace quarlo::saves
