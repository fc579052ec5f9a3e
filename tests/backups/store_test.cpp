#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "backups/digest.h"
#include "backups/store.h"
#include "platform/trash.h"
#include "tests/support/faulty_save_files.h"
#include "tests/support/native.h"
#include "tests/support/save_writer.h"
#include "tests/support/temp_dir.h"

namespace quarlo::backups {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;  // name -> bytes

// A game folder with Aldric's saves and a store beside it; each backup is a
// second later than the one before.
struct Scene {
    test::TempDir dir;
    std::string game = dir.at("game");
    std::string aldric = dir.at("game/Saves/Aldric");
    std::string store = dir.at("store");
    test::FaultySaveFiles files{test::nativeSaveFiles()};
    std::unique_ptr<platform::FileSystem> fs = test::nativeFileSystem();
    int second = 0;
    Store backups{files, *fs, store, [this] {
                      const int n = second++;
                      return "2026-12-08T10:00:" + std::string(n < 10 ? "0" : "") +
                             std::to_string(n) + "Z";
                  }};

    Scene() {
        fs::create_directories(aldric);
        write({{"Save 1.ess", test::saveBytes({})},
               {"Save 1.obse", "co-save"},
               {"Save 2.ess", std::string(100000, 's')},
               {"notes.txt", "not a save"}});
    }
    void write(const Files& files) {
        for (const auto& [name, bytes] : files) {
            test::writeBytes(aldric + "/" + name, bytes);
        }
    }
    // Every file of a folder with its bytes.
    static Files in(const std::string& folder) {
        Files out;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(folder, ec)) {
            if (e.is_regular_file()) {
                out[e.path().filename().string()] = test::readBytes(e.path().string());
            }
        }
        return out;
    }
    Made backUp(Reason reason = Reason::byHand) {
        return backups.backUp(game, "Aldric", aldric, reason, {});
    }
    // Every folder under the store's character folder.
    std::size_t folders() const {
        std::size_t n = 0;
        std::error_code ec;
        for (const auto& e : fs::recursive_directory_iterator(store, ec)) {
            n += e.is_directory() &&
                 e.path().parent_path().parent_path().parent_path() == fs::path(store);
        }
        return n;
    }
};

Files withoutNotes(Files files) {
    files.erase("notes.txt");
    return files;
}

// A backup holds every save with its co-saves and its manifest; a second of
// an unchanged character is links to the first's files; a changed save is
// copied anew.
TEST(Backups, KeepEverySaveAndLinkWhatHasNotChanged) {
    Scene s;
    const Made first = s.backUp();
    ASSERT_TRUE(first.failure.empty()) << first.failure;
    ASSERT_TRUE(first.backup);
    EXPECT_EQ(first.copied, 3u);
    Files expected = withoutNotes(Scene::in(s.aldric));
    Files kept = Scene::in(first.backup->folder);
    EXPECT_EQ(kept.erase(std::string(kManifestName)), 1u);
    EXPECT_EQ(kept, expected);

    const Made second = s.backUp(Reason::leftCharacter);
    ASSERT_TRUE(second.backup);
    EXPECT_EQ(second.linked, 3u);
    EXPECT_EQ(second.copied, 0u);
    for (const auto& [name, bytes] : expected) {
        EXPECT_EQ(s.files.stamp(first.backup->folder + "/" + name)->node,
                  s.files.stamp(second.backup->folder + "/" + name)->node)
            << name;
    }
    s.write({{"Save 2.ess", std::string(100000, 't')}});
    const Made third = s.backUp();
    EXPECT_EQ(third.linked, 2u);
    EXPECT_EQ(third.copied, 1u);
    const auto list = s.backups.list(s.game, "Aldric");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].id, third.backup->id);  // newest first
    EXPECT_EQ(list[1].manifest.reason, Reason::leftCharacter);
    // The linked files count once on disk.
    EXPECT_LT(s.backups.sizeOnDisk(), 3 * 100000u + 3 * 1000u + 2 * 100000u);
}

