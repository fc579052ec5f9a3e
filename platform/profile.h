#pragma once

#include <string>
#include <string_view>

namespace quarlo::platform {

// The profile (INI) file operations with the semantics of the Windows profile
// API's ANSI forms. Both settings files go through this and nothing else, so
// the game reads back exactly what we wrote.
class ProfileFile {
  public:
    virtual ~ProfileFile() = default;

    // GetPrivateProfileStringA: the key's value, or `defaultValue` when the
    // file, section or key is missing; either is cut to capacity - 1 characters.
    virtual std::string read(std::string_view section, std::string_view key,
                             std::string_view defaultValue, int capacity,
                             const std::string& path) const = 0;

    // WritePrivateProfileStringA: sets key=value in the section, creating the
    // file, the section or the key as needed. Returns false when the file could
    // not be written; the file is then left exactly as it was.
    virtual bool write(std::string_view section, std::string_view key, std::string_view value,
                       const std::string& path) = 0;

    // Whether text (a section, key or value) can be written so that the game
    // reads back the same characters: false for a character the file's code
    // page has not got.
    virtual bool canStore(std::string_view /*text*/) const { return true; }
};

}  // namespace quarlo::platform
