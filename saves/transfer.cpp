#include "saves/transfer.h"

#include <algorithm>

#include "platform/save_files.h"
#include "platform/trash.h"

namespace quarlo::saves {

namespace {

using platform::FileOutcome;
using Outcome = TransferResult::Outcome;

// Never a name the game lists as a save, and never a co-save's either: the
// part before the last dot keeps the ".ess".
constexpr const char* kPartSuffix = ".quarlo-part";

std::string folderOf(const SaveEntry& save) {
    return save.path.substr(0, save.path.size() - save.fileName.size());
}

std::string join(const std::string& folder, const std::string& name, char separator) {
    if (folder.empty() || folder.back() == separator || folder.back() == '/') {
        return folder + name;
    }
    return folder + separator + name;
}

class SaveTransfer {
  public:
    SaveTransfer(platform::SaveFiles& files, const SaveEntry& save, const std::string& destination)
        : files_(files),
          save_(save),
          from_(folderOf(save)),
          to_(destination),
          names_(filesOf(save)) {}

    TransferResult run(Transfer how) {
        for (const std::string& name : names_) {
            if (files_.exists(target(name))) {
                return result(Outcome::nameTaken, name);
            }
        }
        if (how == Transfer::move) {
            const FileOutcome renamed = renameAll();
            if (renamed != FileOutcome::crossDevice) {
                return renamed == FileOutcome::done ? result(Outcome::done) : refused(renamed);
            }
        }
        return copyAll(how);
    }

  private:
    std::string source(const std::string& name) const { return join(from_, name, sep()); }
    std::string target(const std::string& name) const { return join(to_, name, sep()); }
    std::string part(const std::string& name) const { return target(name) + kPartSuffix; }
    char sep() const { return files_.separator(); }

    TransferResult result(Outcome outcome, std::string detail = {}) const {
        return TransferResult{save_.fileName, outcome, std::move(detail)};
    }
    TransferResult refused(FileOutcome why) const {
        return result(why == FileOutcome::exists ? Outcome::nameTaken : Outcome::failed);
    }

    // Renames file by file; on the first that does not go, those already at
    // the destination go back.
    FileOutcome renameAll() {
        for (std::size_t i = 0; i < names_.size(); ++i) {
            const FileOutcome outcome = files_.renameNew(source(names_[i]), target(names_[i]));
            if (outcome == FileOutcome::done) {
                continue;
            }
            for (std::size_t j = i; j-- > 0;) {
                files_.renameNew(target(names_[j]), source(names_[j]));
            }
            // A later file on another file system than the first cannot
            // happen for files of one folder; a first one can.
            return outcome == FileOutcome::crossDevice && i > 0 ? FileOutcome::failed : outcome;
        }
        // Renames are atomic; the folders are made durable once for the
        // whole batch.
        return FileOutcome::done;
    }

    FileOutcome copyOne(const std::string& name) {
        FileOutcome outcome = files_.copyNew(source(name), part(name));
        if (outcome == FileOutcome::exists && files_.remove(part(name))) {
            // Only this code makes such names, and a part is given its own
            // name only once it is whole: one left over from an interrupted
            // run is an unfinished copy of a save still at its source.
            outcome = files_.copyNew(source(name), part(name));
        }
        return outcome;
    }

    TransferResult copyAll(Transfer how) {
        std::size_t parts = 0;
        std::size_t named = 0;
        const auto undo = [&](Outcome outcome) {
            for (std::size_t i = 0; i < named; ++i) {
                files_.remove(target(names_[i]));
            }
            for (std::size_t i = named; i < parts; ++i) {
                files_.remove(part(names_[i]));
            }
            return result(outcome);
        };
        for (; parts < names_.size(); ++parts) {
            if (copyOne(names_[parts]) != FileOutcome::done) {
                return undo(Outcome::failed);
            }
        }
        for (const std::string& name : names_) {
            if (files_.sameBytes(source(name), part(name)) != true) {
                return undo(Outcome::failed);
            }
        }
        for (; named < names_.size(); ++named) {
            const FileOutcome outcome =
                files_.renameNew(part(names_[named]), target(names_[named]));
            if (outcome != FileOutcome::done) {
                return undo(outcome == FileOutcome::exists ? Outcome::nameTaken : Outcome::failed);
            }
        }
        if (how == Transfer::copy) {
            return result(Outcome::done);
        }
        // The new names must be on the disk before the old ones go.
        files_.syncFolder(to_);
        // The .ess first: once it is gone here the save is the one at the
        // destination, and a co-save that stays behind is a spare copy.
        if (!files_.remove(source(names_.back()))) {
            parts = 0;
            return undo(Outcome::failed);
        }
        std::string left;
        for (std::size_t i = 0; i + 1 < names_.size(); ++i) {
            if (!files_.remove(source(names_[i])) && left.empty()) {
                left = names_[i];
            }
        }
        return left.empty() ? result(Outcome::done) : result(Outcome::leftBehind, left);
    }

    platform::SaveFiles& files_;
    const SaveEntry& save_;
    std::string from_;
    std::string to_;
    std::vector<std::string> names_;
};

}  // namespace

std::vector<std::string> filesOf(const SaveEntry& save) {
    std::vector<std::string> names = save.coSaves;
    names.push_back(save.fileName);
    return names;
}

std::vector<TransferResult> transferSaves(platform::SaveFiles& files,
                                          const std::vector<SaveEntry>& saves,
                                          const std::string& destination, Transfer how) {
    std::vector<TransferResult> results;
    results.reserve(saves.size());
    std::vector<std::string> sources;
    for (const SaveEntry& save : saves) {
        results.push_back(SaveTransfer(files, save, destination).run(how));
        if (std::find(sources.begin(), sources.end(), folderOf(save)) == sources.end()) {
            sources.push_back(folderOf(save));
        }
    }
    files.syncFolder(destination);
    if (how == Transfer::move) {
        for (const std::string& folder : sources) {
            files.syncFolder(folder);
        }
    }
    return results;
}

platform::TrashOutcome trashSaves(platform::Trash& trash, const std::vector<SaveEntry>& saves,
                                  char separator) {
    std::vector<std::string> paths;
    for (const SaveEntry& save : saves) {
        const std::string folder = folderOf(save);
        for (const std::string& name : filesOf(save)) {
            paths.push_back(join(folder, name, separator));
        }
    }
    return trash.moveToTrash(paths);
}

}  // namespace quarlo::saves
