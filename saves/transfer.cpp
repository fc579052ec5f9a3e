#include "saves/transfer.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "platform/save_files.h"
#include "platform/trash.h"

namespace quarlo::saves {

namespace {

using platform::FileOutcome;
using platform::FileStamp;
using Outcome = TransferResult::Outcome;

// One operation on saves at a time in this program: two windows never work
// in the same folders at once, so an unfinished copy of this process found
// at the start of an operation is a leftover.
std::mutex& operationLock() {
    static std::mutex lock;
    return lock;
}

std::string join(const std::string& folder, const std::string& name, char separator) {
    if (folder.empty() || folder.back() == separator || folder.back() == '/') {
        return folder + name;
    }
    return folder + separator + name;
}

TransferResult resultFor(const std::string& save, Outcome outcome, std::string detail = {}) {
    TransferResult r;
    r.fileName = save;
    r.outcome = outcome;
    r.detail = std::move(detail);
    return r;
}

// The source folder as the operation found it when it began.
class Source {
  public:
    Source(platform::SaveFiles& files, const std::string& folder, const games::SaveFormat& format)
        : files_(files) {
        auto listed = files.listFiles(folder);
        if (!listed) {
            return;
        }
        folder_ = std::move(listed->folder);
        std::vector<std::string> names;
        for (platform::FolderEntry& e : listed->entries) {
            kinds_[e.name] = e.kind;
            names.push_back(std::move(e.name));
        }
        for (SaveFamily& family : groupSaves(names, format)) {
            byKey_[lowerAscii(family.save)].push_back(family.save);
            families_.emplace(family.save, std::move(family));
        }
        listed_ = true;
    }

    bool listed() const { return listed_; }
    const std::string& folder() const { return folder_; }
    std::string path(const std::string& name) const {
        return join(folder_, name, files_.separator());
    }

    // The save's files, co-saves first and the save file last, and their
    // versions once an operation needs them; or why the save is left alone.
    struct Save {
        std::vector<std::string> names;
        std::vector<FileStamp> stamps;
    };
    std::optional<TransferResult> check(const std::string& name, Save& out) const {
        const auto it = families_.find(name);
        if (it == families_.end()) {
            return resultFor(name, Outcome::gone);
        }
        for (const std::string& other : byKey_.at(lowerAscii(name))) {
            if (other != name) {
                return resultFor(name, Outcome::sameName, other);
            }
        }
        out.names = it->second.coSaves;
        out.names.push_back(name);
        for (const std::string& file : out.names) {
            if (kinds_.at(file) != platform::EntryKind::file) {
                return resultFor(name, Outcome::notAFile, file);
            }
        }
        return std::nullopt;
    }

    // Why a file of the save is not what the folder held when it was read:
    // gone (the save file) or changed; nullopt when it is still a file.
    std::optional<TransferResult> missing(const std::string& save, const std::string& file) const {
        if (files_.stamp(path(file))) {
            return std::nullopt;
        }
        return resultFor(save, file == save ? Outcome::gone : Outcome::changed,
                         file == save ? std::string() : file);
    }

    // The versions of the save's files now, for a copy to be checked against.
    std::optional<TransferResult> takeStamps(const std::string& save, Save& out) const {
        out.stamps.clear();
        for (const std::string& file : out.names) {
            const auto stamp = files_.stamp(path(file));
            if (!stamp) {
                return resultFor(save, file == save ? Outcome::gone : Outcome::changed,
                                 file == save ? std::string() : file);
            }
            out.stamps.push_back(*stamp);
        }
        return std::nullopt;
    }

    // Whether every file is still the version it was: checked right before a
    // step that cannot be undone.
    std::optional<std::string> changedOf(const Save& save) const {
        for (std::size_t i = 0; i < save.names.size(); ++i) {
            if (files_.stamp(path(save.names[i])) != save.stamps[i]) {
                return save.names[i];
            }
        }
        return std::nullopt;
    }

