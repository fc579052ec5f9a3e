#pragma once

#include <string>

namespace quarlo::platform {

// CSIDL number of the current user's documents folder.
inline constexpr int kCsidlPersonal = 5;

class SpecialFolders {
  public:
    virtual ~SpecialFolders() = default;

    // The path of a shell special folder without a trailing separator, or ""
    // when it cannot be found.
    virtual std::string GetSpecialFolderPath(int folderId) const = 0;
};

}  // namespace quarlo::platform
