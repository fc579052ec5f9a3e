#include <gtest/gtest.h>

#include "backups/store.h"
#include "tests/app/app_fixture.h"
#include "tests/support/save_writer.h"

namespace quarlo::test {
namespace {

using app::ValueLabel;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

class CommandsTest : public AppTest {
  protected:
    void SetUp() override {
        folder("Saves/Ann");
        folder("Saves/Bob");
        gameFile(
            "[General]\r\nSLocalSavePath=Saves\\Ann\\\r\n[GamePlay]\r\niDifficultyLevel=40\r\n");
        programFile("[Bob]\r\niDifficultyLevel=90\r\nSScreenShotBaseName=1\r\n");
        started();
        controls.labelLog.clear();
    }
    void expectStatus(const char* op, const char* outcome) {
        EXPECT_EQ(shown(ValueLabel::Op), op);
        EXPECT_EQ(shown(ValueLabel::Outcome), outcome);
    }
    std::string savePath() const { return readGame("General", "SLocalSavePath"); }
    // Every file and folder under the game folder with the files' bytes.
    std::map<std::string, std::string> snapshot() const {
        std::map<std::string, std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(game())) {
            out[e.path().string()] = e.is_regular_file() ? readBytes(e.path().string()) : "/";
        }
        for (const std::string& file : {gameIni(), programIni()}) {
            if (profileFake->exists(file)) {
                out[file] = profileFake->bytes(file);
            }
        }
        return out;
    }
};

// The sort's dialogs, answered as scripted.
struct SortAnswers : app::SortView {
    bool go = true;
    std::optional<app::SortPlan> plan;
    Strings messages;
    int changed = 0;
    bool confirmSort(const app::SortPlan& p) override {
        plan = p;
        return go;
    }
    void showSortMessage(const std::string& text) override { messages.push_back(text); }
    void savesChanged() override { ++changed; }
    void runWithProgress(const std::string&,
                         const std::function<void(const saves::Progress&)>& work) override {
        work([](std::size_t, std::size_t) { return true; });
    }
};

TEST_F(CommandsTest, LoadSwitchesToTheSelectedCharacterAndItsSettings) {
    controls.select("Bob");
    main.onLoadClicked();
    ASSERT_GE(controls.labelLog.size(), 2u);
    EXPECT_EQ(controls.labelLog[0], std::make_pair(ValueLabel::Op, std::string("Load.")));
    EXPECT_EQ(controls.labelLog[1],
              std::make_pair(ValueLabel::Outcome, std::string("Success. Character Changed.")));
    // Bob's difficulty differs, so the slider's own handler reports last.
    expectStatus("Change Difficulty.", "Success.");
    EXPECT_EQ(savePath(), "Saves\\Bob\\");
    EXPECT_EQ(shown(ValueLabel::Active), "Bob");
    EXPECT_EQ(controls.slider, 90);
    EXPECT_EQ(controls.check, 1);
    EXPECT_EQ(readGame("GamePlay", "iDifficultyLevel"), "90");
    EXPECT_EQ(readGame("Display", "SScreenShotBaseName"), "Bob");
    EXPECT_EQ(controls.list, (Strings{"Ann", "Bob"}));
    EXPECT_EQ(controls.selectedListText(), "");
}

TEST_F(CommandsTest, TheContextMenuOpensTheEntrysFolderAndChangesNothing) {
    controls.select("Ann");
    const auto before = snapshot();
    const auto hooks = app::handlersFor(main);
    hooks.openFolder("Bob");
    EXPECT_FALSE(main.onOpenFolder(""));
    const app::SavesSource source = hooks.savesOf("Bob");
    EXPECT_EQ(processesFake->openedFolders, (Strings{inGame("Saves/Bob")}));
    EXPECT_EQ(source.name, "Bob");
    EXPECT_EQ(source.folder, inGame("Saves/Bob"));
    EXPECT_EQ(source.files, platform.saveFiles.get());
    EXPECT_TRUE(controls.labelLog.empty());
    EXPECT_EQ(controls.selectedListText(), "Ann");
    EXPECT_EQ(snapshot(), before);
}

TEST_F(CommandsTest, LoadWithNothingSelectedStillRefreshes) {
    folder("Saves/Carl");
    main.onLoadClicked();
    expectStatus("Load.", "Failed. Choose a Character.");
    EXPECT_EQ(savePath(), "Saves\\Ann\\");
    EXPECT_EQ(controls.list, (Strings{"Ann", "Bob", "Carl"}));
}

TEST_F(CommandsTest, LoadingTheActiveCharacterAgainChangesNoByte) {
    const auto before = snapshot();
    controls.select("Ann");
    main.onLoadClicked();
    expectStatus("Load.", "Success. Character Changed.");
    EXPECT_EQ(snapshot(), before);
}

TEST_F(CommandsTest, LoadNeverPointsTheGameAtAFolderThatIsNotThere) {
    folder("Saves/Bob/Old");
    main.RefreshSaveList();
    controls.select("Old");
    main.onLoadClicked();
    expectStatus("Load.", "Failed. No Such Character.");
    EXPECT_EQ(savePath(), "Saves\\Ann\\");
}

TEST_F(CommandsTest, NewCreatesTheFolderSwitchesAndGivesFirstSettings) {
    controls.slider = 77;
    controls.newName = "Jürgen der Große";
    main.onNewClicked();
    expectStatus("New.", "Success. New Character Set.");
    EXPECT_TRUE(platform.fileSystem->folderExists(inGame("Saves/Jürgen der Große")));
    EXPECT_EQ(savePath(), "Saves\\Jürgen der Große\\");
    EXPECT_EQ(shown(ValueLabel::Active), "Jürgen der Große");
    EXPECT_EQ(readProgram("Jürgen der Große", "SScreenShotBaseName"), "0");
    EXPECT_EQ(readProgram("Jürgen der Große", "iDifficultyLevel"), "77");
    EXPECT_EQ(controls.slider, 77);
    EXPECT_EQ(controls.newName, "Jürgen der Große");
    EXPECT_EQ(controls.list, (Strings{"Ann", "Bob", "Jürgen der Große"}));
}

TEST_F(CommandsTest, NewWithABackslashMakesNestedFolders) {
    controls.newName = "a\\b";
    main.onNewClicked();
    expectStatus("New.", "Success. New Character Set.");
    EXPECT_TRUE(fs::is_directory(inGame("Saves/a/b")));
    EXPECT_EQ(savePath(), "Saves\\a\\b\\");
    EXPECT_EQ(shown(ValueLabel::Active), "b");
    EXPECT_EQ(readProgram("b", "SScreenShotBaseName"), "0");
}

TEST_F(CommandsTest, NewCreatesSavesWhenItIsMissing) {
    fs::remove_all(inGame("Saves"));
    controls.newName = "Bob";
    main.onNewClicked();
    EXPECT_TRUE(fs::is_directory(inGame("Saves/Bob")));
    EXPECT_EQ(controls.list, (Strings{"Bob"}));
}

TEST_F(CommandsTest, NewWithAnExistingNameSwitchesToIt) {
    controls.newName = "Bob";
    main.onNewClicked();
    expectStatus("New.", "Success. New Character Set.");
    EXPECT_EQ(shown(ValueLabel::Active), "Bob");
    EXPECT_EQ(readProgram("Bob", "SScreenShotBaseName"), "0");
    EXPECT_EQ(controls.check, 0);
}

TEST_F(CommandsTest, NewRefusesUnsafeNamesAndChangesNothing) {
    struct Case {
        std::string name;
        const char* outcome;
    };
    const Case cases[] = {
        {"", "Failed. Type a Name."},
        {"..", "Failed. Invalid Name."},
        {".", "Failed. Invalid Name."},
        {"a\\..\\..\\x", "Failed. Invalid Name."},
        {"a\\\\b", "Failed. Invalid Name."},
        {"a\\", "Failed. Invalid Name."},
        {"\\Windows", "Failed. Invalid Name."},
        {"/etc", "Failed. Invalid Name."},
        {"C:evil", "Failed. Invalid Name."},
        {"a/b", "Failed. Invalid Name."},
        {"a<b", "Failed. Invalid Name."},
        {"a>b", "Failed. Invalid Name."},
        {"a\"b", "Failed. Invalid Name."},
        {"a|b", "Failed. Invalid Name."},
        {"a?b", "Failed. Invalid Name."},
        {"a*b", "Failed. Invalid Name."},
        {"tab\there", "Failed. Invalid Name."},
        {"line\nbreak", "Failed. Invalid Name."},
        {"Bob ", "Failed. Invalid Name."},
        {"Bob.", "Failed. Invalid Name."},
        {"a.\\b", "Failed. Invalid Name."},
        {" Bob", "Failed. Invalid Name."},
        {"CON", "Failed. Invalid Name."},
        {"con", "Failed. Invalid Name."},
        {"Nul.txt", "Failed. Invalid Name."},
        {"a\\lpt9", "Failed. Invalid Name."},
        {"COM1.save", "Failed. Invalid Name."},
        {"aux ", "Failed. Invalid Name."},
        {"Bob]", "Failed. Invalid Name."},
        {"[Bob", "Failed. Invalid Name."},
        {";Bob", "Failed. Invalid Name."},
        {std::string(55, 'x'), "Failed. Name Too Long."},
        {"COM\u00B9", "Failed. Invalid Name."},
        {"lpt\u00B3.ess", "Failed. Invalid Name."},
        {"COM\xB2", "Failed. Invalid Name."},
        {"CONIN$", "Failed. Invalid Name."},
        {"conout$.txt", "Failed. Invalid Name."},
        {"COM\u00B9x", nullptr},
    };
    controls.slider = 33;
    main.setCheck(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.outcome == nullptr) {
            continue;  // a name that only looks like a device: see below
        }
        const auto before = snapshot();
        controls.newName = c.name;
        main.onNewClicked();
        expectStatus("New.", c.outcome);
        EXPECT_EQ(savePath(), "Saves\\Ann\\");
        EXPECT_EQ(shown(ValueLabel::Active), "Ann");
        // Neither settings file, nor the disk, nor the check box changes.
        EXPECT_EQ(snapshot(), before);
        EXPECT_EQ(controls.check, 1);
    }
    controls.newName = "COM\u00B9x";
    main.onNewClicked();
    expectStatus("New.", "Success. New Character Set.");
}

