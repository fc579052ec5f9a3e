#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "saves/transfer.h"
#include "tests/support/memory_save_files.h"
#include "tests/support/native.h"
#include "tests/support/temp_dir.h"

namespace quarlo::saves {
namespace {

using Outcome = TransferResult::Outcome;

SaveEntry save(const std::string& folder, const std::string& name,
               std::vector<std::string> coSaves = {}) {
    SaveEntry e;
    e.fileName = name;
    e.path = folder + "/" + name;
    e.coSaves = std::move(coSaves);
    return e;
}

// Three saves of one character and a destination that already holds a
// co-save of the third's name.
struct Scene {
    std::string from;
    std::string to;
    test::MemorySaveFiles files;
    std::vector<SaveEntry> saves;
    std::map<std::string, std::string> original;  // file name -> bytes

    Scene(std::string source, std::string destination)
        : from(std::move(source)), to(std::move(destination)) {
        saves = {save(from, "Save 1.ess", {"Save 1.obse", "Save 1.pluggy"}),
                 save(from, "Save 2.ess"), save(from, "Save 3.ess", {"Save 3.obse"})};
        for (const SaveEntry& s : saves) {
            for (const std::string& name : filesOf(s)) {
                original[name] = "bytes of " + name;
                files.files[from + "/" + name] = original[name];
            }
        }
        files.files[to + "/Save 3.obse"] = "another character's co-save";
    }

