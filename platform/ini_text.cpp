#include "platform/ini_text.h"

#include "platform/profile_entry.h"

#include <cstddef>

namespace quarlo::platform::ini {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Space, tab, vertical tab, form feed, and ^Z, the old DOS end-of-file mark
// that the profile API also skips. Bytes above 0x7F are never blanks here:
// the file may be in any ANSI code page or in UTF-8, where 0xA0 is part of a
// longer character.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A';
}

bool isLineBreak(char c) {
    return c == '\r' || c == '\n';
}

std::string_view trim(std::string_view s) {
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && isBlank(s[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(s[end - 1])) {
        --end;
    }
    return s.substr(begin, end - begin);
}

// The profile API keeps every name as a C string, so a NUL ends it: a line
// "SLocalSavePath\0=old" is the entry SLocalSavePath. The blanks are trimmed
// from the whole name first, the cut comes after.
std::string_view upToNul(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Names match without regard to case for ASCII letters; other bytes must be
// equal, since the code page of the file is not known.
bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

enum class LineKind { blank, comment, section, entry };

// One line of the file, as offsets into the whole content so that a write can
// splice new bytes in without touching any other.
struct Line {
    std::size_t begin = 0;  // first byte of the line
    std::size_t end = 0;    // one past the last byte before the line break
    std::size_t next = 0;   // first byte of the following line
    LineKind kind = LineKind::blank;
    std::string_view name;       // section or key name, trimmed
    bool hasValue = false;       // entry lines: whether there is an '='
    std::size_t valueBegin = 0;  // entry lines with '=': the trimmed value's bytes
    std::size_t valueEnd = 0;
    std::size_t nameEnd = 0;  // entry lines: one past the trimmed name, NUL and all
};

// Splits the content into lines the way the profile API reads them: CR, LF
// and CRLF each end a line, and a UTF-8 byte-order mark at the very start is
// not part of the first line.
class LineReader {
  public:
    explicit LineReader(std::string_view content) : content_(content) {
        if (content_.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
            pos_ = kUtf8Bom.size();
        }
    }

    bool next(Line& line) {
        if (pos_ >= content_.size()) {
            return false;
        }
        line = Line{};
        line.begin = pos_;
        std::size_t end = pos_;
        while (end < content_.size() && !isLineBreak(content_[end])) {
            ++end;
        }
        line.end = end;
        if (end < content_.size()) {
            const bool crlf =
                content_[end] == '\r' && end + 1 < content_.size() && content_[end + 1] == '\n';
            end += crlf ? 2 : 1;
        }
        line.next = end;
        pos_ = end;
        classify(line);
        return true;
    }

  private:
    void classify(Line& line) const {
        const std::string_view raw = content_.substr(line.begin, line.end - line.begin);
        const std::string_view text = trim(raw);
        if (text.empty()) {
            line.kind = LineKind::blank;
            return;
        }
        const std::size_t textBegin =
            line.begin + static_cast<std::size_t>(text.data() - raw.data());
        if (text.front() == ';') {
            // Leading blanks are trimmed before this test, so an indented ';'
            // starts a comment too. A ';' later in a line is ordinary text.
            line.kind = LineKind::comment;
            return;
        }
        if (text.front() == '[') {
            // The name runs to the last ']' on the line; anything after it is
            // ignored. A '[' line without ']' is read as an entry.
            const std::size_t close = text.rfind(']');
            if (close != std::string_view::npos) {
                line.kind = LineKind::section;
                line.name = upToNul(trim(text.substr(1, close - 1)));
                return;
            }
        }
        line.kind = LineKind::entry;
        const std::size_t eq = text.find('=');
        if (eq == std::string_view::npos) {
            // A line without '=' is a key without a value: it can be the first
            // match for its name, and then the read yields the default.
            line.name = upToNul(text);
            line.nameEnd = textBegin + text.size();
            return;
        }
        const std::string_view name = trim(text.substr(0, eq));
        line.name = upToNul(name);
        line.nameEnd =
            textBegin + static_cast<std::size_t>(name.data() - text.data()) + name.size();
        line.hasValue = true;
        // The value is found on the raw line, so that the blanks after '='
        // stay where they are even when the value itself is empty.
        std::size_t valueBegin = textBegin + eq + 1;
        while (valueBegin < line.end && isBlank(content_[valueBegin])) {
            ++valueBegin;
        }
        std::size_t valueEnd = line.end;
        while (valueEnd > valueBegin && isBlank(content_[valueEnd - 1])) {
            --valueEnd;
        }
        line.valueBegin = valueBegin;
        line.valueEnd = valueEnd;
    }

    std::string_view content_;
    std::size_t pos_ = 0;
};

// Where a key lives in the content, if it does.
struct Location {
    bool sectionFound = false;
    bool keyFound = false;
    Line keyLine;
    // The end (including its line break) of the section's last non-blank line,
    // where a missing key goes; the header's own end when the section is empty.
    std::size_t sectionTail = 0;
    // That line's own line break; empty at the end of a file without one.
    std::string_view sectionTailBreak;
};

Location locate(std::string_view content, std::string_view section, std::string_view key) {
    Location where;
    LineReader reader(content);
    Line line;
    bool inSection = false;
    while (reader.next(line)) {
        if (line.kind == LineKind::section) {
            if (inSection) {
                break;  // only the first matching section counts
            }
            if (sameName(line.name, section)) {
                inSection = true;
                where.sectionFound = true;
                where.sectionTail = line.next;
                where.sectionTailBreak = content.substr(line.end, line.next - line.end);
            }
            continue;
        }
        // Lines before the first header belong to no section a name can reach.
        if (!inSection || line.kind == LineKind::blank) {
            continue;
        }
        where.sectionTail = line.next;
        where.sectionTailBreak = content.substr(line.end, line.next - line.end);
        if (line.kind == LineKind::entry && sameName(line.name, key)) {
            where.keyFound = true;
            where.keyLine = line;
            break;
        }
    }
    return where;
}

// The line ending the file already uses, so added lines look like the rest.
std::string_view lineEndingOf(std::string_view content) {
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (content[i] == '\n') {
            return "\n";
        }
        if (content[i] == '\r') {
            return (i + 1 < content.size() && content[i + 1] == '\n') ? "\r\n" : "\r";
        }
    }
    return "\r\n";
}

std::string cut(std::string_view text, int capacity) {
    if (capacity < 1) {
        return {};
    }
    // The API hands back a C string, so an embedded NUL ends the value.
    text = text.substr(0, text.find('\0'));
    return std::string(text.substr(0, static_cast<std::size_t>(capacity) - 1));
}

}  // namespace

