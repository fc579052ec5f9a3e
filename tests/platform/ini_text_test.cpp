#include "platform/ini_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace quarlo::platform::ini {
namespace {

using namespace std::string_literals;

struct ReadCase {
    const char* what;
    std::string content;
    std::string section;
    std::string key;
    std::string defaultValue;
    int capacity;
    std::string expected;
};

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

TEST(ReadValue, FollowsTheProfileDialect) {
    const std::vector<ReadCase> cases = {
        {"plain entry", "[A]\r\nk=v\r\n", "A", "k", "d", 100, "v"},
        {"names ignore case", "[general]\nSLOCALSAVEPATH=x\n", "General", "sLocalSavePath", "d",
         100, "x"},
        {"blanks around names and value", "  [ A ]  \n \t k \t=  v v \t\n", "A", "k", "d", 100,
         "v v"},
        {"blanks around the requested names", "[A]\nk=v\n", "  A ", " k\t", "d", 100, "v"},
        {"inner blanks of a name count", "[My Char]\nk=v\n", "MyChar", "k", "d", 100, "d"},
        {"double quotes go", "[A]\nk=\"v w\"\n", "A", "k", "d", 100, "v w"},
        {"single quotes go", "[A]\nk='v'\n", "A", "k", "d", 100, "v"},
        {"quotes keep inner blanks", "[A]\nk=\" v \"\n", "A", "k", "d", 100, " v "},
        {"empty quotes", "[A]\nk=\"\"\n", "A", "k", "d", 100, ""},
        {"mismatched quotes stay", "[A]\nk=\"v'\n", "A", "k", "d", 100, "\"v'"},
        {"a lone quote stays", "[A]\nk=\"\n", "A", "k", "d", 100, "\""},
        {"quotes inside stay", "[A]\nk=a\"b\"\n", "A", "k", "d", 100, "a\"b\""},
        {"quoted value is cut after unquoting", "[A]\nk=\"abc\"\n", "A", "k", "d", 4, "abc"},
        {"comment line is skipped", "[A]\n;k=c\nk=v\n", "A", "k", "d", 100, "v"},
        {"indented comment is skipped", "[A]\n  ;k=c\nk=v\n", "A", "k", "d", 100, "v"},
        {"only a leading ; is a comment", "[A]\nk=v ; note\n", "A", "k", "d", 100, "v ; note"},
        {"first matching key wins", "[A]\nk=1\nK=2\n", "A", "k", "d", 100, "1"},
        {"first matching section wins", "[A]\nk=1\n[a]\nk=2\n", "A", "k", "d", 100, "1"},
        {"later duplicate section is not searched", "[A]\nx=1\n[A]\nk=2\n", "A", "k", "d", 100,
         "d"},
        {"key line without = gives the default", "[A]\nk\nk=2\n", "A", "k", "d", 100, "d"},
        {"line without = is no other key", "[A]\nkx\nk=2\n", "A", "k", "d", 100, "2"},
        {"key before any section is unreachable", "k=1\n[A]\n", "A", "k", "d", 100, "d"},
        {"empty value is a value", "[A]\nk=\n", "A", "k", "d", 100, ""},
        {"value holds =", "[A]\nk=a=b\n", "A", "k", "d", 100, "a=b"},
        {"text after the header is ignored", "[A] ; note\nk=v\n", "A", "k", "d", 100, "v"},
        {"header runs to the last ]", "[A]x]\nk=v\n", "A]x", "k", "d", 100, "v"},
        {"header without ] is no section", "[A\nk=v\n", "A", "k", "d", 100, "d"},
        {"CR alone ends a line", "[A]\rk=v\rj=w", "A", "j", "d", 100, "w"},
        {"mixed line endings", "[A]\r\nk=v\nj=w\rm=x", "A", "m", "d", 100, "x"},
        {"byte-order mark is skipped", "\xEF\xBB\xBF[A]\nk=v\n", "A", "k", "d", 100, "v"},
        {"byte-order mark elsewhere is text", "x\n\xEF\xBB\xBF[A]\nk=v\n", "A", "k", "d", 100, "d"},
        {"bytes above 0x7F come through",
         "[Fonts]\r\nSFontFile_5=Data\\Fonts\\Fr\xE9\x64\xE9ric.fnt\r\n", "Fonts", "SFontFile_5",
         "d", 100, "Data\\Fonts\\Fr\xE9\x64\xE9ric.fnt"},
        {"non-ASCII names match byte for byte", "[\xC9t\xE9]\nk=v\n", "\xC9t\xE9", "k", "d", 100,
         "v"},
        {"DOS end-of-file mark is a blank", "[A]\nk=v\x1A", "A", "k", "d", 100, "v"},
        {"NUL ends the value", "[A]\nk=a\0b\n"s, "A", "k", "d", 100, "a"},
        {"NUL ends a key name", "[A]\r\nk\0=old\r\n"s, "A", "k", "d", 100, "old"},
        {"NUL ends a key name without =", "[A]\nk\0x\nk=2\n"s, "A", "k", "d", 100, "d"},
        {"NUL ends a section name", "[A\0x]\nk=v\n"s, "A", "k", "d", 100, "v"},
        {"blanks before a NUL stay in the name", "[A]\nk \0=v\n"s, "A", "k", "d", 100, "d"},
        {"missing section", "[A]\nk=v\n", "B", "k", "default", 100, "default"},
        {"missing key", "[A]\nk=v\n", "A", "j", "default", 100, "default"},
        {"empty file", "", "A", "k", "default", 100, "default"},
        {"empty section name", "[]\nk=v\n", "", "k", "d", 100, "d"},
        {"empty key name", "[A]\n=v\n", "A", "", "d", 100, "d"},
        {"value cut to capacity - 1", "[A]\nk=abcdef\n", "A", "k", "d", 4, "abc"},
        {"value that just fits", "[A]\nk=abcdef\n", "A", "k", "d", 7, "abcdef"},
        {"capacity 1 gives nothing", "[A]\nk=abcdef\n", "A", "k", "d", 1, ""},
        {"capacity 0 gives nothing", "[A]\nk=abcdef\n", "A", "k", "d", 0, ""},
        {"negative capacity gives nothing", "[A]\nk=abcdef\n", "A", "k", "d", -5, ""},
        {"default is cut the same way", "[A]\n", "B", "k", "ERROR.", 3, "ER"},
        {"default loses trailing spaces", "", "A", "k", "one two  ", 100, "one two"},
        {"active save read of 62", "[General]\nSLocalSavePath=" + std::string(70, 'x') + "\n",
         "General", "SLocalSavePath", "ERROR.", 62, std::string(61, 'x')},
    };
    for (const ReadCase& c : cases) {
        EXPECT_EQ(readValue(c.content, c.section, c.key, c.defaultValue, c.capacity), c.expected)
            << c.what;
    }
}

struct WriteCase {
    const char* what;
    std::string content;
    std::string section;
    std::string key;
    std::string value;
    std::optional<std::string> expected;  // nullopt: refused
};

TEST(WriteValue, ChangesOnlyWhatItMust) {
    const std::vector<WriteCase> cases = {
        {"value replaced in place", "[A]\r\nk=old\r\nx=1\r\n", "A", "k", "new",
         "[A]\r\nk=new\r\nx=1\r\n"},
        {"spacing around = kept", "[A]\nk  =  old \t\n", "A", "k", "new", "[A]\nk  =  new \t\n"},
        {"blanks after an empty value kept", "[A]\nk = \n", "A", "k", "new", "[A]\nk = new\n"},
        {"empty value written", "[A]\nk=old\n", "A", "k", "", "[A]\nk=\n"},
        {"file's spelling of names kept", "[general]\nSLOCALSAVEPATH=a\n", "General",
         "SLocalSavePath", "b", "[general]\nSLOCALSAVEPATH=b\n"},
        {"only the first of duplicated keys", "[A]\nk=1\nk=2\n", "A", "k", "9", "[A]\nk=9\nk=2\n"},
        {"key line without = gets one", "[A]\n  k  \ny=1\n", "A", "k", "v", "[A]\n  k=v  \ny=1\n"},
        {"quoted old value replaced whole", "[A]\nk=\"old\"\n", "A", "k", "new", "[A]\nk=new\n"},
        {"same value gives the same bytes", "[A]\r\nk = v\r\n", "A", "k", "v", "[A]\r\nk = v\r\n"},
        {"missing key after the section's last line", "[A]\nx=1\n\n[B]\ny=2\n", "A", "k", "v",
         "[A]\nx=1\nk=v\n\n[B]\ny=2\n"},
        {"missing key after a closing comment", "[A]\nx=1\n; c\n\n[B]\n", "A", "k", "v",
         "[A]\nx=1\n; c\nk=v\n\n[B]\n"},
        {"missing key in an empty section", "[A]\n\n[B]\n", "A", "k", "v", "[A]\nk=v\n\n[B]\n"},
        {"missing key at an end without line break", "[A]\nx=1", "A", "k", "v", "[A]\nx=1\nk=v\n"},
        {"lone header without line break", "[A]", "A", "k", "v", "[A]\r\nk=v\r\n"},
        {"missing key goes to the first matching section", "[A]\nx=1\n[B]\n[a]\nk=1\n", "A", "k",
         "2", "[A]\nx=1\nk=2\n[B]\n[a]\nk=1\n"},
        {"key before any section is not the one", "k=1\n[A]\n", "A", "k", "2", "k=1\n[A]\nk=2\n"},
        {"commented key is not the one", "[A]\n;k=1\n", "A", "k", "2", "[A]\n;k=1\nk=2\n"},
        {"header with blanks inside matches", "[ A ]\nk=1\n", "A", "k", "2", "[ A ]\nk=2\n"},
        {"missing section at the end", "[A]\nx=1\n", "B", "k", "v", "[A]\nx=1\n[B]\nk=v\n"},
        {"missing section after a line without break", "[A]\nx=1", "B", "k", "v",
         "[A]\nx=1\n[B]\nk=v\n"},
        {"new file uses CRLF", "", "B", "k", "v", "[B]\r\nk=v\r\n"},
        {"CRLF file gets CRLF", "[A]\r\nx=1\r\n", "B", "k", "v", "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        {"CR file gets CR", "[A]\rx=1\r", "A", "k", "v", "[A]\rx=1\rk=v\r"},
        {"first line ending decides", "[A]\nx=1\r\n", "B", "k", "v", "[A]\nx=1\r\n[B]\nk=v\n"},
        {"section name written trimmed", "", " B ", " k ", "v", "[B]\r\nk=v\r\n"},
        {"byte-order mark kept", "\xEF\xBB\xBF[A]\r\nk=1\r\n", "A", "k", "2",
         "\xEF\xBB\xBF[A]\r\nk=2\r\n"},
        {"byte-order mark alone", "\xEF\xBB\xBF", "A", "k", "v", "\xEF\xBB\xBF[A]\r\nk=v\r\n"},
        {"high bytes elsewhere untouched", "[F]\r\nf=Fr\xE9\x64\r\n[G]\r\nk=1\r\n", "G", "k",
         "\xFF", "[F]\r\nf=Fr\xE9\x64\r\n[G]\r\nk=\xFF\r\n"},
        {"name cut by NUL is the line that changes", "[General]\r\nSLocalSavePath\0=old\r\n"s,
         "General", "SLocalSavePath", "new", "[General]\r\nSLocalSavePath\0=new\r\n"s},
        {"key line without = cut by NUL gets one", "[A]\nk\0x\n"s, "A", "k", "v", "[A]\nk\0x=v\n"s},
        {"added line takes the break of the line before it", "[G]\rk=1\n\n[H]\r", "G", "x", "2",
         "[G]\rk=1\nx=2\n\n[H]\r"},
        {"added line after a header with its own break", "[A]\r\n\n[B]\n", "A", "k", "v",
         "[A]\r\nk=v\r\n\n[B]\n"},
        {"CR in value refused", "[A]\nk=1\n", "A", "k", "a\rb", std::nullopt},
        {"LF in value refused", "[A]\nk=1\n", "A", "k", "a\n[B]", std::nullopt},
        {"CR in key refused", "[A]\n", "A", "k\r", "v", std::nullopt},
        {"LF in section refused", "[A]\n", "A\nB", "k", "v", std::nullopt},
        {"NUL refused", "[A]\n", "A", "k", "a\0b"s, std::nullopt},
        {"empty section refused", "[A]\n", "", "k", "v", std::nullopt},
        {"blank section refused", "[A]\n", "  ", "k", "v", std::nullopt},
        {"empty key refused", "[A]\n", "A", "", "v", std::nullopt},
        {"section with ] refused", "[A]\n", "A]B", "k", "v", std::nullopt},
        {"key with = refused", "[A]\n", "A", "k=x", "v", std::nullopt},
        {"key that would be a comment refused", "[A]\n", "A", ";k", "v", std::nullopt},
        {"key that could be a header refused", "[A]\n", "A", "[k]", "v", std::nullopt},
    };
    for (const WriteCase& c : cases) {
        EXPECT_EQ(writeValue(c.content, c.section, c.key, c.value), c.expected) << c.what;
    }
}

// A rename swaps the two names, so the same call puts it back; only the
// names inside the brackets change.
TEST(RenameSection, ChangesOnlyTheHeadersNames) {
    struct Case {
        const char* what;
        std::string content, from, to;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"header renamed, rest kept", "; c\r\n[Ann]\r\nk=1\r\n[Bob]\r\n", "Ann", "Anna",
         "; c\r\n[Anna]\r\nk=1\r\n[Bob]\r\n"},
        {"blanks and text after ] kept", "[ ann ] x\nk=1\n", "Ann", "Cara", "[ Cara ] x\nk=1\n"},
        {"a section of the new name takes the old", "[Ann]\nk=1\n[cara]\nk=2\n", "Ann", "Cara",
         "[Cara]\nk=1\n[Ann]\nk=2\n"},
        {"letter case alone: every such header", "[ann]\n[ANN]\n", "ann", "Ann", "[Ann]\n[Ann]\n"},
        {"no such section: the same bytes", "[Bob]\n", "Ann", "Cara", "[Bob]\n"},
        {"a key named like it is no header", "[Bob]\nAnn=1\n", "Ann", "Cara", "[Bob]\nAnn=1\n"},
        {"byte-order mark kept", "\xEF\xBB\xBF[Ann]\n", "Ann", "B", "\xEF\xBB\xBF[B]\n"},
        {"a name with ] refused", "[Ann]\n", "Ann", "A]B", std::nullopt},
        {"an old name no section can bear: as it was", "[Ann]\n", "A]B", "Ann", "[Ann]\n"},
        {"a line break refused", "[Ann]\n", "Ann", "A\nB", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto renamed = renameSection(c.content, c.from, c.to);
        EXPECT_EQ(renamed, c.expected) << c.what;
        // Back as it was, the names as a read matches them.
        if (renamed && !sameNameIgnoringCase(c.from, c.to)) {
            EXPECT_TRUE(sameNameIgnoringCase(*renameSection(*renamed, c.from, c.to), c.content))
                << c.what;
        }
    }
    // A UTF-16 file in its own byte order; the code page's names for an
    // ANSI one.
    const std::string utf16 = *utf8ToUtf16("\xEF\xBB\xBF[J\xC3\xB6rg]\r\n", false);
    EXPECT_EQ(renameSectionOfFile(utf16, "J\xC3\xB6rg", "Ann", "J\xF6rg", "Ann"),
              utf8ToUtf16("\xEF\xBB\xBF[Ann]\r\n", false));
    EXPECT_EQ(renameSectionOfFile("[J\xF6rg]\r\n", "J\xC3\xB6rg", "Ann", "J\xF6rg", "Ann"),
              "[Ann]\r\n");
}

TEST(Utf16, ConvertsOnlyWhatComesBackTheSame) {
    struct Case {
        const char* what;
        std::string utf16le;              // without a mark
        std::optional<std::string> utf8;  // nullopt: not UTF-16 that converts back
    };
    const std::vector<Case> cases = {
        {"ASCII and Latin-1", "k\0=\0\xE9\0"s, "k=\xC3\xA9"},
        {"NUL is kept", "a\0\0\0b\0"s, "a\0b"s},
        {"surrogate pair", "\x3D\xD8\x00\xDE"s, "\xF0\x9F\x98\x80"},
        {"lone high surrogate", "\x3D\xD8k\0"s, std::nullopt},
        {"lone low surrogate", "\x00\xDE"s, std::nullopt},
        {"odd last byte", "k\0x"s, std::nullopt},
    };
    for (const Case& c : cases) {
        for (const bool big : {false, true}) {
            std::string bytes = c.utf16le;
            if (big) {
                for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
                    std::swap(bytes[i], bytes[i + 1]);
                }
            }
            const std::string text = utf16ToUtf8(bytes, big);
            if (c.utf8) {
                EXPECT_EQ(text, *c.utf8) << c.what;
            }
            EXPECT_EQ(utf8ToUtf16(text, big) == bytes, c.utf8.has_value()) << c.what << big;
        }
    }
    for (const std::string bad :
         {"\x80"s, "\xC0\xAF"s, "\xED\xA0\x80"s, "\xE9t\xE9"s, "\xF4\x90\x80\x80"s, "\xE2\x82"s}) {
        EXPECT_EQ(utf8ToUtf16(bad, false), std::nullopt) << bad;
    }
    EXPECT_EQ(encodingOf("\xEF\xBB\xBF[A]"), Encoding::utf8);
    EXPECT_EQ(encodingOf("\xFF\xFE["), Encoding::utf16le);
    EXPECT_EQ(encodingOf("\xFE\xFF\0["s), Encoding::utf16be);
    EXPECT_EQ(encodingOf("\xFF"), Encoding::ansi);
    EXPECT_EQ(encodingOf(""), Encoding::ansi);
}

// Random files in the dialect the game and other tools write: after any write
// the written key reads back, every other key reads as before, and the bytes
// that changed lie inside one line (or are whole new lines).
class RandomProfile {
  public:
    explicit RandomProfile(std::uint32_t seed) : rng_(seed) {}

