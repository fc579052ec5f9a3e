#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <set>
#include <string>
#include <vector>

#include "platform/posix/file_io.h"
#include "platform/posix/profile_posix.h"
#include "platform/settle.h"
#include "platform/wine/code_page.h"
#include "tests/support/temp_dir.h"

namespace quarlo::platform::posix {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::writeBytes;

// Names in a folder, to see that no temporary file is left behind.
std::set<std::string> entriesOf(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) {
        names.insert(e.path().filename().string());
    }
    return names;
}

struct stat statOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

// Rewrites a file in place, as a program that opens it with O_TRUNC does.
void rewriteInPlace(const std::string& path, const std::string& content) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    ::close(fd);
}

class ProfileFileTest : public ::testing::Test {
  protected:
    ~ProfileFileTest() override { setFileIoTestHooks({}); }
    test::TempDir dir;
    PosixProfileFile profile;
};

TEST_F(ProfileFileTest, GameFileWriteChangesExactlyTheOneValue) {
    const std::string path = test::copySample(dir, "oblivion-sample.ini", "oblivion.ini");
    const std::string original = readBytes(path);
    const std::string oldLine = "\r\nSLocalSavePath=Saves\\Aldric\\\r\n";
    const std::size_t at = original.find(oldLine);
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(original.find(oldLine, at + 1), std::string::npos);

    ASSERT_TRUE(profile.write("General", "SLocalSavePath", "Saves\\Bob\\", path));

    std::string expected = original;
    expected.replace(at, oldLine.size(), "\r\nSLocalSavePath=Saves\\Bob\\\r\n");
    EXPECT_EQ(readBytes(path), expected);
    EXPECT_EQ(profile.read("General", "SLocalSavePath", "ERROR.", 62, path), "Saves\\Bob\\");
    EXPECT_EQ(entriesOf(dir.str()), (std::set<std::string>{"oblivion.ini"}));
}

TEST_F(ProfileFileTest, GameFileReadsThroughItsDialect) {
    const std::string path = test::copySample(dir, "oblivion-sample.ini", "oblivion.ini");
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    };
    for (const Case& c : {
             Case{"General", "SLocalSavePath", "Saves\\Aldric\\"},
             Case{"gameplay", "IDIFFICULTYLEVEL", "65"},
             Case{"Audio", "fMusicVolume", "0.5500"},  // hand-spaced "key = value"
             Case{"Fonts", "SFontFile_5", "Data\\Fonts\\Fr\xE9\x64\xE9ric.fnt"},
             Case{"General", "SCreditsMenuMovie", "CreditsMenu.bik"},
             Case{"Display", "SScreenShotBaseName", "ScreenShot"},
             Case{"Display", "SLocalSavePath", "default"},  // in another section only
         }) {
        EXPECT_EQ(profile.read(c.section, c.key, "default", 100, path), c.expected) << c.key;
    }
}

TEST_F(ProfileFileTest, MissingFileIsCreatedWithTheSectionAndKey) {
    const std::string path = dir.at("quarlo.ini");
    ASSERT_TRUE(profile.write("Aldric", "iDifficultyLevel", "70", path));
    EXPECT_EQ(readBytes(path), "[Aldric]\r\niDifficultyLevel=70\r\n");

    // A new file gets the permissions any new file of the user gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(statOf(path).st_mode & 07777, 0666 & ~mask);
}

TEST_F(ProfileFileTest, ReadsOfMissingThingsGiveTheDefaultCut) {
    const std::string path = dir.at("quarlo.ini");
    writeBytes(path, "[Aldric]\r\niDifficultyLevel=70\r\n");
    struct Case {
        std::string path;
        const char* section;
        int capacity;
        const char* expected;
    };
    for (const Case& c : {
             Case{dir.at("none.ini"), "Aldric", 100, "ERROR."},
             Case{dir.at("no-folder/quarlo.ini"), "Aldric", 100, "ERROR."},
             Case{path, "Bob", 100, "ERROR."}, Case{path, "Bob", 4, "ERR"},
             Case{dir.str(), "Aldric", 100, "ERROR."},  // a folder, not a file
         }) {
        EXPECT_EQ(profile.read(c.section, "iDifficultyLevel", "ERROR.", c.capacity, c.path),
                  c.expected)
            << c.path << " " << c.section;
    }
}

