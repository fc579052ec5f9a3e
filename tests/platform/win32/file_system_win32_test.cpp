#include "platform/win32/file_system_win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "catalogue/create_directory.h"
#include "catalogue/path_log.h"
#include "platform/win32/save_files_win32.h"
#include "platform/win32/trash_win32.h"
#include "platform/win32/win32_api.h"
#include "tests/platform/win32/wine.h"
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

class Win32SaveFilesTest : public ::testing::Test {
  protected:
    test::TempDir dir;
    Win32SaveFiles files;
    std::string put(const std::string& rel, const std::string& bytes) {
        test::writeBytes(dir.at(rel), bytes);
        return dir.at(rel);
    }
    std::int64_t modified(const std::string& path) const {
        const auto chunk = files.read(path, 0, 0);
        return chunk ? chunk->modifiedLocalMs : -1;
    }
};

// An old time, so that a copy stamped with the time of copying shows.
void ageFile(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const ULONGLONG ticks = 127870000000000000ULL;  // March 2006
    FILETIME t{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &t));
    CloseHandle(h);
}

TEST_F(Win32SaveFilesTest, RenameAndCopyNeverReplaceANameTakenInAnyLetterCase) {
    const std::string a = put("a.ess", "ann's save");
    const std::string b = put("b.ess", "bob's save");
    ageFile(a);
    for (const char* taken : {"b.ess", "B.ESS"}) {
        EXPECT_EQ(files.renameNew(a, dir.at(taken)), FileOutcome::exists) << taken;
        EXPECT_EQ(files.copyNew(a, dir.at(taken)), FileOutcome::exists) << taken;
        EXPECT_TRUE(files.exists(dir.at(taken)));
        EXPECT_EQ(test::readBytes(a), "ann's save");
        EXPECT_EQ(test::readBytes(b), "bob's save");
    }
    // Not a regular file, or not there: nothing made.
    fs::create_directories(dir.path() / "Saves");
    EXPECT_EQ(files.copyNew(dir.at("Saves"), dir.at("c.ess")), FileOutcome::failed);
    EXPECT_EQ(files.copyNew(dir.at("gone.ess"), dir.at("c.ess")), FileOutcome::failed);
    EXPECT_FALSE(files.exists(dir.at("c.ess")));
    EXPECT_EQ(files.renameNew(dir.at("gone.ess"), dir.at("c.ess")), FileOutcome::failed);

    // The copy has the bytes and the time of the original.
    ASSERT_EQ(files.copyNew(a, dir.at("Saves\\a.ess")), FileOutcome::done);
    EXPECT_EQ(files.sameBytes(a, dir.at("Saves\\a.ess")), true);
    EXPECT_EQ(modified(dir.at("Saves\\a.ess")), modified(a));
    // A read-only save copies too, and its copy stays read-only.
    ASSERT_TRUE(SetFileAttributesA(b.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_EQ(files.copyNew(b, dir.at("Saves\\b.ess")), FileOutcome::done);
    EXPECT_EQ(files.sameBytes(b, dir.at("Saves\\b.ess")), true);
    EXPECT_NE(GetFileAttributesA(dir.at("Saves\\b.ess").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    for (const char* name : {"b.ess", "Saves\\b.ess"}) {
        SetFileAttributesA(dir.at(name).c_str(), FILE_ATTRIBUTE_NORMAL);
    }

    // A name the ANSI code page lacks (Cyrillic).
    const std::string renamed = dir.at("\xD0\x90\xD0\xBD\xD0\xBD.ess");
    ASSERT_EQ(files.renameNew(a, renamed), FileOutcome::done);
    EXPECT_FALSE(files.exists(a));
    ASSERT_TRUE(files.exists(renamed));
    EXPECT_EQ(files.read(renamed, 0, 100)->bytes, "ann's save");
    EXPECT_TRUE(files.remove(renamed));
    EXPECT_FALSE(files.exists(renamed));
    EXPECT_FALSE(files.remove(renamed));
}

TEST_F(Win32SaveFilesTest, SameBytesComparesEveryChunk) {
    // Past the first mebibyte, where one read of each no longer covers it.
    const std::string big(std::size_t{1} << 20, 'x');
    struct Case {
        std::string a;
        std::string b;
        bool same;
    };
    for (const Case& c :
         {Case{"", "", true}, Case{"save", "save", true}, Case{"save", "savf", false},
          Case{"save", "save!", false}, Case{big + "tail", big + "tail", true},
          Case{big + "tail", big + "tall", false}}) {
        EXPECT_EQ(files.sameBytes(put("a", c.a), put("b", c.b)), c.same) << c.a.size();
    }
    fs::create_directories(dir.path() / "Saves");
    EXPECT_EQ(files.sameBytes(dir.at("a"), dir.at("missing")), std::nullopt);
    EXPECT_EQ(files.sameBytes(dir.at("missing"), dir.at("a")), std::nullopt);
    EXPECT_EQ(files.sameBytes(dir.at("Saves"), dir.at("Saves")), std::nullopt);
}

// Under Wine the Recycle Bin is the Linux user's trash. The Windows tests run
// with XDG_DATA_HOME in the build folder, so only that one is ever touched;
// anywhere else the test is skipped rather than fill a real one.
std::optional<fs::path> wineTrash() {
#ifdef QUARLO_TEST_XDG_DATA_HOME
    const char* data = std::getenv("XDG_DATA_HOME");
    if (test::underWine() && data != nullptr && std::string(data) == QUARLO_TEST_XDG_DATA_HOME) {
        std::string windows = std::string("Z:") + data;
        std::replace(windows.begin(), windows.end(), '/', '\\');
        return fs::path(windows) / "Trash";
    }
#endif
    return std::nullopt;
}

TEST_F(Win32SaveFilesTest, TrashTakesEveryFileOrNone) {
    const auto trash = wineTrash();
    if (!trash) {
        GTEST_SKIP() << "no trash of the build's own to send files to";
    }
    Win32Trash bin;
    const std::string a = put("a.ess", "ann's save");
    const std::string b = put("b.ess", "bob's save");
    EXPECT_EQ(bin.moveToTrash({}).outcome, TrashOutcome::done);
    EXPECT_EQ(bin.moveToTrash({a, dir.at("gone.ess"), b}).outcome, TrashOutcome::failed);
    EXPECT_TRUE(files.exists(a));
    EXPECT_TRUE(files.exists(b));

    ASSERT_EQ(bin.moveToTrash({a, b}).outcome, TrashOutcome::done);
    EXPECT_FALSE(files.exists(a));
    EXPECT_FALSE(files.exists(b));
    // Each is kept with a note of where it came from, under a name the trash
    // chose; this test's folder has a name of its own to look for.
    const std::string folder = dir.path().filename().string();
    int kept = 0;
    for (const auto& info : fs::directory_iterator(*trash / "info")) {
        const std::string note = test::readBytes(info.path().string());
        if (note.find(folder) == std::string::npos) {
            continue;
        }
        const fs::path stem = info.path().stem();  // "a.ess" of "a.ess.trashinfo"
        const std::string bytes = test::readBytes((*trash / "files" / stem).string());
        const bool isA = note.find(folder + "/a.ess") != std::string::npos;
        EXPECT_EQ(bytes, isA ? "ann's save" : "bob's save") << note;
        ++kept;
        fs::remove(*trash / "files" / stem);
        fs::remove(info.path());
    }
    EXPECT_EQ(kept, 2);
}

}  // namespace
}  // namespace quarlo::platform::win32
