#include "catalogue/create_directory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/posix/file_system_posix.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/temp_dir.h"

namespace quarlo::catalogue {
namespace {

using Strings = std::vector<std::string>;

TEST(CreateNewDirectory, TriesEveryLevelFromTheTopDown) {
    struct Case {
        const char* path;
        Strings attempts;
    };
    const Case cases[] = {
        {"D:\\Docs\\My Games\\Oblivion\\Saves\\Bob",
         {"D:\\", "D:\\Docs\\", "D:\\Docs\\My Games\\", "D:\\Docs\\My Games\\Oblivion\\",
          "D:\\Docs\\My Games\\Oblivion\\Saves\\", "D:\\Docs\\My Games\\Oblivion\\Saves\\Bob\\"}},
        {"C:\\A\\", {"C:\\", "C:\\A\\"}},
        {"Bob", {"Bob\\"}},
        {"", {"\\"}},
    };
    for (const Case& c : cases) {
        test::FakeFileSystem service;
        CreateNewDirectory(service, c.path);
        EXPECT_EQ(service.created, c.attempts) << c.path;
    }
}

TEST(CreateNewDirectory, OnDiskOnlyTheSeparatorMakesLevels) {
    test::TempDir dir;
    platform::posix::PosixFileSystem service;
    struct Case {
        std::string typed;
        const char* expectFolder;
    };
    for (const Case& c : {Case{"/Saves/x/y/", "Saves/x/y"},
                          Case{"/Saves/Jürgen der Große", "Saves/Jürgen der Große"},
                          Case{"/a\\b/Saves/Bob", "a\\b/Saves/Bob"}}) {
        CreateNewDirectory(service, dir.str() + c.typed);
        EXPECT_TRUE(std::filesystem::is_directory(dir.at(c.expectFolder))) << c.typed;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.at("a")));
}

TEST(CreateNewDirectory, ExistingFoldersAndAFileInTheWayChangeNothingElse) {
    test::TempDir dir;
    platform::posix::PosixFileSystem service;
    std::filesystem::create_directories(dir.at("Saves/Bob"));
    test::writeBytes(dir.at("Saves/Bob/save1.ess"), "data");
    test::writeBytes(dir.at("Saves/Blocked"), "a file");
    CreateNewDirectory(service, dir.at("Saves/Bob"));
    CreateNewDirectory(service, dir.at("Saves/Blocked/Inner"));
    EXPECT_EQ(test::readBytes(dir.at("Saves/Bob/save1.ess")), "data");
    EXPECT_EQ(test::readBytes(dir.at("Saves/Blocked")), "a file");
    EXPECT_FALSE(std::filesystem::exists(dir.at("Saves/Blocked/Inner")));
}

TEST(CreateNewDirectory, NewFoldersFollowTheUmask) {
    test::TempDir dir;
    platform::posix::PosixFileSystem service;
    const mode_t old = ::umask(027);
    CreateNewDirectory(service, dir.at("Saves/Ann"));
    ::umask(old);
    struct stat st {};
    ASSERT_EQ(::stat(dir.at("Saves/Ann").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0750u);
}

}  // namespace
}  // namespace quarlo::catalogue