TEST_F(ProfileFileTest, FailedWritesLeaveEverythingAsItWas) {
    const std::string content = "[A]\r\nk=1\r\n";
    const std::string readOnly = dir.at("read-only.ini");
    writeBytes(readOnly, content);
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    const std::string plain = dir.at("plain.ini");
    writeBytes(plain, content);
    fs::create_directory(dir.at("folder.ini"));

    struct Case {
        const char* what;
        std::string path;
        std::string section, key, value;
    };
    for (const Case& c : {
             Case{"read-only file, even for root", readOnly, "A", "k", "2"},
             Case{"missing folder", dir.at("no-folder/quarlo.ini"), "A", "k", "2"},
             Case{"a folder in the way", dir.at("folder.ini"), "A", "k", "2"},
             Case{"CR in the value", plain, "A", "k", "2\r[B]"},
             Case{"LF in the key", plain, "A", "k\nx", "2"},
             Case{"LF in the section", plain, "A\n", "k", "2"},
             Case{"empty key", plain, "A", "", "2"},
             Case{"section with ]", plain, "A]", "k", "2"},
         }) {
        EXPECT_FALSE(profile.write(c.section, c.key, c.value, c.path)) << c.what;
    }
    EXPECT_EQ(readBytes(readOnly), content);
    EXPECT_EQ(statOf(readOnly).st_mode & 07777, 0444u);
    EXPECT_EQ(readBytes(plain), content);
    EXPECT_FALSE(fs::exists(dir.at("no-folder")));
    EXPECT_EQ(entriesOf(dir.str()),
              (std::set<std::string>{"read-only.ini", "plain.ini", "folder.ini"}));
}

TEST_F(ProfileFileTest, WriteKeepsPermissions) {
    for (mode_t mode : {0600, 0640, 0664, 0755}) {
        const std::string path = dir.at("p.ini");
        writeBytes(path, "[A]\nk=1\n");
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        ASSERT_TRUE(profile.write("A", "k", "2", path)) << std::oct << mode;
        EXPECT_EQ(statOf(path).st_mode & 07777, mode) << std::oct << mode;
        ::chmod(path.c_str(), 0600);
        EXPECT_EQ(readBytes(path), "[A]\nk=2\n");
    }
}

TEST_F(ProfileFileTest, WriteThroughALinkReplacesTheFileItPointsTo) {
    fs::create_directory(dir.at("real"));
    const std::string target = dir.at("real/oblivion.ini");
    writeBytes(target, "[General]\r\nSLocalSavePath=Saves\\A\\\r\n");
    const std::string link = dir.at("oblivion.ini");
    fs::create_symlink("real/oblivion.ini", link);  // relative, as users make them

    ASSERT_TRUE(profile.write("General", "SLocalSavePath", "Saves\\B\\", link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), "real/oblivion.ini");
    EXPECT_EQ(readBytes(target), "[General]\r\nSLocalSavePath=Saves\\B\\\r\n");
    EXPECT_EQ(entriesOf(dir.str()), (std::set<std::string>{"real", "oblivion.ini"}));
    EXPECT_EQ(entriesOf(dir.at("real")), (std::set<std::string>{"oblivion.ini"}));

    // A link whose file does not exist yet gets that file.
    const std::string dangling = dir.at("quarlo.ini");
    fs::create_symlink(dir.at("real/quarlo.ini"), dangling);
    ASSERT_TRUE(profile.write("Bob", "iDifficultyLevel", "50", dangling));
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_EQ(readBytes(dir.at("real/quarlo.ini")), "[Bob]\r\niDifficultyLevel=50\r\n");
}

