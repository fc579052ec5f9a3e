#pragma once

#include "platform/profile.h"

namespace quarlo::platform::win32 {

// The Windows profile API itself, so the game and Quarlo read the settings
// files exactly alike.
class Win32ProfileFile : public ProfileFile {
  public:
    std::string read(std::string_view section, std::string_view key, std::string_view defaultValue,
                     int capacity, const std::string& path) const override;
    std::optional<std::string> readChecked(std::string_view section, std::string_view key,
                                           std::string_view defaultValue, int capacity,
                                           const std::string& path) const override;
    std::optional<std::string> fileBytes(const std::string& path) const override;
    bool exists(const std::string& path) const override;
    bool write(std::string_view section, std::string_view key, std::string_view value,
               const std::string& path) override;
    // No profile call renames a section: the file's bytes are changed as the
    // profile API reads them, beside it, then put in its place.
    bool renameSection(std::string_view from, std::string_view to,
                       const std::string& path) override;
    std::optional<std::size_t> storedLength(std::string_view text) const override;
};

}  // namespace quarlo::platform::win32