std::string readValue(std::string_view content, std::string_view section, std::string_view key,
                      std::string_view defaultValue, int capacity) {
    // Trailing spaces of the default are dropped, as the profile API does.
    while (!defaultValue.empty() && defaultValue.back() == ' ') {
        defaultValue.remove_suffix(1);
    }
    section = trim(section);
    key = trim(key);
    if (section.empty() || key.empty()) {
        return cut(defaultValue, capacity);
    }
    const Location where = locate(content, section, key);
    if (!where.keyFound || !where.keyLine.hasValue) {
        return cut(defaultValue, capacity);
    }
    std::string_view value =
        content.substr(where.keyLine.valueBegin, where.keyLine.valueEnd - where.keyLine.valueBegin);
    // Matching quotes around the whole value go. Wine's own copy drops one
    // character too many when the unquoted value exactly fills the buffer;
    // the value is cut here after unquoting, as the buffer size promises.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return cut(value, capacity);
}

std::optional<std::string> writeValue(std::string_view content, std::string_view section,
                                      std::string_view key, std::string_view value) {
    // Anything that would add a line to the game's file, or that could not be
    // found again by a read, is refused rather than written.
    if (!isStorableProfileEntry(section, key, value)) {
        return std::nullopt;
    }
    section = trim(section);
    key = trim(key);

    const Location where = locate(content, section, key);
    std::string out;
    out.reserve(content.size() + section.size() + key.size() + value.size() + 8);

    if (where.keyFound) {
        const Line& line = where.keyLine;
        if (line.hasValue) {
            out.append(content.substr(0, line.valueBegin));
            out.append(value);
            out.append(content.substr(line.valueEnd));
        } else {
            out.append(content.substr(0, line.nameEnd));
            out.push_back('=');
            out.append(value);
            out.append(content.substr(line.nameEnd));
        }
        return out;
    }

    const std::string_view eol = lineEndingOf(content);
    if (where.sectionFound) {
        out.append(content.substr(0, where.sectionTail));
        // The new line ends as the line before it does: a file's first line
        // break need not be its only kind, and a CR added before a line that
        // is a lone LF would join the two into one CRLF, losing that line.
        std::string_view lineBreak = where.sectionTailBreak;
        if (lineBreak.empty()) {
            out.append(eol);
            lineBreak = eol;
        }
        out.append(key).append("=").append(value).append(lineBreak);
        out.append(content.substr(where.sectionTail));
        return out;
    }

    out.append(content);
    const bool onlyBom = content == kUtf8Bom;
    if (!content.empty() && !onlyBom && !isLineBreak(content.back())) {
        out.append(eol);
    }
    out.append("[").append(section).append("]").append(eol);
    out.append(key).append("=").append(value).append(eol);
    return out;
}