TEST_F(ProfileFileTest, UnchangedValueWritesNothing) {
    const std::string path = dir.at("oblivion.ini");
    writeBytes(path, "[GamePlay]\r\niDifficultyLevel = 50\r\n");
    const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old, 0), 0);
    const struct stat before = statOf(path);

    ASSERT_TRUE(profile.write("gameplay", "idifficultylevel", "50", path));
    const struct stat after = statOf(path);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);

    // The same value on a read-only file is no failure either: nothing is written.
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_TRUE(profile.write("GamePlay", "iDifficultyLevel", "50", path));
    EXPECT_FALSE(profile.write("GamePlay", "iDifficultyLevel", "51", path));
}

TEST_F(ProfileFileTest, FileOfAnotherOwnerKeepsItsOwner) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give a file away";
    }
    const std::string path = dir.at("oblivion.ini");
    writeBytes(path, "[A]\nk=1\n");
    ASSERT_EQ(::chown(path.c_str(), 12345, 23456), 0);
    ASSERT_TRUE(profile.write("A", "k", "2", path));
    const struct stat st = statOf(path);
    EXPECT_EQ(st.st_uid, 12345u);
    EXPECT_EQ(st.st_gid, 23456u);
    EXPECT_EQ(readBytes(path), "[A]\nk=2\n");
}

TEST_F(ProfileFileTest, AnotherProgramsRewriteBetweenReadAndRenameIsKept) {
    const std::string path = dir.at("oblivion.ini");
    writeBytes(path, "[General]\r\nSLocalSavePath=Saves\\Ann\\\r\n[Display]\r\nbFull=0\r\n");
    // The game saves its settings once, in place and at the same length,
    // just after our read: the write starts over and keeps the game's change.
    int checks = 0;
    FileIoTestHooks hooks;
    hooks.beforeCheck = [&](const std::string& target) {
        if (checks++ == 0) {
            rewriteInPlace(target,
                           "[General]\r\nSLocalSavePath=Saves\\Ann\\\r\n[Display]\r\nbFull=1\r\n");
        }
    };
    setFileIoTestHooks(hooks);
    ASSERT_TRUE(profile.write("General", "SLocalSavePath", "Saves\\Bob\\", path));
    EXPECT_EQ(checks, 2);
    EXPECT_EQ(readBytes(path),
              "[General]\r\nSLocalSavePath=Saves\\Bob\\\r\n[Display]\r\nbFull=1\r\n");
    EXPECT_EQ(entriesOf(dir.str()), (std::set<std::string>{"oblivion.ini"}));

    // A file that keeps changing is not replaced at all: the write fails and
    // the file holds what the other program wrote last.
    int rewrites = 0;
    std::string last;
    hooks.beforeCheck = [&](const std::string& target) {
        last =
            "[General]\r\nSLocalSavePath=Saves\\Ann\\\r\nn=" + std::to_string(rewrites++) + "\r\n";
        rewriteInPlace(target, last);
    };
    setFileIoTestHooks(hooks);
    EXPECT_FALSE(profile.write("General", "SLocalSavePath", "Saves\\Cid\\", path));
    EXPECT_EQ(rewrites, 5);
    EXPECT_EQ(readBytes(path), last);
    EXPECT_EQ(entriesOf(dir.str()), (std::set<std::string>{"oblivion.ini"}));
}

// A file another program is writing in place at this moment is read for a
// write only once it holds still across a pause; one that never does is not
// written. This program's own last write needs no wait.
TEST_F(ProfileFileTest, AFileBeingWrittenIsReadOnceItHoldsStill) {
    const std::string path = dir.at("oblivion.ini");
    struct Case {
        int changingPauses;  // pauses during which the other program writes on
        bool written;
    };
    for (const Case c : {Case{0, true}, Case{3, true}, Case{1000, false}}) {
        writeBytes(path, "[General]\r\nSLocalSavePath=Saves\\Ann\\\r\n");  // just now
        std::string part = "[General]\r\n";
        int pauses = 0;
        setSettlePauseForTests([&](int) {
            if (pauses++ < c.changingPauses) {
                part += "x";
                writeBytes(path, part);
            }
        });
        EXPECT_EQ(profile.write("General", "SLocalSavePath", "Saves\\Bob\\", path), c.written);
        EXPECT_EQ(pauses, std::min(c.changingPauses + 1, 20)) << c.changingPauses;
        if (!c.written) {
            EXPECT_EQ(readBytes(path), part);  // the other program's, untouched
            continue;
        }
        pauses = 0;
        EXPECT_TRUE(profile.write("Display", "SScreenShotBaseName", "Bob", path));
        EXPECT_EQ(pauses, 0);
    }
    setSettlePauseForTests({});
}