// Every call the backup makes fails in turn: the character's folder stays as
// it was, and the store holds either a whole backup (its files the saves'
// bytes) or none, never an unfinished one.
TEST(Backups, AnyFailureLeavesAWholeBackupOrNone) {
    Scene clean;
    clean.backUp();
    clean.write({{"Save 2.ess", std::string(100000, 't')}});
    const int first = clean.files.calls;
    clean.backUp();
    const int steps = clean.files.calls - first;
    for (int fail = 0; fail < steps; ++fail) {
        SCOPED_TRACE("call " + std::to_string(fail) + " fails");
        Scene s;
        s.backUp();
        const Files earlier = withoutNotes(Scene::in(s.aldric));
        s.write({{"Save 2.ess", std::string(100000, 't')}});
        const Files before = Scene::in(s.aldric);
        s.files.failAt = s.files.calls + fail;
        const Made made = s.backUp();
        s.files.failAt.reset();
        EXPECT_EQ(Scene::in(s.aldric), before);
        EXPECT_EQ(made.failure.empty(), made.backup.has_value());
        if (!made.failure.empty()) {
            EXPECT_EQ(made.failure.rfind("Failed. ", 0), 0u);
        }
        const auto list = s.backups.list(s.game, "Aldric");
        EXPECT_EQ(list.size(), made.backup ? 2u : 1u);
        EXPECT_EQ(s.folders(), list.size());
        Files kept = Scene::in(list.front().folder);
        kept.erase(std::string(kManifestName));
        EXPECT_EQ(kept, made.backup ? withoutNotes(before) : earlier);
    }
}

// A folder without its manifest, or a folder of a run that ended, is
// removed the next time the backups are looked at; one of a run still at
// work stays.
TEST(Backups, UnfinishedBackupsAreRemovedNextTime) {
    Scene s;
    s.backUp();
    const std::string folder = s.backups.list(s.game, "Aldric").front().folder;
    const std::string character = fs::path(folder).parent_path().string();
    for (const char* name : {"2026-12-08T09-00-00Z", "2026-12-08T09-00-01Z.99999999.quarlo-part",
                             "2026-12-08T09-00-02Z.7777777.quarlo-part"}) {
        fs::create_directories(character + "/" + name);
        test::writeBytes(character + "/" + name + "/Save 1.ess", "half");
    }
    s.files.alsoRunning = 7777777;
    EXPECT_EQ(s.backups.list(s.game, "Aldric").size(), 1u);
    EXPECT_FALSE(fs::exists(character + "/2026-12-08T09-00-00Z"));
    EXPECT_FALSE(fs::exists(character + "/2026-12-08T09-00-01Z.99999999.quarlo-part"));
    EXPECT_TRUE(fs::exists(character + "/2026-12-08T09-00-02Z.7777777.quarlo-part"));
}

// Of the automatic backups the newest 20 stay; those made by hand all do.
TEST(Backups, PruningKeepsTheNewestAutomaticAndAllByHand) {
    Scene s;
    for (int i = 0; i < 25; ++i) {
        s.backUp(i % 12 == 0 ? Reason::byHand : Reason::leftCharacter);
    }
    s.backups.prune(s.game, "Aldric");
    std::size_t byHand = 0;
    std::size_t automatic = 0;
    for (const Backup& b : s.backups.list(s.game, "Aldric")) {
        (b.manifest.reason == Reason::byHand ? byHand : automatic) += 1;
    }
    EXPECT_EQ(byHand, 3u);
    EXPECT_EQ(automatic, 20u);
    EXPECT_EQ(Scene::in(s.aldric).size(), 4u);
}

