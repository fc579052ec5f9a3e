#include "tests/support/save_writer.h"

#include <algorithm>
#include <cstdint>
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

namespace quarlo::test {

namespace {

void putW(std::string& out, const std::string& s) {
    putLittleEndian(out, s.size(), 2);
    out += s;
}

// The Fallout 3 engine's string: its length and its bytes, each followed by '|'.
void putWBar(std::string& out, const std::string& s) {
    putLittleEndian(out, s.size(), 2);
    out += '|';
    out += s;
    out += '|';
}

void putU32Bar(std::string& out, std::uint32_t v) {
    putLittleEndian(out, v, 4);
    out += '|';
}

std::string pixelsOf(const FamilyShape& s, std::size_t bytesPerPixel) {
    if (!s.rgb.empty()) {
        if (bytesPerPixel == 3) {
            return s.rgb;
        }
        std::string rgba;
        for (std::size_t i = 0; i + 2 < s.rgb.size(); i += 3) {
            rgba += s.rgb.substr(i, 3);
            rgba += '\xFF';
        }
        return rgba;
    }
    std::string p(std::size_t{s.width} * s.height * bytesPerPixel, '\0');
    for (std::size_t i = 0; i < p.size(); ++i) {
        p[i] = static_cast<char>(bytesPerPixel == 4 && i % 4 == 3 ? 0xFF : i * 5 + 3);
    }
    return p;
}

void putLength(std::string& out, std::size_t n) {
    for (; n >= 255; n -= 255) {
        out.push_back(static_cast<char>(255));
    }
    out.push_back(static_cast<char>(n));
}

}  // namespace

std::string lz4Block(const std::string& data) {
    // Greedy, by the last place each four bytes were seen; the last five
    // bytes always literals, and no match starting in the last twelve.
    std::string out;
    std::size_t literalsFrom = 0;
    std::size_t at = 0;
    std::vector<std::size_t> seen(1 << 12, SIZE_MAX);
    const auto hash = [&](std::size_t i) {
        std::uint32_t v = 0;
        std::memcpy(&v, data.data() + i, 4);
        return (v * 2654435761u) >> 20;
    };
    const auto sequence = [&](std::size_t literalsEnd, std::size_t offset, std::size_t match) {
        const std::size_t literals = literalsEnd - literalsFrom;
        const std::size_t m = match == 0 ? 0 : match - 4;
        out.push_back(static_cast<char>((std::min<std::size_t>(literals, 15) << 4) |
                                        std::min<std::size_t>(m, 15)));
        if (literals >= 15) {
            putLength(out, literals - 15);
        }
        out.append(data, literalsFrom, literals);
        if (match != 0) {
            putLittleEndian(out, offset, 2);
            if (m >= 15) {
                putLength(out, m - 15);
            }
        }
    };
    while (data.size() >= 13 && at + 12 < data.size()) {
        const std::size_t h = hash(at);
        const std::size_t before = seen[h];
        seen[h] = at;
        if (before != SIZE_MAX && at - before <= 65535 &&
            std::memcmp(data.data() + before, data.data() + at, 4) == 0) {
            std::size_t match = 4;
            while (at + match + 5 < data.size() && data[before + match] == data[at + match]) {
                ++match;
            }
            sequence(at, at - before, match);
            at += match;
            literalsFrom = at;
        } else {
            ++at;
        }
    }
    sequence(data.size(), 0, 0);
    return out;
}

std::string familySaveBytes(const FamilyShape& s) {
    using games::SaveLayout;
    std::string lists;
    const bool bars = s.layout == SaveLayout::fallout3 || s.layout == SaveLayout::falloutNv;
    putLittleEndian(lists, s.plugins.size(), 1);
    if (bars) {
        lists += '|';
    }
    for (const std::string& p : s.plugins) {
        bars ? putWBar(lists, p) : putW(lists, p);
    }
    const bool light = (s.layout == SaveLayout::skyrimSe && s.formVersion >= 78) ||
                       (s.layout == SaveLayout::fallout4 && s.formVersion >= 68);
    if (light) {
        putLittleEndian(lists, s.lightPlugins.size(), 2);
        for (const std::string& p : s.lightPlugins) {
            putW(lists, p);
        }
    }
    const std::uint32_t listSize =
        s.pluginInfoSize.value_or(static_cast<std::uint32_t>(lists.size()));
    const std::string body(s.bodyBytes, 'r');
    std::string out;
    if (bars) {
        std::string fields;
        putU32Bar(fields, 48);  // the header's version
        if (s.layout == SaveLayout::falloutNv) {
            std::string language = s.language;
            language.resize(64, '\0');
            fields += language + "|";
        }
        putU32Bar(fields, s.width);
        putU32Bar(fields, s.height);
        putU32Bar(fields, s.saveNumber);
        putWBar(fields, s.name);
        putWBar(fields, s.title);
        putU32Bar(fields, s.level);
        putWBar(fields, s.location);
        putWBar(fields, s.playTime);
        out = "FO3SAVEGAME";
        putLittleEndian(out, fields.size(), 4);
        out += fields + pixelsOf(s, 3);
        putLittleEndian(out, 0x30, 1);  // form version
        putLittleEndian(out, listSize, 4);
        return out + lists + body;
    }
    const bool fallout4 = s.layout == SaveLayout::fallout4;
    const bool special = s.layout == SaveLayout::skyrimSe;
    std::string fields;
    putLittleEndian(fields, fallout4 ? 11 : special ? 12 : 9, 4);
    putLittleEndian(fields, s.saveNumber, 4);
    putW(fields, s.name);
    putLittleEndian(fields, s.level, 4);
    putW(fields, s.location);
    putW(fields, s.playTime);
    putW(fields, s.race);
    putLittleEndian(fields, 1, 2);           // sex
    putLittleEndian(fields, 0x42C80000, 4);  // experience: 100.0
    putLittleEndian(fields, 0x43480000, 4);  // needed: 200.0
    putLittleEndian(fields, s.filetime, 8);
    putLittleEndian(fields, s.width, 4);
    putLittleEndian(fields, s.height, 4);
    if (special) {
        putLittleEndian(fields, s.compression, 2);
    }
    out = fallout4 ? "FO4_SAVEGAME" : "TESV_SAVEGAME";
    putLittleEndian(out, fields.size(), 4);
    out += fields + pixelsOf(s, special || fallout4 ? 4 : 3);
    std::string after;
    putLittleEndian(after, s.formVersion, 1);
    if (fallout4) {
        putW(after, s.gameVersion);
    }
    putLittleEndian(after, listSize, 4);
    after += lists + body;
    if (special && s.compression == 2) {
        const std::string block = lz4Block(after);
        putLittleEndian(out, after.size(), 4);
        putLittleEndian(out, block.size(), 4);
        return out + block;
    }
    return out + after;
}

}  // namespace quarlo::test
