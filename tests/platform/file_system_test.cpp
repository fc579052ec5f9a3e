#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <signal.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "platform/posix/file_system_posix.h"
#include "platform/posix/processes_posix.h"
#include "platform/posix/save_files_posix.h"
#include "platform/posix/trash_posix.h"
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

TEST(TrashInfoPath, EscapesWhatAUriPathMayNotHold) {
    EXPECT_EQ(trashInfoPath("/home/a b/Save%1 J\xC3\xB6rg.ess"),
              "/home/a%20b/Save%251%20J%C3%B6rg.ess");
    EXPECT_EQ(trashInfoPath("/x/[1]#?\\"), "/x/%5B1%5D%23%3F%5C");
    EXPECT_EQ(trashInfoPath("/keep-_.~!$&'()*+,;=:@"), "/keep-_.~!$&'()*+,;=:@");
}

// The files leave their folder for files/ of the home trash, each with a
// .trashinfo naming where it was and when it went, in local time; a name
// the trash already holds gets a number; and when one file cannot go, none
// does.
TEST(PosixTrash, TakesEveryFileOrNone) {
    test::TempDir dir;
    const std::string data = dir.at("home/.local/share");
    PosixTrash trash(data);
    fs::create_directories(dir.at("Saves/Aldric"));
    test::writeBytes(dir.at("Saves/Aldric/Save 1.ess"), "save");
    test::writeBytes(dir.at("Saves/Aldric/Save 1.obse"), "co-save");
    const std::string original = fs::canonical(dir.at("Saves/Aldric")).string() + "/Save 1.ess";
    const std::time_t before = std::time(nullptr);

    ASSERT_EQ(trash.moveToTrash({original, dir.at("Saves/Aldric/Save 1.obse")}).outcome,
              TrashOutcome::done);
    EXPECT_FALSE(fs::exists(original));
    EXPECT_FALSE(fs::exists(dir.at("Saves/Aldric/Save 1.obse")));
    EXPECT_EQ(test::readBytes(data + "/Trash/files/Save 1.ess"), "save");
    EXPECT_EQ(test::readBytes(data + "/Trash/files/Save 1.obse"), "co-save");
    const std::string info = test::readBytes(data + "/Trash/info/Save 1.ess.trashinfo");
    const std::string head = "[Trash Info]\nPath=" + trashInfoPath(original) + "\nDeletionDate=";
    ASSERT_EQ(info.substr(0, head.size()), head);
    std::tm when{};
    when.tm_isdst = -1;
    ASSERT_NE(::strptime(info.c_str() + head.size(), "%Y-%m-%dT%H:%M:%S", &when), nullptr);
    const std::time_t deleted = std::mktime(&when);
    EXPECT_GE(deleted, before - 1);
    EXPECT_LE(deleted, std::time(nullptr) + 1);
    EXPECT_EQ(info.back(), '\n');

    test::writeBytes(original, "second save");
    ASSERT_EQ(trash.moveToTrash({original}).outcome, TrashOutcome::done);
    EXPECT_EQ(test::readBytes(data + "/Trash/files/Save 1.2.ess"), "second save");
    EXPECT_TRUE(fs::exists(data + "/Trash/info/Save 1.2.ess.trashinfo"));

    test::writeBytes(original, "third save");
    const TrashResult partly = trash.moveToTrash({original, dir.at("Saves/Aldric/Missing.ess")});
    EXPECT_EQ(partly.outcome, TrashOutcome::failed);
    EXPECT_TRUE(partly.inTrash.empty());
    EXPECT_EQ(test::readBytes(original), "third save");
    EXPECT_FALSE(fs::exists(data + "/Trash/info/Save 1.3.ess.trashinfo"));
    EXPECT_FALSE(fs::exists(data + "/Trash/files/Save 1.3.ess"));

    // A batch: each group whole or not at all, the others unharmed, and
    // no info left without its file; the infos no other name than theirs.
    test::writeBytes(dir.at("Saves/Aldric/Save 2.ess"), "two");
    const auto each = trash.moveEachToTrash(
        {{original, dir.at("Saves/Aldric/Gone.obse")}, {dir.at("Saves/Aldric/Save 2.ess")}});
    ASSERT_EQ(each.size(), 2u);
    EXPECT_EQ(each[0].outcome, TrashOutcome::failed);
    EXPECT_EQ(each[1].outcome, TrashOutcome::done);
    EXPECT_EQ(test::readBytes(original), "third save");
    EXPECT_EQ(test::readBytes(data + "/Trash/files/Save 2.ess"), "two");
    std::vector<std::string> infos;
    for (const auto& e : fs::directory_iterator(data + "/Trash/info")) {
        infos.push_back(e.path().filename().string());
    }
    std::sort(infos.begin(), infos.end());
    EXPECT_EQ(infos, (std::vector<std::string>{"Save 1.2.ess.trashinfo", "Save 1.ess.trashinfo",
                                               "Save 1.obse.trashinfo", "Save 2.ess.trashinfo"}));
}