// A restore first backs up the folder as it is, then puts back what is
// missing and replaces what differs; files not in the backup stay.
TEST(Backups, RestorePutsBackWhatIsMissingOrDifferentAfterASafetyBackup) {
    Scene s;
    const Made old = s.backUp();
    const Files then = Scene::in(s.aldric);
    fs::remove(s.aldric + "/Save 1.obse");
    s.write({{"Save 2.ess", "changed"}, {"Save 3.ess", "a new save"}});
    const Files before = Scene::in(s.aldric);
    const Restored r = s.backups.restore(*old.backup, s.aldric, {});
    ASSERT_TRUE(r.failure.empty()) << r.failure;
    EXPECT_EQ(r.added, std::vector<std::string>{"Save 1.obse"});
    EXPECT_EQ(r.replaced, std::vector<std::string>{"Save 2.ess"});
    EXPECT_EQ(r.unchanged, std::vector<std::string>{"Save 1.ess"});
    EXPECT_TRUE(r.skipped.empty());
    Files now = then;
    now["Save 3.ess"] = "a new save";
    EXPECT_EQ(Scene::in(s.aldric), now);
    ASSERT_TRUE(r.safety);
    Files safe = Scene::in(r.safety->folder);
    safe.erase(std::string(kManifestName));
    EXPECT_EQ(safe, withoutNotes(before));

    // A safety backup that cannot be made stops the restore before it begins.
    s.write({{"Save 2.ess", "changed again"}});
    const Files unrestored = Scene::in(s.aldric);
    s.files.failAt = s.files.calls + 4;
    const Restored refused = s.backups.restore(*old.backup, s.aldric, {});
    EXPECT_EQ(refused.failure.rfind("Failed. ", 0), 0u);
    EXPECT_EQ(Scene::in(s.aldric), unrestored);
}

// Every call a restore makes fails in turn, or the restore is cut off before
// it (and the next start looks): a save is never left without its name,
// each file is one of its two versions, and a file set aside is left only
// where the summary says so.
TEST(Backups, ARestoreNeverLeavesASaveWithoutItsName) {
    struct Killed {};
    const auto scene = [](Scene& s) {
        const Made old = s.backUp();
        s.write({{"Save 1.ess", "the game's later save"}, {"Save 2.ess", "changed too"}});
        return *old.backup;
    };
    Scene probe;
    const Backup chosen = scene(probe);
    const int first = probe.files.calls;
    probe.backups.restore(chosen, probe.aldric, {});
    const int steps = probe.files.calls - first;
    for (int at = 0; at < steps; ++at) {
        for (const bool kill : {false, true}) {
            SCOPED_TRACE((kill ? "killed before call " : "call fails: ") + std::to_string(at));
            Scene s;
            const Backup backup = scene(s);
            const Files before = Scene::in(s.aldric);
            const Files kept = [&] {
                Files f = Scene::in(backup.folder);
                f.erase(std::string(kManifestName));
                return f;
            }();
            const int n = s.files.calls + at;
            Restored r;
            if (kill) {
                s.files.beforeCall = [n](int call) {
                    if (call == n) {
                        throw Killed{};
                    }
                };
                try {
                    r = s.backups.restore(backup, s.aldric, {});
                } catch (const Killed&) {
                }
                s.files.beforeCall = nullptr;
                s.backups.finishRestore(s.game);
            } else {
                s.files.failAt = n;
                r = s.backups.restore(backup, s.aldric, {});
                s.files.failAt.reset();
            }
            const Files after = Scene::in(s.aldric);
            for (const auto& [name, bytes] : before) {
                ASSERT_TRUE(after.count(name)) << name << " lost its name";
                EXPECT_TRUE(after.at(name) == bytes ||
                            (kept.count(name) && after.at(name) == kept.at(name)))
                    << name;
            }
            for (const auto& [name, bytes] : after) {
                // An unfinished copy is no save to the game; the next move or
                // restore there removes it.
                if (name.find(".quarlo-") != std::string::npos && !name.ends_with(".quarlo-part")) {
                    const bool said = std::any_of(r.skipped.begin(), r.skipped.end(),
                                                  [&](const std::string& why) {
                                                      return why.find(name) != std::string::npos;
                                                  });
                    EXPECT_TRUE(said && !kill) << name << " left unsaid";
                }
            }
        }
    }
}

// A store on another drive than the saves works the same: copies from the
// saves, links only between backups.
TEST(Backups, AStoreOnAnotherDrive) {
    std::error_code ec;
    Scene s;
    const std::string far = "/dev/shm/" + fs::path(s.dir.str()).filename().string();
    if (!fs::create_directory(far, ec) || ec) {
        GTEST_SKIP() << "no second drive at /dev/shm";
    }
    Store there(s.files, *s.fs, far);
    const Made first = there.backUp(s.game, "Aldric", s.aldric, Reason::byHand, {});
    EXPECT_EQ(first.copied, 3u);
    const Made second = there.backUp(s.game, "Aldric", s.aldric, Reason::byHand, {});
    EXPECT_TRUE(second.failure.empty()) << second.failure;
    EXPECT_EQ(there.list(s.game, "Aldric").size(), second.backup ? 2u : 1u);
    fs::remove_all(far, ec);
}

