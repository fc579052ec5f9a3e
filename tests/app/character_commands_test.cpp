#include <gtest/gtest.h>

#include "app/carry.h"
#include "app/picker.h"
#include "app/steam_cloud.h"
#include "app/tidy.h"
#include "backups/store.h"
#include "tests/app/app_fixture.h"
#include "tests/support/faulty_save_files.h"
#include "tests/support/save_writer.h"

namespace quarlo::test {
namespace {

using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

// Rename's and Tidy Up's dialogs, answered as scripted.
struct Answers : app::CharacterView {
    std::optional<std::string> name;
    // Runs after each long piece of work (the backup, then the trash).
    std::function<void(int)> afterWork;
    int works = 0;
    std::function<void(app::TidyPlan&, const std::function<app::TidyPlan(std::size_t)>&)> edit;
    Strings messages;
    int changed = 0;
    std::optional<std::string> askName(const std::string&, const std::string&,
                                       const std::string&) override {
        return name;
    }
    bool confirm(const std::string&, const std::string&) override { return true; }
    bool confirmTidy(app::TidyPlan& p,
                     const std::function<app::TidyPlan(std::size_t)>& replan) override {
        if (edit) {
            edit(p, replan);
        }
        return true;
    }
    void showMessage(const std::string&, const std::string& text) override {
        messages.push_back(text);
    }
    void savesChanged() override { ++changed; }
    void runWithProgress(const std::string&,
                         const std::function<void(const saves::Progress&)>& work) override {
        work([](std::size_t, std::size_t) { return true; });
        if (afterWork) {
            afterWork(works++);
        }
    }
};

// The names in a folder, sorted.
Strings namesIn(const std::string& folder) {
    Strings names;
    for (const auto& e : fs::directory_iterator(folder)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A trash that is a folder: what goes is kept there under its own name.
// `killAfter` files in, it stops as a killed process would; `lies` says
// done and moves nothing; `before` runs right before a batch goes.
struct FolderTrash : platform::Trash {
    struct Killed {};
    explicit FolderTrash(std::string at) : folder(std::move(at)) { fs::create_directories(folder); }
    std::string name() const override { return "trash"; }
    platform::TrashResult moveToTrash(const std::vector<std::string>& paths) override {
        for (const std::string& path : paths) {
            if (killAfter && (*killAfter)-- == 0) {
                throw Killed{};
            }
            if (!lies) {
                fs::rename(path, folder + "/" + fs::path(path).filename().string());
            }
        }
        return {platform::TrashOutcome::done, paths};
    }
    std::vector<platform::TrashResult> moveEachFromFolder(
        const platform::OpenFolder& from, const std::vector<std::vector<Expected>>& g) override {
        if (before) {
            before();
        }
        return Trash::moveEachFromFolder(from, g);
    }
    std::string folder;
    std::optional<int> killAfter;
    bool lies = false;
    std::function<void()> before;
};

// The platform's files, whose folders cannot be renamed while `fails`.
class FolderRenames : public FaultySaveFiles {
  public:
    FolderRenames() : FaultySaveFiles(nativeSaveFiles()) {}
    bool fails = false;
    platform::FileOutcome renameNew(const std::string& a, const std::string& b) override {
        return fails && fs::is_directory(a) ? platform::FileOutcome::failed
                                            : FaultySaveFiles::renameNew(a, b);
    }
};

// Ann, whom the game uses and whose screenshots carry her name, with a save
// and a backup; Bob beside her.
class CharacterCommandsTest : public AppTest {
  protected:
    void SetUp() override {
        folder("Saves/Ann");
        folder("Saves/Bob");
        writeBytes(inGame("Saves/Ann/Save 1.ess"), saveBytes(SaveShape{}));
        gameFile(
            "[General]\r\nSLocalSavePath=Saves\\Ann\\\r\n[Display]\r\n"
            "SScreenShotBaseName=Ann\r\n");
        programFile("[Bob]\r\niDifficultyLevel=90\r\n[Ann]\r\nSScreenShotBaseName=1\r\n");
        platform.backupStore = dir.at("store");
        platform.trash = std::make_unique<FolderTrash>(dir.at("trash"));
        auto files = std::make_unique<FolderRenames>();
        renames = files.get();
        platform.saveFiles = std::move(files);
        main.startUp();
        ASSERT_TRUE(main.game().backUp("Ann").failure.empty());
    }
    std::vector<backups::Backup> backupsOf(const std::string& name) {
        return main.game().store()->list(main.rootFolder(), name);
    }
    // Every file and folder under the game folder and the store, with the
    // files' bytes, and both settings files.
    std::map<std::string, std::string> snapshot() const {
        std::map<std::string, std::string> out;
        for (const std::string& top : {game(), dir.at("store")}) {
            for (const auto& e : fs::recursive_directory_iterator(top)) {
                out[e.path().string()] = e.is_regular_file() ? readBytes(e.path().string()) : "/";
            }
        }
        out["game"] = profileFake->bytes(gameIni());
        out["program"] = profileFake->bytes(programIni());
        return out;
    }
    FolderRenames* renames = nullptr;

    std::string rename(const std::string& to) {
        Answers answers;
        answers.name = to;
        main.onRename("Ann", answers);
        return answers.messages.empty() ? std::string() : answers.messages.back();
    }
};

TEST_F(CharacterCommandsTest, RenameTakesTheFolderSettingsGameAndBackupsAlong) {
    for (const std::string to : {"Anna", "anna"}) {
        const std::string from = to == "Anna" ? "Ann" : "Anna";
        std::string settings = profileFake->bytes(programIni());
        settings.replace(settings.find("[" + from + "]"), from.size() + 2, "[" + to + "]");
        Answers answers;
        answers.name = to;
        main.onRename(from, answers);
        ASSERT_EQ(answers.messages, Strings{"Success. " + from + " is now " + to + "."});
        EXPECT_TRUE(fs::exists(inGame("Saves/" + to + "/Save 1.ess")));
        // As spelled there, whatever the file system's case.
        EXPECT_EQ(namesIn(inGame("Saves")),
                  (to == "Anna" ? Strings{"Anna", "Bob"} : Strings{"Bob", "anna"}));
        EXPECT_EQ(profileFake->bytes(programIni()), settings);
        EXPECT_EQ(readGame("General", "SLocalSavePath"), "Saves\\" + to + "\\");
        EXPECT_EQ(readGame("Display", "SScreenShotBaseName"), to);
        EXPECT_TRUE(backupsOf(from).empty());
        ASSERT_EQ(backupsOf(to).size(), 1u);
        EXPECT_EQ(backupsOf(to)[0].manifest.character, to);
        EXPECT_EQ(controls.list, (Strings{to, "Bob"}));
        EXPECT_EQ(answers.changed, 1);
    }
}

// Carry…: asks for a place where none is set, shows each character's state
// and carries every one; a place that is not a folder is said, not kept.
TEST_F(CharacterCommandsTest, CarryAsksForThePlaceThenCarriesEveryCharacter) {
    platform.settingsFile = dir.at("quarlo-settings.ini");
    Answers nowhere;
    nowhere.name = dir.at("no such place");
    main.onCarry("Ann", nowhere);
    ASSERT_EQ(nowhere.messages.size(), 1u);
    EXPECT_EQ(nowhere.messages[0].rfind("Failed. No folder at ", 0), 0u);
    fs::create_directories(dir.at("place"));
    Answers answers;
    answers.name = dir.at("place");
    main.onCarry("Ann", answers);
    ASSERT_EQ(answers.messages.size(), 1u);
    EXPECT_EQ(answers.messages[0],
              "Success. Carried Ann: 1 save sent.\nSuccess. Bob was up to date.");
    EXPECT_EQ(answers.changed, 1);
    EXPECT_EQ(fs::directory_iterator(dir.at("place/quarlo/oblivion/computers"))->path().extension(),
              ".json");
    Answers again;
    main.onCarry("Bob", again);
    EXPECT_EQ(again.messages.back(), "Success. Ann was up to date.\nSuccess. Bob was up to date.");
    // A run whose carry after the game never came: the picker says so.
    for (const bool pending : {true, false}) {
        app::markCarryPending(main.game(), "Ann", pending);
        const auto lines = app::characterLines(main.game(), {});
        ASSERT_EQ(lines.front().name, "Ann");
        EXPECT_EQ(lines.front().uncarried, pending);
        EXPECT_FALSE(lines.back().uncarried);
    }
}

// Each step made to fail in turn: the steps before it are put back, and
// nothing is where it was not.
TEST_F(CharacterCommandsTest, RenameFailingAtAnyStepPutsBackTheStepsBefore) {
    struct Case {
        const char* what;
        std::function<void()> fault;
        std::string message;
    };
    const Case cases[] = {
        {"the folder", [&] { renames->fails = true; },
         "Failed. The folder Ann could not be renamed (is a file in it open?). Nothing was "
         "renamed."},
        {"quarlo.ini", [&] { profileFake->setReadOnly(programIni()); },
         "Failed. quarlo.ini could not be written. Nothing was renamed."},
        {"oblivion.ini", [&] { profileFake->setReadOnly(gameIni()); },
         "Failed. oblivion.ini could not be written. Nothing was renamed."},
        {"the backups",
         [&] {
             // A file where the new name's backups would go.
             const fs::path annsBackups = backupsOf("Ann")[0].folder;
             writeBytes(annsBackups.parent_path().parent_path().string() + "/Anna", "planted");
         },
         "Failed. The backups' folder of Anna cannot be made. Nothing was renamed."},
        // A read that fails is a failure, never a default taken for "not
        // this character"; so is a backup the store cannot list.
        {"listing the backups", [&] { renames->unlistable = "store"; }, "Failed. The backups of"},
    };
    for (const Case& c : cases) {
        c.fault();
        const auto before = snapshot();
        const std::string said = rename("Anna");
        EXPECT_EQ(said.substr(0, c.message.size()), c.message) << c.what;
        EXPECT_TRUE(said.ends_with("Nothing was renamed.")) << said;
        renames->unlistable.clear();
        EXPECT_EQ(snapshot(), before) << c.what;
        EXPECT_EQ(backupsOf("Ann").size(), 1u) << c.what;
        renames->fails = false;
        profileFake->setReadOnly(programIni(), false);
        profileFake->setReadOnly(gameIni(), false);
        profileFake->setUnreadable(gameIni(), false);
        profileFake->setUnreadable(programIni(), false);
    }
}

// A read that fails is a failure, never a default taken for "not this
// character": nothing is renamed, and no default is written anywhere.
TEST_F(CharacterCommandsTest, RenameFailsWhereASettingsFileCannotBeRead) {
    for (const std::string& ini : {gameIni(), programIni()}) {
        profileFake->setUnreadable(ini);
        const auto before = snapshot();
        EXPECT_EQ(main.game().rename("Ann", "Anna"),
                  "Failed. " + fs::path(ini).filename().string() +
                      " could not be read. Nothing was renamed.");
        EXPECT_EQ(snapshot(), before);
        profileFake->setUnreadable(ini, false);
    }
}

// Killed at any call of its files, Rename is finished by the next start of
// a front end: the folder, both settings files and the backups all under
// the new name, nothing under the old one, nothing in between.
TEST_F(CharacterCommandsTest, RenameCutOffAtAnyCallIsFinishedAtTheNextStart) {
    struct Killed {};
    const int first = renames->calls;
    ASSERT_EQ(main.game().rename("Ann", "Anna"), "Success. Ann is now Anna.");
    const int calls = renames->calls - first;
    ASSERT_EQ(main.game().rename("Anna", "Ann"), "Success. Anna is now Ann.");
    const auto before = snapshot();
    for (int kill = 0; kill < calls; ++kill) {
        SCOPED_TRACE("killed before call " + std::to_string(kill));
        const int at = renames->calls + kill;
        renames->beforeCall = [at](int n) {
            if (n == at) {
                throw Killed{};
            }
        };
        bool killed = false;
        try {
            main.game().rename("Ann", "Anna");
        } catch (const Killed&) {
            killed = true;
        }
        renames->beforeCall = nullptr;
        // The next start, of another front end.
        FakeControls next;
        app::Main again(platform, next);
        again.startUp();
        const bool renamed = fs::exists(inGame("Saves/Anna"));
        EXPECT_NE(renamed, fs::exists(inGame("Saves/Ann")));
        EXPECT_EQ(namesIn(inGame("Saves")),
                  (renamed ? Strings{"Anna", "Bob"} : Strings{"Ann", "Bob"}));
        const std::string now = renamed ? "Anna" : "Ann";
        EXPECT_EQ(readGame("General", "SLocalSavePath"), "Saves\\" + now + "\\");
        EXPECT_EQ(readGame("Display", "SScreenShotBaseName"), now);
        EXPECT_EQ(readProgram(now, "SScreenShotBaseName"), "1");
        EXPECT_EQ(backupsOf(now).size(), 1u);
        EXPECT_TRUE(backupsOf(renamed ? "Ann" : "Anna").empty());
        (void)killed;
        if (renamed) {
            ASSERT_EQ(main.game().rename("Anna", "Ann"), "Success. Anna is now Ann.");
        }
        EXPECT_EQ(snapshot(), before);
    }
}

// The letter-case rule is the file system's, for every letter: a change of
// case alone is a rename of the folder itself, and a name that differs from
// another only in case is taken.
TEST_F(CharacterCommandsTest, RenameFoldsEveryLetterAsTheFileSystemDoes) {
    ASSERT_EQ(main.game().rename("Ann", "J\xC3\xBCrgen"), "Success. Ann is now J\xC3\xBCrgen.");
    EXPECT_EQ(main.game().rename("J\xC3\xBCrgen", "J\xC3\x9CRGEN"),
              "Success. J\xC3\xBCrgen is now J\xC3\x9CRGEN.");
    EXPECT_EQ(namesIn(inGame("Saves")), (Strings{"Bob", "J\xC3\x9CRGEN"}));
    EXPECT_EQ(main.game().rename("Bob", "j\xC3\xBCrgen"), "Failed. Name Taken.");
}

// An earlier character's backups under the new name are set aside, never
// merged: the renamed character's history is its own, and the next
// switch's pruning cannot take one of its backups for the stranger's.
TEST_F(CharacterCommandsTest, RenameSetsAsideAnEarlierCharactersBackupsOfTheNewName) {
    folder("Saves/Anna");
    writeBytes(inGame("Saves/Anna/Save 9.ess"), saveBytes(SaveShape{}));
    ASSERT_TRUE(main.game().backUp("Anna").failure.empty());
    fs::remove_all(inGame("Saves/Anna"));  // that character is gone, its backup stays
    const std::string said = main.game().rename("Ann", "Anna");
    EXPECT_EQ(said.rfind("Success. Ann is now Anna. The backups of an earlier character named "
                         "Anna were set aside",
                         0),
              0u)
        << said;
    const auto now = backupsOf("Anna");
    ASSERT_EQ(now.size(), 1u);
    EXPECT_EQ(Strings{now[0].manifest.files.back().name}, Strings{"Save 1.ess"});
    const std::string aside = said.substr(said.rfind("they are in ") + 12);
    EXPECT_TRUE(fs::exists(aside.substr(0, aside.size() - 1) + "/" + "quarlo-backup.txt") ||
                !fs::is_empty(aside.substr(0, aside.size() - 1)));
}

TEST_F(CharacterCommandsTest, RenameRefusesTakenAndUnsafeNamesAndChangesNothing) {
    writeBytes(inGame("Saves/Cara"), "a file");
    std::error_code noLinks;  // Windows may not let a user make one
    fs::create_directory_symlink(inGame("Saves/Bob"), inGame("Saves/Link"), noLinks);
    const auto before = snapshot();
    const std::pair<std::string, const char*> cases[] = {
        {"Bob", "Failed. Name Taken."},
        {"BOB", "Failed. Name Taken."},
        {"cara", "Failed. Name Taken."},
        {noLinks ? "Bob" : "LINK", "Failed. Name Taken."},
        {"A:B", "Failed. Invalid Name."},
        {"A\\B", "Failed. Invalid Name."},
        {"CON", "Failed. Invalid Name."},
        {"", "Failed. Type a Name."},
        {std::string(60, 'x'), "Failed. Name Too Long."},
    };
    for (const auto& [to, message] : cases) {
        EXPECT_EQ(rename(to), message) << to;
    }
    EXPECT_EQ(main.game().rename("Ann", "Ann"), "Failed. Type a New Name.");
    processesFake->gameRunning = true;
    EXPECT_EQ(rename("Anna"), "Failed. Game Is Running.");
    EXPECT_EQ(snapshot(), before);
}

// The game's setting follows a rename only where it names that very
// folder: not a deeper one of the same name, nor, where the file system
// tells letter cases apart, another folder spelled otherwise.
TEST_F(CharacterCommandsTest, RenameRewritesTheGamesSettingOnlyWhereItNamesThisFolder) {
    struct Case {
        std::string path;   // SLocalSavePath before
        std::string other;  // a folder besides Ann, "" for none
        std::string after;
    };
    std::vector<Case> cases{{"Saves\\Deep\\Ann\\", "Deep/Ann", "Saves\\Deep\\Ann\\"},
                            {"Saves\\ANN\\", "", "Saves\\Zed\\"},
                            {"Saves\\Ann", "", "Saves\\Zed\\"}};
    if (platform.fileSystem->separator() == '/') {
        cases.push_back({"Saves\\ann\\", "ann", "Saves\\ann\\"});
    }
    for (const Case& c : cases) {
        if (!c.other.empty()) {
            folder("Saves/" + c.other);
        }
        gameFile("[General]\r\nSLocalSavePath=" + c.path + "\r\n");
        EXPECT_EQ(main.game().rename("Ann", "Zed"), "Success. Ann is now Zed.") << c.path;
        EXPECT_EQ(readGame("General", "SLocalSavePath"), c.after) << c.path;
        if (!c.other.empty()) {
            fs::remove_all(inGame("Saves/" + c.other.substr(0, c.other.find('/'))));
        }
        gameFile("");
        ASSERT_EQ(main.game().rename("Zed", "Ann"), "Success. Zed is now Ann.");
    }
}

// Ann's fourteen numbered saves a minute apart, the game's own, another
// character's, a cut one and a co-save whose save is gone.
class TidyTest : public CharacterCommandsTest {
  protected:
    void SetUp() override {
        CharacterCommandsTest::SetUp();
        fs::remove(inGame("Saves/Ann/Save 1.ess"));
        for (int i = 1; i <= 14; ++i) {
            SaveShape s;
            s.saveTime.minute = static_cast<std::uint16_t>(i);
            writeBytes(ann("Save " + std::to_string(i) + ".ess"), saveBytes(s));
        }
        writeBytes(ann("Save 3.obse"), obseBytes(21, 4, 0x010201A0, {0x1400}));
        SaveShape old;
        old.saveTime.year = 2000;  // older than all, and still the game's own
        for (const char* own : {"autosave.ess", "quicksave.ess", "quicksave.bak"}) {
            writeBytes(ann(own), saveBytes(old));
        }
        SaveShape other = old;
        other.created.year = 2001;
        writeBytes(ann("Other.ess"), saveBytes(other));
        writeBytes(ann("Broken.ess"), saveBytes(old).substr(0, 80));
        writeBytes(ann("Save 99.obse"), obseBytes(21, 4, 0x010201A0, {0x1400}));
        // A save that is a link keeps its co-save out of the plan.
        std::error_code noLinks;
        fs::create_symlink(ann("Save 14.ess"), ann("Linked.ess"), noLinks);
        writeBytes(ann("Linked.obse"), obseBytes(21, 4, 0x010201A0, {0x1400}));
        if (noLinks) {
            fs::remove(ann("Linked.obse"));
        }
    }
    std::string ann(const std::string& name) const { return inGame("Saves/Ann/" + name); }
    std::size_t linked() const { return fs::is_symlink(ann("Linked.ess")) ? 1 : 0; }
    app::TidyPlan plan(std::size_t keep) const {
        const auto saves = saves::listSaves(*platform.saveFiles, inGame("Saves/Ann"));
        return app::planTidy(
            *saves, namesIn(inGame("Saves/Ann")), keep,
            [&](const std::string& n) { return platform.saveFiles->stamp(ann(n)); }, {});
    }
};

TEST_F(TidyTest, ThePlanTakesTheOldestOfTheCharactersOwnSavesAndStrayCoSaves) {
    struct Case {
        std::size_t keep;
        Strings chosen;  // what goes, in the plan's order
        std::size_t kept;
    };
    const Case cases[] = {
        {10, {"Save 1.ess", "Save 2.ess", "Save 3.ess", "Save 4.ess", "Save 99.obse"}, 14},
        {13, {"Save 1.ess", "Save 99.obse"}, 17},
        {14, {"Save 99.obse"}, 18},
        {0,
         {"Save 1.ess", "Save 2.ess", "Save 3.ess", "Save 4.ess", "Save 5.ess", "Save 6.ess",
          "Save 7.ess", "Save 8.ess", "Save 9.ess", "Save 10.ess", "Save 11.ess", "Save 12.ess",
          "Save 13.ess", "Save 14.ess", "Save 99.obse"},
         4},
    };
    for (const Case& c : cases) {
        const app::TidyPlan p = plan(c.keep);
        Strings chosen;
        for (const app::TidyItem& item : p.items) {
            if (item.chosen) {
                chosen.push_back(item.fileName);
            }
        }
        EXPECT_EQ(chosen, c.chosen) << c.keep;
        EXPECT_EQ(p.kept, c.kept + linked()) << c.keep;
        // The cut save is listed last, left unless ticked.
        ASSERT_FALSE(p.items.empty());
        EXPECT_EQ(p.items.back().fileName, "Broken.ess");
        EXPECT_EQ(p.items.back().kind, app::TidyItem::Kind::unloadable);
        EXPECT_FALSE(p.items.back().chosen);
    }
    EXPECT_EQ(plan(10).items[2].coSaves, Strings{"Save 3.obse"});
    EXPECT_EQ(plan(10).items[0].facts, "Level 12, Imperial City Market District, 2024-03-05 13:01");
}

TEST_F(TidyTest, TidyBacksUpThenTrashesWhatThePlanChoseAndLeavesWhatChanged) {
    Answers answers;
    answers.edit = [&](app::TidyPlan& p, const auto& replan) {
        p = replan(12);                // Save 1 and 2 are older than the newest 12
        p.items.back().chosen = true;  // Broken.ess too
        // The game writes Save 2 again after the plan was shown.
        SaveShape s;
        s.saveTime.minute = 2;
        s.level = 13;
        writeBytes(ann("Save 2.ess"), saveBytes(s));
    };
    main.onTidyUp("Ann", answers);
    ASSERT_EQ(answers.messages.size(), 1u);
    EXPECT_EQ(answers.messages[0],
              "Failed. 2 saves and 1 co-save went to the trash; " + std::to_string(16 + linked()) +
                  " saves stay, and a backup of Ann holds them all.\n\nSave 2.ess: it changed "
                  "since the plan.");
    EXPECT_EQ(namesIn(dir.at("trash")), (Strings{"Broken.ess", "Save 1.ess", "Save 99.obse"}));
    EXPECT_TRUE(fs::exists(ann("Save 2.ess")));
    const auto kept = backupsOf("Ann");
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].manifest.reason, backups::Reason::beforeTidy);
    // Every file, before any went (a link is no file of the character's).
    EXPECT_EQ(kept[0].manifest.files.size(), 21u + linked());
    EXPECT_TRUE(fs::exists(ann("Linked.obse")) || linked() == 0);

    // Stopped while the saves went: the strays stay too.
    writeBytes(ann("Save 98.obse"), "stray");
    app::TidyPlan again = plan(12);
    FolderTrash trash(dir.at("trash2"));
    const auto opened = platform.saveFiles->openFolder(inGame("Saves/Ann"));
    app::BackedUp all;
    for (const std::string& name : namesIn(inGame("Saves/Ann"))) {
        if (const auto stamp = platform.saveFiles->stamp(ann(name))) {
            all[name] = *stamp;
        }
    }
    const app::Tidied stopped = app::tidyAway(trash, *opened, again, all, {},
                                              [](std::size_t, std::size_t) { return false; });
    EXPECT_EQ(stopped.straysGone, 0u);
    EXPECT_TRUE(fs::exists(ann("Save 98.obse")));
    EXPECT_TRUE(fs::is_empty(dir.at("trash2")));
}

// Each file goes only as the very version the backup made first holds,
// checked right before it goes; what went is read from the folder, not
// taken from the trash's word.
TEST_F(TidyTest, OnlyWhatTheBackupHoldsGoesAndTheSummaryIsWhatIsOnDisk) {
    struct Case {
        const char* what;
        std::function<void(Answers&, FolderTrash&)> setup;
        std::string says;  // a line of the summary
        Strings staying;   // files that must still be in Ann
    };
    SaveShape rewritten;
    rewritten.level = 40;
    const Case cases[] = {
        {"a co-save written after the backup",
         [&](Answers& a, FolderTrash&) {
             a.afterWork = [&](int n) {
                 if (n == 0) {
                     writeBytes(ann("Save 1.obse"), "written by the extender");
                 }
             };
         },
         "Save 1.ess: Save 1.obse appeared since the backup was made",
         {"Save 1.ess", "Save 1.obse"}},
        {"a save written after the backup",
         [&](Answers& a, FolderTrash&) {
             a.afterWork = [&](int n) {
                 if (n == 0) {
                     writeBytes(ann("Save 2.ess"), saveBytes(rewritten));
                 }
             };
         },
         "Save 2.ess: it changed since the plan.",
         {"Save 2.ess"}},
        {"a save written right before it goes",
         [&](Answers&, FolderTrash& t) {
             t.before = [&] { writeBytes(ann("Save 3.ess"), saveBytes(rewritten)); };
         },
         "Save 3.ess: not deleted; Save 3.ess changed while it was being deleted",
         {"Save 3.ess", "Save 3.obse"}},
        {"a trash that says done and moves nothing",
         [&](Answers&, FolderTrash& t) { t.lies = true; },
         "Save 4.ess: not deleted; it could not be moved to the trash",
         {"Save 4.ess"}},
    };
    fs::copy(inGame("Saves/Ann"), dir.at("pristine"),
             fs::copy_options::copy_symlinks | fs::copy_options::recursive);
    for (const Case& c : cases) {
        fs::remove_all(inGame("Saves/Ann"));
        fs::copy(dir.at("pristine"), inGame("Saves/Ann"),
                 fs::copy_options::copy_symlinks | fs::copy_options::recursive);
        auto trash = std::make_unique<FolderTrash>(dir.at("trash-" + std::to_string(&c - cases)));
        FolderTrash& t = *trash;
        platform.trash = std::move(trash);
        Answers answers;
        c.setup(answers, t);
        main.onTidyUp("Ann", answers);
        ASSERT_EQ(answers.messages.size(), 1u) << c.what;
        EXPECT_TRUE(answers.messages[0].starts_with("Failed. ")) << c.what;
        EXPECT_NE(answers.messages[0].find(c.says), std::string::npos) << c.what << "\n"
                                                                       << answers.messages[0];
        for (const std::string& name : c.staying) {
            EXPECT_TRUE(fs::exists(ann(name))) << c.what << ": " << name;
        }
    }
}

// Killed between a save's files, the next start finishes the save's trip:
// the rest of it follows, never a co-save in the trash and its save in the
// folder.
TEST_F(TidyTest, CutOffBetweenASavesFilesItIsFinishedAtTheNextStart) {
    auto trash = std::make_unique<FolderTrash>(dir.at("trash-killed"));
    trash->killAfter = 3;  // Save 1, 2 and 3's co-save: then it stops
    platform.trash = std::move(trash);
    Answers answers;
    EXPECT_THROW(main.onTidyUp("Ann", answers), FolderTrash::Killed);
    EXPECT_TRUE(fs::exists(ann("Save 3.ess")));
    EXPECT_FALSE(fs::exists(ann("Save 3.obse")));
    FakeControls next;
    app::Main again(platform, next);
    again.startUp();
    EXPECT_FALSE(fs::exists(ann("Save 3.ess")));
    EXPECT_TRUE(fs::exists(dir.at("trash-killed/Save 3.ess")));
    EXPECT_TRUE(fs::exists(dir.at("trash-killed/Save 3.obse")));
    EXPECT_TRUE(fs::exists(ann("Save 4.ess")));  // never begun: stays whole
}

TEST_F(TidyTest, NothingGoesWithoutABackupOrWhileTheGameRuns) {
    const auto before = snapshot();
    struct Case {
        const char* what;
        std::function<void()> setup;
        std::string message;
    };
    const Case cases[] = {
        {"no backups' folder", [&] { platform.backupStore.clear(); },
         "Failed. No Folder for Backups. Nothing was sent to the trash."},
        {"game running", [&] { processesFake->gameRunning = true; }, app::text::kSavesInUse},
    };
    for (const Case& c : cases) {
        c.setup();
        Answers answers;
        main.onTidyUp("Ann", answers);
        EXPECT_EQ(answers.messages, Strings{c.message}) << c.what;
    }
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(fs::is_empty(dir.at("trash")));

    processesFake->gameRunning = false;
    Answers answers;
    main.onTidyUp("Bob", answers);
    EXPECT_EQ(answers.messages,
              Strings{"Failed. Nothing To Tidy Up.\n\n0 saves: none older than the newest 10 of "
                      "the character, and no co-save without its save."});
}

// Steam's lists of every account and both of the game's apps, read as Steam
// writes them (paths below the root with "/", the case it stored, root 2 for
// the documents folder) and as the game's rule reaches: saves directly in
// Saves, *.ess, not deleted or forgotten; other apps' and hostile ones tell
// nothing.
TEST(SteamCloud, TheGamesSavesAsSteamListsThemAndItsRuleReaches) {
    TempDir dir;
    struct Listed {
        std::string path;
        const char* root;
        const char* persist;
    };
    const auto list = [&](const std::string& at, const std::string& app,
                          const std::vector<Listed>& files) {
        std::string vdf = "\"" + app + "\"\n{\n\t\"ChangeNumber\"\t\t\"-7\"\n";
        for (const Listed& f : files) {
            vdf += "\t\"" + f.path + "\"\n\t{\n\t\t\"root\"\t\t\"" + f.root +
                   "\"\n\t\t\"size\"\t\t\"9\"\n\t\t\"persiststate\"\t\t\"" + f.persist +
                   "\"\n\t}\n";
        }
        fs::create_directories(dir.at("steam/userdata/" + at));
        writeBytes(dir.at("steam/userdata/" + at + "/remotecache.vdf"), vdf + "}\n");
    };
    list("11/22330", "22330",
         {{"my games/Oblivion/Saves/Save 1.ess", "2", "0"},
          {"My Games/Oblivion/Saves/Ann/Save 2.ess", "2", "0"},  // a subfolder
          {"My Games/Oblivion/Saves/Save 3.ess", "2", "2"},      // deleted
          {"My Games/Oblivion/Saves/Save 4.ess", "2", "1"},      // forgotten
          {"My Games/Oblivion/Saves/Save 1.obse", "2", "0"},     // no save
          {"My Games/Oblivion/Oblivion.ini", "2", "0"},
          {"My Games/Oblivion/Saves/Save 5.ess", "0", "0"}});  // another root
    list("22/900883", "900883", {{"/My Games/Oblivion/Saves/quicksave.ess", "2", "0"}});
    list("33/12345", "12345", {{"My Games/Oblivion/Saves/Save 6.ess", "2", "0"}});
    list("notes/22330", "22330", {{"My Games/Oblivion/Saves/Save 7.ess", "2", "0"}});
    fs::create_directories(dir.at("steam/userdata/44/22330"));
    writeBytes(dir.at("steam/userdata/44/22330/remotecache.vdf"),
               "\"22330\"\n{\n\t\"My Games/Oblivion/Saves/Save 8.ess\"\n\t{\n\t\t\"root\"\t\"2\"\n"
               "\t\t\"size\"\t\"1\"");
    const auto files = nativeSaveFiles();
    const Strings cloud = app::cloudSaves(*files, {dir.at("steam"), dir.at("nowhere")});
    EXPECT_EQ(cloud, (Strings{"Save 1.ess", "Save 8.ess", "quicksave.ess"}));
    EXPECT_TRUE(app::cloudInUse(*files, {dir.at("steam")}));
    EXPECT_FALSE(app::cloudInUse(*files, {dir.at("nowhere")}));
    EXPECT_TRUE(app::keptInCloud(cloud, "Saves", "SAVE 1.ESS"));
    EXPECT_FALSE(app::keptInCloud(cloud, "Ann", "Save 1.ess"));
    EXPECT_EQ(app::keptOf(cloud, "Saves", {"Save 1.ess", "Save 2.ess"}), Strings{"Save 1.ess"});
    EXPECT_TRUE(app::keptOf(cloud, "Ann", {"Save 1.ess"}).empty());
    EXPECT_FALSE(app::cloudReaches("Ann"));
    EXPECT_EQ(app::cloudWarning({}), "");
    EXPECT_TRUE(app::cloudWarning({"Save 1.ess"})
                    .starts_with("Steam Cloud keeps 1 of these saves: Save 1.ess.\n"));
}

}  // namespace
}  // namespace quarlo::test
