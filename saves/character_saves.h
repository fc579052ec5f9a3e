#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "saves/save_header.h"

namespace quarlo::platform {
class SaveFiles;
}

namespace quarlo::saves {

// One save: its save file (.ess, .fos) and the files beside it of the same
// stem, which script extenders write with it (co-saves such as .obse,
// .pluggy, .skse).
struct SaveEntry {
    std::string fileName;              // "Save 12.ess", as on disk
    std::string path;                  // folder + separator + fileName
    std::vector<std::string> coSaves;  // file names, sorted
    // A symbolic link to a save rather than a save file of its own: listed,
    // but never moved, copied or deleted.
    bool link = false;
    // X.bak (New Vegas: X.fos.bak): the game's previous autosave or
    // quicksave, kept when it writes the next one; a whole save, perhaps of
    // another character than X.ess.
    bool backup = false;
    std::optional<SaveHeader> header;
    Unreadable reason = Unreadable::none;  // none exactly when header is set
    // The file's modification time on the local clock (ms since 1970-01-01
    // 00:00 local); 0 when the file could not be opened.
    std::int64_t modifiedLocalMs = 0;

    // What the list is ordered by: the save time in the header, or the file's
    // modification time where the header is unreadable or holds no time.
    std::int64_t sortTime() const;
    // When it was saved, on the local clock: the header's time, or the
    // file's where the header holds none or cannot be read.
    SystemTime savedTime() const;
};

// The name with its ASCII letters in lower case, as the game's file system
// compares names (other bytes as they are).
std::string lowerAscii(std::string_view s);

// The files of one save as they lie in a folder.
struct SaveFamily {
    std::string save;                  // "Save 12.ess" or "quicksave.bak"
    std::vector<std::string> coSaves;  // sorted
    bool backup = false;               // an X.bak
};

// Groups the names of a folder's files into saves with their co-saves, as
// the game and its script extenders write them. A save is a file whose name
// ends in the game's extension (".ess"), or is the game's own backup of one
// (Oblivion: X.bak, New Vegas: X.fos.bak), in any letter case, as the game's
// file system matches it. The co-saves of X.ess are the other files named
// X.<anything>, such as X.obse and X.pluggy; those of Oblivion's X.bak are
// X.bak.<anything> and X.<anything>.bak, such as X.bak.pluggy and
// X.obse.bak, and those of New Vegas's X.fos.bak are X.<anything>.bak; names
// compared without regard to ASCII case. Names that belong to no save are
// left out.
std::vector<SaveFamily> groupSaves(const std::vector<std::string>& names,
                                   const games::SaveFormat& format = games::oblivion().saves);

// The co-saves among `names` whose save is not there (deleted or moved
// outside the game): files groupSaves leaves out whose extension is one of
// the game's script extenders', with or without the game's ".bak" around it.
std::vector<std::string> strayCoSaves(const std::vector<std::string>& names,
                                      const games::SaveFormat& format = games::oblivion().saves);

// The character most of the saves are of, by the key that tells characters
// apart (SaveHeader::characterKey); of equals, the newest save's. None
// without a readable save.
std::optional<std::uint64_t> characterOf(const std::vector<SaveEntry>& saves);

// The key of a save of the later games: the character's id the game puts in
// the file's name ("Save3_0C2D58E2_0_…"), else one made of the player's name
// and race.
std::uint64_t characterKeyOf(std::string_view fileName, const SaveHeader& header);

// The saves directly in one character's folder, newest first, then the
// files that cannot be read as saves, newest first too; ties by file
// name; saves and co-saves as groupSaves makes them. Each save costs one
// open and a few small reads (readSave). nullopt when the folder cannot be
// listed.
std::optional<std::vector<SaveEntry>> listSaves(
    const platform::SaveFiles& files, const std::string& folder,
    const games::SaveFormat& format = games::oblivion().saves);

}  // namespace quarlo::saves