// From a folder opened once: a file goes only as the version expected, and
// from that very folder, even once its path leads to another copy; the
// info names the folder the file was in.
TEST(PosixTrash, FromAnOpenedFolderOnlyTheVersionExpectedGoes) {
    test::TempDir dir;
    const std::string data = dir.at("home/.local/share");
    PosixTrash trash(data);
    PosixSaveFiles files;
    fs::create_directories(dir.at("Saves/Ann"));
    for (const char* name : {"Save 1.ess", "Save 1.obse", "Save 2.ess"}) {
        test::writeBytes(dir.at("Saves/Ann/") + name, name);
    }
    const auto opened = files.openFolder(dir.at("Saves/Ann"));
    ASSERT_TRUE(opened);
    const auto expect = [&](const char* name) {
        return Trash::Expected{name, *opened->stamp(name)};
    };
    const std::vector<std::vector<Trash::Expected>> groups{
        {expect("Save 1.obse"), expect("Save 1.ess")}, {expect("Save 2.ess")}};
    // Swapped for a link to a copy, and one save written again since.
    fs::rename(dir.at("Saves/Ann"), dir.at("Saves/Ann.real"));
    fs::create_directories(dir.at("Copy"));
    test::writeBytes(dir.at("Copy/Save 1.ess"), "the copy's");
    fs::create_directory_symlink(dir.at("Copy"), dir.at("Saves/Ann"));
    test::writeBytes(dir.at("Saves/Ann.real/Save 2.ess"), "written again, longer");
    const auto went = trash.moveEachFromFolder(*opened, groups);
    ASSERT_EQ(went.size(), 2u);
    EXPECT_EQ(went[0].outcome, TrashOutcome::done);
    EXPECT_EQ(went[0].inTrash, (Strings{"Save 1.obse", "Save 1.ess"}));
    EXPECT_EQ(went[1].outcome, TrashOutcome::changed);
    EXPECT_EQ(test::readBytes(data + "/Trash/files/Save 1.ess"), "Save 1.ess");
    EXPECT_EQ(test::readBytes(dir.at("Copy/Save 1.ess")), "the copy's");
    EXPECT_EQ(test::readBytes(dir.at("Saves/Ann.real/Save 2.ess")), "written again, longer");
    EXPECT_FALSE(fs::exists(data + "/Trash/info/Save 2.ess.trashinfo"));
    EXPECT_NE(test::readBytes(data + "/Trash/info/Save 1.ess.trashinfo")
                  .find("Path=" + trashInfoPath(fs::canonical(dir.at("Saves/Ann.real")).string())),
              std::string::npos);
}

// A file on another file system than the home goes to the trash at the top
// of its own, with a Path relative to that top, also when its folder is
// reached through a link from the home's file system (a Documents folder on
// a second drive); never copied across, never into the linked folder.
TEST(PosixTrash, UsesTheTrashOfTheFilesOwnFileSystem) {
    struct stat shm {};
    struct stat tmp {};
    test::TempDir dir;
    if (::stat("/dev/shm", &shm) != 0 || ::stat(dir.str().c_str(), &tmp) != 0 ||
        shm.st_dev == tmp.st_dev || ::access("/dev/shm", W_OK) != 0) {
        GTEST_SKIP() << "no second writable file system at /dev/shm";
    }
    const std::string top = "/dev/shm";
    const std::string own = top + "/.Trash-" + std::to_string(::getuid());
    const bool existed = fs::exists(own);
    const std::string folder = top + "/" + dir.path().filename().string();
    fs::create_directory(folder);
    fs::create_directory_symlink(folder, dir.at("Documents"));
    PosixTrash trash(dir.at("home/.local/share"));
    for (const std::string& through : {folder, dir.at("Documents")}) {
        SCOPED_TRACE(through);
        test::writeBytes(folder + "/Save 9.ess", "far save");
        ASSERT_EQ(trash.moveToTrash({through + "/Save 9.ess"}).outcome, TrashOutcome::done);
        EXPECT_FALSE(fs::exists(folder + "/Save 9.ess"));
        EXPECT_FALSE(fs::exists(folder + "/.Trash-" + std::to_string(::getuid())));
        std::string name;
        for (const auto& entry : fs::directory_iterator(own + "/info")) {
            const std::string text = test::readBytes(entry.path().string());
            if (text.find("Path=" + trashInfoPath(folder.substr(top.size() + 1)) +
                          "/Save%209.ess\n") != std::string::npos) {
                name = entry.path().filename().string();
            }
        }
        ASSERT_FALSE(name.empty());
        const std::string stem = name.substr(0, name.size() - std::string(".trashinfo").size());
        EXPECT_EQ(test::readBytes(own + "/files/" + stem), "far save");
        EXPECT_FALSE(fs::exists(dir.at("home/.local/share/Trash/files/Save 9.ess")));
        fs::remove(own + "/files/" + stem);
        fs::remove(own + "/info/" + name);
    }
    fs::remove_all(folder);
    if (!existed) {
        fs::remove_all(own);
    }
}