// What another program, a failing disk or a planted file can leave in the
// store: a backup is linked to or put back only while it is what its list
// says, a link is never entered, and nothing outside the store is touched.
TEST(Backups, TrustsNothingReadBackFromTheStore) {
    enum class Then { listed, damagedCopy, notListed };
    struct Case {
        const char* what;
        std::function<void(Scene&, const std::string& backup)> plant;
        Then then;
    };
    const auto writeInto = [](const std::string& file, const std::string& bytes) {
        fs::remove(file);  // not through the link to the save's own copy
        test::writeBytes(file, bytes);
    };
    const auto link = [](const std::string& target, const std::string& at, bool folder) {
        std::error_code ec;
        folder ? fs::create_directory_symlink(target, at, ec) : fs::create_symlink(target, at, ec);
        return !ec;
    };
    for (const Case& c : {
             Case{"a link named like a backup, to the save folder",
                  [&](Scene&s, const std::string&b) {
                      link(s.aldric, fs::path(b).parent_path().string() + "/2027-01-01T00-00-00Z",
                           true);
                  },
                  Then::listed},
             Case{"a link named like an unfinished backup",
                  [&](Scene&s, const std::string&b) {
                      link(s.aldric, fs::path(b).parent_path().string() + "/x.1.quarlo-part", true);
                  },
                  Then::listed},
             Case{"a copy written into at the same size",
                  [&](Scene&, const std::string&b) {
                      const auto t = fs::last_write_time(b + "/Save 2.ess");
                      writeInto(b + "/Save 2.ess", std::string(100000, 'x'));
                      fs::last_write_time(b + "/Save 2.ess", t);
                  },
                  Then::damagedCopy},
             Case{"a copy cut short",
                  [&](Scene&, const std::string&b) {
                      writeInto(b + "/Save 2.ess", std::string(50000, 's'));
                  },
                  Then::damagedCopy},
             Case{"a copy that is a link to another file",
                  [&](Scene&s, const std::string&b) {
                      test::writeBytes(s.dir.at("other.ess"), std::string(100000, 's'));
                      fs::remove(b + "/Save 2.ess");
                      link(s.dir.at("other.ess"), b + "/Save 2.ess", false);
                  },
                  Then::damagedCopy},
             Case{"a list naming a file outside the backup",
                  [&](Scene&, const std::string&b) {
                      std::string list = test::readBytes(b + "/" + std::string(kManifestName));
                      list.replace(list.find("Save 2.ess"), 10, "../Save9.ess");
                      writeInto(b + "/" + std::string(kManifestName), list);
                  },
                  Then::notListed},
         }) {
        SCOPED_TRACE(c.what);
        Scene s;
        const Made first = s.backUp();
        ASSERT_TRUE(first.backup);
        const Files saves = Scene::in(s.aldric);
        c.plant(s, first.backup->folder);
        const auto listed = s.backups.list(s.game, "Aldric");
        EXPECT_EQ(Scene::in(s.aldric), saves);
        ASSERT_EQ(listed.size(), c.then == Then::notListed ? 0u : 1u);
        // The next backup copies what it cannot prove unchanged.
        const Made second = s.backUp(Reason::leftCharacter);
        ASSERT_TRUE(second.backup) << second.failure;
        EXPECT_EQ(second.copied,
                  c.then == Then::listed ? 0u : 3u - (c.then != Then::notListed) * 2);
        Files kept = Scene::in(second.backup->folder);
        kept.erase(std::string(kManifestName));
        EXPECT_EQ(kept, withoutNotes(saves));
        if (c.then == Then::notListed) {
            continue;
        }
        // A restore of the damaged backup leaves the save it cannot vouch for.
        s.write({{"Save 2.ess", "changed"}});
        const Restored r = s.backups.restore(listed.front(), s.aldric, {});
        EXPECT_TRUE(r.failure.empty()) << r.failure;
        EXPECT_EQ(test::readBytes(s.aldric + "/Save 2.ess"),
                  c.then == Then::listed ? saves.at("Save 2.ess") : "changed");
        EXPECT_EQ(r.skipped.size(), c.then == Then::listed ? 0u : 1u);
        EXPECT_FALSE(fs::exists(s.dir.at("game/Saves/Save9.ess")));
    }
}