  private:
    platform::SaveFiles& files_;
    bool listed_ = false;
    std::string folder_;
    std::unordered_map<std::string, platform::EntryKind> kinds_;
    std::unordered_map<std::string, SaveFamily> families_;
    std::unordered_map<std::string, std::vector<std::string>> byKey_;
};

}  // namespace

void removeLeftovers(platform::SaveFiles& files, platform::FolderNames& names) {
    const std::string_view suffix = kPartSuffix;
    for (const platform::FolderEntry& e : names.initial()) {
        const std::string_view name = e.name;
        if (e.kind != platform::EntryKind::file || name.size() <= suffix.size() ||
            !name.ends_with(suffix)) {
            continue;
        }
        const std::string_view rest = name.substr(0, name.size() - suffix.size());
        const std::size_t dot = rest.rfind('.');
        const std::string_view digits = dot == std::string_view::npos ? "" : rest.substr(dot + 1);
        std::uint64_t process = 0;
        bool numbered = !digits.empty() && digits.size() <= 10;
        for (const char c : digits) {
            numbered = numbered && c >= '0' && c <= '9';
            process = process * 10 + static_cast<std::uint64_t>(c - '0');
        }
        // An unnumbered one is from a version that did not number them.
        const bool ended = !numbered || process == files.processId() ||
                           !files.processRunning(static_cast<std::uint32_t>(process));
        if (ended && files.remove(join(names.folder(), e.name, files.separator()))) {
            names.remove(e.name);
        }
    }
}

namespace {

// One save's way to one destination.
class SaveTransfer {
  public:
    SaveTransfer(platform::SaveFiles& files, const Source& source,
                 platform::FolderNames& destination, const std::string& save, Source::Save files_of)
        : files_(files),
          source_(source),
          to_(destination),
          save_(save),
          checked_(std::move(files_of)) {}

    // Whether a file was copied, rather than renamed.
    bool copied() const { return copied_; }

    TransferResult run(Transfer how) {
        for (const std::string& name : names_) {
            if (to_.taken(name)) {
                return result(Outcome::nameTaken, name);
            }
        }
        if (how == Transfer::move) {
            std::optional<TransferResult> renamed = renameAll();
            if (renamed) {
                return *renamed;
            }
        }
        return copyAll(how);
    }

  private:
    std::string source(const std::string& name) const { return source_.path(name); }
    std::string target(const std::string& name) const {
        return join(to_.folder(), name, files_.separator());
    }
    std::string part(const std::string& name) const {
        return target(name) + "." + std::to_string(files_.processId()) + kPartSuffix;
    }

    TransferResult result(Outcome outcome, std::string detail = {}) const {
        TransferResult r = resultFor(save_, outcome, std::move(detail));
        r.coSaves = names_.size() - 1;
        r.keptBeside = kept_;
        return r;
    }

    // What the file system kept of another program's write into a name
    // this save's file took.
    void noteKept() {
        for (const std::string& path : files_.takeKeptAside()) {
            kept_.push_back(path.substr(path.find_last_of("/\\") + 1));
        }
    }

    // A failure whose undo left files on both sides: where each one is.
    TransferResult split(const std::vector<Place>& where) const {
        TransferResult r = result(Outcome::split);
        for (std::size_t i = 0; i < names_.size(); ++i) {
            r.places.push_back(FilePlace{names_[i], where[i]});
        }
        return r;
    }

    // Renames file by file, each name checked free right before; on the
    // first that does not go, those already at the destination go back.
    // nullopt when the first rename cannot reach the destination: a copy.
    std::optional<TransferResult> renameAll() {
        for (std::size_t i = 0; i < names_.size(); ++i) {
            const std::string& name = names_[i];
            FileOutcome outcome = to_.taken(name) ? FileOutcome::exists
                                                  : files_.renameNew(source(name), target(name));
            noteKept();
            if (outcome == FileOutcome::done) {
                to_.add(name);
                if (!to_.twin(name)) {
                    continue;
                }
                // Another program gave a name of another letter case in the
                // moment before: this one goes back, and the save with it.
                if (files_.renameNew(target(name), source(name)) != FileOutcome::done) {
                    std::vector<Place> where(names_.size(), Place::source);
                    for (std::size_t j = 0; j <= i; ++j) {
                        where[j] = Place::destination;
                    }
                    return split(where);
                }
                to_.remove(name);
                outcome = FileOutcome::exists;
            }
            if (outcome == FileOutcome::crossDevice && i == 0) {
                return std::nullopt;
            }
            std::vector<Place> where(names_.size(), Place::source);
            bool whole = true;
            for (std::size_t j = i; j-- > 0;) {
                if (files_.renameNew(target(names_[j]), source(names_[j])) == FileOutcome::done) {
                    to_.remove(names_[j]);
                } else {
                    where[j] = Place::destination;
                    whole = false;
                }
            }
            if (!whole) {
                return split(where);
            }
            if (outcome == FileOutcome::exists) {
                return result(Outcome::nameTaken, name);
            }
            // Gone since the folder was read, moved by another window perhaps.
            if (auto why = source_.missing(save_, name)) {
                why->coSaves = names_.size() - 1;
                return *why;
            }
            return result(Outcome::failed);
        }
        return result(Outcome::done);
    }

