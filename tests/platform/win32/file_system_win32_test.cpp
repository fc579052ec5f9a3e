#include "platform/win32/file_system_win32.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "catalogue/create_directory.h"
#include "catalogue/path_log.h"
#include "platform/win32/win32_api.h"
#include "tests/support/temp_dir.h"

namespace quarlo::platform::win32 {
namespace {

using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

class Win32FileSystemTest : public ::testing::Test {
  protected:
    test::TempDir dir;
    Win32FileSystem service;
    std::string root() const { return dir.str(); }
    void folder(const std::string& rel) { fs::create_directories(dir.path() / rel); }
    void file(const std::string& rel) { test::writeBytes(dir.at(rel), "x"); }
    Strings folderNames(const FolderListing& l) const {
        Strings out;
        for (const auto& f : l.folders) {
            out.push_back(f.name);
        }
        return out;
    }
};

TEST_F(Win32FileSystemTest, ListsSubfoldersAndFilesSortedWithoutDotEntries) {
    for (const char* f : {"Saves\\bob", "Saves\\Ann", "Saves\\carl", "Saves\\_old", "Saves\\Zed"}) {
        folder(f);
    }
    file("Saves\\b.ess");
    file("Saves\\A.ess");
    const auto listing = service.listFolder(dir.at("Saves"));
    ASSERT_TRUE(listing);
    // As NTFS lists them: upper-case order puts '_' after the letters.
    EXPECT_EQ(folderNames(*listing), (Strings{"Ann", "bob", "carl", "Zed", "_old"}));
    EXPECT_EQ(listing->files, (Strings{"A.ess", "b.ess"}));
    // With or without the closing backslash.
    const auto again = service.listFolder(dir.at("Saves") + "\\");
    ASSERT_TRUE(again);
    EXPECT_EQ(folderNames(*again), folderNames(*listing));
}

TEST_F(Win32FileSystemTest, FolderExistsOnlyForFolders) {
    folder("Saves");
    file("oblivion.ini");
    struct Case {
        std::string path;
        bool exists;
    };
    for (const Case& c :
         {Case{root(), true}, Case{dir.at("Saves"), true}, Case{dir.at("Saves") + "\\", true},
          Case{dir.at("oblivion.ini"), false}, Case{dir.at("missing"), false}, Case{"", false}}) {
        EXPECT_EQ(service.folderExists(c.path), c.exists) << c.path;
    }
    EXPECT_FALSE(service.listFolder(dir.at("missing")));
    EXPECT_FALSE(service.listFolder(dir.at("oblivion.ini")));
}

TEST_F(Win32FileSystemTest, FolderIdsTellFoldersApartAndAgreeOnTheSameOne) {
    folder("a");
    folder("b");
    const auto a = service.folderId(dir.at("a"));
    const auto a2 = service.folderId(dir.at("a") + "\\");
    const auto b = service.folderId(dir.at("b"));
    ASSERT_TRUE(a && a2 && b);
    EXPECT_EQ(*a, *a2);
    EXPECT_FALSE(*a == *b);
    const auto listing = service.listFolder(root());
    ASSERT_TRUE(listing);
    ASSERT_EQ(listing->folders.size(), 2u);
    EXPECT_EQ(listing->folders[0].id, *a);
}

// The game's names come through the ANSI code page: Windows-1252 letters are
// fine, and a character the code page lacks is refused rather than replaced.
TEST_F(Win32FileSystemTest, CreatesAndRemovesFoldersByUtf8Name) {
    const std::string name = root() +
                             "\\J\xC3\xBCrgen der Gro\xC3\x9F"
                             "e";  // Jürgen der Große
    EXPECT_TRUE(service.createFolder(name));
    EXPECT_FALSE(service.createFolder(name));  // already there
    EXPECT_TRUE(fs::is_directory(dir.path() / L"J\u00FCrgen der Gro\u00DFe"));
    const auto listing = service.listFolder(root());
    ASSERT_TRUE(listing);
    EXPECT_EQ(folderNames(*listing), (Strings{"J\xC3\xBCrgen der Gro\xC3\x9F"
                                              "e"}));
    std::ofstream(dir.path() / L"J\u00FCrgen der Gro\u00DFe" / L"x.ess") << "x";
    EXPECT_FALSE(service.removeFolder(name));  // not empty
    fs::remove(dir.path() / L"J\u00FCrgen der Gro\u00DFe" / L"x.ess");
    EXPECT_TRUE(service.removeFolder(name));
    EXPECT_FALSE(service.folderExists(name));

    // U+0142 (l with stroke) is not in Windows-1252; its best fit would be 'l'.
    EXPECT_FALSE(service.createFolder(root() + "\\\xC5\x82"
                                               "ukasz"));
    EXPECT_FALSE(fs::exists(dir.path() / "lukasz"));
    EXPECT_FALSE(service.createFolder(root() + "\\bad\xFFutf8"));
}

TEST_F(Win32FileSystemTest, CreateNewDirectoryMakesEveryLevel) {
    catalogue::CreateNewDirectory(service, root() + "\\Saves\\a\\b");
    EXPECT_TRUE(fs::is_directory(dir.path() / "Saves" / "a" / "b"));
    file("Saves\\a\\b\\save1.ess");
    catalogue::CreateNewDirectory(service, root() + "\\Saves\\a\\b\\");
    EXPECT_EQ(test::readBytes(dir.at("Saves\\a\\b\\save1.ess")), "x");
}

TEST_F(Win32FileSystemTest, WalkFindsFoldersBreadthFirstWithTheirFiles) {
    file("oblivion.ini");
    folder("Saves\\Ann");
    folder("Saves\\Bob");
    file("Saves\\Bob\\save1.ess");
    catalogue::PathLog log;
    log.PathLogInit(&service);
    Strings paths, names;
    std::vector<std::int32_t> parents;
    log.LogPath(root(), names, parents, paths);
    const std::string r = root() + "\\";
    EXPECT_EQ(paths, (Strings{r, r + "Saves\\", r + "Saves\\Ann\\", r + "Saves\\Bob\\"}));
    EXPECT_EQ(names, (Strings{"oblivion.ini", "save1.ess"}));
    EXPECT_EQ(parents, (std::vector<std::int32_t>{0, 3}));
}

// A link back to an ancestor must not send the walk round for ever. Windows
// makes one with CreateSymbolicLink (given the privilege); Wine cannot, but it
// shows a Unix symbolic link as a folder, which is how a player's link under
// Wine looks: the build lays such a tree out beside the tests for that case.
std::optional<std::string> folderWithLinkToItself(const test::TempDir& dir,
                                                  const Win32FileSystem& service) {
    std::filesystem::create_directories(dir.path() / "Saves" / "Ann");
    const std::string link = dir.at("Saves\\Ann\\up");
    if (CreateSymbolicLinkA(
            link.c_str(), dir.str().c_str(),
            SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
        service.folderId(link)) {
        return dir.str();
    }
#ifdef QUARLO_LINK_FIXTURE
    if (service.folderExists(QUARLO_LINK_FIXTURE "\\Saves\\Ann\\up")) {
        return std::string(QUARLO_LINK_FIXTURE);
    }
#endif
    return std::nullopt;
}

TEST_F(Win32FileSystemTest, LinkBackToAnAncestorIsListedButNotEntered) {
    const auto top = folderWithLinkToItself(dir, service);
    if (!top) {
        GTEST_SKIP() << "no folder link can be made or found here";
    }
    ASSERT_EQ(service.folderId(*top + "\\Saves\\Ann\\up"), service.folderId(*top));
    catalogue::PathLog log;
    log.PathLogInit(&service);
    Strings paths, names;
    std::vector<std::int32_t> parents;
    log.LogPath(*top, names, parents, paths);
    const std::string r = *top + "\\";
    EXPECT_EQ(paths, (Strings{r, r + "Saves\\", r + "Saves\\Ann\\", r + "Saves\\Ann\\up\\"}));
}

}  // namespace
}  // namespace quarlo::platform::win32