TEST_F(CommandsTest, WhileTheGameRunsLoadAndNewChangeNothing) {
    processesFake->gameRunning = true;
    const auto before = snapshot();
    controls.select("Bob");
    main.onLoadClicked();
    expectStatus("Load.", "Failed. Game Is Running.");
    controls.newName = "Carl";
    main.onNewClicked();
    expectStatus("New.", "Failed. Game Is Running.");
    writeBytes(inGame("Saves/Save 1.ess"), saveBytes(SaveShape{}));
    const auto withLooseSave = snapshot();
    SortAnswers sort;
    main.onSortLooseSaves(sort);
    EXPECT_EQ(sort.messages, Strings{app::text::kSavesInUse});
    EXPECT_EQ(snapshot(), withLooseSave);
    fs::remove(inGame("Saves/Save 1.ess"));
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(shown(ValueLabel::Active), "Ann");
}

// Switching away from a character keeps a backup of its saves, outside the
// game folder; loading the active one again keeps none. A backup that
// cannot be made is told, and the switch still happens.
TEST_F(CommandsTest, SwitchingAwayKeepsABackupOfTheCharacterLeft) {
    writeBytes(inGame("Saves/Ann/Save 1.ess"), saveBytes(SaveShape{}));
    platform.backupStore = dir.at("store");
    backups::Store store(*platform.saveFiles, *platform.fileSystem, platform.backupStore);
    controls.select("Ann");
    main.onLoadClicked();
    EXPECT_TRUE(store.list(main.rootFolder(), "Ann").empty());
    controls.select("Bob");
    main.onLoadClicked();
    const auto kept = store.list(main.rootFolder(), "Ann");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].manifest.reason, backups::Reason::leftCharacter);
    EXPECT_TRUE(controls.notices.empty());

    main.onLoadClicked();  // Bob, again
    writeBytes(inGame("Saves/Bob/Save 2.ess"), saveBytes(SaveShape{}));
    writeBytes(dir.at("blocked"), "a file where a folder must be");
    platform.backupStore = dir.at("blocked");
    controls.newName = "Cid";
    main.onNewClicked();
    EXPECT_EQ(shown(ValueLabel::Outcome), "Success. New Character Set.");
    ASSERT_EQ(controls.notices.size(), 1u);
    EXPECT_EQ(controls.notices[0].rfind("Failed. ", 0), 0u);
    EXPECT_EQ(savePath(), "Saves\\Cid\\");
}

