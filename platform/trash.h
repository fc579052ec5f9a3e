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

// The system's trash: files go there to be restored by the user, never
// removed outright.
class Trash {
  public:
    virtual ~Trash() = default;

    // What the user knows the trash as: "Recycle Bin" or "trash".
    virtual std::string name() const = 0;

    // Moves every file to the trash, or none: when one cannot go, those
    // already moved are brought back and nothing is deleted. Paths are UTF-8.
    virtual TrashOutcome moveToTrash(const std::vector<std::string>& paths) = 0;
};

}  // namespace quarlo::platform
