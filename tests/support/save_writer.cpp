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
    putTime(out, saves::SystemTime{2006, 3, 1, 20, 10, 5, 0, 0});
    putLittleEndian(out, 0x7E, 4);
    putLittleEndian(out, fields.size() + rgb.size(), 4);
    return out + fields + rgb + std::string(s.bodyBytes, 'b');
}

std::size_t screenshotFieldAt(const SaveShape& s) {
    return 42 + (s.name.size() + 2) + 2 + (s.location.size() + 2) + 24;
}

}  // namespace quarlo::test