// Names the store's folders or lists could confuse: each character keeps
// its own backups, whatever its name holds.
TEST(Backups, EveryCharacterNameHasBackupsOfItsOwn) {
    Scene s;
    const std::vector<std::string> names = {"a\\b", "a/b",  "a_b", "a:b", "Foo",
                                            "foo",  "x\ny", "..",  "CON", "50%"};
    for (const std::string& name : names) {
        const Made made = s.backups.backUp(s.game, name, s.aldric, Reason::byHand, {});
        EXPECT_TRUE(made.backup) << name << ": " << made.failure;
    }
    for (const std::string& name : names) {
        const auto list = s.backups.list(s.game, name);
        ASSERT_EQ(list.size(), 1u) << name;
        EXPECT_EQ(list.front().manifest.character, name);
    }
}

// One game folder has one history, however it is reached: with a trailing
// separator, through "..", or through a link (Steam's ~/.steam/steam).
TEST(Backups, AGameFolderReachedAnyWayHasOneHistory) {
    Scene s;
    std::error_code noLinks;
    fs::create_directory_symlink(s.game, s.dir.at("link"), noLinks);
    std::vector<std::string> ways{s.game, s.game + "/", s.game + "/Saves/.."};
    if (!noLinks) {
        ways.push_back(s.dir.at("link"));
    }
    for (const std::string& way : ways) {
        ASSERT_TRUE(s.backups.backUp(way, "Aldric", s.aldric, Reason::byHand, {}).backup) << way;
    }
    for (const std::string& way : ways) {
        EXPECT_EQ(s.backups.list(way, "Aldric").size(), ways.size()) << way;
    }
    // A rename made one way is seen every way.
    ASSERT_TRUE(s.backups.renameCharacter(ways.back(), "Aldric", "Al").failure.empty());
    EXPECT_EQ(s.backups.list(s.game + "/", "Al").size(), ways.size());
    EXPECT_TRUE(s.backups.list(s.game, "Aldric").empty());
}

// Backups are listed in the order they were made: ten in one second, and a
// clock set back since (whose safety backup must outlive the pruning that
// follows a restore).
TEST(Backups, NewestFirstWhateverTheClockSays) {
    Scene s;
    std::string clock = "2030-01-01T00:00:00Z";
    Store backups(s.files, *s.fs, s.store, [&clock] { return clock; });
    std::vector<std::string> made;
    for (int i = 0; i < 21; ++i) {
        made.push_back(
            backups.backUp(s.game, "Aldric", s.aldric, Reason::leftCharacter, {}).backup->id);
    }
    clock = "2026-12-08T10:00:00Z";  // corrected
    s.write({{"Save 2.ess", "changed"}});
    const Restored r = backups.restore(backups.list(s.game, "Aldric").back(), s.aldric, {});
    ASSERT_TRUE(r.safety);
    backups.prune(s.game, "Aldric");
    const auto list = backups.list(s.game, "Aldric");
    ASSERT_EQ(list.size(), 20u);
    EXPECT_EQ(list.front().id, r.safety->id);
    for (std::size_t i = 1; i < list.size(); ++i) {
        EXPECT_EQ(list[i].id, made[made.size() - i]);
    }
    EXPECT_EQ(test::readBytes(r.safety->folder + "/Save 2.ess"), "changed");
}