    bool whole(const std::string& folder, const SaveEntry& s) const {
        for (const std::string& name : filesOf(s)) {
            const auto it = files.files.find(folder + "/" + name);
            if (it == files.files.end() || it->second != original.at(name)) {
                return false;
            }
        }
        return true;
    }
    bool holdsAny(const std::string& folder, const SaveEntry& s) const {
        for (const std::string& name : filesOf(s)) {
            const auto it = files.files.find(folder + "/" + name);
            if (it != files.files.end() && it->second == original.at(name)) {
                return true;
            }
        }
        return false;
    }
};

// Every step of a move or copy is made to fail in turn, within one file
// system and across two: whatever fails, each save is whole on exactly one
// side (a copy: whole at its source, and at the destination whole or not at
// all), the report says which, no part file is left and the file that was
// in the way is untouched.
TEST(TransferSaves, AFailureAtAnyStepLeavesEverySaveWholeOnOneSide) {
    struct Case {
        const char* to;
        Transfer how;
    };
    for (const Case c :
         {Case{"/disk/Saves/Brynja", Transfer::move}, Case{"/other/Saves/Brynja", Transfer::move},
          Case{"/disk/Saves/Brynja", Transfer::copy},
          Case{"/other/Saves/Brynja", Transfer::copy}}) {
        Scene clean("/disk/Saves/Aldric", c.to);
        const auto expected = transferSaves(clean.files, clean.saves, clean.to, c.how);
        ASSERT_EQ(expected.size(), 3u);
        EXPECT_EQ(expected[0].outcome, Outcome::done);
        EXPECT_EQ(expected[1].outcome, Outcome::done);
        EXPECT_EQ(expected[2].outcome, Outcome::nameTaken);
        EXPECT_EQ(expected[2].detail, "Save 3.obse");
        const int steps = clean.files.steps;
        for (int fail = -1; fail < steps; ++fail) {
            SCOPED_TRACE(std::string(c.to) + (c.how == Transfer::move ? " move" : " copy") +
                         ", step " + std::to_string(fail) + " fails");
            Scene s("/disk/Saves/Aldric", c.to);
            if (fail >= 0) {
                s.files.failStep = fail;
            }
            const auto results = transferSaves(s.files, s.saves, s.to, c.how);
            ASSERT_EQ(results.size(), 3u);
            for (std::size_t i = 0; i < 3; ++i) {
                const SaveEntry& e = s.saves[i];
                const Outcome o = results[i].outcome;
                const bool arrived = o == Outcome::done || o == Outcome::leftBehind;
                if (arrived) {
                    EXPECT_TRUE(s.whole(s.to, e)) << e.fileName;
                } else {
                    EXPECT_FALSE(s.holdsAny(s.to, e)) << e.fileName;
                }
                if (c.how == Transfer::copy || !arrived) {
                    EXPECT_TRUE(s.whole(s.from, e)) << e.fileName;
                } else {
                    EXPECT_FALSE(s.files.exists(e.path)) << e.fileName;
                    // Only a co-save that could not be removed stays behind.
                    for (const std::string& name : e.coSaves) {
                        EXPECT_EQ(s.files.exists(s.from + "/" + name),
                                  o == Outcome::leftBehind && results[i].detail == name);
                    }
                }
            }
            EXPECT_EQ(s.files.files.at(s.to + "/Save 3.obse"), "another character's co-save");
            for (const auto& [path, bytes] : s.files.files) {
                EXPECT_EQ(path.find(".quarlo-part"), std::string::npos) << path;
            }
        }
    }
}

TEST(TransferSaves, ACopyThatComesBackDifferentIsUndone) {
    Scene s("/disk/Saves/Aldric", "/other/Saves/Brynja");
    s.files.cutCopies = true;
    for (const auto& r : transferSaves(s.files, s.saves, s.to, Transfer::move)) {
        EXPECT_NE(r.outcome, Outcome::done) << r.fileName;
    }
    for (const SaveEntry& e : s.saves) {
        EXPECT_TRUE(s.whole(s.from, e)) << e.fileName;
        EXPECT_FALSE(s.holdsAny(s.to, e)) << e.fileName;
    }
    EXPECT_EQ(s.files.files.size(), 7u);  // six files and the one in the way
}

// The platform's own operations: a move keeps co-saves with their save and
// refuses a name that is taken; a copy keeps the bytes and the time; across
// file systems (where the machine has a second one at hand) the same.
TEST(TransferSaves, OnTheDisk) {
    test::TempDir dir;
    auto files = test::nativeSaveFiles();
    std::vector<std::string> destinations{dir.at("Brynja")};
    const std::filesystem::path shm("/dev/shm");
    std::error_code ec;
    std::unique_ptr<test::TempDir> other;
    if (std::filesystem::is_directory(shm, ec)) {
        const std::string there = (shm / dir.path().filename()).string();
        std::filesystem::create_directory(there, ec);
        if (!ec) {
            destinations.push_back(there);
        }
    }
    for (const std::string& to : destinations) {
        SCOPED_TRACE(to);
        std::filesystem::remove_all(dir.at("Aldric"), ec);
        std::filesystem::create_directories(dir.at("Aldric"));
        std::filesystem::create_directories(to);
        test::writeBytes(dir.at("Aldric/Save 1.ess"), std::string(3 << 20, 'e'));
        test::writeBytes(dir.at("Aldric/Save 1.obse"), "co-save");
        test::writeBytes(dir.at("Aldric/Save 2.ess"), "second");
        const char sep = files->separator();
        test::writeBytes(to + sep + "save 2.ESS", "in the way");
        const auto time =
            std::filesystem::last_write_time(dir.at("Aldric/Save 1.ess")) - std::chrono::hours(30);
        std::filesystem::last_write_time(dir.at("Aldric/Save 1.ess"), time);

        std::vector<SaveEntry> saves{save(dir.at("Aldric"), "Save 1.ess", {"Save 1.obse"}),
                                     save(dir.at("Aldric"), "Save 2.ess")};
        for (SaveEntry& e : saves) {
            e.path = dir.at("Aldric") + sep + e.fileName;
        }
        const auto copied = transferSaves(*files, saves, to, Transfer::copy);
        EXPECT_EQ(copied[0].outcome, Outcome::done);
        EXPECT_EQ(std::filesystem::last_write_time(to + sep + "Save 1.ess"), time);
        std::filesystem::remove(to + sep + "Save 1.ess");
        std::filesystem::remove(to + sep + "Save 1.obse");

        const auto moved = transferSaves(*files, saves, to, Transfer::move);
        EXPECT_EQ(moved[0].outcome, Outcome::done);
        // Under Wine the game would take one name for the other.
        if (sep == '/') {
            EXPECT_EQ(moved[1].outcome, Outcome::nameTaken);
        }
        EXPECT_EQ(test::readBytes(to + sep + "Save 1.ess"), std::string(3 << 20, 'e'));
        EXPECT_EQ(test::readBytes(to + sep + "Save 1.obse"), "co-save");
        EXPECT_EQ(test::readBytes(to + sep + "save 2.ESS"), "in the way");
        EXPECT_EQ(test::readBytes(dir.at("Aldric/Save 2.ess")), "second");
        EXPECT_FALSE(std::filesystem::exists(dir.at("Aldric/Save 1.ess")));
        EXPECT_FALSE(std::filesystem::exists(dir.at("Aldric/Save 1.obse")));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(to),
                                std::filesystem::directory_iterator()),
                  3);
    }
    if (destinations.size() > 1) {
        std::filesystem::remove_all(destinations.back(), ec);
    }
}

}  // namespace
}  // namespace quarlo::saves
