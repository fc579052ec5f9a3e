#pragma once

#include <optional>
#include <string>
#include <string_view>

// The profile-file dialect of the Windows profile API, on a file's bytes.
// Content is treated as bytes throughout: the game's file is in a Windows ANSI
// code page, and every byte we do not mean to change must survive.
namespace quarlo::platform::ini {

// The value of `key` in `section`, or `defaultValue` when either is missing;
// the result is cut to capacity - 1 characters (nothing for a capacity below 1).
std::string readValue(std::string_view content, std::string_view section, std::string_view key,
                      std::string_view defaultValue, int capacity);

// The content with key=value set in section: the first matching key's line
// gets the new value, a missing key goes to the end of its section, a missing
// section to the end of the file. Every other byte stays as it was.
// nullopt when the write is refused (a name or value holding CR or LF).
std::optional<std::string> writeValue(std::string_view content, std::string_view section,
                                      std::string_view key, std::string_view value);

}  // namespace quarlo::platform::ini
