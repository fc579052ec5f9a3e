#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/posix/file_system_posix.h"
#include "tests/support/temp_dir.h"

namespace quarlo::platform::posix {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

Strings folderNames(const FolderListing& listing) {
    Strings names;
    for (const Subfolder& f : listing.folders) {
        names.push_back(f.name);
    }
    return names;
}

TEST(LessByNameIgnoringCase, OrdersAsTheGameLists) {
    struct Case {
        const char* a;
        const char* b;
        bool less;
    };
    for (const Case& c : {
             Case{"apple", "Banana", true},
             Case{"Banana", "apple", false},
             Case{"ab", "ABC", true},  // a prefix first
             Case{"B", "b", true},     // equal but for case: raw bytes decide
             Case{"b", "B", false},
             Case{"same", "same", false},
             Case{"z", "\xC9t\xE9", true},  // bytes above 0x7F after ASCII
             Case{"_x", "ax", false},       // '_' sorts after letters, as on NTFS
             Case{"Saves", "_old", true},
             Case{"[x]", "a", false},
             Case{"1", "a", true},
         }) {
        EXPECT_EQ(lessByNameIgnoringCase(c.a, c.b), c.less) << c.a << " < " << c.b;
    }
}

TEST(PosixFileSystem, ListsFilesAndFoldersApartSortedIgnoringCase) {
    test::TempDir dir;
    for (const char* folder : {"bob", "Ann", "carl", "Bea"}) {
        fs::create_directory(dir.at(folder));
    }
    for (const char* file : {"b.ess", "A.ess", "c.ess", "B2.ess"}) {
        test::writeBytes(dir.at(file), "x");
    }
    fs::create_symlink(dir.at("Ann"), dir.at("link-to-folder"));
    fs::create_symlink(dir.at("A.ess"), dir.at("link-to-file"));
    fs::create_symlink(dir.at("gone"), dir.at("dangling"));

    PosixFileSystem service;
    const auto listing = service.listFolder(dir.str());
    ASSERT_TRUE(listing.has_value());
    EXPECT_EQ(folderNames(*listing), (Strings{"Ann", "Bea", "bob", "carl", "link-to-folder"}));
    EXPECT_EQ(listing->files,
              (Strings{"A.ess", "b.ess", "B2.ess", "c.ess", "dangling", "link-to-file"}));
    // A link to a folder carries the folder's identity, so a walk can tell it.
    EXPECT_EQ(listing->folders.front().id, listing->folders.back().id);
    EXPECT_EQ(service.folderId(dir.at("Ann")), listing->folders.front().id);

    EXPECT_FALSE(service.listFolder(dir.at("missing")).has_value());
    EXPECT_FALSE(service.listFolder(dir.at("A.ess")).has_value());
    EXPECT_TRUE(service.listFolder(dir.at("carl")).has_value());
    EXPECT_TRUE(service.listFolder(dir.at("carl"))->files.empty());
}

TEST(PosixFileSystem, FolderExistsOnlyForFolders) {
    test::TempDir dir;
    fs::create_directory(dir.at("Saves"));
    test::writeBytes(dir.at("oblivion.ini"), "");
    fs::create_symlink(dir.at("Saves"), dir.at("linked"));
    PosixFileSystem service;
    struct Case {
        std::string path;
        bool exists;
    };
    for (const Case& c : {
             Case{dir.str(), true},
             Case{dir.at("Saves"), true},
             Case{dir.at("Saves") + "/", true},
             Case{dir.at("linked"), true},
             Case{dir.at("oblivion.ini"), false},
             Case{dir.at("missing"), false},
             Case{"", false},
         }) {
        EXPECT_EQ(service.folderExists(c.path), c.exists) << c.path;
        EXPECT_EQ(service.folderId(c.path).has_value(), c.exists) << c.path;
    }
}

TEST(PosixFileSystem, CreateFolderMakesOneLevelOnce) {
    test::TempDir dir;
    test::writeBytes(dir.at("file"), "");
    PosixFileSystem service;
    EXPECT_TRUE(service.createFolder(dir.at("Bob")));
    EXPECT_TRUE(fs::is_directory(dir.at("Bob")));
    EXPECT_FALSE(service.createFolder(dir.at("Bob"))) << "an existing folder";
    EXPECT_FALSE(service.createFolder(dir.at("file"))) << "a file in the way";
    EXPECT_FALSE(service.createFolder(dir.at("a/b"))) << "a missing parent";
    EXPECT_FALSE(fs::exists(dir.at("a")));
    EXPECT_FALSE(service.createFolder(""));
}

}  // namespace
}  // namespace quarlo::platform::posix