TEST_F(ProfileFileTest, FileThatGrowsWhileReadIsReadAgain) {
    const std::string path = dir.at("oblivion.ini");
    writeBytes(path, "[General]\r\nSLocalSavePath=Saves\\A");
    int reads = 0;
    FileIoTestHooks hooks;
    hooks.afterRead = [&](const std::string& p) {
        if (reads++ == 0) {
            rewriteInPlace(p, "[General]\r\nSLocalSavePath=Saves\\Ann\\\r\n");
        }
    };
    setFileIoTestHooks(hooks);
    EXPECT_EQ(profile.read("General", "SLocalSavePath", "ERROR.", 62, path), "Saves\\Ann\\");
    EXPECT_EQ(reads, 2);
}

TEST_F(ProfileFileTest, EachFailingStepOfAWriteLeavesTheFileAsItWas) {
    const std::string original = "[General]\r\nSLocalSavePath=Saves\\Ann\\\r\n";
    const std::string path = dir.at("oblivion.ini");
    for (const FileStep step :
         {FileStep::open, FileStep::write, FileStep::fsync, FileStep::close, FileStep::rename}) {
        writeBytes(path, original);
        FileIoTestHooks hooks;
        hooks.fails = [step](FileStep s) { return s == step; };
        setFileIoTestHooks(hooks);
        EXPECT_FALSE(profile.write("General", "SLocalSavePath", "Saves\\Bob\\", path))
            << static_cast<int>(step);
        EXPECT_EQ(readBytes(path), original) << static_cast<int>(step);
        EXPECT_EQ(entriesOf(dir.str()), (std::set<std::string>{"oblivion.ini"}))
            << static_cast<int>(step);
        // A missing file stays missing.
        EXPECT_FALSE(profile.write("Bob", "k", "v", dir.at("quarlo.ini")))
            << static_cast<int>(step);
        EXPECT_EQ(entriesOf(dir.str()), (std::set<std::string>{"oblivion.ini"}))
            << static_cast<int>(step);
        setFileIoTestHooks({});
    }
}

TEST_F(ProfileFileTest, OnlyRegularFilesOfAtMostTheCapAreRead) {
    const std::string entry = "[General]\r\nSLocalSavePath=Saves\\Ann\\\r\n";
    const auto sparse = [&](const std::string& name, off_t size) {
        const std::string path = dir.at(name);
        writeBytes(path, entry);
        EXPECT_EQ(::truncate(path.c_str(), size), 0);
        return path;
    };
    // A large settings file still works; one over the cap is no settings file.
    const std::string large = sparse("large.ini", 50'000'000);
    EXPECT_EQ(profile.read("General", "SLocalSavePath", "ERROR.", 62, large), "Saves\\Ann\\");
    const std::string huge = sparse("huge.ini", static_cast<off_t>(kMaxReadSize) + 1);
    EXPECT_EQ(profile.read("General", "SLocalSavePath", "ERROR.", 62, huge), "ERROR.");
    EXPECT_FALSE(profile.write("General", "SLocalSavePath", "Saves\\Bob\\", huge));
    EXPECT_EQ(fs::file_size(huge), kMaxReadSize + 1);
    std::string head(entry.size(), '\0');
    std::ifstream(huge, std::ios::binary)
        .read(head.data(), static_cast<std::streamsize>(head.size()));
    EXPECT_EQ(head, entry);

    const std::string zero = dir.at("zero.ini");
    fs::create_symlink("/dev/zero", zero);
    EXPECT_EQ(profile.read("General", "SLocalSavePath", "ERROR.", 62, zero), "ERROR.");
    EXPECT_FALSE(profile.write("General", "SLocalSavePath", "Saves\\Bob\\", zero));
    EXPECT_TRUE(fs::is_symlink(zero));

    // A FIFO with no writer: the read must not wait for one.
    const std::string fifo = dir.at("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto reading = std::async(std::launch::async, [&] {
        return profile.read("General", "SLocalSavePath", "ERROR.", 62, fifo);
    });
    if (reading.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "the read of a FIFO waits for a writer";
        const int unblock = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        ::close(unblock);
    }
    EXPECT_EQ(reading.get(), "ERROR.");
    EXPECT_FALSE(profile.write("General", "SLocalSavePath", "Saves\\Bob\\", fifo));
    EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);
}

