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

// The content with the sections named `from` named `to` and those named `to`
// named `from`, names matched as a read matches them: the two swap, so that
// nothing is lost and the same call puts them back. Where the two names
// differ only in letter case, every such section is named `to`. Every other
// byte stays as it was; so does all of it when `from` could not be a
// section's name. nullopt when `to` could not be.
std::optional<std::string> renameSection(std::string_view content, std::string_view from,
                                         std::string_view to);

// How the profile API takes a file's bytes, from its first bytes alone: a
// UTF-8 byte-order mark makes it UTF-8, then FF FE UTF-16 little endian and
// FE FF UTF-16 big endian; anything else, an empty file included, is in the
// ANSI code page. A write keeps the encoding the file came in; a new file is
// ANSI.
enum class Encoding { ansi, utf8, utf16le, utf16be };
Encoding encodingOf(std::string_view content);

// UTF-16 bytes (byte-order mark and all) as UTF-8, the mark becoming the
// UTF-8 one, which the dialect above skips. An unpaired surrogate reads as
// U+FFFD and an odd last byte is dropped: such content does not convert back
// to the same bytes, which a writer must check.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian);

// UTF-8 as UTF-16 bytes; nullopt when the text is not valid UTF-8.
std::optional<std::string> utf8ToUtf16(std::string_view utf8, bool bigEndian);

// renameSection on a whole file's bytes in the encoding they came in: the
// names as UTF-8 for a Unicode file, in the code page (`ansiFrom`, `ansiTo`)
// for an ANSI one. A UTF-16 file is changed only when every other byte
// survives the round trip.
std::optional<std::string> renameSectionOfFile(std::string_view content, std::string_view from,
                                               std::string_view to, std::string_view ansiFrom,
                                               std::string_view ansiTo);

}  // namespace quarlo::platform::ini