TEST_F(CommandsTest, LoadRefusesAFolderNameTheGameCannotUse) {
    // A backslash is only part of a folder's name where it does not separate
    // levels.
    Strings entries{std::string(60, 'x')};
    if (platform.fileSystem->separator() != '\\') {
        entries.push_back("a\\b");
    }
    for (const std::string& entry : entries) {
        folder("Saves/" + entry);
    }
    main.RefreshSaveList();
    for (const std::string& entry : entries) {
        controls.select(entry);
        ASSERT_EQ(controls.selectedListText(), entry);
        main.onLoadClicked();
        expectStatus("Load.", "Failed. Invalid Name.");
        EXPECT_EQ(savePath(), "Saves\\Ann\\");
    }
}

TEST_F(CommandsTest, ReadOnlyGameSettingsFileFailsLoadAndNewAndChangesNothing) {
    profileFake->setReadOnly(gameIni());
    const auto before = snapshot();
    controls.select("Bob");
    main.onLoadClicked();
    expectStatus("Load.", "Failed. Could Not Write Settings.");
    EXPECT_EQ(savePath(), "Saves\\Ann\\");

    controls.newName = "Carl\\Inner";
    main.onNewClicked();
    expectStatus("New.", "Failed. Could Not Write Settings.");
    EXPECT_FALSE(fs::exists(inGame("Saves/Carl")));
    EXPECT_EQ(gameBytes(), before.at(gameIni()));
}

