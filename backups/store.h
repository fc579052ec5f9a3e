#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "backups/manifest.h"
#include "saves/transfer.h"

namespace quarlo::platform {
class FileSystem;
class FolderNames;
class SaveFiles;
class Trash;
struct TrashResult;
}  // namespace quarlo::platform

namespace quarlo::backups {

// One whole backup in the store.
struct Backup {
    std::string folder;  // its folder in the store
    std::string id;      // the folder's name, from the time it was made
    Manifest manifest;
};

// The outcome of making a backup.
struct Made {
    // A "Failed." sentence when there is no backup; the store then holds
    // none of this attempt.
    std::string failure;
    std::optional<Backup> backup;  // none too when there was nothing to keep
    std::size_t copied = 0;        // files copied
    std::size_t linked = 0;        // files the previous backup held unchanged
};

// The outcome of a restore.
struct Restored {
    std::string failure;                 // a "Failed." sentence when nothing was put back
    std::optional<Backup> safety;        // the backup made first, of the folder as it was
    std::vector<std::string> added;      // files that were missing
    std::vector<std::string> replaced;   // files that differed, now the backup's
    std::vector<std::string> unchanged;  // files that were the same
    std::vector<std::string> skipped;    // "name: why"
};

// The backups of characters, kept in a folder of their own outside the
// game's: <store>/<game folder>/<character>/<time>/. Each backup holds every
// save of the character with its co-saves (and co-saves whose save is gone)
// and, written last, its manifest; a folder surely without one is
// unfinished and is removed the next time the character's backups are
// looked at. A file that the previous backup holds unchanged is a second
// link to that backup's copy rather than a copy of its own, so that backing
// up an unchanged character costs next to nothing; links are only ever made
// between backups, never to the saves, and only to a copy proved to be what
// its list says. The store trusts nothing it reads back: a link in it is
// never entered nor removed, a list naming anything but plain file names is
// no backup, and a copy is put back only when it matches its list.
class Store {
  public:
    // `now` gives the time a backup is made, UTC as "2026-12-08T10:37:19Z";
    // the clock's when empty.
    // `format` is the game's: which files of a folder are saves and which
    // their co-saves.
    Store(platform::SaveFiles& files, platform::FileSystem& fs, std::string root,
          std::function<std::string()> now = {},
          const games::SaveFormat& format = games::oblivion().saves);

    const std::string& root() const { return root_; }

    // The character's whole backups, newest first.
    std::vector<Backup> list(const std::string& gameFolder, const std::string& character);

    // The same, with what could not be read now (a failing disk: kept, not
    // listed) and the folders whose list makes no sense, so that a command
    // that must see every backup can tell "none" from "none readable".
    struct Scan {
        std::vector<Backup> backups;
        std::vector<std::string> unreadable;
        std::vector<std::string> damaged;
    };
    Scan scan(const std::string& gameFolder, const std::string& character);

    // Quarlo's own folder for a game folder in the store (made when
    // missing), for its lock and the records of changes under way; "" when
    // it cannot be made. Whichever way the game folder is reached, it is
    // one folder.
    std::string stateFolder(const std::string& gameFolder);

    // Backs up the saves of `saveFolder` as `character` of `gameFolder`.
    // With `settle`, a file changed in the last moments is copied only once
    // it holds still (the game may be writing it).
    Made backUp(const std::string& gameFolder, const std::string& character,
                const std::string& saveFolder, Reason reason, const saves::Progress& progress,
                bool settle = false);

    // Of the automatic backups of a character, keeps the newest `keep`.
    void prune(const std::string& gameFolder, const std::string& character, std::size_t keep = 20);

    // Backs up `saveFolder` as it is (a refusal if that fails), then puts
    // back every file of `backup` that is missing there or different; a
    // different file is replaced only while it is still the version that
    // safety backup holds. Files not in the backup stay.
    Restored restore(const Backup& backup, const std::string& saveFolder,
                     const saves::Progress& progress);

    // What a restore cut off before (a kill between setting a file aside and
    // giving the copy its name) left in the folder it restored into: each
    // file it set aside gets its name back where that name is free, and goes
    // where the copy has it and the backup made first holds that version. A
    // "Success." or "Failed." sentence, or none when nothing was cut off.
    std::optional<std::string> finishRestore(const std::string& gameFolder);

    // Gives a character's backups to its new name: each backup's folder goes
    // into the new name's folder and its list names the new name, so that
    // the history follows the character. Every backup of either name is
    // taken, wherever of the two it is: a rename cut off part way is
    // finished by the same call, and taken back by the call the other way.
    // Nothing is done while any backup cannot be read. `failure` is "" when
    // done, else a "Failed." sentence; `stranded` is non-zero when some were
    // moved before it failed.
    struct Renamed {
        std::string failure;
        std::size_t stranded = 0;
    };
    Renamed renameCharacter(const std::string& gameFolder, const std::string& from,
                            const std::string& to);

    // The backups an earlier character of that name left (one deleted since)
    // set aside as `aside` (from earlierPlace: a name no character has), so
    // that a character renamed to that name never shares its history with
    // them. True when any were set aside; "" in `failure` when all went
    // well, else a "Failed." sentence. bringBackEarlier puts them back
    // (true too when there was nothing to bring).
    std::string earlierPlace(const std::string& gameFolder, const std::string& name);
    bool setAsideEarlier(const std::string& gameFolder, const std::string& name,
                         const std::string& aside, std::string& failure);
    bool bringBackEarlier(const std::string& gameFolder, const std::string& name,
                          const std::string& aside);

    // Sends a backup's folder to the trash; the character's saves are not
    // touched, nor other backups' files.
    platform::TrashResult remove(const Backup& backup, platform::Trash& trash);

    // Bytes the store's files take, each file once however many backups
    // link to it.
    std::uint64_t sizeOnDisk() const;

  private:
    const games::SaveFormat& format_;
    struct Put;
    // The game folder's folders in the store, its identity's first; the
    // character's folders in those, of both spellings of its key.
    std::vector<std::string> gameFolders(const std::string& gameFolder) const;
    std::optional<std::string> ownFolder(const std::string& gameFolder) const;
    std::vector<std::string> characterFolders(const std::string& gameFolder,
                                              const std::string& character) const;
    // Where a new backup of the character goes; "" when the game folder
    // cannot be resolved.
    std::string characterFolder(const std::string& gameFolder, const std::string& character) const;
    void scanFolder(const std::string& folder, const std::function<bool(const Manifest&)>& mine,
                    Scan& out);
    static void sortNewestFirst(std::vector<Backup>& backups);
    std::string join(const std::string& folder, const std::string& name) const;
    bool makeFolders(const std::string& folder);
    bool removeUnfinished(const std::string& folder);
    std::string newId(const std::string& folder, const std::vector<Backup>& earlier);
    std::optional<std::uint64_t> linkable(const ManifestFile& before,
                                          const std::string& earlierFolder,
                                          const std::string& source,
                                          const platform::FileStamp& now);
    std::optional<std::string> stage(const Backup& backup, const ManifestFile& f, Put& put);
    std::optional<std::string> place(const Put& put, platform::FolderNames& names, Restored& done);

    platform::SaveFiles& files_;
    platform::FileSystem& fs_;
    std::string root_;
    std::function<std::string()> now_;
};

// The UTC time now as a manifest holds it.
std::string utcNow();

}  // namespace quarlo::backups
