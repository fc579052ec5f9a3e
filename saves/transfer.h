#pragma once

#include <string>
#include <vector>

#include "saves/character_saves.h"

namespace quarlo::platform {
class SaveFiles;
class Trash;
enum class TrashOutcome;
}  // namespace quarlo::platform

namespace quarlo::saves {

enum class Transfer { move, copy };

// How one save (its .ess file with its co-saves) came out of a move or copy.
struct TransferResult {
    enum class Outcome {
        done,
        // A file of the save's names is at the destination already; nothing
        // was written there and the save is where it was.
        nameTaken,
        // Could not be moved or copied; the save is whole where it was.
        failed,
        // Moved whole, but `detail` could not be removed from where it was:
        // a byte-for-byte copy of a co-save is left there.
        leftBehind,
    };
    std::string fileName;  // the .ess file
    Outcome outcome = Outcome::failed;
    std::string detail;  // the file name concerned, where there is one
};

// The files a save is made of, the .ess file last: a folder never holds an
// .ess file without the co-saves it was written with.
std::vector<std::string> filesOf(const SaveEntry& save);

// Moves or copies each save with its co-saves into `destination`, an existing
// folder, never replacing a file there. A move within one file system renames;
// across file systems, and for every copy, each file is copied to a temporary
// name beside its destination, flushed, compared byte for byte with its
// source, and only then given its name; a move removes the originals last. A
// failure part way puts back what this call changed, so that every save is
// either wholly where it was or wholly at the destination.
std::vector<TransferResult> transferSaves(platform::SaveFiles& files,
                                          const std::vector<SaveEntry>& saves,
                                          const std::string& destination, Transfer how);

// Sends the saves with their co-saves to the system's trash, all or none.
platform::TrashOutcome trashSaves(platform::Trash& trash, const std::vector<SaveEntry>& saves,
                                  char separator);

}  // namespace quarlo::saves
