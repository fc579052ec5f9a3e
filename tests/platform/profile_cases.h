#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One table of profile-file behaviours for every implementation: our own
// dialect on bytes and the Windows profile API (run under Wine in CI). A read
// that differs between them is a bug in ours, since on Linux the game reads
// its settings through Wine.
//
// Contents, names and results are the file's bytes (Windows-1252 where they
// leave ASCII); a runner that speaks UTF-8 converts them at its boundary.
namespace quarlo::test::profile_cases {

struct ReadCase {
    const char* name;
    std::optional<std::string_view> content;  // nullopt: there is no file
    std::string_view section;
    std::string_view key;
    std::string_view defaultValue;
    int capacity;
    std::string_view expected;
};

inline const std::vector<ReadCase>& readCases() {
    using namespace std::string_view_literals;
    static const std::vector<ReadCase> cases = {
        {"missing file gives the default", std::nullopt, "General", "SLocalSavePath", "ERROR.", 62,
         "ERROR."},
        {"missing section gives the default cut to capacity", "[Other]\r\nk=v\r\n", "General",
         "SLocalSavePath", "ERROR.", 3, "ER"},
        {"missing key gives the default", "[General]\r\nk=v\r\n", "General", "SLocalSavePath",
         "ERROR.", 62, "ERROR."},
        {"plain value", "[General]\r\nSLocalSavePath=Saves\\Bob\\\r\n", "General", "SLocalSavePath",
         "ERROR.", 62, "Saves\\Bob\\"},
        {"names match without regard to case", "[GENERAL]\r\nslocalsavepath=x\r\n", "General",
         "SLocalSavePath", "d", 62, "x"},
        {"value cut to capacity - 1", "[G]\r\nk=0123456789\r\n", "G", "k", "d", 5, "0123"},
        {"capacity 1 gives nothing", "[G]\r\nk=0123456789\r\n", "G", "k", "d", 1, ""},
        {"blanks around '=' and at the line ends are not part of names or value",
         "  [G]  \r\n  iSize W  =  1024  \r\n", "G", "iSize W", "d", 100, "1024"},
        {"empty value is a value, not the default", "[G]\r\nk=\r\n", "G", "k", "d", 100, ""},
        {"first of two equal keys wins", "[G]\r\nk=first\r\nk=second\r\n", "G", "k", "d", 100,
         "first"},
        {"later section of another name is not searched", "[G]\r\na=1\r\n[H]\r\nk=h\r\n", "G", "k",
         "d", 100, "d"},
        {"';' line is a comment", "[G]\r\n;k=hidden\r\n", "G", "k", "d", 100, "d"},
        {"';' inside a value is text", "[G]\r\nk=a;b\r\n", "G", "k", "d", 100, "a;b"},
        {"double quotes around a value are dropped", "[G]\r\nk=\"quoted\"\r\n", "G", "k", "d", 100,
         "quoted"},
        {"a lone quote stays", "[G]\r\nk=\"open\r\n", "G", "k", "d", 100, "\"open"},
        {"LF line ends", "[G]\na=1\nk=v\n", "G", "k", "d", 100, "v"},
        {"no line break after the last line", "[G]\r\nk=v", "G", "k", "d", 100, "v"},
        {"'=' inside the value", "[G]\r\nk=a=b\r\n", "G", "k", "d", 100, "a=b"},
        {"key without '=' gives the default", "[G]\r\nk\r\n", "G", "k", "d", 100, "d"},
        {"Windows-1252 byte in a value", "[Fonts]\r\nSFontFile_1=Caf\xE9.fnt\r\n", "Fonts",
         "SFontFile_1", "d", 100, "Caf\xE9.fnt"},
        {"Windows-1252 byte in a section name", "[Caf\xE9]\r\nk=v\r\n", "Caf\xE9", "k", "d", 100,
         "v"},
        // Wine agrees; whether Windows folds letters beyond ASCII is not checked.
        {"Windows-1252 case is not folded", "[G]\r\n\xC9t\xE9=v\r\n", "G", "\xE9t\xE9", "d", 100,
         "d"},
        {"section names with blanks inside", "[My Section]\r\nk=v\r\n", "My Section", "k", "d", 100,
         "v"},
        {"blank lines inside a section", "[G]\r\n\r\n\r\nk=v\r\n", "G", "k", "d", 100, "v"},
        {"only the first of two equal sections is searched", "[G]\r\na=1\r\n[G]\r\nk=2\r\n", "G",
         "k", "d", 100, "d"},
        {"single quotes around a value are dropped", "[G]\r\nk='quoted'\r\n", "G", "k", "d", 100,
         "quoted"},
        {"blanks inside the brackets are not part of the name", "[ G ]\r\nk=v\r\n", "G", "k", "d",
         100, "v"},
        {"text after the closing bracket is ignored", "[G] ; the game\r\nk=v\r\n", "G", "k", "d",
         100, "v"},
        {"UTF-8 byte-order mark before the first section", "\xEF\xBB\xBF[G]\r\nk=v\r\n", "G", "k",
         "d", 100, "v"},
        {"trailing blanks of the default are dropped", "[G]\r\n", "G", "k", "d  ", 100, "d"},
        {"CR alone ends a line", "[G]\ra=1\rk=v\r", "G", "k", "d", 100, "v"},
    };
    return cases;
}

struct WriteCase {
    const char* name;
    std::optional<std::string_view> content;  // nullopt: there is no file
    std::string_view section;
    std::string_view key;
    std::string_view value;
    // The file afterwards, byte for byte, in our own dialect. The Windows API
    // writes the same lines; Wine differs where `wineRewrites` says so.
    std::string_view expected;
    // Wine rebuilds the whole file from what it parsed on every write: "k = v"
    // becomes "k=v", blank lines go, and it may add an empty line before a new
    // section. The values read back the same; the bytes are Wine's own.
    bool wineRewrites;
};

inline const std::vector<WriteCase>& writeCases() {
    static const std::vector<WriteCase> cases = {
        {"missing file is created with the section and key", std::nullopt, "Bob",
         "iDifficultyLevel", "50", "[Bob]\r\niDifficultyLevel=50\r\n", false},
        {"existing key's value replaced in place",
         "[General]\r\nSStartingCell=\r\nSLocalSavePath=Saves\\Ann\\\r\nuGridDistantCount=25\r\n",
         "General", "SLocalSavePath", "Saves\\Bob\\",
         "[General]\r\nSStartingCell=\r\nSLocalSavePath=Saves\\Bob\\\r\nuGridDistantCount=25\r\n",
         false},
        {"hand spacing kept around the new value", "[Audio]\r\nfDefaultMasterVolume = 1.0000\r\n",
         "Audio", "fDefaultMasterVolume", "0.5", "[Audio]\r\nfDefaultMasterVolume = 0.5\r\n", true},
        {"missing key appended at the end of its section",
         "[GamePlay]\r\nbSaveOnWait=1\r\n[Fonts]\r\nSFontFile_1=a.fnt\r\n", "GamePlay",
         "iDifficultyLevel", "70",
         "[GamePlay]\r\nbSaveOnWait=1\r\niDifficultyLevel=70\r\n[Fonts]\r\nSFontFile_1=a.fnt\r\n",
         false},
        {"missing section appended at the end of the file", "[General]\r\na=1\r\n", "Display",
         "SScreenShotBaseName", "ScreenShot",
         "[General]\r\na=1\r\n[Display]\r\nSScreenShotBaseName=ScreenShot\r\n", false},
        {"last line without a break gets one before the new key", "[G]\r\nk=1", "G", "x", "2",
         "[G]\r\nk=1\r\nx=2\r\n", false},
        // Wine drops the blank line between the sections.
        {"new key goes before the blank line that ends its section",
         "[G]\r\nk=1\r\n\r\n[H]\r\nz=1\r\n", "G", "x", "2",
         "[G]\r\nk=1\r\nx=2\r\n\r\n[H]\r\nz=1\r\n", true},
        // Wine writes every line ending as CRLF.
        {"LF line ends kept, and used for new lines", "[G]\nk=1\n", "G", "x", "2",
         "[G]\nk=1\nx=2\n", true},
        {"comments and blank lines kept", "; game settings\r\n\r\n[G]\r\n; note\r\nk=1\r\n", "G",
         "k", "2", "; game settings\r\n\r\n[G]\r\n; note\r\nk=2\r\n", true},
        {"only the first of two equal keys changes", "[G]\r\nk=1\r\nk=2\r\n", "G", "k", "3",
         "[G]\r\nk=3\r\nk=2\r\n", false},
        {"Windows-1252 bytes elsewhere survive",
         "[Fonts]\r\nSFontFile_1=Caf\xE9.fnt\r\n[G]\r\nk=1\r\n", "G", "k", "2",
         "[Fonts]\r\nSFontFile_1=Caf\xE9.fnt\r\n[G]\r\nk=2\r\n", false},
        {"key matched without regard to case keeps its spelling",
         "[GENERAL]\r\nslocalsavepath=a\r\n", "General", "SLocalSavePath", "b",
         "[GENERAL]\r\nslocalsavepath=b\r\n", false},
    };
    return cases;
}

// Writes that every implementation refuses, leaving the file as it was: each
// would add a line, or a name that reads back as something else.
struct RefusedWrite {
    const char* name;
    std::string_view section;
    std::string_view key;
    std::string_view value;
};

inline const std::vector<RefusedWrite>& refusedWrites() {
    using namespace std::string_view_literals;
    static const std::vector<RefusedWrite> cases = {
        {"LF in a value", "General", "SLocalSavePath", "Saves\\x\\\n[Evil]"},
        {"CR in a value", "General", "SLocalSavePath", "a\rb"},
        {"CRLF in a section", "Bob\r\n[General]", "k", "v"},
        {"LF in a key", "G", "k\nx", "v"},
        {"NUL in a value", "G", "k", "a\0b"sv},
        {"']' in a section", "a]b", "k", "v"},
        {"'=' in a key", "G", "a=b", "v"},
        {"key that starts a comment", "G", ";k", "v"},
        {"empty section", "", "k", "v"},
        {"empty key", "G", "", "v"},
    };
    return cases;
}

}  // namespace quarlo::test::profile_cases