    // Takes back what a copy put at the destination: the named copies, each
    // checked to be the one made, and the unfinished ones. A named copy that
    // will not go is a file of the save at the destination as well.
    TransferResult undoCopy(Outcome outcome, std::string detail, std::size_t parts,
                            std::size_t named) {
        std::vector<Place> where(names_.size(), Place::source);
        bool whole = true;
        for (std::size_t i = 0; i < named; ++i) {
            const std::string& name = names_[i];
            if (files_.stamp(target(name)) == partStamps_[i] && files_.remove(target(name))) {
                to_.remove(name);
            } else {
                where[i] = Place::both;
                whole = false;
            }
        }
        // An unfinished copy is no save to the game; one that will not go
        // now goes at the next operation here, and the summary says so.
        std::vector<std::string> unfinished;
        for (std::size_t i = named; i < parts; ++i) {
            if (!files_.remove(part(names_[i])) && files_.exists(part(names_[i]))) {
                const std::string path = part(names_[i]);
                unfinished.push_back(path.substr(to_.folder().size() + 1));
            }
        }
        TransferResult r = whole ? result(outcome, std::move(detail)) : split(where);
        r.keptBeside = kept_;
        r.unfinished = std::move(unfinished);
        r.setAside = stranded_;
        return r;
    }

    FileOutcome copyOne(const std::string& name) {
        FileOutcome outcome = files_.copyNew(source(name), part(name));
        if (outcome == FileOutcome::exists && files_.remove(part(name))) {
            // Of this process, by its number, and no operation of this
            // process is under way: a leftover.
            outcome = files_.copyNew(source(name), part(name));
        }
        return outcome;
    }

    TransferResult copyAll(Transfer how) {
        if (auto why = source_.takeStamps(save_, checked_)) {
            return *why;
        }
        copied_ = true;
        std::size_t parts = 0;
        for (; parts < names_.size(); ++parts) {
            if (copyOne(names_[parts]) != FileOutcome::done) {
                return undoCopy(Outcome::failed, {}, parts, 0);
            }
            partStamps_.push_back(files_.stamp(part(names_[parts])));
        }
        for (const std::string& name : names_) {
            if (files_.sameBytes(source(name), part(name)) != true) {
                return undoCopy(Outcome::failed, {}, parts, 0);
            }
        }
        // The copies are of the versions found at the start: another program
        // may have written the source while it was copied.
        if (auto changed = source_.changedOf(checked_)) {
            return undoCopy(Outcome::changed, *changed, parts, 0);
        }
        std::size_t named = 0;
        for (; named < names_.size(); ++named) {
            const std::string& name = names_[named];
            const FileOutcome outcome =
                to_.taken(name) ? FileOutcome::exists : files_.renameNew(part(name), target(name));
            noteKept();
            if (outcome != FileOutcome::done) {
                return undoCopy(
                    outcome == FileOutcome::exists ? Outcome::nameTaken : Outcome::failed,
                    outcome == FileOutcome::exists ? name : std::string(), parts, named);
            }
            to_.add(name);
            if (to_.twin(name)) {
                // A name of another letter case came in the moment before.
                return undoCopy(Outcome::nameTaken, name, parts, named + 1);
            }
        }
        if (how == Transfer::copy) {
            return result(Outcome::done);
        }
        // The new names must be on the disk before the old ones go.
        files_.syncFolder(to_.folder());
        // Removing an original cannot be undone: each is checked to be the
        // version that was copied right before it goes. The save file first:
        // once it is gone here the save is the one at the destination, and a
        // co-save that stays behind is a copy in both folders.
        if (auto changed = source_.changedOf(checked_)) {
            return undoCopy(Outcome::changed, *changed, parts, named);
        }
        const std::size_t last = names_.size() - 1;
        switch (removeOriginal(last)) {
            case Removal::done:
                break;
            case Removal::changed:
                return undoCopy(Outcome::changed, names_[last], parts, named);
            case Removal::failed:
                return undoCopy(Outcome::failed, {}, parts, named);
        }
        TransferResult r = result(Outcome::done);
        for (std::size_t i = 0; i < last; ++i) {
            const std::string& name = names_[i];
            if (removeOriginal(i) != Removal::done) {
                r.outcome = Outcome::leftBehind;
                r.detail = r.detail.empty() ? name : r.detail;
                r.places.push_back(FilePlace{name, Place::both});
            }
        }
        r.setAside = stranded_;
        return r;
    }

