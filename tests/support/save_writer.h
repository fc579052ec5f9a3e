#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "saves/save_header.h"

// Writes save files as the game lays out their header, for the tests.
namespace quarlo::test {

// What a test save holds, in the layout the game writes; the defaults make
// a valid one.
struct SaveShape {
    std::string name = "J\xF6rg";  // code page 1252, as the game writes it
    // The character's creation stamp, the same in all its saves.
    saves::SystemTime created{2006, 3, 1, 20, 10, 5, 0, 0};
    std::string location = "Imperial City Market District";
    std::uint16_t level = 12;
    std::uint32_t saveNumber = 41;
    float days = 3.5f;
    std::uint32_t playMs = 7'654'321;
    saves::SystemTime saveTime{2024, 3, 2, 5, 13, 45, 30, 250};
    std::uint32_t width = 4;
    std::uint32_t height = 3;
    std::string pixels;  // width * height * 3 bytes of RGB; a pattern when empty
    std::optional<std::uint32_t> screenshotSize;  // w * h * 3 + 8 unless set
    std::optional<std::uint32_t> headerSize;      // from the save number to the pixels' end
    std::vector<std::string> plugins{"Oblivion.esm"};
    std::size_t bodyBytes = 32;  // the records, between the plugins and the form ids
    std::uint32_t formIds = 3;   // the two arrays that end the file
    std::uint32_t worldSpaces = 2;
};

// Little-endian, `bytes` long.
void putLittleEndian(std::string& out, std::uint64_t v, int bytes);

// The screenshot's RGB bytes: a pattern that differs from pixel to pixel.
std::string savePixels(const SaveShape& s);

// The whole file.
std::string saveBytes(const SaveShape& s);

// Where the screenshot's size field is: 42 fixed bytes, the two strings, the
// level and 24 bytes of days, play time and save time.
std::size_t screenshotFieldAt(const SaveShape& s);

// Where the plugin list begins: right after the screenshot's pixels.
std::size_t pluginsAt(const SaveShape& s);

// A script extender's co-save as it writes one: its version, the game's,
// and a block for each owner (0x1400 its own), each holding one chunk of
// `chunkBytes` bytes.
std::string obseBytes(std::uint16_t major, std::uint16_t minor, std::uint32_t game,
                      const std::vector<std::uint32_t>& owners, std::size_t chunkBytes = 8);

// Pluggy's co-save: its mark, its version and the plugins it names, then
// some data of its own.
std::string pluggyBytes(const std::vector<std::string>& plugins);

// A save of one of the later games, in the layout that game writes; the
// defaults make a valid Skyrim Special Edition save.
struct FamilyShape {
    games::SaveLayout layout = games::SaveLayout::skyrimSe;
    std::string name = "Lydia";  // UTF-8, as the later games write it
    std::uint32_t level = 12;
    std::string location = "Whiterun";
    std::string playTime = "003.25.07";  // Fallout 4: "0d.3h.25m.0 days.3 hours.25 minutes"
    std::string race = "NordRace";
    std::string title = "Wanderer";  // the Fallout 3 engine's karma title
    std::string language = "ENGLISH";
    std::uint32_t saveNumber = 7;
    std::uint64_t filetime = 133'520'000'000'000'000ULL;  // 2024-02-11, UTC
    std::uint32_t width = 4;
    std::uint32_t height = 3;
    // RGB bytes of the screenshot (made RGBA where the game writes that); a
    // pattern when empty.
    std::string rgb;
    std::vector<std::string> plugins{"Skyrim.esm", "Update.esm"};
    std::vector<std::string> lightPlugins{"ccBGSSSE001-Fish.esm"};
    std::uint8_t formVersion = 78;  // 68 for Fallout 4
    std::string gameVersion = "1.10.163.0";
    // Skyrim Special Edition's body: 2 for an LZ4 block, 0 for none.
    std::uint16_t compression = 2;
    // The lists' size field, where a test makes it lie.
    std::optional<std::uint32_t> pluginInfoSize;
    std::size_t bodyBytes = 64;  // after the plugin lists
};

// The whole file.
std::string familySaveBytes(const FamilyShape& s);

// `data` as an LZ4 block (raw, no frame), its repeats as matches.
std::string lz4Block(const std::string& data);

}  // namespace quarlo::test