TEST_F(CommandsTest, NewFailsWhenTheFolderCannotBeCreated) {
    writeBytes(inGame("Saves/Blocked"), "a file where a folder would go");
    controls.newName = "Blocked\\Inner";
    main.onNewClicked();
    expectStatus("New.", "Failed. Could Not Create Folder.");
    EXPECT_EQ(savePath(), "Saves\\Ann\\");
}

TEST_F(CommandsTest, ToggleTwiceReturnsToTheSameRootAndList) {
    const std::string root = main.rootFolder();
    const Strings list = controls.list;
    fs::create_directories(dir.at("Program/plugins/x"));
    fs::create_directories(dir.at("Program/platforms"));

    main.onToggleClicked();
    EXPECT_EQ(shown(ValueLabel::Mode), "Root Dir Mode.");
    EXPECT_EQ(main.rootFolder(), dir.at("Program"));
    EXPECT_EQ(shown(ValueLabel::Active), "ERROR");
    EXPECT_EQ(controls.list, (Strings{"plugins", "x"}));

    main.onToggleClicked();
    EXPECT_EQ(shown(ValueLabel::Mode), "Automatic Mode.");
    EXPECT_EQ(main.rootFolder(), root);
    EXPECT_EQ(controls.list, list);
    EXPECT_EQ(shown(ValueLabel::Active), "Ann");
    for (const auto& [label, text] : controls.labelLog) {
        EXPECT_NE(label, ValueLabel::Op);
    }
}

TEST_F(CommandsTest, RunGameStartsTheLauncherOrSaysWhyNot) {
    main.onRunClicked();
    EXPECT_EQ(processesFake->started, (Strings{"\\oblivionlauncher.exe"}));
    EXPECT_TRUE(controls.labelLog.empty());

    processesFake->canStart = false;
    main.onRunClicked();
    expectStatus("Run Game.", "Failed. Launcher Not Found.");
}

