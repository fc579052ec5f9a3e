#include "platform/wine/registry_file.h"

#include <cstdint>
#include <vector>

#include "platform/wine/case_paths.h"
#include "platform/wine/utf8.h"

namespace quarlo::platform::wine {

namespace {

// Bytes RegQueryValueExA may store, the terminating NUL included.
constexpr std::size_t kQueryBuffer = 255;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// A string as Wine writes it into a registry file, from just after its
// opening quote or bracket to the unescaped `end`: backslash escapes for C
// controls, \xNNNN (one to four hex digits) for a UTF-16 unit, \NNN octal,
// and a backslash before any other character for that character. Yields the
// UTF-16 units; `text` is left just past `end` (nullopt when `end` is missing).
std::optional<std::u16string> unescape(std::string_view& text, char end) {
    std::u16string units;
    std::size_t i = 0;
    while (i < text.size() && text[i] != end) {
        const char c = text[i];
        if (c != '\\') {
            // Wine writes only ASCII; a hand-edited file may hold UTF-8.
            std::size_t at = i;
            const auto decoded = utf8::next(text, at);
            const char32_t cp = decoded ? *decoded : static_cast<unsigned char>(c);
            i = decoded ? at : i + 1;
            if (cp >= 0x10000) {
                units += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
                units += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            } else {
                units += static_cast<char16_t>(cp);
            }
            continue;
        }
        if (++i >= text.size()) {
            break;
        }
        const char e = text[i++];
        switch (e) {
            case 'a':
                units += u'\a';
                break;
            case 'b':
                units += u'\b';
                break;
            case 'e':
                units += u'\x1B';
                break;
            case 'f':
                units += u'\f';
                break;
            case 'n':
                units += u'\n';
                break;
            case 'r':
                units += u'\r';
                break;
            case 't':
                units += u'\t';
                break;
            case 'v':
                units += u'\v';
                break;
            case 'x': {
                unsigned value = 0;
                int digits = 0;
                for (; digits < 4 && i < text.size() && hexDigit(text[i]) >= 0; ++digits, ++i) {
                    value = value * 16 + static_cast<unsigned>(hexDigit(text[i]));
                }
                units += digits == 0 ? u'x' : static_cast<char16_t>(value);
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    unsigned value = static_cast<unsigned>(e - '0');
                    for (int digits = 1;
                         digits < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7';
                         ++digits, ++i) {
                        value = value * 8 + static_cast<unsigned>(text[i] - '0');
                    }
                    units += static_cast<char16_t>(value);
                } else {
                    units += static_cast<char16_t>(static_cast<unsigned char>(e));
                }
        }
    }
    if (i >= text.size()) {
        return std::nullopt;
    }
    text.remove_prefix(i + 1);
    return units;
}

std::string toUtf8(const std::u16string& units) {
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        utf8::append(out, c);
    }
    return out;
}

std::vector<std::string_view> splitKey(std::string_view key) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= key.size()) {
        const std::size_t cut = key.find('\\', start);
        const std::size_t end = cut == std::string_view::npos ? key.size() : cut;
        parts.push_back(key.substr(start, end - start));
        start = end + 1;
    }
    while (!parts.empty() && parts.back().empty()) {
        parts.pop_back();
    }
    return parts;
}

bool sameKey(std::string_view fileKey, const std::vector<std::string_view>& wanted) {
    const auto parts = splitKey(fileKey);
    if (parts.size() != wanted.size()) {
        return false;
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!sameNameIgnoringCase(parts[i], wanted[i])) {
            return false;
        }
    }
    return true;
}

std::string_view skipBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    return s;
}

// The data after "name"= on a value line.
std::string valueText(std::string_view data) {
    std::string_view rest = data;
    for (std::string_view tag : {"\"", "str:\"", "str(2):\""}) {
        if (rest.starts_with(tag)) {
            rest.remove_prefix(tag.size());
            const auto units = unescape(rest, '"');
            // The A query stores one byte per character plus the NUL.
            if (!units || units->size() + 1 > kQueryBuffer) {
                return {};
            }
            return toUtf8(*units);
        }
    }
    if (rest.starts_with("dword:")) {
        rest.remove_prefix(6);
        std::uint32_t value = 0;
        for (; !rest.empty() && hexDigit(rest.front()) >= 0; rest.remove_prefix(1)) {
            value = value * 16 + static_cast<std::uint32_t>(hexDigit(rest.front()));
        }
        return std::to_string(static_cast<std::int32_t>(value));
    }
    return {};  // lists and binary data
}

}  // namespace

std::optional<std::string> readWineRegistryValue(std::string_view regFile, std::string_view key,
                                                 std::string_view valueName) {
    const auto wanted = splitKey(key);
    bool inKey = false;
    while (!regFile.empty()) {
        const std::size_t eol = regFile.find('\n');
        std::string_view line = regFile.substr(0, eol);
        regFile.remove_prefix(eol == std::string_view::npos ? regFile.size() : eol + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        line = skipBlanks(line);
        if (line.empty()) {
            continue;
        }
        if (line.front() == '[') {
            line.remove_prefix(1);
            const auto name = unescape(line, ']');
            inKey = name && sameKey(toUtf8(*name), wanted);
            continue;
        }
        if (!inKey || (line.front() != '"' && line.front() != '@')) {
            continue;
        }
        std::string name;
        if (line.front() == '@') {
            line.remove_prefix(1);
        } else {
            line.remove_prefix(1);
            const auto units = unescape(line, '"');
            if (!units) {
                continue;
            }
            name = toUtf8(*units);
        }
        line = skipBlanks(line);
        if (line.empty() || line.front() != '=') {
            continue;
        }
        if (sameNameIgnoringCase(name, valueName)) {
            return valueText(skipBlanks(line.substr(1)));
        }
    }
    return std::nullopt;
}

}  // namespace quarlo::platform::wine