    struct File {
        std::string content;
        std::vector<std::pair<std::string, std::string>> names;  // section, key
    };

    File make() {
        File f;
        const char* endings[] = {"\r\n", "\n", "\r"};
        const std::string fileEol = endings[pick(3)];
        const bool mixed = pick(4) == 0;  // hand-edited files mix line breaks
        std::string eol = fileEol;
        const auto nextEol = [&]() -> const std::string& {
            if (mixed) {
                eol = endings[pick(3)];
            }
            return eol;
        };
        if (pick(10) == 0) {
            f.content += "\xEF\xBB\xBF";
        }
        const int sections = 1 + pick(5);
        for (int s = 0; s < sections; ++s) {
            const std::string section = name();
            f.content +=
                blanks() + "[" + blanks() + section + blanks() + "]" + blanks() + nextEol();
            const int lines = pick(8);
            for (int l = 0; l < lines; ++l) {
                switch (pick(6)) {
                    case 0:
                        f.content += blanks() + nextEol();
                        break;
                    case 1:
                        f.content += blanks() + ";" + text() + nextEol();
                        break;
                    default: {
                        const std::string key = name();
                        f.content += blanks() + key + blanks() + "=" + blanks() + text() +
                                     blanks() + nextEol();
                        f.names.emplace_back(section, key);
                    }
                }
            }
            f.names.emplace_back(section, name());  // often missing
        }
        f.names.emplace_back(name(), name());  // a section that is probably missing
        if (pick(4) == 0 && !f.content.empty()) {
            f.content.resize(f.content.size() - eol.size());  // no break after the last line
        }
        return f;
    }

