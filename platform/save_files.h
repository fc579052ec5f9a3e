#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
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
    exists,       // the new name is taken
    crossDevice,  // the two names are on different file systems
    failed,
};

// What a name in a folder stands for. Saves are only ever regular files; the
// rest are listed so that a command can say why it leaves them alone.
enum class EntryKind {
    file,    // a regular file itself
    link,    // a symbolic link, to anything or to nothing
    other,   // a FIFO, a device, a socket
    folder,  // a folder itself (only entriesOf lists these)
};

// What a path names itself, a link not followed.
enum class PathKind {
    missing,  // surely nothing of that name
    file,
    folder,
    link,
    other,
    unknown,  // the system could not tell (a failing drive): maybe anything
};

struct FolderEntry {
    std::string name;
    EntryKind kind = EntryKind::file;
};

// The files of one folder (subfolders left out), with the folder's path as
// it is spelled on disk.
struct FolderFiles {
    std::string folder;
    std::vector<FolderEntry> entries;
};

// One version of a regular file: which file, how long, when last changed.
// Taken again right before a step that cannot be undone, so that a file
// another program changed in the meantime is noticed.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t node = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;  // since 1970-01-01 00:00 UTC
    // When the file or its attributes last changed: every write moves it, and
    // no program can set it back, so a file with the same identity and
    // change time holds the same bytes.
    std::int64_t changedNs = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// Whether a file renamed since is still the same file at the same version:
// a rename moves the change time, so identity, size and modification time
// are what can tell.
inline bool sameFileVersion(const std::optional<FileStamp>& now, const FileStamp& then) {
    return now && now->device == then.device && now->node == then.node && now->size == then.size &&
           now->modifiedNs == then.modifiedNs;
}

// A regular file opened for reading a few parts of it, each with one read.
class OpenedFile {
  public:
    virtual ~OpenedFile() = default;
    // As seen when it was opened.
    virtual std::uint64_t size() const = 0;
    virtual std::int64_t modifiedLocalMs() const = 0;
    // Up to `count` bytes from `offset`, fewer at the end of the file;
    // nullopt when the read fails.
    virtual std::optional<std::string> read(std::uint64_t offset, std::size_t count) = 0;
    // The same into a buffer the caller keeps from read to read, so that a
    // file read through in chunks costs no fresh memory for each (false
    // when the read fails).
    virtual bool readInto(std::uint64_t offset, std::size_t count, std::string& into) {
        auto bytes = read(offset, count);
        if (!bytes) {
            return false;
        }
        into = std::move(*bytes);
        return true;
    }
};

// The names in one folder, read once when it is opened and kept current as
// an operation adds files to it, so that asking whether a name is free costs
// no new reading of the folder. Names are matched as the game's file system
// matches them (without regard to letter case).
class FolderNames {
  public:
    virtual ~FolderNames() = default;
    // The folder as spelled on disk.
    virtual const std::string& folder() const = 0;
    // The files it held when opened (subfolders left out).
    virtual const std::vector<FolderEntry>& initial() const = 0;
    // Whether anything of that name is there now: what was read, what this
    // program added, and where the system reports them, what other programs
    // added since.
    virtual bool taken(std::string_view name) = 0;
    // Whether a name the game takes for `name` is there beside `name`
    // itself: another program made it in the moment before this program
    // gave `name`, which no rename can refuse.
    virtual bool twin(std::string_view name) = 0;
    // This program gave or took that name.
    virtual void add(std::string_view name) = 0;
    virtual void remove(std::string_view name) = 0;
};