// Saves of four characters lying in Saves: one spelled in two letter cases
// (its folder takes the spelling most of its saves have), one holding a save
// whose name Ann's folder has already, two of one name told apart by when
// they were made (Brynja's folder holds the later one's saves already, so
// the earlier goes to "Brynja (2)"), beside an unreadable save and one of a
// name that cannot be a folder: the plan shows each group and where it goes,
// the move leaves the rest in Saves, and SLocalSavePath is never touched.
TEST_F(CommandsTest, SortLooseSavesMovesEachPlayersSavesIntoTheirFolder) {
    const auto loose = [this](const std::string& file, const std::string& player, int minute,
                              std::uint16_t made = 2006) {
        SaveShape shape;
        shape.name = player;
        shape.saveTime.minute = static_cast<std::uint16_t>(minute);
        shape.created.year = made;
        writeBytes(inGame("Saves/" + file), saveBytes(shape));
    };
    loose("Save 1.ess", "Aldric", 1);
    loose("Save 2.ess", "Aldric", 2);
    writeBytes(inGame("Saves/Save 2.obse"), "co-save");
    loose("Save 3.ess", "aldric", 3);
    loose("Save 4.ess", "Brynja", 4);
    loose("Save 5.ess", "Ann", 5);
    loose("Save 6.ess", "Ann", 6);
    writeBytes(inGame("Saves/Ann/Save 6.ess"), "Ann's own save 6");
    loose("Save 7.ess", "Sir [Bob]", 7);
    loose("Save 8.ess", "Brynja", 8, 2010);
    loose("Save 9.ess", "Aux", 9);
    loose("Save 10.ess", "Name.", 10);
    folder("Saves/Brynja");
    loose("Brynja/Old.ess", "Brynja", 1, 2010);
    writeBytes(inGame("Saves/Broken.ess"), "not a save");
    const std::string gameBefore = gameBytes();

    SortAnswers cancel;
    cancel.go = false;
    const auto before = snapshot();
    main.onSortLooseSaves(cancel);
    EXPECT_EQ(snapshot(), before);
    ASSERT_TRUE(cancel.plan);
    struct Row {
        std::string name;
        std::size_t saves;
        std::string folder;
        bool exists;
        std::string refusal;  // text, not pointer: literals may not be merged
        std::size_t staying;
        bool operator==(const Row&) const = default;
    };
    std::vector<Row> rows;
    for (const app::SortGroup& g : cancel.plan->groups) {
        rows.push_back({g.name, g.saves.size(), g.folder, g.exists, g.refusal ? g.refusal : "",
                        g.staying.size()});
    }
    const std::vector<Row> expected{
        {"Aldric", 3, "Saves\\Aldric\\", false, "", 0},
        {"Ann", 1, "Saves\\Ann\\", true, "", 1},
        {"Aux", 1, "Saves\\Aux\\", false, app::text::kInvalidName, 0},
        {"Brynja", 1, "Saves\\Brynja (2)\\", false, "", 0},
        {"Brynja", 1, "Saves\\Brynja\\", true, "", 0},
        {"Name.", 1, "Saves\\Name.\\", false, app::text::kInvalidName, 0},
        {"Sir [Bob]", 1, "Saves\\Sir [Bob]\\", false, app::text::kInvalidName, 0},
    };
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(cancel.plan->unreadable, 1u);
    EXPECT_EQ(cancel.plan->movable(), 6u);
    const std::string text = app::planText(*cancel.plan);
    for (const char* line :
         {"Ann: 1 save to Saves\\Ann\\; 1 save stays in Saves (its name is taken in "
          "Saves\\Ann\\)\n",
          "Brynja (started 2006-03-20): 1 save to Saves\\Brynja (2)\\ (new)\n",
          "Brynja (started 2010-03-20): 1 save to Saves\\Brynja\\\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }

    SortAnswers go;
    main.onSortLooseSaves(go);
    ASSERT_EQ(go.messages.size(), 1u);
    EXPECT_EQ(go.messages[0],
              "Success. 6 saves and 1 co-save moved into 4 characters; 5 saves are still in "
              "Saves.");
    EXPECT_EQ(go.changed, 1);
    const auto names = [this](const std::string& folder) {
        Strings out;
        for (const auto& e : fs::directory_iterator(inGame(folder))) {
            if (e.is_regular_file()) {
                out.push_back(e.path().filename().string());
            }
        }
        std::sort(out.begin(), out.end());
        return out;
    };
    EXPECT_EQ(names("Saves/Aldric"),
              (Strings{"Save 1.ess", "Save 2.ess", "Save 2.obse", "Save 3.ess"}));
    EXPECT_EQ(names("Saves/Ann"), (Strings{"Save 5.ess", "Save 6.ess"}));
    EXPECT_EQ(readBytes(inGame("Saves/Ann/Save 6.ess")), "Ann's own save 6");
    EXPECT_EQ(names("Saves/Brynja"), (Strings{"Old.ess", "Save 8.ess"}));
    EXPECT_EQ(names("Saves/Brynja (2)"), Strings{"Save 4.ess"});
    EXPECT_EQ(names("Saves"),
              (Strings{"Broken.ess", "Save 10.ess", "Save 6.ess", "Save 7.ess", "Save 9.ess"}));
    EXPECT_EQ(gameBytes(), gameBefore);
    EXPECT_EQ(controls.list, (Strings{"Aldric", "Ann", "Bob", "Brynja", "Brynja (2)"}));
    EXPECT_EQ(shown(ValueLabel::Active), "Ann");

    // What is left cannot move.
    SortAnswers again;
    main.onSortLooseSaves(again);
    EXPECT_FALSE(again.plan);
    EXPECT_EQ(again.messages.size(), 1u);
    EXPECT_EQ(again.messages[0].rfind("Failed. Nothing To Sort.", 0), 0u);

    // While the game uses Saves itself, the summary says the saves left it.
    gameFile("[General]\r\nSLocalSavePath=Saves\\\r\n");
    main.RefreshSaveList();
    loose("Save 9.ess", "Brynja", 9);
    SortAnswers fromSaves;
    main.onSortLooseSaves(fromSaves);
    ASSERT_EQ(fromSaves.messages.size(), 1u);
    EXPECT_NE(fromSaves.messages[0].find(app::text::kGameUsesSaves), std::string::npos);
}

}  // namespace
}  // namespace quarlo::test
