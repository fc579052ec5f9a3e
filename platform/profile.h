#pragma once

#include <cstddef>
#include <optional>
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

    // As read, but nullopt when the file is there and cannot be read (no
    // permission, a failing disk): where a value decides what a command
    // does, a default is no answer. A missing file, section or key still
    // gives the default.
    virtual std::optional<std::string> readChecked(std::string_view section, std::string_view key,
                                                   std::string_view defaultValue, int capacity,
                                                   const std::string& path) const {
        return read(section, key, defaultValue, capacity, path);
    }

    // The file's bytes as they are on disk, "" for a missing file; nullopt
    // when it is there and cannot be read. For telling whether a change
    // made by a command that was cut off is already in the file.
    virtual std::optional<std::string> fileBytes(const std::string& path) const = 0;

    // Whether the file is there (found as the game's file system finds it,
    // in any letter case where that is how it looks), empty or not.
    virtual bool exists(const std::string& path) const {
        const auto bytes = fileBytes(path);
        return !bytes || !bytes->empty();
    }

    // WritePrivateProfileStringA: sets key=value in the section, creating the
    // file, the section or the key as needed. Returns false when the file could
    // not be written; the file is then left exactly as it was.
    virtual bool write(std::string_view section, std::string_view key, std::string_view value,
                       const std::string& path) = 0;

    // Renames a section, as ini::renameSection does: a section already
    // named `to` takes the name `from`, so the same call undoes it. True
    // when the file is as asked (a missing file or section included); false,
    // the file left as it was, when it could not be written.
    virtual bool renameSection(std::string_view from, std::string_view to,
                               const std::string& path) = 0;

    // How many characters text (a section, key or value) takes in the file,
    // as a read's capacity counts them; nullopt when the file's code page has
    // not got one of its characters, so the game could not read it back.
    // By default, the number of UTF-8 characters.
    virtual std::optional<std::size_t> storedLength(std::string_view text) const {
        std::size_t n = 0;
        for (char c : text) {
            n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
        }
        return n;
    }
};

}  // namespace quarlo::platform
