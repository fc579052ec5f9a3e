#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "games/games.h"

namespace quarlo::platform {
class OpenedFile;
class SaveFiles;
}  // namespace quarlo::platform

namespace quarlo::saves {

// A Windows SYSTEMTIME as the game stores it.
struct SystemTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t dayOfWeek = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;
    friend bool operator==(const SystemTime&, const SystemTime&) = default;
};

// Milliseconds since 1970-01-01 00:00 of the same clock, for sorting; fields
// out of range (a damaged save) still give a number, only a meaningless one.
std::int64_t millisecondsSince1970(const SystemTime& t);
// The other way: the time of day and the date of such a number.
SystemTime systemTimeOf(std::int64_t ms);

// The fields before the screenshot, and where the screenshot is. Text is the
// raw bytes the game wrote, in the ANSI code page of the player's system,
// without the closing NUL: the caller converts it as it converts the profile
// files.
struct SaveHeader {
    std::uint8_t majorVersion = 0;
    std::uint8_t minorVersion = 0;
    // The same in every save of one character, over years of play, and
    // different between characters: when the character was made. Never the
    // time of the save.
    SystemTime characterStamp;
    std::uint32_t headerVersion = 0;
    // Bytes from the save number to the end of the screenshot.
    std::uint32_t headerSize = 0;
    std::uint32_t saveNumber = 0;
    std::string playerName;
    std::uint16_t playerLevel = 0;
    std::string location;  // the cell's name
    float daysPassed = 0;
    std::uint32_t playTimeMs = 0;
    SystemTime saveTime;  // local time
    std::uint32_t screenshotWidth = 0;
    std::uint32_t screenshotHeight = 0;
    std::uint64_t screenshotOffset = 0;  // of the first pixel in the file
    // The plugins the save was made with, in load order: file names as the
    // game wrote them (the ANSI code page). Read by readSave, not parseHeader.
    std::vector<std::string> plugins;
    // The light plugins after them (the later games).
    std::vector<std::string> lightPlugins;

    // What tells this character from others in every save of it: Oblivion's
    // creation stamp; for the later games the character's id in the save's
    // file name, or its name and race (listSaves fills it in there).
    std::uint64_t characterKey = 0;
    // Whether the header holds the time it was saved: the Fallout 3 engine
    // keeps none, and the file's time stands for it.
    bool timed = true;
    // How the game wrote its text: the later games in UTF-8, the older in
    // the ANSI code page; Skyrim (2011) its location in the code page and
    // the rest in UTF-8.
    bool textUtf8 = false;
    bool locationUtf8 = false;
    std::uint8_t bytesPerPixel = 3;  // 4 for RGBA
    std::string race;                // "NordRace"; "" where the game keeps none
    std::string title;               // the karma title of the Fallout 3 engine
    std::string gameVersion;         // "1.10.163.0" (Fallout 4)
};

enum class Unreadable {
    none,
    cannotRead,              // not a regular file, or opening or reading it failed
    notASave,                // wrong magic
    cutShort,                // ends before a field, a string or the screenshot
    screenshotSizeMismatch,  // its size field disagrees with width and height
    screenshotTooLarge,      // wider or higher than the game ever writes
    damagedHeader,           // the header's size disagrees with its fields, or the plugin
                             // list runs past the end of the file
    otherGame,               // a save of another game of the family
};

// A short sentence for the user, e.g. "Cut short.".
const char* describe(Unreadable reason);

// The largest screenshot side accepted; nothing larger is ever allocated.
inline constexpr std::uint32_t maxScreenshotSide = 2048;

// Enough of the file's start for every field before the screenshot pixels,
// which take at most 592 bytes (336 fixed, two strings of up to 256), with
// room to spare.
inline constexpr std::size_t headerReadSize = 1024;

struct HeaderResult {
    std::optional<SaveHeader> header;
    Unreadable reason = Unreadable::none;  // none exactly when header is set
};

// Parses the header at the start of `bytes`. `fileSize`, where known, is the
// whole file's size: a file that ends inside its screenshot is cut short even
// when the bytes given hold every field.
HeaderResult parseHeader(std::string_view bytes, std::optional<std::uint64_t> fileSize = {});

// The whole check of a save without reading it whole: the header page; the
// plugin list and the fields after the screenshot; the two form-id counts
// there; then whether the file reaches the end of the form-id arrays, where
// every save the game writes ends.
HeaderResult readSave(platform::OpenedFile& file);
// The same for a save held in memory.
HeaderResult parseSave(std::string_view bytes);

// The save of any game of the family, by its layout: the header, then the
// plugin lists (for Skyrim Special Edition from the start of the LZ4 block
// that holds them), each length checked against the file.
HeaderResult readSave(platform::OpenedFile& file, games::SaveLayout layout);
HeaderResult parseSave(std::string_view bytes, games::SaveLayout layout);

// Reads and checks a save's header (readSave), nothing more.
HeaderResult readHeader(const platform::SaveFiles& files, const std::string& path,
                        games::SaveLayout layout = games::SaveLayout::oblivion);

struct Screenshot {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::string rgb;  // width * height * 3 bytes, top row first, no padding (RGBA made RGB)
};

// The screenshot no wider than maxWidth, each pixel the average of those it
// covers; one that fits is returned as it is. Fallout 4's 640-wide shots
// would otherwise crowd the list out of its window.
Screenshot fitWidth(Screenshot shot, std::uint32_t maxWidth);

struct ScreenshotResult {
    std::optional<Screenshot> screenshot;
    Unreadable reason = Unreadable::none;
};

// The screenshot of one save, read when the save is selected: the header
// again, then only the pixels (at most 2048 x 2048 x 3 bytes).
ScreenshotResult readScreenshot(const platform::SaveFiles& files, const std::string& path,
                                games::SaveLayout layout = games::SaveLayout::oblivion);

// The layout a save's first bytes name, whatever game its folder is of:
// none for bytes that are no save of the family.
games::SaveLayout layoutOf(std::string_view firstBytes);

}  // namespace quarlo::saves
