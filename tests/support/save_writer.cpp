#include "tests/support/save_writer.h"

#include <cstring>

namespace quarlo::test {

namespace {

void putText(std::string& out, const std::string& s) {
    putLittleEndian(out, s.size() + 1, 1);
    out += s;
    out.push_back('\0');
}

void putTime(std::string& out, const saves::SystemTime& t) {
    for (std::uint16_t f :
         {t.year, t.month, t.dayOfWeek, t.day, t.hour, t.minute, t.second, t.milliseconds}) {
        putLittleEndian(out, f, 2);
    }
}

}  // namespace

void putLittleEndian(std::string& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

std::string savePixels(const SaveShape& s) {
    if (!s.pixels.empty()) {
        return s.pixels;
    }
    std::string rgb(std::size_t{s.width} * s.height * 3, '\0');
    for (std::size_t i = 0; i < rgb.size(); ++i) {
        rgb[i] = static_cast<char>(i * 7 + 1);
    }
    return rgb;
}

std::string saveBytes(const SaveShape& s) {
    std::string fields;  // from the save number to the screenshot's pixels
    putLittleEndian(fields, s.saveNumber, 4);
    putText(fields, s.name);
    putLittleEndian(fields, s.level, 2);
    putText(fields, s.location);
    std::uint32_t days = 0;
    std::memcpy(&days, &s.days, 4);
    putLittleEndian(fields, days, 4);
    putLittleEndian(fields, s.playMs, 4);
    putTime(fields, s.saveTime);
    putLittleEndian(fields, s.screenshotSize.value_or(s.width * s.height * 3 + 8), 4);
    putLittleEndian(fields, s.width, 4);
    putLittleEndian(fields, s.height, 4);
    const std::string rgb = savePixels(s);

    std::string out = "TES4SAVEGAME";
    putLittleEndian(out, 0, 1);
    putLittleEndian(out, 125, 1);
    putTime(out, s.created);
    putLittleEndian(out, 125, 4);
    putLittleEndian(out, s.headerSize.value_or(fields.size() + rgb.size()), 4);
    out += fields + rgb;
    putLittleEndian(out, s.plugins.size(), 1);
    for (const std::string& plugin : s.plugins) {
        putLittleEndian(out, plugin.size(), 1);
        out += plugin;
    }
    const std::size_t formIdsAt = out.size() + 16 + s.bodyBytes;
    for (const std::uint64_t field : {std::uint64_t{formIdsAt}, std::uint64_t{7},
                                      std::uint64_t{0xFF000800}, std::uint64_t{0x3C}}) {
        putLittleEndian(out, field, 4);
    }
    out += std::string(s.bodyBytes, 'b');
    for (const std::uint32_t count : {s.formIds, s.worldSpaces}) {
        putLittleEndian(out, count, 4);
        for (std::uint32_t i = 0; i < count; ++i) {
            putLittleEndian(out, 0x01000800 + i, 4);
        }
    }
    return out;
}

std::size_t screenshotFieldAt(const SaveShape& s) {
    return 42 + (s.name.size() + 2) + 2 + (s.location.size() + 2) + 24;
}

}  // namespace quarlo::test

namespace quarlo::test {

std::size_t pluginsAt(const SaveShape& s) {
    return screenshotFieldAt(s) + 12 + std::size_t{s.width} * s.height * 3;
}

std::string obseBytes(std::uint16_t major, std::uint16_t minor, std::uint32_t game,
                      const std::vector<std::uint32_t>& owners, std::size_t chunkBytes) {
    std::string out = "OBSE";
    putLittleEndian(out, 1, 4);
    putLittleEndian(out, major, 2);
    putLittleEndian(out, minor, 2);
    putLittleEndian(out, game, 4);
    putLittleEndian(out, owners.size(), 4);
    for (const std::uint32_t owner : owners) {
        putLittleEndian(out, owner, 4);
        putLittleEndian(out, 1, 4);  // one chunk
        putLittleEndian(out, 12 + chunkBytes, 4);
        out += "ATAD";
        putLittleEndian(out, 0, 4);
        putLittleEndian(out, chunkBytes, 4);
        out += std::string(chunkBytes, 'c');
    }
    return out;
}

std::string pluggyBytes(const std::vector<std::string>& plugins) {
    std::string out = "PluggySave";
    out += std::string("\x01\x00\x05\x01\x00", 5);
    putLittleEndian(out, plugins.size(), 4);
    for (std::size_t i = 0; i < plugins.size(); ++i) {
        out += static_cast<char>(i);
        out += static_cast<char>(i);
        putLittleEndian(out, plugins[i].size(), 4);
        out += plugins[i];
    }
    return out + std::string(16, '\0');  // Pluggy's own data
}

}  // namespace quarlo::test