// When $XDG_DATA_HOME cannot be made, a file on its file system has no
// trash: nothing goes, rather than one file to a trash at the top of the
// disk while the others go home.
TEST(PosixTrash, AHomeTrashThatCannotBeMadeTakesNothing) {
    test::TempDir dir;
    test::writeBytes(dir.at("not-a-folder"), "");
    test::writeBytes(dir.at("Save 1.ess"), "save");
    PosixTrash trash(dir.at("not-a-folder/share"));
    const TrashResult r = trash.moveToTrash({dir.at("Save 1.ess")});
    EXPECT_EQ(r.outcome, TrashOutcome::failed);
    EXPECT_EQ(test::readBytes(dir.at("Save 1.ess")), "save");
    const std::string root = "/.Trash-" + std::to_string(::getuid());
    EXPECT_FALSE(fs::exists(root + "/files/Save 1.ess"));
}

// Renames never replace a file, also on a file system without no-replace
// renames (and without hard links): the name is claimed first, and a claim
// another program wrote into is left to it.
// A backup's folder goes only as itself: its list first, nothing while the
// list stays, never through a link, and a link inside goes as a link.
TEST(PosixSaveFiles, RemovesAFolderOfFilesOnlyAsItself) {
    test::TempDir dir;
    PosixSaveFiles files;
    const auto make = [&](const std::string& name) {
        fs::create_directories(dir.at(name));
        test::writeBytes(dir.at(name + "/Save 1.ess"), "copy");
        test::writeBytes(dir.at("save.ess"), "the save");
        fs::create_symlink(dir.at("save.ess"), dir.at(name + "/link.ess"));
        return dir.at(name);
    };
    const std::string whole = make("whole");
    test::writeBytes(whole + "/list.txt", "list");
    EXPECT_TRUE(files.removeFolderOfFiles(whole, "list.txt"));
    EXPECT_FALSE(fs::exists(whole));
    EXPECT_EQ(test::readBytes(dir.at("save.ess")), "the save");
    // A list that cannot go (here a folder of that name) keeps every file.
    const std::string stuck = make("stuck");
    fs::create_directories(stuck + "/list.txt/x");
    EXPECT_FALSE(files.removeFolderOfFiles(stuck, "list.txt"));
    EXPECT_TRUE(fs::exists(stuck + "/Save 1.ess"));
    // A link to a folder is not entered.
    fs::create_directory_symlink(stuck, dir.at("linked"));
    EXPECT_FALSE(files.removeFolderOfFiles(dir.at("linked"), ""));
    EXPECT_TRUE(fs::exists(stuck + "/Save 1.ess"));
    EXPECT_EQ(files.kindOf(dir.at("linked")), PathKind::link);
    EXPECT_EQ(files.kindOf(dir.at("nothing")), PathKind::missing);
    EXPECT_FALSE(files.entriesOf(dir.at("linked")));
}

