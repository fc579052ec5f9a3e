#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/trash.h"
#include "saves/transfer.h"
#include "tests/support/fake_saves_view.h"
#include "tests/support/memory_save_files.h"
#include "tests/support/native.h"
#include "tests/support/temp_dir.h"

namespace quarlo::saves {
namespace {

using Outcome = TransferResult::Outcome;
using Names = std::vector<std::string>;

const std::string kFrom = "/disk/Saves/Aldric";

// Three saves of one character and a destination that already holds a
// co-save of the third's name.
struct Scene {
    std::string to;
    test::MemorySaveFiles files;
    std::map<std::string, Names> saves{{"Save 1.ess", {"Save 1.obse", "Save 1.pluggy"}},
                                       {"Save 2.ess", {}},
                                       {"Save 3.ess", {"Save 3.obse"}}};
    std::map<std::string, std::string> original;  // file name -> bytes

    explicit Scene(std::string destination) : to(std::move(destination)) {
        for (const auto& [save, coSaves] : saves) {
            for (const std::string& name : filesOf(save)) {
                original[name] = "bytes of " + name;
                files.files[kFrom + "/" + name] = original[name];
            }
        }
        files.files[to + "/Save 3.obse"] = "another character's co-save";
    }

    Names filesOf(const std::string& save) const {
        Names names = saves.at(save);
        names.push_back(save);
        return names;
    }
    bool has(const std::string& folder, const std::string& name) const {
        const auto it = files.files.find(folder + "/" + name);
        return it != files.files.end() && it->second == original.at(name);
    }
    std::vector<TransferResult> run(Transfer how) {
        return transferSaves(files, kFrom, {{{"Save 1.ess", "Save 2.ess", "Save 3.ess"}, to}}, how);
    }
};

// Whatever the results say is where each file is: whole on one side, or,
// where an undo failed, each file where its place says; never a byte of a
// save lost, and never the file in the way touched.
void expectResultsTrue(Scene& s, const std::vector<TransferResult>& results, Transfer how) {
    ASSERT_EQ(results.size(), 3u);
    for (const TransferResult& r : results) {
        SCOPED_TRACE(r.fileName);
        std::map<std::string, Place> where;
        for (const std::string& name : s.filesOf(r.fileName)) {
            where[name] = Place::source;
            if (r.outcome == Outcome::done || r.outcome == Outcome::leftBehind) {
                where[name] = how == Transfer::copy ? Place::both : Place::destination;
            }
        }
        for (const FilePlace& p : r.places) {
            where[p.file] = p.place;
        }
        for (const std::string& aside : r.setAside) {
            // Said in the summary, and renamed back as it says.
            const std::string name = aside.substr(0, aside.find(".4242."));
            s.files.files[kFrom + "/" + name] = s.files.files[kFrom + "/" + aside];
            s.files.files.erase(kFrom + "/" + aside);
        }
        for (const auto& [name, place] : where) {
            EXPECT_EQ(s.has(kFrom, name), place != Place::destination) << name;
            if (name != "Save 3.obse") {
                EXPECT_EQ(s.has(s.to, name), place != Place::source) << name;
            }
        }
    }
    EXPECT_EQ(s.files.files.at(s.to + "/Save 3.obse"), "another character's co-save");
    // An unfinished copy that could not be removed goes at the next
    // operation in that folder.
    transferSaves(s.files, kFrom, {{{}, s.to}}, how);
    for (const auto& [path, bytes] : s.files.files) {
        EXPECT_EQ(path.find(kPartSuffix), std::string::npos) << path;
    }
}

// Every step of a move or copy is made to fail in turn, and then every pair
// of steps (a failure, then a failure of its undo), within one file system
// and across two.
TEST(TransferSaves, AnyOneOrTwoFailuresLeaveEveryFileWhereTheResultSays) {
    struct Case {
        const char* to;
        Transfer how;
    };
    for (const Case c :
         {Case{"/disk/Saves/Brynja", Transfer::move}, Case{"/other/Saves/Brynja", Transfer::move},
          Case{"/disk/Saves/Brynja", Transfer::copy},
          Case{"/other/Saves/Brynja", Transfer::copy}}) {
        Scene clean(c.to);
        const auto expected = clean.run(c.how);
        ASSERT_EQ(expected.size(), 3u);
        EXPECT_EQ(expected[0].outcome, Outcome::done);
        EXPECT_EQ(expected[0].coSaves, 2u);
        EXPECT_EQ(expected[1].outcome, Outcome::done);
        EXPECT_EQ(expected[2].outcome, Outcome::nameTaken);
        EXPECT_EQ(expected[2].detail, "Save 3.obse");
        const int steps = clean.files.steps;
        for (int first = -1; first < steps; ++first) {
            for (int second = first; second < steps; ++second) {
                SCOPED_TRACE(std::string(c.to) + (c.how == Transfer::move ? " move" : " copy") +
                             ", steps " + std::to_string(first) + " and " + std::to_string(second) +
                             " fail");
                Scene s(c.to);
                s.files.failSteps = {first, second};
                const auto results = s.run(c.how);
                expectResultsTrue(s, results, c.how);
                if (first == second) {
                    // One failure alone never splits a save.
                    for (const TransferResult& r : results) {
                        EXPECT_NE(r.outcome, Outcome::split) << r.fileName;
                    }
                }
                if (testing::Test::HasFailure()) {
                    return;
                }
            }
        }
    }
}

TEST(TransferSaves, ACopyThatComesBackDifferentIsUndone) {
    Scene s("/other/Saves/Brynja");
    s.files.cutCopies = true;
    for (const auto& r : s.run(Transfer::move)) {
        EXPECT_NE(r.outcome, Outcome::done) << r.fileName;
    }
    expectResultsTrue(s, s.run(Transfer::copy), Transfer::copy);
    EXPECT_EQ(s.files.files.size(), 7u);  // six files and the one in the way
}

// Another program writes the save at any moment of a move across drives, the
// removal of the original included, by name as the game does (a save set
// aside is written anew): its last bytes are never lost, and the save is
// whole where it was, with them, or arrives.
TEST(TransferSaves, ASaveWrittenDuringAMoveAcrossDrivesIsNeverLost) {
    Scene clean("/other/Saves/Brynja");
    transferSaves(clean.files, kFrom, {{{"Save 2.ess"}, clean.to}}, Transfer::move);
    const std::string source = kFrom + "/Save 2.ess";
    for (int at = 0; at < clean.files.steps; ++at) {
        SCOPED_TRACE(clean.files.trace[static_cast<std::size_t>(at)]);
        Scene s(clean.to);
        std::string written;
        s.files.beforeStep = [&s, &source, &written, at](int step) {
            if (step != at) {
                return;
            }
            if (s.files.files.count(source)) {
                s.files.append(source, " and more");
            } else {
                s.files.files[source] = "the game's next save";
            }
            written = s.files.files[source];
        };
        const auto r = transferSaves(s.files, kFrom, {{{"Save 2.ess"}, s.to}}, Transfer::move);
        const std::string there = s.to + "/Save 2.ess";
        EXPECT_TRUE(s.files.files[source] == written || s.files.files[there] == written);
        if (r[0].outcome == Outcome::done) {
            EXPECT_TRUE(s.files.files[there].starts_with(s.original["Save 2.ess"]));
        } else {
            EXPECT_TRUE(r[0].outcome == Outcome::changed || r[0].outcome == Outcome::failed);
            EXPECT_EQ(s.files.files[source], written);
            EXPECT_FALSE(s.files.files.count(there));
        }
    }
}

// What the folders hold when the operation runs decides, not what a list
// showed earlier (the Saves window's tests show a co-save written since and
// a save moved by another window): a save gone since is reported gone,
// links and saves whose names are the same to the game are left alone, and
// a name taken at the destination while the operation runs is never joined
// by a second one of another letter case.
TEST(TransferSaves, WorksOnWhatIsOnTheDiskWhenItActs) {
    using Arrange = std::function<void(test::MemorySaveFiles&)>;
    struct Case {
        const char* what;
        Arrange arrange;
        Names saves;
        std::vector<std::pair<Outcome, std::string>> results;  // each save's, with its detail
        Names left;                                            // Aldric's files afterwards
        Names arrived;                                         // Brynja's
    };
    const std::string to = "/disk/Saves/Brynja";
    const std::string save = kFrom + "/Save 2.ess";
    const std::string coSave = kFrom + "/Save 2.obse";
    const Arrange linkedCoSave = [&](auto& f) { f.files[coSave] = "x", f.links.insert(coSave); };
    const Arrange twins = [&](auto& f) { f.files[kFrom + "/save 2.ESS"] = f.files[coSave] = ""; };
    const Arrange takenMeanwhile = [&](test::MemorySaveFiles& f) {
        f.files[coSave] = "co";
        f.beforeStep = [&f, to](int) {
            if (f.trace.back() == "renameNew " + to + "/Save 2.obse") {
                f.files[to + "/save 2.ESS"] = "another's";
            }
        };
    };
    // In the moment between the last check and the rename itself.
    const Arrange takenAtTheRename = [&](test::MemorySaveFiles& f) {
        f.beforeStep = [&f, to](int) {
            if (f.trace.back() == "renameNew " + to + "/Save 2.ess") {
                f.files[to + "/save 2.ESS"] = "another's";
            }
        };
    };
    const Arrange readOnly = [&](auto& f) { f.readOnly.insert(kFrom); };
    const Names both{"Save 2.ess", "Save 2.obse"};
    using R = std::vector<std::pair<Outcome, std::string>>;
    const auto c = [](const char* what, Arrange arrange, Names saves, R results, Names left,
                      Names arrived) {
        return Case{what,
                    std::move(arrange),
                    std::move(saves),
                    std::move(results),
                    std::move(left),
                    std::move(arrived)};
    };
    const Case cases[] = {
        c("a save deleted meanwhile", [&](auto& f) { f.files.erase(save); }, {"Save 2.ess"},
          R{{Outcome::gone, ""}}, {}, {}),
        c("a link", [&](auto& f) { f.links.insert(save); }, {"Save 2.ess"},
          R{{Outcome::notAFile, "Save 2.ess"}}, {"Save 2.ess"}, {}),
        c("a co-save that is a link", linkedCoSave, {"Save 2.ess"},
          R{{Outcome::notAFile, "Save 2.obse"}}, both, {}),
        c("two saves the game sees as one, sharing a co-save", twins, {"Save 2.ess", "save 2.ESS"},
          R{{Outcome::sameName, "save 2.ESS"}, {Outcome::sameName, "Save 2.ess"}},
          {"Save 2.ess", "Save 2.obse", "save 2.ESS"}, {}),
        c("the name taken in another case while the move runs", takenMeanwhile, {"Save 2.ess"},
          R{{Outcome::nameTaken, "Save 2.ess"}}, both, {"save 2.ESS"}),
        c("the name taken in another case at the rename", takenAtTheRename, {"Save 2.ess"},
          R{{Outcome::nameTaken, "Save 2.ess"}}, {"Save 2.ess"}, {"save 2.ESS"}),
        c("a folder whose files cannot go", readOnly, {"Save 2.ess"}, R{{Outcome::readOnly, ""}},
          {"Save 2.ess"}, {}),
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::MemorySaveFiles f;
        f.files[save] = "save";
        f.files[to + "/.keep"] = "";
        c.arrange(f);
        const auto r = transferSaves(f, kFrom, {{c.saves, to}}, Transfer::move);
        ASSERT_EQ(r.size(), c.results.size());
        for (std::size_t i = 0; i < r.size(); ++i) {
            EXPECT_EQ(std::make_pair(r[i].outcome, r[i].detail), c.results[i]) << i;
        }
        EXPECT_EQ(f.namesIn(kFrom), c.left);
        Names arrived{".keep"};
        arrived.insert(arrived.end(), c.arrived.begin(), c.arrived.end());
        EXPECT_EQ(f.namesIn(to), arrived);
    }
}

// Unfinished copies: those of this code's exact form whose process has ended
// (or is this one, between operations) go; one of a process still running,
// and a file that only looks like one in another letter case, stay.
TEST(TransferSaves, RemovesOnlyItsOwnLeftovers) {
    const std::string to = "/other/Saves/Brynja";
    test::MemorySaveFiles f;
    f.running.insert(77);
    f.files[kFrom + "/Save 1.ess"] = "save";
    for (const char* name :
         {"Save 1.ess.4242.quarlo-part", "Save 9.ess.99.quarlo-part", "Save 8.ess.quarlo-part",
          "Save 7.ess.77.quarlo-part", "SAVE1.ESS.QUARLO-PART", "notes.quarlo-part.txt"}) {
        f.files[to + "/" + name] = "x";
    }
    const auto r = transferSaves(f, kFrom, {{{"Save 1.ess"}, to}}, Transfer::copy);
    EXPECT_EQ(r[0].outcome, Outcome::done);
    EXPECT_EQ(f.namesIn(to), (Names{"SAVE1.ESS.QUARLO-PART", "Save 1.ess",
                                    "Save 7.ess.77.quarlo-part", "notes.quarlo-part.txt"}));
}

// Cancel stops at the next whole save; the saves not begun stay, reported.
TEST(TransferSaves, StopsBetweenSavesWhenAsked) {
    Scene s("/disk/Saves/Brynja");
    std::vector<std::pair<std::size_t, std::size_t>> seen;
    const auto r =
        transferSaves(s.files, kFrom, {{{"Save 1.ess", "Save 2.ess", "Save 3.ess"}, s.to}},
                      Transfer::move, [&seen](std::size_t done, std::size_t total) {
                          seen.emplace_back(done, total);
                          return done < 1;
                      });
    EXPECT_EQ(seen, (std::vector<std::pair<std::size_t, std::size_t>>{{0, 3}, {1, 3}}));
    EXPECT_EQ(r[0].outcome, Outcome::done);
    EXPECT_EQ(r[1].outcome, Outcome::notStarted);
    EXPECT_EQ(r[2].outcome, Outcome::notStarted);
    EXPECT_TRUE(s.has(kFrom, "Save 2.ess"));
}

// The trash takes each save whole or not at all; where it brought a file
// back only in part, the result says which file is where.
TEST(TrashSaves, EachSaveWholeOrNotAtAllAndWhereEachFileIs) {
    test::MemorySaveFiles f;
    for (const char* name : {"A.ess", "A.obse", "B.ess"}) {
        f.files[kFrom + "/" + name] = name;
    }
    struct Case {
        platform::TrashResult answer;
        Outcome outcome;
        std::vector<FilePlace> places;
    };
    for (const Case& c : {
             Case{{platform::TrashOutcome::done, {}}, Outcome::done, {}},
             Case{{platform::TrashOutcome::failed, {}}, Outcome::failed, {}},
             Case{{platform::TrashOutcome::unavailable, {}}, Outcome::unavailable, {}},
             Case{{platform::TrashOutcome::failed, {kFrom + "/A.obse"}},
                  Outcome::split,
                  {{"A.obse", Place::trash}, {"A.ess", Place::source}}},
         }) {
        test::FakeTrash trash;
        trash.outcome = c.answer.outcome;
        trash.inTrash = c.answer.inTrash;
        const auto r = trashSaves(f, trash, kFrom, {"A.ess", "B.ess", "C.ess"});
        ASSERT_EQ(r.size(), 3u);
        EXPECT_EQ(r[0].outcome, c.outcome);
        EXPECT_EQ(r[0].coSaves, 1u);
        EXPECT_EQ(r[0].places, c.places);
        EXPECT_EQ(trash.given.front(), (Names{kFrom + "/A.obse", kFrom + "/A.ess"}));
        // The saves of a batch go to the trash together; a save gone since
        // it was listed is not asked for.
        EXPECT_EQ(trash.given.size(), 2u);
        EXPECT_EQ(r[1].outcome, c.outcome);
        EXPECT_EQ(r[2].outcome, Outcome::gone);
    }
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

        const auto copied =
            transferSaves(*files, dir.at("Aldric"), {{{"Save 1.ess"}, to}}, Transfer::copy);
        EXPECT_EQ(copied[0].outcome, Outcome::done);
        EXPECT_EQ(std::filesystem::last_write_time(to + sep + "Save 1.ess"), time);
        std::filesystem::remove(to + sep + "Save 1.ess");
        std::filesystem::remove(to + sep + "Save 1.obse");

        // A save that is a relative link would dangle anywhere else.
        const bool links = sep == '/';
        if (links) {
            std::filesystem::create_symlink("Save 2.ess", dir.at("Aldric/Save 3.ess"));
        }
        const auto moved =
            transferSaves(*files, dir.at("Aldric"),
                          {{{"Save 1.ess", "Save 2.ess", "Save 3.ess"}, to}}, Transfer::move);
        EXPECT_EQ(moved[0].outcome, Outcome::done);
        EXPECT_EQ(moved[0].coSaves, 1u);
        // The game would take one name for the other.
        EXPECT_EQ(moved[1].outcome, Outcome::nameTaken);
        EXPECT_EQ(moved[2].outcome, links ? Outcome::notAFile : Outcome::gone);
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
