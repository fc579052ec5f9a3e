#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "saves/save_header.h"

// Writes save files as the game lays out their header, for the tests.
namespace quarlo::test {

// What a test save holds; the defaults make a valid one.
struct SaveShape {
    std::string name = "J\xF6rg";  // code page 1252, as the game writes it
    std::string location = "Imperial City Market District";
    std::uint16_t level = 12;
    std::uint32_t saveNumber = 41;
    float days = 3.5f;
    std::uint32_t playMs = 7'654'321;
    saves::SystemTime saveTime{2024, 3, 2, 5, 13, 45, 30, 250};
    std::uint32_t width = 4;
    std::uint32_t height = 3;
    std::optional<std::uint32_t> screenshotSize;  // w * h * 3 + 8 unless set
    std::size_t bodyBytes = 32;                   // what follows the screenshot
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

}  // namespace quarlo::test