// Restore puts a save back with its co-saves or not at all, and clears what
// a cut-off restore left; the list and a save can share a stem.
TEST(Backups, RestoreKeepsSavesWholeBesideTheirCoSaves) {
    Scene s;
    s.write({{"quarlo-backup.ess", test::saveBytes({})},
             {"quarlo-backup.obse", "its co-save"},
             {"quarlo-backup.txt", "the player's note"}});
    const Made old = s.backUp();
    ASSERT_TRUE(old.backup) << old.failure;
    const Files then = Scene::in(s.aldric);
    // The save is gone, its co-save is another version's; an unfinished
    // copy of a run that ended lies beside them.
    fs::remove(s.aldric + "/Save 1.ess");
    s.write({{"Save 1.obse", "another co-save"}, {"Save 1.ess.99999999.quarlo-part", "half"}});
    const Restored r = s.backups.restore(*old.backup, s.aldric, {});
    EXPECT_TRUE(r.failure.empty()) << r.failure;
    EXPECT_EQ(Scene::in(s.aldric), then);
    Files safe = Scene::in(r.safety->folder);
    EXPECT_EQ(safe["Save 1.obse"], "another co-save");
}

// Whatever moment the game writes a save during a restore, its bytes stay:
// in the save, in the safety backup, or set aside beside it.
TEST(Backups, AWriteDuringARestoreIsNeverLost) {
    Scene clean;
    const Made old = clean.backUp();
    clean.write({{"Save 2.ess", "changed"}});
    const int first = clean.files.calls;
    clean.backups.restore(*old.backup, clean.aldric, {});
    const int steps = clean.files.calls - first;
    for (int at = 0; at < steps; ++at) {
        SCOPED_TRACE("the game writes before call " + std::to_string(at));
        Scene s;
        const Made made = s.backUp();
        s.write({{"Save 2.ess", "changed"}});
        s.files.beforeCall = [&s, at, start = s.files.calls](int call) {
            if (call == start + at) {
                std::ofstream(s.aldric + "/Save 2.ess", std::ios::app) << "+game";
            }
        };
        const Restored r = s.backups.restore(*made.backup, s.aldric, {});
        s.files.beforeCall = {};
        bool kept = false;
        for (const std::string& folder : {s.aldric, r.safety ? r.safety->folder : s.aldric}) {
            for (const auto& [name, bytes] : Scene::in(folder)) {
                kept = kept || bytes.ends_with("+game");
            }
        }
        EXPECT_TRUE(kept);
    }
}

TEST(Manifest, ReadsBackWhatItWritesAndNothingCutOrOutsideItsFolder) {
    Manifest m{"C:\\Games\\Oblivion",
               "Al\ndric 100%",
               Reason::beforeSort,
               "2026-12-08T10:00:00Z",
               {{"Save 1 - a b.ess", {1, 2, 3, 4, 5}, 6, {7, 8, 1, 2, 9}},
                {"Save 1.obse\r", {6, 7, 8, 9, 10}, 11, {12, 13, 6, 7, 14}}}};
    const std::string text = formatManifest(m);
    const auto back = parseManifest(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(formatManifest(*back), text);
    EXPECT_EQ(back->character, m.character);
    for (std::size_t n = 0; n < text.size(); ++n) {
        EXPECT_FALSE(parseManifest(std::string_view(text).substr(0, n))) << n;
    }
    for (const char* name :
         {"..", ".", "a/b.ess", "a\\b.ess", "quarlo-backup.txt", "", "Save 1 - a b.ess"}) {
        Manifest bad = m;
        bad.files[1].name = name;
        EXPECT_FALSE(parseManifest(formatManifest(bad))) << name;
    }
    // The first version's lists are still read.
    EXPECT_TRUE(
        parseManifest("quarlo-backup 1\ncharacter A\nreason hand\nmade x\n"
                      "file 1 2 3 4 5 Save 1.ess\nend\n"));
    // The checksum follows the bytes, however they are read.
    Digest whole;
    whole.add("0123456789abcdefghijklmnopqrstuvwxyz0123456789");
    Digest parts;
    for (const char* part : {"0123456789abcdefghijk", "lmnopqrstuvwxyz01234", "56789"}) {
        parts.add(part);
    }
    EXPECT_EQ(whole.value(), parts.value());
    Digest other;
    other.add("0123456789abcdefghijklmnopqrstuvwxyz0123456788");
    EXPECT_NE(whole.value(), other.value());
}

}  // namespace
}  // namespace quarlo::backups