// What a cut-off write of a settings file left beside it goes; anything
// else of a like name stays: a live process's, a link, a folder, another
// file's, a name not of the writer's form.
TEST(SettingsLeftovers, OnlyAWriteOfAnEndedProcessGoes) {
    test::TempDir dir;
    PosixSaveFiles files;
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    const std::string ended = std::to_string(child);
    const std::string live = std::to_string(::getppid());
    const std::string own = std::to_string(::getpid());
    test::writeBytes(dir.at("target"), "a file a link names");
    const struct {
        std::string name;
        bool goes;
    } cases[] = {
        {".quarlo.ini.quarlo-" + ended + "-0-17", true},
        {"quarlo.ini." + ended + ".tmp", true},
        {".quarlo.ini.quarlo-" + own + "-3-9", true},
        {".quarlo.ini.quarlo-" + live + "-0-17", false},
        {".quarlo.ini.quarlo-0-0-17", false},
        {"quarlo.ini.x" + ended + ".tmp", false},
        {".other.ini.quarlo-" + ended + "-0-17", false},
        {"quarlo.ini", false},
    };
    for (const auto& c : cases) {
        test::writeBytes(dir.at(c.name), "half");
    }
    fs::create_symlink(dir.at("target"), dir.at(".quarlo.ini.quarlo-" + ended + "-1-1"));
    fs::create_directory(dir.at(".quarlo.ini.quarlo-" + ended + "-2-2"));
    removeSettingsLeftovers(files, dir.str(), {"quarlo.ini"});
    for (const auto& c : cases) {
        EXPECT_EQ(fs::exists(dir.at(c.name)), !c.goes) << c.name;
    }
    EXPECT_TRUE(fs::is_symlink(dir.at(".quarlo.ini.quarlo-" + ended + "-1-1")));
    EXPECT_TRUE(fs::is_directory(dir.at(".quarlo.ini.quarlo-" + ended + "-2-2")));
    EXPECT_EQ(test::readBytes(dir.at("target")), "a file a link names");
}

// The launch wrapper's child: its arguments and environment exactly as
// given, its status back, 127 when it cannot start, and a stop signal sent to
// the wrapper passed on to it rather than leave it orphaned.
// One writer at a time among processes: the second finds the lock taken and
// who holds it; the holder's end, however it ends, frees it.
TEST(PosixSaveFiles, ALockIsOneProcesssAtATimeAndGoesWithIt) {
    test::TempDir dir;
    const std::string path = dir.at("lock");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        PosixSaveFiles files;
        const auto held = files.lockExclusive(path, "process 1, rename");
        [[maybe_unused]] const auto n = ::write(ready[1], held.held ? "y" : "n", 1);
        ::pause();
        ::_exit(0);
    }
    char got = 0;
    ASSERT_EQ(::read(ready[0], &got, 1), 1);
    ASSERT_EQ(got, 'y');
    PosixSaveFiles files;
    auto attempt = files.lockExclusive(path, "process 2, switch");
    EXPECT_FALSE(attempt.held);
    EXPECT_TRUE(attempt.takenByAnother);
    EXPECT_EQ(attempt.holder, "process 1, rename");
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    attempt = files.lockExclusive(path, "process 2, switch");
    EXPECT_TRUE(attempt.held);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(PosixProcesses, RunAndWaitPassesEverythingOnAndReturnsTheStatus) {
    test::TempDir dir;
    PosixProcesses processes(std::nullopt);
    ::setenv("QUARLO_TEST_VALUE", "x y\tz", 1);
    const std::string out = dir.at("out");
    EXPECT_EQ(processes.runAndWait({"sh", "-c",
                                    "printf '[%s]' \"$@\" > \"$0\"; "
                                    "printf '%s' \"$QUARLO_TEST_VALUE\" >> \"$0\"; exit 7",
                                    out, "a b", "", "c\"d\\"}),
              7);
    EXPECT_EQ(test::readBytes(out), "[a b][][c\"d\\]x y\tz");
    ::unsetenv("QUARLO_TEST_VALUE");
    EXPECT_EQ(processes.runAndWait({"/no/such/program"}), kCannotStart);
    EXPECT_EQ(processes.runAndWait({"sh", "-c", "kill -KILL $$"}), 128 + SIGKILL);
    std::thread stopper([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::kill(::getpid(), SIGTERM);
    });
    EXPECT_EQ(processes.runAndWait({"sleep", "10"}), 128 + SIGTERM);
    stopper.join();
}

