#pragma once

#include <string>
#include <vector>

namespace quarlo::platform {

enum class TrashOutcome {
    done,
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
};

}  // namespace quarlo::platform