// A folder opened once, for an operation that must act on that very folder
// whatever becomes of its path meanwhile (renamed, or swapped for a link to
// another copy): every name is looked up in the folder itself, never
// through the path again. Opening it refuses a link.
class OpenFolder {
  public:
    virtual ~OpenFolder() = default;
    // As spelled when it was opened, and a name's path in it.
    virtual const std::string& path() const = 0;
    virtual std::string pathOf(std::string_view name) const = 0;
    // Its entries now, folders too, links not followed; nullopt when it
    // cannot be listed.
    virtual std::optional<std::vector<FolderEntry>> entries() const = 0;
    // The version of a regular file in it, as SaveFiles::stamp.
    virtual std::optional<FileStamp> stamp(std::string_view name) const = 0;
    // The system's descriptor of the folder, for a platform's own calls
    // relative to it (POSIX's *at calls); -1 where there is none.
    virtual int descriptor() const { return -1; }
};

// A lock held until this object goes, or the process ends in any way: the
// system's own, which a killed process never leaves behind.
class HeldLock {
  public:
    virtual ~HeldLock() = default;
};

// The few file operations the saves need. Paths are UTF-8. None of them ever
// replaces a file that is already there.
class SaveFiles {
  public:
    virtual ~SaveFiles() = default;

    virtual char separator() const = 0;

    // The files directly in a folder, each with its kind, in no particular
    // order; nullopt when the folder cannot be listed. A folder not there as
    // spelled is looked up as the game's file system would find it.
    virtual std::optional<FolderFiles> listFiles(const std::string& folder) const = 0;

    // The names of a folder, for an operation that adds to it; null when the
    // folder cannot be listed.
    virtual std::unique_ptr<FolderNames> openNames(const std::string& folder) const = 0;

    // Up to `count` bytes from `offset` of a regular file (links followed);
    // nullopt when it is not one or cannot be opened or read. Never waits on
    // a pipe or device.
    virtual std::optional<FileChunk> read(const std::string& path, std::uint64_t offset,
                                          std::size_t count) const = 0;

    // A regular file (links followed) opened for reading; null when it is
    // not one or cannot be opened. Never waits on a pipe or device.
    virtual std::unique_ptr<OpenedFile> open(const std::string& path) const = 0;

    // The version of a regular file, not following a link: nullopt when the
    // name is missing or is anything but a regular file.
    virtual std::optional<FileStamp> stamp(const std::string& path) const = 0;

    // Whether anything has that name, matched as the game's file system
    // matches names (without regard to letter case under Wine). Reads the
    // folder when the name is not there as spelled: for single checks, not
    // for every file of a batch (FolderNames is for those).
    virtual bool exists(const std::string& path) const = 0;

    // Gives a regular file a new name, atomically, never replacing a file of
    // exactly that name: exists when `to` is taken, crossDevice when a rename
    // cannot reach it, or when this file system cannot rename without the
    // risk of replacing (the caller then copies, which never replaces).
    // Names in another letter case are the caller's to check (FolderNames).
    virtual FileOutcome renameNew(const std::string& from, const std::string& to) = 0;

    // A new file `to` with the bytes and modification time of the regular file
    // `from`, on the disk itself before this returns; exists when `to` is
    // taken. Where the copy fails, no file `to` is left behind.
    virtual FileOutcome copyNew(const std::string& from, const std::string& to) = 0;

    // As copyNew, but not yet flushed: for a batch, which flushFiles then
    // puts on the disk at once. Where the file system can, the copy shares
    // the original's blocks rather than write them again.
    virtual FileOutcome copyUnflushed(const std::string& from, const std::string& to) = 0;

    // Puts the files' bytes on the disk itself; false when that fails for
    // any of them.
    virtual bool flushFiles(const std::vector<std::string>& paths) = 0;

    // Whether two regular files hold the same bytes, read back from the disk;
    // nullopt when either cannot be read.
    virtual std::optional<bool> sameBytes(const std::string& a, const std::string& b) const = 0;

    // Removes one file.
    virtual bool remove(const std::string& path) = 0;

    // Whether files can be removed from the folder at all: false on a drive
    // or folder that is read-only, known before a move copies anything.
    virtual bool canRemoveIn(const std::string& folder) const = 0;

