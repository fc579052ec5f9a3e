#include "catalogue/path_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/posix/file_system_posix.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/temp_dir.h"

namespace quarlo::catalogue {
namespace {

using Strings = std::vector<std::string>;
using Ints = std::vector<std::int32_t>;
namespace fs = std::filesystem;

struct Catalogue {
    Strings paths, names;
    Ints parents;
    std::int32_t fileCount = -1;
};

Catalogue walk(const platform::FileSystem& service, const std::string& parent) {
    PathLog log;
    log.PathLogInit(&service);
    Catalogue c;
    log.LogPath(parent, c.names, c.parents, c.paths);
    c.fileCount = log.fileCount();
    return c;
}

TEST(EnsureTrailingSlash, AddsTheSeparatorOnlyWhenMissing) {
    struct Case {
        const char* in;
        char sep;
        const char* out;
    };
    for (const Case& c :
         {Case{"", '\\', "\\"}, Case{"C:\\G\\", '\\', "C:\\G\\"}, Case{"C:\\G", '\\', "C:\\G\\"},
          Case{"/home/a", '/', "/home/a/"}, Case{"/", '/', "/"}, Case{"", '/', "/"}}) {
        EXPECT_EQ(EnsureTrailingSlash(c.in, c.sep), c.out) << c.in;
    }
}

// The service's own order is kept: the fake lists in insertion order.
TEST(LogPath, WorkedExampleGivesFoldersBreadthFirstAndFilesWithTheirFolders) {
    for (const char* parent : {"C:\\G", "C:\\G\\"}) {
        test::FakeFileSystem service;
        service.addFile("C:\\G", "oblivion.ini");
        service.addFolder("C:\\G\\Saves\\Ann");
        service.addFile("C:\\G\\Saves\\Bob", "save1.ess");
        const Catalogue c = walk(service, parent);
        EXPECT_EQ(c.paths, (Strings{"C:\\G\\", "C:\\G\\Saves\\", "C:\\G\\Saves\\Ann\\",
                                    "C:\\G\\Saves\\Bob\\"}));
        EXPECT_EQ(c.names, (Strings{"oblivion.ini", "save1.ess"}));
        EXPECT_EQ(c.parents, (Ints{0, 3}));
        EXPECT_EQ(c.fileCount, 2);
    }
}

TEST(LogPath, DriveRootAndEmptyFolder) {
    test::FakeFileSystem service;
    service.addFolder("C:\\Data");
    service.addFolder("C:\\Empty");
    Catalogue root = walk(service, "C:\\");
    EXPECT_EQ(root.paths, (Strings{"C:\\", "C:\\Data\\", "C:\\Empty\\"}));

    Catalogue empty = walk(service, "C:\\Empty");
    EXPECT_EQ(empty.paths, (Strings{"C:\\Empty\\"}));
    EXPECT_EQ(empty.names, (Strings{""}));
    EXPECT_EQ(empty.parents, (Ints{0}));
    EXPECT_EQ(empty.fileCount, 0);
}

TEST(LogPath, MissingParentOrFileLeavesTheEarlierCatalogue) {
    test::FakeFileSystem service;
    service.addFile("C:\\G\\Saves\\Bob", "save1.ess");
    service.addFile("C:\\G", "oblivion.ini");
    PathLog log;
    log.PathLogInit(&service);
    Strings paths, names;
    Ints parents;
    log.LogPath("C:\\G", names, parents, paths);
    const Strings before = paths;
    for (const char* missing : {"C:\\Nowhere", "C:\\G\\oblivion.ini", ""}) {
        log.LogPath(missing, names, parents, paths);
        EXPECT_EQ(paths, before) << missing;
        EXPECT_EQ(names, (Strings{"oblivion.ini", "save1.ess"}));
        EXPECT_EQ(parents, (Ints{0, 2}));
        EXPECT_EQ(log.fileCount(), 2);
    }
}

TEST(LogPath, EveryDeeperFolderComesAfterEveryShallowerOne) {
    test::FakeFileSystem service;
    service.addFolder("C:\\G\\a\\zzz\\deep");
    service.addFolder("C:\\G\\b\\aaa");
    service.addFolder("C:\\G\\c");
    const Catalogue c = walk(service, "C:\\G");
    auto depth = [](const std::string& p) { return std::count(p.begin(), p.end(), '\\'); };
    for (std::size_t k = 1; k < c.paths.size(); ++k) {
        EXPECT_LE(depth(c.paths[k - 1]), depth(c.paths[k])) << c.paths[k];
    }
    EXPECT_EQ(c.paths.back(), "C:\\G\\a\\zzz\\deep\\");
}

TEST(LogPath, LinkBackToAnAncestorIsListedButNotEntered) {
    test::FakeFileSystem service;
    service.addFolder("C:\\G\\Saves\\Ann");
    service.addLink("C:\\G\\Saves\\Ann\\loop", "C:\\G");
    const Catalogue c = walk(service, "C:\\G");
    EXPECT_EQ(c.paths, (Strings{"C:\\G\\", "C:\\G\\Saves\\", "C:\\G\\Saves\\Ann\\",
                                "C:\\G\\Saves\\Ann\\loop\\"}));
}

TEST(LogPath, FolderThatCannotBeListedIsKeptButNotEntered) {
    test::FakeFileSystem service;
    service.addFolder("C:\\G\\Saves\\Locked\\Inner");
    service.addFile("C:\\G\\Saves\\Locked", "hidden.ess");
    service.addFolder("C:\\G\\Saves\\Open\\Inner");
    service.makeUnlistable("C:\\G\\Saves\\Locked");
    const Catalogue c = walk(service, "C:\\G");
    EXPECT_EQ(c.paths, (Strings{"C:\\G\\", "C:\\G\\Saves\\", "C:\\G\\Saves\\Locked\\",
                                "C:\\G\\Saves\\Open\\", "C:\\G\\Saves\\Open\\Inner\\"}));
    EXPECT_EQ(c.fileCount, 0);
}

TEST(LogPath, WithoutServiceNothingChanges) {
    test::FakeFileSystem service;
    service.addFolder("C:\\G\\Saves");
    PathLog log;
    log.PathLogInit(&service);
    Strings paths, names;
    Ints parents;
    log.LogPath("C:\\G", names, parents, paths);
    log.Terminate();
    service.addFolder("C:\\G\\Other");
    log.LogPath("C:\\G", names, parents, paths);
    EXPECT_EQ(paths.size(), 2u);
}

class LogPathOnDisk : public ::testing::Test {
  protected:
    test::TempDir dir;
    platform::posix::PosixFileSystem service;
    std::string root() const { return dir.str(); }
    void folder(const std::string& rel) { fs::create_directories(dir.path() / rel); }
    void file(const std::string& rel) { test::writeBytes(dir.at(rel), "x"); }
    Strings relativePaths(const Catalogue& c) const {
        Strings out;
        for (const auto& p : c.paths) {
            out.push_back(p.substr(root().size()));
        }
        return out;
    }
};

TEST_F(LogPathOnDisk, SortsSiblingsByNameIgnoringCase) {
    for (const char* f : {"Saves/bob", "Saves/Ann", "Saves/carl", "Backup/x"}) {
        folder(f);
    }
    file("Saves/b.ess");
    file("Saves/A.ess");
    file("oblivion.ini");
    const Catalogue c = walk(service, root());
    EXPECT_EQ(relativePaths(c), (Strings{"/", "/Backup/", "/Saves/", "/Backup/x/", "/Saves/Ann/",
                                         "/Saves/bob/", "/Saves/carl/"}));
    EXPECT_EQ(c.names, (Strings{"oblivion.ini", "A.ess", "b.ess"}));
    EXPECT_EQ(c.parents, (Ints{0, 2, 2}));
}

TEST_F(LogPathOnDisk, NamesWithSpacesAndNonAsciiLettersComeThroughWhole) {
    folder("Saves/Jürgen der Große");
    folder("Saves/Ærwyn Øst");
    file("Saves/Jürgen der Große/Save 1 – Kvatch.ess");
    const Catalogue c = walk(service, root());
    ASSERT_EQ(c.paths.size(), 4u);
    EXPECT_EQ(c.paths[2], root() + "/Saves/Jürgen der Große/");
    EXPECT_EQ(c.paths[3], root() + "/Saves/Ærwyn Øst/");
    EXPECT_EQ(c.names, (Strings{"Save 1 – Kvatch.ess"}));
}

TEST_F(LogPathOnDisk, FollowsLinksButNeverVisitsAFolderTwiceNorLeavesThroughAnAncestor) {
    folder("Saves/Ann");
    folder("Elsewhere/Kept");
    fs::create_directory_symlink(dir.path(), dir.path() / "Saves/Ann/up");  // cycle
    fs::create_directory_symlink("/", dir.path() / "Saves/Ann/disk");
    fs::create_directory_symlink(dir.path().parent_path(), dir.path() / "Saves/Ann/tmp");
    fs::create_directory_symlink(dir.path() / "Elsewhere", dir.path() / "Saves/Link");
    fs::create_directory_symlink(dir.path() / "gone", dir.path() / "Saves/dangling");
    const Catalogue c = walk(service, root());
    EXPECT_EQ(relativePaths(c),
              (Strings{"/", "/Elsewhere/", "/Saves/", "/Elsewhere/Kept/", "/Saves/Ann/",
                       "/Saves/Ann/disk/", "/Saves/Ann/tmp/", "/Saves/Ann/up/"}));
    EXPECT_EQ(c.names, (Strings{"dangling"}));
}

TEST_F(LogPathOnDisk, UnreadableFolderIsSkippedAndTheWalkGoesOn) {
    folder("Saves/Locked/Inner");
    folder("Saves/Open/Inner");
    ::chmod(dir.at("Saves/Locked").c_str(), 0);
    const Strings expected{"/", "/Saves/", "/Saves/Locked/", "/Saves/Open/", "/Saves/Open/Inner/"};
    if (::geteuid() != 0) {
        EXPECT_EQ(relativePaths(walk(service, root())), expected);
        return;
    }
    // Permissions do not bind root, so the walk runs in a child that has
    // given up root for an ordinary user who may read everything else.
    for (const char* readable : {"", "/Saves", "/Saves/Open", "/Saves/Open/Inner"}) {
        ::chmod((root() + readable).c_str(), 0755);
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(dropped && relativePaths(walk(service, root())) == expected ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(LogPathOnDisk, ManyFilesKeepTheirFolders) {
    for (int f = 0; f < 3; ++f) {
        folder("Saves/c" + std::to_string(f));
        for (int n = 0; n < 400; ++n) {
            file("Saves/c" + std::to_string(f) + "/s" + std::to_string(1000 + n) + ".ess");
        }
    }
    const Catalogue c = walk(service, root());
    ASSERT_EQ(c.fileCount, 1200);
    for (std::size_t n = 0; n < c.names.size(); ++n) {
        ASSERT_TRUE(
            fs::is_regular_file(c.paths[static_cast<std::size_t>(c.parents[n])] + c.names[n]));
        if (n > 0) {
            ASSERT_LE(c.parents[n - 1], c.parents[n]);
        }
    }
}

}  // namespace
}  // namespace quarlo::catalogue
