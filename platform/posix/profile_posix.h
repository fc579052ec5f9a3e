#pragma once

#include <memory>

#include "platform/profile.h"
#include "platform/wine/code_page.h"

namespace quarlo::platform::posix {

// Profile files on disk. A file whose name differs only in letter case from
// the one asked for ("Oblivion.ini" for "oblivion.ini") is the same file to
// the game under Wine, and is the one read and written.
class PosixProfileFile : public ProfileFile {
  public:
    // Names and values pass as bytes, unconverted.
    PosixProfileFile() = default;
    // Names and values are UTF-8 on our side and in this Windows code page in
    // the file, as the game reads it (see CodePage). Reads cut to the capacity
    // in code-page characters before converting, as the A API counts them.
    // As under Wine, a file that begins with a UTF-8 byte-order mark is read
    // and written in UTF-8, and one with a UTF-16 mark in UTF-16 of its byte
    // order (see ini::encodingOf); the code page still decides what may be
    // written, since the game reads every value through it.
    explicit PosixProfileFile(int codePage)
        : codePage_(std::make_unique<wine::CodePage>(codePage)) {}

    std::string read(std::string_view section, std::string_view key, std::string_view defaultValue,
                     int capacity, const std::string& path) const override;
    bool write(std::string_view section, std::string_view key, std::string_view value,
               const std::string& path) override;
    std::optional<std::string> readChecked(std::string_view section, std::string_view key,
                                           std::string_view defaultValue, int capacity,
                                           const std::string& path) const override;
    std::optional<std::string> fileBytes(const std::string& path) const override;
    bool exists(const std::string& path) const override;
    bool renameSection(std::string_view from, std::string_view to,
                       const std::string& path) override;
    std::optional<std::size_t> storedLength(std::string_view text) const override;

  private:
    // The value as read does it, or, `checked`, nullopt for a file that is
    // there and cannot be read.
    std::optional<std::string> readValueOf(std::string_view section, std::string_view key,
                                           std::string_view defaultValue, int capacity,
                                           const std::string& path, bool checked) const;

    std::unique_ptr<wine::CodePage> codePage_;
};

}  // namespace quarlo::platform::posix