    // A value that reads back as written: no blanks at either end and no
    // enclosing quotes.
    std::string value() { return text(); }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  private:
    std::string blanks() {
        static const char* choices[] = {"", "", "", " ", "  ", "\t", " \t "};
        return choices[pick(7)];
    }
    // Names from a small pool, in mixed case, so that duplicates and
    // case-insensitive matches happen often.
    std::string name() {
        static const char* pool[] = {"General", "Display",   "Saves", "k",
                                     "iSize W", "\xC9t\xE9", "a_b",   "SLocalSavePath"};
        std::string n = pool[pick(8)];
        for (char& c : n) {
            if (c >= 'a' && c <= 'z' && pick(4) == 0) {
                c = static_cast<char>(c - 'a' + 'A');
            }
        }
        return n;
    }
    std::string text() {
        static const std::string alphabet = "abcXYZ019=;\"' \\.\xE9\xFF\x80";
        std::string t;
        const int n = pick(12);
        for (int i = 0; i < n; ++i) {
            t += alphabet[static_cast<std::size_t>(pick(static_cast<int>(alphabet.size())))];
        }
        while (!t.empty() && t.back() == ' ') {
            t.pop_back();
        }
        while (!t.empty() && t.front() == ' ') {
            t.erase(0, 1);
        }
        if (t.size() >= 2 && (t.front() == '"' || t.front() == '\'')) {
            t.insert(0, "x");
        }
        return t;
    }