// UTF-16 bytes of text given in UTF-8, byte-order mark first.
std::string utf16(const std::string& utf8, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    // Latin-1 text only, where each Windows-1252 byte is its own code point.
    const std::string latin1 = wine::CodePage{1252}.fromUtf8(utf8).value();
    for (const char c : latin1) {
        const auto unit = static_cast<unsigned char>(c);
        out.push_back(static_cast<char>(bigEndian ? 0 : unit));
        out.push_back(static_cast<char>(bigEndian ? unit : 0));
    }
    return out;
}

TEST_F(ProfileFileTest, UnicodeFilesAreReadAndWrittenInTheirOwnEncoding) {
    const std::string ann = "[General]\r\nSLocalSavePath=Saves\\Ann\\\r\nSName=Fr\u00E9d\r\n";
    const std::string jurgen =
        "[General]\r\nSLocalSavePath=Saves\\J\u00FCrgen\\\r\nSName=Fr\u00E9d\r\n";
    struct Case {
        const char* what;
        std::string before;
        std::optional<std::string> after;  // nullopt: the write is refused
    };
    const std::vector<Case> cases = {
        {"UTF-8 with its mark stays UTF-8", "\xEF\xBB\xBF" + ann, "\xEF\xBB\xBF" + jurgen},
        {"UTF-16 little endian", utf16(ann, false), utf16(jurgen, false)},
        {"UTF-16 big endian", utf16(ann, true), utf16(jurgen, true)},
        {"UTF-16 with an odd last byte is not written", utf16(ann, false) + "x", std::nullopt},
        {"UTF-16 with an unpaired surrogate is not written",
         utf16(ann, false) + std::string("\x00\xD8", 2), std::nullopt},
        {"no mark: the code page", wine::CodePage{1252}.fromUtf8(ann).value(),
         wine::CodePage{1252}.fromUtf8(jurgen).value()},
    };
    PosixProfileFile game(1252);
    for (const Case& c : cases) {
        const std::string path = dir.at("oblivion.ini");
        writeBytes(path, c.before);
        EXPECT_EQ(game.read("General", "SName", "ERROR.", 62, path), "Fr\u00E9d") << c.what;
        EXPECT_EQ(game.read("General", "SName", "ERROR.", 4, path), "Fr\u00E9") << c.what;
        EXPECT_EQ(game.write("General", "SLocalSavePath", "Saves\\J\u00FCrgen\\", path),
                  c.after.has_value())
            << c.what;
        EXPECT_EQ(readBytes(path), c.after.value_or(c.before)) << c.what;
        if (c.after) {
            EXPECT_EQ(game.read("General", "SLocalSavePath", "ERROR.", 62, path),
                      "Saves\\J\u00FCrgen\\")
                << c.what;
        }
    }
    // A Unicode file takes only what the game's code page can read back.
    const std::string path = dir.at("oblivion.ini");
    writeBytes(path, "\xEF\xBB\xBF" + ann);
    EXPECT_FALSE(game.write("General", "SLocalSavePath", "Saves\\\u0141ukasz\\", path));
    EXPECT_EQ(readBytes(path), "\xEF\xBB\xBF" + ann);
}

}  // namespace
}  // namespace quarlo::platform::posix