std::optional<std::string> renameSection(std::string_view content, std::string_view from,
                                         std::string_view to) {
    if (!isStorableProfileEntry(to, "k", "")) {
        return std::nullopt;
    }
    if (!isStorableProfileEntry(from, "k", "")) {
        return std::string(content);  // no section can bear that name
    }
    from = trim(from);
    to = trim(to);
    std::string out;
    out.reserve(content.size() + to.size());
    std::size_t copied = 0;
    LineReader reader(content);
    Line line;
    while (reader.next(line)) {
        if (line.kind != LineKind::section) {
            continue;
        }
        const std::string_view name = sameName(line.name, from) ? to
                                      : sameName(line.name, to) ? from
                                                                : std::string_view();
        if (name.data() == nullptr) {
            continue;
        }
        const auto at = static_cast<std::size_t>(line.name.data() - content.data());
        out.append(content.substr(copied, at - copied));
        out.append(name);
        copied = at + line.name.size();
    }
    out.append(content.substr(copied));
    return out;
}

Encoding encodingOf(std::string_view content) {
    if (content.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        return Encoding::utf8;
    }
    if (content.substr(0, 2) == "\xFF\xFE") {
        return Encoding::utf16le;
    }
    if (content.substr(0, 2) == "\xFE\xFF") {
        return Encoding::utf16be;
    }
    return Encoding::ansi;
}

namespace {

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void appendUnit(std::string& out, char16_t unit, bool bigEndian) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    out.push_back(bigEndian ? high : low);
    out.push_back(bigEndian ? low : high);
}

}  // namespace

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    const auto unitAt = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[2 * i]);
        const auto b = static_cast<unsigned char>(bytes[2 * i + 1]);
        return static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    };
    const std::size_t units = bytes.size() / 2;
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t unit = unitAt(i);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units && unitAt(i + 1) >= 0xDC00 &&
            unitAt(i + 1) < 0xE000) {
            const char16_t next = unitAt(++i);
            appendUtf8(out,
                       0x10000 + ((char32_t{unit} - 0xD800) << 10) + (char32_t{next} - 0xDC00));
        } else if (unit >= 0xD800 && unit < 0xE000) {
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

std::optional<std::string> utf8ToUtf16(std::string_view utf8, bool bigEndian) {
    std::string out;
    out.reserve(utf8.size() * 2);
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            length = 1;
            c = lead;
        } else if (lead >= 0xC2 && lead < 0xE0) {
            length = 2;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead < 0xF0) {
            length = 3;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead < 0xF5) {
            length = 4;
            c = lead & 0x07;
        } else {
            return std::nullopt;
        }
        if (i + length > utf8.size()) {
            return std::nullopt;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto trail = static_cast<unsigned char>(utf8[i + k]);
            if ((trail & 0xC0) != 0x80) {
                return std::nullopt;
            }
            c = (c << 6) | (trail & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are no UTF-8.
        if ((length == 3 && c < 0x800) || (length == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
            (c >= 0xD800 && c < 0xE000)) {
            return std::nullopt;
        }
        if (c >= 0x10000) {
            appendUnit(out, static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)), bigEndian);
            appendUnit(out, static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)), bigEndian);
        } else {
            appendUnit(out, static_cast<char16_t>(c), bigEndian);
        }
        i += length;
    }
    return out;
}

std::optional<std::string> renameSectionOfFile(std::string_view content, std::string_view from,
                                               std::string_view to, std::string_view ansiFrom,
                                               std::string_view ansiTo) {
    const Encoding encoding = encodingOf(content);
    if (encoding == Encoding::ansi) {
        return renameSection(content, ansiFrom, ansiTo);
    }
    if (encoding == Encoding::utf8) {
        return renameSection(content, from, to);
    }
    const bool bigEndian = encoding == Encoding::utf16be;
    const std::string text = utf16ToUtf8(content, bigEndian);
    if (utf8ToUtf16(text, bigEndian) != content) {
        return std::nullopt;
    }
    const auto renamed = renameSection(text, from, to);
    return renamed ? utf8ToUtf16(*renamed, bigEndian) : std::nullopt;
}

}  // namespace quarlo::platform::ini
