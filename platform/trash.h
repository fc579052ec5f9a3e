#pragma once

#include <string>
#include <vector>

#include "platform/save_files.h"

namespace quarlo::platform {

enum class TrashOutcome {
    done,
    // A file was not the version expected right before it went: its group
    // stayed where it was.
    changed,
    // No trash can take files from where these are (a drive without a
    // Recycle Bin, a file system without a trash folder Quarlo may use).
    unavailable,
    failed,
};

struct TrashResult {
    TrashOutcome outcome = TrashOutcome::failed;
    // The files that are in the trash after the call: every one when done;
    // otherwise those that went and could not be brought back (a second
    // failure), so that the caller can say where each file is.
    std::vector<std::string> inTrash;
};

// The system's trash: files go there to be restored by the user, never
// removed outright.
class Trash {
  public:
    virtual ~Trash() = default;

    // What the user knows the trash as: "Recycle Bin" or "trash".
    virtual std::string name() const = 0;

    // Moves every file to the trash, or none: when one cannot go, those
    // already moved are brought back. Paths are UTF-8, of regular files or
    // of folders, which go whole.
    virtual TrashResult moveToTrash(const std::vector<std::string>& paths) = 0;

    // Moves each group to the trash as moveToTrash does, each whole or not
    // at all; one result a group, in their order. Where the system allows,
    // the work is done for all at once rather than a group at a time.
    virtual std::vector<TrashResult> moveEachToTrash(
        const std::vector<std::vector<std::string>>& groups) {
        std::vector<TrashResult> results;
        results.reserve(groups.size());
        for (const auto& group : groups) {
            results.push_back(moveToTrash(group));
        }
        return results;
    }

    // A file of an opened folder and the version it must be to go.
    struct Expected {
        std::string name;
        FileStamp stamp;
    };
    // Moves each group of files of `folder` to the trash as moveEachToTrash
    // does, each whole or not at all, each file checked right before it
    // goes to be the very version expected (a group with one that is not
    // stays, `changed`), and through the folder itself, whatever its path
    // names by then. `inTrash` holds names, as the groups give them. Here,
    // for a system whose open folder cannot be renamed or replaced while it
    // is open (Windows): checked, then moved by path.
    virtual std::vector<TrashResult> moveEachFromFolder(
        const OpenFolder& folder, const std::vector<std::vector<Expected>>& groups) {
        std::vector<TrashResult> results;
        results.reserve(groups.size());
        for (const auto& group : groups) {
            std::vector<std::string> paths;
            bool same = true;
            for (const Expected& file : group) {
                same = same && folder.stamp(file.name) == file.stamp;
                paths.push_back(folder.pathOf(file.name));
            }
            if (!same) {
                results.push_back(TrashResult{TrashOutcome::changed, {}});
                continue;
            }
            TrashResult r = moveToTrash(paths);
            for (std::string& gone : r.inTrash) {
                for (std::size_t i = 0; i < paths.size(); ++i) {
                    gone = gone == paths[i] ? group[i].name : gone;
                }
            }
            results.push_back(std::move(r));
        }
        return results;
    }
};

}  // namespace quarlo::platform