// The wrapper as a launcher runs it, in a process group of its own: a
// signal sent to that whole group (Ctrl+C in a terminal, a launcher ending
// its group) reaches the game once, as does one sent to the wrapper alone;
// a signal the wrapper was started with ignored stays ignored in the game.
TEST(PosixProcesses, TheGameGetsEachSignalOnceAndKeepsWhatItsCallerIgnored) {
    struct Case {
        const char* what;
        int signal;
        bool toGroup;
        int ignoredAtStart;  // 0 for none
        std::string heard;   // what the game wrote
    };
    const Case cases[] = {
        {"terminate the group", SIGTERM, true, 0, "TERM\n"},
        {"interrupt the group", SIGINT, true, 0, "INT\n"},
        {"terminate the wrapper", SIGTERM, false, 0, "TERM\n"},
        {"hang-up ignored by the caller", SIGTERM, true, SIGHUP, "TERM\nSIGHUP ignored\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const std::string out = dir.at("heard");
        const pid_t wrapper = ::fork();
        if (wrapper == 0) {
            ::setpgid(0, 0);
            if (c.ignoredAtStart != 0) {
                ::signal(c.ignoredAtStart, SIG_IGN);
            }
            PosixProcesses processes(std::nullopt);
            const int status = processes.runAndWait(
                {"sh", "-c",
                 "grep -q '^SigIgn:.*[13579bdf]$' /proc/self/status && echo 'SIGHUP ignored' > "
                 "\"$0.ignored\"; trap 'echo TERM >> \"$0\"; cat \"$0.ignored\" >> \"$0\" "
                 "2>/dev/null; exit 3' TERM; trap 'echo INT >> \"$0\"; exit 3' INT; : > "
                 "\"$0.ready\"; while :; do sleep 0.05; done",
                 out});
            ::_exit(status);
        }
        for (int i = 0; i < 400 && !fs::exists(out + ".ready"); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_TRUE(fs::exists(out + ".ready"));
        ::kill(c.toGroup ? -wrapper : wrapper, c.signal);
        int status = 0;
        ASSERT_EQ(::waitpid(wrapper, &status, 0), wrapper);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 3);
        EXPECT_EQ(test::readBytes(out), c.heard);
    }
}

TEST(RenameNoReplace, NeverReplacesAFileOnAnyFileSystem) {
    struct Case {
        const char* what;
        int renameat2;  // the errno it reports instead of running, or 0
        int link;
        bool targetThere;
        bool otherWritesClaim;
        int result;
        bool folder = false;             // a backup's folder rather than a save
        bool writesAtTheRename = false;  // another program, after the last check
    };
    for (const Case& c : {
             Case{"plain", 0, 0, false, false, 0},
             Case{"plain, name taken", 0, 0, true, false, EEXIST},
             Case{"no flag: a link", EINVAL, 0, false, false, 0},
             Case{"no flag: a link, name taken", EINVAL, 0, true, false, EEXIST},
             Case{"no links: a claim", EINVAL, EPERM, false, false, 0},
             Case{"no links, name taken", EINVAL, EPERM, true, false, EEXIST},
             Case{"no links, claim written by another", EINVAL, EPERM, false, true, EEXIST},
             Case{"a real failure", EIO, 0, false, false, EIO},
             Case{"folder, no links: a claim", EINVAL, EPERM, false, false, 0, true},
             Case{"folder, no links, name taken", EINVAL, EPERM, true, false, EEXIST, true},
             Case{"folder, claim written by another", EINVAL, EPERM, false, true, EEXIST, true},
             Case{"no links, claim written at the rename", EINVAL, EPERM, false, false, 0, false,
                  true},
         }) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        // A folder is read through its one file.
        const std::string from = c.folder ? dir.at("from") + "/f" : dir.at("from");
        const std::string to = c.folder ? dir.at("to") + "/f" : dir.at("to");
        if (c.folder) {
            fs::create_directory(dir.at("from"));
            if (c.targetThere) {
                fs::create_directory(dir.at("to"));
            }
        }
        test::writeBytes(from, "save");
        if (c.targetThere) {
            test::writeBytes(to, "theirs");
        }
        setRenameTestHooks(RenameTestHooks{
            [&c](std::string_view call) { return call == "renameat2" ? c.renameat2 : c.link; },
            [&c, &to](const std::string&) {
                if (c.otherWritesClaim) {
                    test::writeBytes(to, "the game's save");
                }
            },
            [&c, &to](const std::string&) {
                if (c.writesAtTheRename) {
                    std::ofstream(to, std::ios::binary | std::ios::in) << "the game's";
                }
            }});
        // Through the save files, as a move renames: what was kept is told.
        PosixSaveFiles files;
        const FileOutcome outcome = files.renameNew(dir.at("from"), dir.at("to"));
        EXPECT_EQ(outcome == FileOutcome::done ? 0 : c.result, c.result);
        EXPECT_EQ(files.takeKeptAside(),
                  c.writesAtTheRename ? Strings{to + ".kept-by-quarlo"} : Strings{});
        setRenameTestHooks({});
        const bool moved = c.result == 0;
        EXPECT_EQ(fs::exists(from), !moved);
        EXPECT_EQ(fs::exists(to + ".kept-by-quarlo"), c.writesAtTheRename);
        if (c.writesAtTheRename) {
            EXPECT_EQ(test::readBytes(to + ".kept-by-quarlo"), "the game's");
        }
        EXPECT_EQ(test::readBytes(to), moved                ? "save"
                                       : c.targetThere      ? "theirs"
                                       : c.otherWritesClaim ? "the game's save"
                                                            : "");
    }
}

}  // namespace
}  // namespace quarlo::platform::posix