    // A second name for the regular file `from` (a hard link): exists when
    // `to` is taken; failed where the file system has no such links or the
    // two are on different ones (the caller then copies).
    virtual FileOutcome linkNew(const std::string& from, const std::string& to) = 0;

    // A new file holding `bytes`, whole or not at all: written beside it
    // under another name, flushed, then given its name, never replacing a
    // file; false when it could not be or `path` is taken.
    virtual bool writeNew(const std::string& path, const std::string& bytes) = 0;

    // Gives `from` the name `to`, replacing the file there in one step.
    // Only for putting back a file whose old version is kept elsewhere.
    virtual bool replace(const std::string& from, const std::string& to) = 0;

    // What the path names, spelled exactly as given (no other letter case),
    // a link not followed.
    virtual PathKind kindOf(const std::string& path) const = 0;

    // Every entry of a folder spelled exactly, folders too, links not
    // followed; nullopt when it cannot be listed, or is a link itself.
    virtual std::optional<std::vector<FolderEntry>> entriesOf(const std::string& folder) const = 0;

    // One new folder, spelled exactly; false when it was not made.
    virtual bool makeFolder(const std::string& path) = 0;

    // Removes a folder of this program's own with the files and links
    // directly in it, never anything a link leads to and never through a
    // folder that has become a link: `first` goes first, and while it
    // cannot, nothing else does. False when anything stays.
    virtual bool removeFolderOfFiles(const std::string& folder, std::string_view first) = 0;

    // Makes the folder's list of names durable after renames into or out of
    // it, where the system needs that asked for.
    virtual bool syncFolder(const std::string& folder) = 0;

    // Where renameNew, on a file system that could only claim a name by
    // creating it, kept what another program wrote into that name in the
    // last moment (the moved file took the name): paths since the last
    // call. Such a move is no success: its summary must say so.
    virtual std::vector<std::string> takeKeptAside() { return {}; }

    // A folder opened as itself (see OpenFolder); null when it is missing,
    // a link, or cannot be opened.
    virtual std::unique_ptr<OpenFolder> openFolder(const std::string& path) const = 0;

    // The key two names of one folder share exactly when the file system
    // takes them for one name: every letter folded as it folds letters
    // (under Wine and on Windows, upper case character by character).
    virtual std::string foldedName(std::string_view name) const = 0;

    // The path of what `path` names with every link and every "." and ".."
    // resolved, spelled as on disk: one folder reached two ways gives one
    // answer. nullopt when it cannot be resolved (it is missing).
    virtual std::optional<std::string> identityPath(const std::string& path) const = 0;

    // An exclusive lock on the file at `path` (made when missing), for one
    // writer at a time among processes. `note` says who holds it, for
    // another process that finds it taken.
    struct LockAttempt {
        std::unique_ptr<HeldLock> held;  // null when not taken
        bool takenByAnother = false;     // else the file could not be made
        std::string holder;              // that one's note, "" when unreadable
    };
    virtual LockAttempt lockExclusive(const std::string& path, const std::string& note) = 0;

    // This process, and whether another one still runs: an unfinished copy
    // carries the number of the process that makes it, so that one left by
    // a run that ended can be told from one that is still being written.
    virtual std::uint32_t processId() const = 0;
    virtual bool processRunning(std::uint32_t id) const = 0;
};

// Removes from `folder` what a write of one of the `settings` files that was
// cut off left beside it: only a temporary of exactly the form the settings
// writer gives, of a process that has ended (or of this one).
void removeSettingsLeftovers(SaveFiles& files, const std::string& folder,
                             const std::vector<std::string_view>& settings);

// Replaces the file at `path` whole with `bytes`, by way of "<path>.new"
// beside it, which is gone again whatever happens: false when the file could
// not be replaced, and then it is as it was.
inline bool replaceWhole(SaveFiles& files, const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".new";
    files.remove(temporary);
    if (files.writeNew(temporary, bytes) && files.replace(temporary, path)) {
        return true;
    }
    files.remove(temporary);
    return false;
}

}  // namespace quarlo::platform