    std::mt19937 rng_;
};

// The lines of a file as the profile API splits them, each with its break.
std::vector<std::string> linesOf(const std::string& content) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < content.size()) {
        std::size_t end = content.find_first_of("\r\n", begin);
        if (end == std::string::npos) {
            end = content.size();
        } else {
            end += (content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n')
                       ? 2
                       : 1;
        }
        lines.push_back(content.substr(begin, end - begin));
        begin = end;
    }
    return lines;
}

TEST(WriteValue, RandomFilesRoundTrip) {
    RandomProfile gen(20240611);
    constexpr int kCapacity = 1000;
    for (int round = 0; round < 400; ++round) {
        const RandomProfile::File file = gen.make();
        const auto& target =
            file.names[static_cast<std::size_t>(gen.pick(static_cast<int>(file.names.size())))];
        const std::string value = gen.value();
        SCOPED_TRACE("round " + std::to_string(round) + ", [" + target.first + "] " +
                     target.second + "\n" + file.content);

        const std::optional<std::string> out =
            writeValue(file.content, target.first, target.second, value);
        ASSERT_TRUE(out.has_value());
        EXPECT_EQ(readValue(*out, target.first, target.second, "<none>", kCapacity), value);

        // Every other name reads as before (names differ only by ASCII case
        // when they are the same entry).
        auto sameEntry = [&](const std::pair<std::string, std::string>& n) {
            auto lower = [](std::string s) {
                for (char& c : s) {
                    if (c >= 'A' && c <= 'Z') {
                        c = static_cast<char>(c - 'A' + 'a');
                    }
                }
                return s;
            };
            return lower(n.first) == lower(target.first) && lower(n.second) == lower(target.second);
        };
        for (const auto& n : file.names) {
            if (sameEntry(n)) {
                continue;
            }
            EXPECT_EQ(readValue(*out, n.first, n.second, "<none>", kCapacity),
                      readValue(file.content, n.first, n.second, "<none>", kCapacity))
                << "[" << n.first << "] " << n.second;
        }

        // What changed is one stretch; on the old side it holds no line break,
        // so every other line is byte for byte what it was.
        const std::string& in = file.content;
        std::size_t prefix = 0;
        while (prefix < in.size() && prefix < out->size() && in[prefix] == (*out)[prefix]) {
            ++prefix;
        }
        std::size_t suffix = 0;
        while (suffix < in.size() - prefix && suffix < out->size() - prefix &&
               in[in.size() - 1 - suffix] == (*out)[out->size() - 1 - suffix]) {
            ++suffix;
        }
        const std::string removed = in.substr(prefix, in.size() - prefix - suffix);
        EXPECT_EQ(removed.find_first_of("\r\n"), std::string::npos) << "removed: " << removed;

        // Line by line, with each line's own break: the old lines are all
        // there, in order, but for at most one changed line, and at most the
        // new section's header and the new key were added.
        const std::vector<std::string> before = linesOf(in);
        const std::vector<std::string> after = linesOf(*out);
        std::size_t head = 0;
        while (head < before.size() && head < after.size() && before[head] == after[head]) {
            ++head;
        }
        std::size_t tail = 0;
        while (tail < before.size() - head && tail < after.size() - head &&
               before[before.size() - 1 - tail] == after[after.size() - 1 - tail]) {
            ++tail;
        }
        EXPECT_LE(before.size() - head - tail, 1u) << "lines changed";
        EXPECT_LE(after.size() - head - tail, 3u) << "lines added";
    }
}

}  // namespace
}  // namespace quarlo::platform::ini
