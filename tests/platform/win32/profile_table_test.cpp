#include <gtest/gtest.h>

#include "platform/ini_text.h"
#include "platform/win32/ansi.h"
#include "platform/win32/profile_win32.h"
#include "tests/platform/profile_cases.h"
#include "tests/platform/win32/wine.h"
#include "tests/support/temp_dir.h"

namespace quarlo::platform {
namespace {

namespace cases = test::profile_cases;
using win32::fromAnsi;

// Lines of a file's bytes, without their breaks.
std::vector<std::string> linesOf(const std::string& content) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : content) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    return lines;
}

TEST(ProfileTable, OwnDialectReads) {
    for (const auto& c : cases::readCases()) {
        EXPECT_EQ(
            ini::readValue(c.content.value_or(""), c.section, c.key, c.defaultValue, c.capacity),
            c.expected)
            << c.name;
    }
}

TEST(ProfileTable, WindowsApiReads) {
    test::TempDir dir;
    win32::Win32ProfileFile profile;
    int n = 0;
    for (const auto& c : cases::readCases()) {
        const std::string path = dir.at("read" + std::to_string(n++) + ".ini");
        if (c.content) {
            test::writeBytes(path, std::string(*c.content));
        }
        EXPECT_EQ(profile.read(fromAnsi(c.section), fromAnsi(c.key), fromAnsi(c.defaultValue),
                               c.capacity, path),
                  fromAnsi(c.expected))
            << c.name;
    }
}

TEST(ProfileTable, OwnDialectWrites) {
    for (const auto& c : cases::writeCases()) {
        const auto written = ini::writeValue(c.content.value_or(""), c.section, c.key, c.value);
        ASSERT_TRUE(written) << c.name;
        EXPECT_EQ(*written, c.expected) << c.name;
    }
}

// The API's bytes are checked where Windows and Wine agree with us; where Wine
// rebuilds the file, every value must still read back as in the expected file,
// and on Windows itself every line of the expected file must be there in order.
TEST(ProfileTable, WindowsApiWrites) {
    test::TempDir dir;
    win32::Win32ProfileFile profile;
    const bool wine = test::underWine();
    int n = 0;
    for (const auto& c : cases::writeCases()) {
        const std::string path = dir.at("write" + std::to_string(n++) + ".ini");
        if (c.content) {
            test::writeBytes(path, std::string(*c.content));
        }
        ASSERT_TRUE(profile.write(fromAnsi(c.section), fromAnsi(c.key), fromAnsi(c.value), path))
            << c.name;
        const std::string actual = test::readBytes(path);
        if (!c.wineRewrites || !wine) {
            EXPECT_EQ(actual, c.expected) << c.name;
            continue;
        }
        std::string section;
        for (const std::string& line : linesOf(std::string(c.expected))) {
            if (line.empty() || line[0] == ';') {
                continue;
            }
            if (line[0] == '[') {
                section = line.substr(1, line.find(']') - 1);
                continue;
            }
            const std::string key = line.substr(0, line.find('='));
            const std::string want = ini::readValue(c.expected, section, key, "<missing>", 1000);
            EXPECT_EQ(profile.read(fromAnsi(section), fromAnsi(key), "<missing>", 1000, path),
                      fromAnsi(want))
                << c.name << ": " << section << "/" << key;
        }
    }
}

TEST(ProfileTable, RefusedWritesLeaveTheFileAlone) {
    test::TempDir dir;
    win32::Win32ProfileFile profile;
    const std::string original = "[General]\r\nSLocalSavePath=Saves\\Ann\\\r\n";
    const std::string path = dir.at("game.ini");
    for (const auto& c : cases::refusedWrites()) {
        test::writeBytes(path, original);
        EXPECT_FALSE(ini::writeValue(original, c.section, c.key, c.value)) << c.name;
        EXPECT_FALSE(profile.write(c.section, c.key, c.value, path)) << c.name;
        EXPECT_EQ(test::readBytes(path), original) << c.name;
    }
}

// No profile call renames a section: the file's bytes are changed, every
// other byte kept, and what the API reads follows the new name. A missing
// file stays missing; a file of a read-only folder is left as it was.
TEST(ProfileTable, WindowsRenamesASectionInPlace) {
    test::TempDir dir;
    win32::Win32ProfileFile profile;
    const std::string path = dir.at("quarlo.ini");
    const std::string before = "; mine\r\n[Ann]\r\niDifficultyLevel=30\r\n[Bob]\r\nx=1\r\n";
    test::writeBytes(path, before);
    ASSERT_TRUE(profile.renameSection("Ann", "Anna", path));
    EXPECT_EQ(test::readBytes(path), "; mine\r\n[Anna]\r\niDifficultyLevel=30\r\n[Bob]\r\nx=1\r\n");
    EXPECT_EQ(profile.read("Anna", "iDifficultyLevel", "", 10, path), "30");
    EXPECT_EQ(profile.read("Ann", "iDifficultyLevel", "none", 10, path), "none");
    ASSERT_TRUE(profile.renameSection("Anna", "Ann", path));
    EXPECT_EQ(test::readBytes(path), before);
    EXPECT_TRUE(profile.renameSection("Ann", "Anna", dir.at("missing.ini")));
    EXPECT_FALSE(std::filesystem::exists(dir.at("missing.ini")));
    EXPECT_FALSE(profile.renameSection("Ann", "A]B", path));
    EXPECT_EQ(test::readBytes(path), before);
}

}  // namespace
}  // namespace quarlo::platform