    enum class Removal { done, changed, failed };

    // Removes an original that was copied: first set aside under a name of
    // this process's, so that the game, writing the save by name, makes a
    // new file rather than write into the one about to go; then checked
    // there to be the version copied (a rename moves the change time, so
    // identity, size and modification time); only then removed. A changed
    // one goes back to its name.
    Removal removeOriginal(std::size_t i) {
        const std::string& name = names_[i];
        const std::string aside =
            source(name) + "." + std::to_string(files_.processId()) + kAsideSuffix;
        if (files_.renameNew(source(name), aside) != FileOutcome::done) {
            return Removal::failed;
        }
        const auto now = files_.stamp(aside);
        const bool same = platform::sameFileVersion(now, stamps_[i]);
        if (same && files_.remove(aside)) {
            return Removal::done;
        }
        // Back to its name; a second try where the first fails, since a save
        // left under the other name is lost to the game until renamed.
        if (files_.renameNew(aside, source(name)) != FileOutcome::done &&
            files_.renameNew(aside, source(name)) != FileOutcome::done) {
            stranded_.push_back(aside.substr(source_.folder().size() + 1));
        }
        return !now ? Removal::failed : same ? Removal::failed : Removal::changed;
    }

    platform::SaveFiles& files_;
    const Source& source_;
    platform::FolderNames& to_;
    const std::string& save_;
    Source::Save checked_;
    const std::vector<std::string>& names_ = checked_.names;
    const std::vector<FileStamp>& stamps_ = checked_.stamps;
    std::vector<std::optional<FileStamp>> partStamps_;
    std::vector<std::string> stranded_;  // originals left under their other name
    std::vector<std::string> kept_;      // another program's bytes, kept beside
    bool copied_ = false;
};

std::size_t countSaves(const std::vector<TransferJob>& jobs) {
    std::size_t n = 0;
    for (const TransferJob& job : jobs) {
        n += job.saves.size();
    }
    return n;
}

}  // namespace

std::vector<TransferResult> transferSaves(platform::SaveFiles& files,
                                          const std::string& sourceFolder,
                                          const std::vector<TransferJob>& jobs, Transfer how,
                                          const Progress& progress,
                                          const games::SaveFormat& format) {
    const std::lock_guard<std::mutex> lock(operationLock());
    const std::size_t total = countSaves(jobs);
    std::vector<TransferResult> results;
    results.reserve(total);
    const Source source(files, sourceFolder, format);
    bool stopped = progress && !progress(0, total);
    bool copied = false;
    // Whether the originals can go is known before anything is copied.
    const bool removable =
        how == Transfer::copy || !source.listed() || files.canRemoveIn(source.folder());
    for (const TransferJob& job : jobs) {
        std::unique_ptr<platform::FolderNames> to;
        if (!stopped && source.listed()) {
            to = files.openNames(job.destination);
        }
        if (to) {
            removeLeftovers(files, *to);
        }
        for (const std::string& save : job.saves) {
            if (stopped) {
                results.push_back(resultFor(save, Outcome::notStarted));
                continue;
            }
            Source::Save found;
            if (!source.listed() || !to) {
                results.push_back(resultFor(save, Outcome::failed));
            } else if (!removable) {
                results.push_back(resultFor(save, Outcome::readOnly));
            } else if (auto refused = source.check(save, found)) {
                results.push_back(std::move(*refused));
            } else {
                SaveTransfer transfer(files, source, *to, save, std::move(found));
                results.push_back(transfer.run(how));
                copied = copied || transfer.copied();
            }
            if (TransferResult& r = results.back();
                r.outcome == Outcome::gone && to && to->taken(save)) {
                r.detail = "destination";
            }
            stopped = progress && !progress(results.size(), total);
        }
        // A rename is one step the file system journals: wherever a crash
        // leaves it, the save is in one place. A copy's new names, and the
        // removal of originals that were copied, are made durable.
        if (to && (how == Transfer::copy || copied)) {
            files.syncFolder(to->folder());
        }
    }
    if (copied && how == Transfer::move) {
        files.syncFolder(source.folder());
    }
    return results;
}

std::vector<TransferResult> trashSaves(platform::SaveFiles& files, platform::Trash& trash,
                                       const std::string& folder,
                                       const std::vector<std::string>& saves,
                                       const Progress& progress, const games::SaveFormat& format) {
    const std::lock_guard<std::mutex> lock(operationLock());
    std::vector<TransferResult> results;
    results.reserve(saves.size());
    const Source source(files, folder, format);
    bool stopped = progress && !progress(0, saves.size());
    bool unavailable = false;
    // A batch of saves at a time: the trash flushes once a batch, and Cancel
    // stops between batches.
    constexpr std::size_t kBatch = 256;
    for (std::size_t first = 0; first < saves.size(); first += kBatch) {
        const std::size_t last = std::min(saves.size(), first + kBatch);
        std::vector<std::vector<std::string>> groups;
        std::vector<std::vector<std::string>> names;
        std::vector<std::size_t> at;  // each group's result
        for (std::size_t i = first; i < last; ++i) {
            const std::string& save = saves[i];
            if (stopped || unavailable) {
                // A drive without a trash takes none of them.
                results.push_back(
                    resultFor(save, stopped ? Outcome::notStarted : Outcome::unavailable));
                continue;
            }
            Source::Save found;
            if (!source.listed()) {
                results.push_back(resultFor(save, Outcome::failed));
            } else if (auto refused = source.check(save, found)) {
                results.push_back(std::move(*refused));
            } else {
                std::vector<std::string> paths;
                for (const std::string& name : found.names) {
                    paths.push_back(source.path(name));
                }
                at.push_back(results.size());
                results.push_back(resultFor(save, Outcome::done));
                groups.push_back(std::move(paths));
                names.push_back(found.names);
            }
        }
        const std::vector<platform::TrashResult> trashed = trash.moveEachToTrash(groups);
        for (std::size_t g = 0; g < groups.size(); ++g) {
            const platform::TrashResult& r = trashed[g];
            TransferResult& out = results[at[g]];
            out.coSaves = names[g].size() - 1;
            if (r.outcome == platform::TrashOutcome::unavailable) {
                out.outcome = Outcome::unavailable;
                unavailable = true;
            } else if (r.outcome == platform::TrashOutcome::failed) {
                out.outcome = Outcome::failed;
            }
            if (r.outcome != platform::TrashOutcome::done && !r.inTrash.empty()) {
                out.outcome = Outcome::split;
                for (std::size_t i = 0; i < groups[g].size(); ++i) {
                    const bool gone = std::find(r.inTrash.begin(), r.inTrash.end(), groups[g][i]) !=
                                      r.inTrash.end();
                    out.places.push_back(
                        FilePlace{names[g][i], gone ? Place::trash : Place::source});
                }
            }
        }
        if (!stopped) {
            stopped = progress && !progress(results.size(), saves.size());
        }
    }
    return results;
}

}  // namespace quarlo::saves
