#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/posix/file_system_posix.h"
#include "platform/posix/profile_posix.h"
#include "platform/wine/case_paths.h"
#include "tests/platform/wine/linux_env.h"
#include "tests/support/temp_dir.h"

namespace quarlo::platform::wine {
namespace {

namespace fs = std::filesystem;

TEST(SameNameIgnoringCase, LettersOfAnyScript) {
    struct Case {
        const char* a;
        const char* b;
        bool same;
    };
    const Case cases[] = {
        {"Saves", "saves", true},
        {"Oblivion.ini", "OBLIVION.INI", true},
        {"J\xC3\xBCrgen", "J\xC3\x9CRGEN", true},  // Jürgen, JÜRGEN
        {"\xD0\xAE\xD1\x80\xD0\xB8\xD0\xB9", "\xD1\x8E\xD0\xA0\xD0\x98\xD0\x99", true},  // Юрий
        {"Bob", "Bo", false},
        {"Bob", "Bobs", false},
        {"J\xC3\xBCrgen", "Jurgen", false},
        {"\xFC", "\xFC", true},   // not UTF-8: the same byte
        {"\xFC", "\xDC", false},  // not UTF-8: no case to fold
        {"", "", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sameNameIgnoringCase(c.a, c.b), c.same) << c.a << " / " << c.b;
        EXPECT_EQ(sameNameIgnoringCase(c.b, c.a), c.same) << c.b << " / " << c.a;
    }
}

// The layout the game leaves when it made the folders itself.
class GameTree : public ::testing::Test {
  protected:
    GameTree() {
        fs::create_directories(game + "/saves/Bob");
        fs::create_directories(game + "/saves/J\xC3\xBCrgen");
        test::writeBytes(game + "/Oblivion.ini", "[General]\r\nSLocalSavePath=Saves\\Bob\\\r\n");
        fs::create_directories(dir.at("Two/EXACT"));
        fs::create_directories(dir.at("Two/Exact"));
    }
    test::TempDir dir;
    const std::string game = dir.at("My Games/Oblivion");
};

TEST_F(GameTree, ResolveCaseTakesTheNamesOnDisk) {
    const std::string r = dir.str();
    struct Case {
        std::string asked;
        std::string onDisk;
    };
    const Case cases[] = {
        {r + "/my games/OBLIVION/oblivion.ini", r + "/My Games/Oblivion/Oblivion.ini"},
        {r + "/My Games/Oblivion/Saves/bob/", r + "/My Games/Oblivion/saves/Bob/"},
        {r + "/My Games/Oblivion/Saves/J\xC3\x9CRGEN",
         r + "/My Games/Oblivion/saves/J\xC3\xBCrgen"},
        // Missing levels are kept as written below the last one found.
        {r + "/My Games/Oblivion/Saves/New/Deeper", r + "/My Games/Oblivion/saves/New/Deeper"},
        {r + "/my games/oblivion/quarlo.ini", r + "/My Games/Oblivion/quarlo.ini"},
        // An exact match wins over others; otherwise the smallest by bytes.
        {r + "/Two/Exact", r + "/Two/Exact"},
        {r + "/Two/exact", r + "/Two/EXACT"},
        {r + "//My Games//Oblivion", r + "//My Games//Oblivion"},  // exists as written
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(resolveCase(c.asked), c.onDisk) << c.asked;
    }
}

TEST_F(GameTree, FileSystemUsesTheFoldersThatDifferOnlyInCase) {
    posix::PosixFileSystem files;
    EXPECT_TRUE(files.folderExists(game + "/Saves/bob"));
    EXPECT_EQ(files.folderId(game + "/Saves/BOB"), files.folderId(game + "/saves/Bob"));
    const auto listing = files.listFolder(game + "/Saves/");
    ASSERT_TRUE(listing);
    ASSERT_EQ(listing->folders.size(), 2u);
    EXPECT_EQ(listing->folders[0].name, "Bob");
    EXPECT_EQ(listing->folders[1].name, "J\xC3\xBCrgen");

    // No second folder beside one that differs in case only.
    EXPECT_FALSE(files.createFolder(game + "/Saves/BOB"));
    EXPECT_FALSE(files.createFolder(game + "/SAVES/"));
    EXPECT_TRUE(files.createFolder(game + "/Saves/Ann"));
    EXPECT_TRUE(fs::is_directory(game + "/saves/Ann"));
    EXPECT_FALSE(fs::exists(game + "/Saves"));
    EXPECT_TRUE(files.removeFolder(game + "/SAVES/ann"));
    EXPECT_FALSE(fs::exists(game + "/saves/Ann"));
    EXPECT_FALSE(files.folderExists(game + "/Saves/Ann"));
}

TEST_F(GameTree, ProfileReadsAndWritesTheFileThatDiffersOnlyInCase) {
    posix::PosixProfileFile profile;
    const std::string asked = game + "/oblivion.ini";
    EXPECT_EQ(profile.read("General", "SLocalSavePath", "ERROR.", 62, asked), "Saves\\Bob\\");
    EXPECT_TRUE(profile.write("General", "SLocalSavePath", "Saves\\Ann\\", asked));
    EXPECT_FALSE(fs::exists(asked));
    EXPECT_EQ(test::readBytes(game + "/Oblivion.ini"),
              "[General]\r\nSLocalSavePath=Saves\\Ann\\\r\n");
    // A file that is not there in any case is created as named.
    EXPECT_TRUE(profile.write("Bob", "iDifficultyLevel", "50", game + "/QUARLO.ini"));
    EXPECT_TRUE(fs::exists(game + "/QUARLO.ini"));
    EXPECT_EQ(profile.read("bob", "idifficultylevel", "x", 100, game + "/quarlo.ini"), "50");
}

}  // namespace
}  // namespace quarlo::platform::wine
