#include <gtest/gtest.h>

#include <sstream>

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "app/picker.h"
#include "tests/app/app_fixture.h"
#include "tests/support/fake_saves_view.h"
#include "tests/support/save_writer.h"
#include "ui/cli/command_line.h"

namespace quarlo::test {
namespace {

using Strings = std::vector<std::string>;

// Screens that answer as scripted: the picker's keys, and what a failure
// would show.
struct FakeScreens : cli::Screens {
    std::vector<app::Picker::Key> keys;
    Strings failures;
    void pick(app::Picker& picker) override {
        struct Shown : app::PickerView {
            void show(const std::vector<app::CharacterLine>&, std::size_t,
                      std::optional<int>) override {}
        } view;
        picker.start(view);
        for (const app::Picker::Key k : keys) {
            picker.key(k);
        }
    }
    void showFailure(const std::string& text) override { failures.push_back(text); }
};

// A command's notices, unread.
struct Console : app::CommandView {
    void runWithProgress(const std::string&,
                         const std::function<void(const saves::Progress&)>& work) override {
        work([](std::size_t, std::size_t) { return true; });
    }
    void showNotice(const std::string&, const std::string&) override {}
};

class CommandLineTest : public AppTest {
  protected:
    void SetUp() override {
        folder("Saves/Ann");
        folder("Saves/Bob");
        SaveShape shape;
        shape.name = "Bob";
        shape.level = 23;
        shape.location = "Kvatch";
        writeBytes(inGame("Saves/Bob/Save 1.ess"), saveBytes(shape));
        gameFile(
            "[General]\r\nSLocalSavePath=Saves\\Ann\\\r\n[GamePlay]\r\niDifficultyLevel=40\r\n");
        programFile("[Bob]\r\niDifficultyLevel=90\r\nSScreenShotBaseName=1\r\n");
        platform.backupStore = dir.at("store");
        platform.trash = std::make_unique<FakeTrash>();
    }
    int run(const Strings& args) {
        out.str("");
        err.str("");
        return cli::run(args, platform, out, err, &screens);
    }
    std::ostringstream out;
    std::ostringstream err;
    FakeScreens screens;
};

// Each verb's output and exit status, and what it changes: as the window's
// commands do, with "Success." 0, "Failed." 1 and a command line not
// understood 2.
TEST_F(CommandLineTest, EachVerbSaysItsOutcomeAndExitsByIt) {
    struct Case {
        Strings args;
        int status;
        std::string out;         // its start; "" for none
        std::string active;      // SLocalSavePath afterwards
        std::string difficulty;  // the game's iDifficultyLevel afterwards
    };
    const Case cases[] = {
        {{"list"}, 0, "*\tAnn\t0\t\t\t\n\tBob\t1\t23\tKvatch\t", "Saves\\Ann\\", "40"},
        {{"switch", "Bob"}, 0, "Success. Character Changed.\n", "Saves\\Bob\\", "90"},
        {{"switch", "Carl"}, 1, "Failed. No Such Character.\n", "Saves\\Ann\\", "40"},
        {{"switch", ".."}, 1, "Failed. Invalid Name.\n", "Saves\\Ann\\", "40"},
        {{"new", "Cara"}, 0, "Success. New Character Set.\n", "Saves\\Cara\\", "40"},
        {{"new", "CON"}, 1, "Failed. Invalid Name.\n", "Saves\\Ann\\", "40"},
        {{"--root", "/nowhere", "list"},
         1,
         "Failed. No game folder at /nowhere.",
         "Saves\\Ann\\",
         "40"},
        {{"backup", "Bob"}, 0, "Success. 1 save of Bob backed up", "Saves\\Ann\\", "40"},
        {{"backup", "Carl"}, 1, "Failed. No Such Character.\n", "Saves\\Ann\\", "40"},
        {{"restore", "Bob", "2001-01-01T00-00-00Z"},
         1,
         "Failed. No Such Backup.\n",
         "Saves\\Ann\\",
         "40"},
        {{"run", "--character", "Bob", "--", "game", "-a b"}, 5, "", "Saves\\Bob\\", "90"},
        {{"run", "--character", "Carl", "--", "game"},
         1,
         "Failed. No Such Character.",
         "Saves\\Ann\\",
         "40"},
        {{"run", "--pick", "--", "game"}, 5, "", "Saves\\Ann\\", "40"},
        {{"rename", "Ann", "Anna"}, 0, "Success. Ann is now Anna.\n", "Saves\\Anna\\", "40"},
        {{"rename", "Ann", "bob"}, 1, "Failed. Name Taken.\n", "Saves\\Ann\\", "40"},
        {{"rename", "Carl", "Cid"}, 1, "Failed. No Such Character.\n", "Saves\\Ann\\", "40"},
        {{"tidy", "--keep", "0", "Bob"},
         0,
         "Keeps the newest 0 of the character's saves; 0 saves stay in all.\n[x] Save 1.ess",
         "Saves\\Ann\\",
         "40"},
        {{"tidy", "Ann"}, 1, "Failed. Nothing To Tidy Up.", "Saves\\Ann\\", "40"},
        {{"tidy", "Bob", "--keep"}, 2, "", "Saves\\Ann\\", "40"},
        {{"--version"}, 0, "quarlo ", "Saves\\Ann\\", "40"},
        {{}, 2, "", "Saves\\Ann\\", "40"},
        {{"frobnicate"}, 2, "", "Saves\\Ann\\", "40"},
        {{"switch"}, 2, "", "Saves\\Ann\\", "40"},
        {{"switch", "Bob", "Ann"}, 2, "", "Saves\\Ann\\", "40"},
        {{"run", "--timeout", "-1", "--pick"}, 2, "", "Saves\\Ann\\", "40"},
        {{"--root"}, 2, "", "Saves\\Ann\\", "40"},
        // An option is never a name: after the verb it is an option or a
        // mistake, and a name that begins with "-" goes after "--".
        {{"new", "--help"}, 0, "Usage: quarlo", "Saves\\Ann\\", "40"},
        {{"rename", "Ann", "--help"}, 0, "Usage: quarlo", "Saves\\Ann\\", "40"},
        {{"new", "--version"}, 2, "", "Saves\\Ann\\", "40"},
        {{"new", "--root"}, 2, "", "Saves\\Ann\\", "40"},
        {{"new", "-x"}, 2, "", "Saves\\Ann\\", "40"},
        {{"switch", "Bob", "--yes"}, 2, "", "Saves\\Ann\\", "40"},
        {{"new", "--", "-Cid"}, 0, "Success. New Character Set.\n", "Saves\\-Cid\\", "40"},
        {{"list", "--root", "/nowhere"}, 1, "Failed. No game folder", "Saves\\Ann\\", "40"},
        {{"saves", "Bob"},
         0,
         "Save 1.ess\tBob\t23\tKvatch\t2:07:34\t2024-03-0",
         "Saves\\Ann\\",
         "40"},
        {{"saves", "Carl"}, 1, "Failed. No Such Character.\n", "Saves\\Ann\\", "40"},
        {{"list", "--json"},
         0,
         "{\n  \"characters\": [\n    {\n      \"active\": true,",
         "Saves\\Ann\\",
         "40"},
        {{"games", "--json"}, 0, "{\n  \"games\": []\n}\n", "Saves\\Ann\\", "40"},
        {{"--game", "morrowind", "list"}, 2, "", "Saves\\Ann\\", "40"},
        {{"switch", "--json", "Bob"}, 2, "", "Saves\\Ann\\", "40"},
        {{"run", "game"}, 2, "", "Saves\\Ann\\", "40"},
        {{"run", "--pick", "--character", "Bob"}, 2, "", "Saves\\Ann\\", "40"},
        {{"--code-page", "932", "list"}, 2, "", "Saves\\Ann\\", "40"},
        {{"code-page"}, 0, "the system's\n", "Saves\\Ann\\", "40"},
        {{"code-page", "utf-8"}, 1, "Failed. 'utf-8' is no code page", "Saves\\Ann\\", "40"},
        {{"code-page", "1251"},
         0,
         "Success. Names are read in code page 1251.\n",
         "Saves\\Ann\\",
         "40"},
        {{"--code-page", "1250", "code-page"}, 0, "1250 (--code-page)\n", "Saves\\Ann\\", "40"},
        {{"code-page"}, 0, "1251 (chosen for this game folder)\n", "Saves\\Ann\\", "40"},
        {{"saves", "Bob"}, 0, "Save 1.ess\tBob\t23\tKvatch", "Saves\\Ann\\", "40"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& a : c.args) {
            line += a + " ";
        }
        SCOPED_TRACE(line);
        SetUp();
        processesFake->status = 5;
        EXPECT_EQ(run(c.args), c.status);
        EXPECT_EQ(out.str().substr(0, c.out.size()), c.out);
        EXPECT_EQ(readGame("General", "SLocalSavePath"), c.active);
        EXPECT_EQ(readGame("GamePlay", "iDifficultyLevel"), c.difficulty);
        // A command line not understood: one line saying why, and where to look.
        const std::string said = err.str();
        EXPECT_EQ(said.find("\nTry 'quarlo --help'.\n") != std::string::npos, c.status == 2);
        if (c.status == 2) {
            EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 2) << said;
            EXPECT_EQ(said.rfind("quarlo: ", 0), 0u) << said;
        }
    }
}

// The game a verb works on: --game, else the game a launch option starts
// (a Steam app of the family only), else the only one found, else the one
// last chosen, else Oblivion; the games found are asked only where they
// decide.
TEST(ChooseGame, ByOptionLaunchOnlyFoundRememberedOrOblivion) {
    using games::GameId;
    struct Case {
        Strings args;
        const char* app;
        std::vector<GameId> found;
        const char* remembered;
        GameId chosen;
        bool asked;
    };
    const Case cases[] = {
        {{"--game", "fallout4", "list"}, "489830", {GameId::skyrimse}, "", GameId::fallout4, false},
        {{"list"}, "489830", {}, "fallout4", GameId::skyrimse, false},
        {{"list"}, "377160", {}, "", GameId::fallout4, false},
        {{"list"}, "570", {GameId::skyrimse}, "", GameId::skyrimse, true},
        {{"list"}, "", {GameId::skyrimse, GameId::fallout4}, "fallout4", GameId::fallout4, true},
        {{"list"}, "", {GameId::skyrimse, GameId::fallout4}, "", GameId::oblivion, true},
        {{"list"}, "", {}, "morrowind", GameId::oblivion, true},
    };
    for (const Case& c : cases) {
        bool asked = false;
        const auto found = [&] {
            asked = true;
            std::vector<platform::FoundGame> out;
            for (const GameId id : c.found) {
                out.push_back({&games::get(id), "", true, ""});
            }
            return out;
        };
        const cli::GameChoice choice = cli::chooseGame(c.args, c.app, found, c.remembered);
        EXPECT_EQ(choice.game->id, c.chosen) << c.app << " " << c.remembered;
        EXPECT_EQ(asked, c.asked) << c.app << " " << c.remembered;
    }
}

// Another game's folder: `games` lists what was found, `saves --json` its
// saves as scripts read them, and a game Quarlo cannot switch is said.
TEST_F(CommandLineTest, GamesAndSavesOfAnotherGame) {
    platform.game = &games::get(games::GameId::skyrimse);
    const std::string se = dir.at("Documents/My Games/Skyrim Special Edition");
    std::filesystem::create_directories(se + "/Saves/Lydia");
    FamilyShape shape;
    writeBytes(se + "/Saves/Lydia/Save3_0C2D58E2_0_4C79646961_Whiterun.ess",
               familySaveBytes(shape));
    writeBytes(se + "/Saves/Lydia/Save3_0C2D58E2_0_4C79646961_Whiterun.skse", "SKS");
    profileFake->setBytes(se + "/Skyrim.ini", "[General]\r\nSLocalSavePath=Saves\\Lydia\\\r\n");
    const auto found = [&] {
        return std::vector<platform::FoundGame>{
            {&games::oblivion(), game(), true, ""},
            {&games::get(games::GameId::skyrimse), se, true, ""},
            {&games::get(games::GameId::starfield), "S", false, "It cannot."}};
    };
    out.str("");
    EXPECT_EQ(cli::run({"games"}, platform, out, err, &screens, found), 0);
    EXPECT_EQ(out.str(), "\toblivion\tOblivion\t" + game() +
                             "\n*\tskyrimse\tSkyrim Special Edition\t" + se +
                             "\n\tstarfield\tStarfield\tS\tnot supported: It cannot.\n");
    EXPECT_EQ(run({"saves", "--json", "Lydia"}), 0);
    const std::string json = out.str();
    for (const char* part :
         {"\"file\": \"Save3_0C2D58E2_0_4C79646961_Whiterun.ess\"", "\"player\": \"Lydia\"",
          "\"level\": 12", "\"location\": \"Whiterun\"", "\"playTime\": \"3:25:07\"",
          "\"savedAt\": \"2024-02-1", "\"saveNumber\": 7",
          "\"plugins\": [\n        \"Skyrim.esm\",\n        \"Update.esm\",\n        "
          "\"ccBGSSSE001-Fish.esm\"\n      ]",
          "\"screenshot\": {\n        \"height\": 3,\n        \"width\": 4\n      }",
          "\"state\": \"Co-save cut short.\"", "\"game\": \"skyrimse\""}) {
        EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;
    }
    platform.game = &games::get(games::GameId::starfield);
    EXPECT_EQ(run({"list"}), 1);
    EXPECT_EQ(out.str().rfind("Failed. No player has confirmed", 0), 0u) << out.str();
}

// Output that cannot be written (a full disk, /dev/full) is a failure, never
// "done" to the script that reads it.
TEST_F(CommandLineTest, OutputThatCannotBeWrittenExitsOne) {
    struct Full : std::streambuf {
        int overflow(int) override { return traits_type::eof(); }
        std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
    } full;
    for (const Strings& args : {Strings{"list"}, Strings{"--help"}, Strings{"--version"},
                                Strings{"switch", "Bob"}, Strings{"tidy", "Bob"}}) {
        std::ostream nowhere(&full);
        err.str("");
        EXPECT_EQ(cli::run(args, platform, nowhere, err, &screens), 1) << args[0];
        EXPECT_NE(err.str().find("could not be written"), std::string::npos);
    }
}

#ifndef _WIN32
// Two commands at once: one writer at a time. While another Quarlo holds
// the game folder (here a process in the middle of a rename), a switch
// waits briefly, then says who has it and changes nothing, neither the save
// path nor the difficulty; once that one has ended, however it ended, the
// switch goes.
TEST_F(CommandLineTest, OneWriterAtATimeAmongProcesses) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t other = ::fork();
    if (other == 0) {
        Console quiet;
        app::Game game(platform, quiet);
        game.setRoot(game.automaticRoot());
        std::string refusal;
        const auto held = game.lockForWriting("rename", refusal);
        [[maybe_unused]] const auto n = ::write(ready[1], held ? "y" : "n", 1);
        ::pause();
        ::_exit(0);
    }
    char got = 0;
    ASSERT_EQ(::read(ready[0], &got, 1), 1);
    ASSERT_EQ(got, 'y');
    EXPECT_EQ(run({"switch", "Bob"}), 1);
    EXPECT_EQ(out.str(), "Failed. Another Quarlo is changing this game folder (process " +
                             std::to_string(other) + ", rename); try again once it is done.\n");
    EXPECT_EQ(readGame("General", "SLocalSavePath"), "Saves\\Ann\\");
    EXPECT_EQ(readGame("GamePlay", "iDifficultyLevel"), "40");
    ::kill(other, SIGKILL);
    ::waitpid(other, nullptr, 0);
    EXPECT_EQ(run({"switch", "Bob"}), 0);
    EXPECT_EQ(readGame("GamePlay", "iDifficultyLevel"), "90");
    ::close(ready[0]);
    ::close(ready[1]);
}
#endif

// The wrapper: the switch is on disk before the command starts, which gets
// its arguments exactly; a failed switch starts nothing and is shown where a
// launch option's player sees it; the game running refuses the switch.
TEST_F(CommandLineTest, RunSwitchesFirstAndNeverStartsTheGameIntoAnotherCharacter) {
    std::string seen;
    processesFake->whileRunning = [&] { seen = readGame("General", "SLocalSavePath"); };
    processesFake->status = 0;
    EXPECT_EQ(run({"run", "--character", "Bob", "--", "/g/game.exe", "-x", "", "a\"b"}), 0);
    EXPECT_EQ(seen, "Saves\\Bob\\");
    EXPECT_EQ(processesFake->ran.back(), (Strings{"/g/game.exe", "-x", "", "a\"b"}));

    processesFake->gameRunning = true;
    processesFake->ran.clear();
    EXPECT_EQ(run({"run", "--character", "Ann", "--", "game"}), 1);
    EXPECT_TRUE(processesFake->ran.empty());
    ASSERT_EQ(screens.failures.size(), 1u);
    EXPECT_EQ(screens.failures[0].rfind("Failed. Game Is Running.", 0), 0u);
    processesFake->gameRunning = false;

    // The picker: Enter on the second row (the active one is first).
    screens.keys = {app::Picker::Key::down, app::Picker::Key::enter};
    EXPECT_EQ(run({"run", "--pick", "--", "game"}), 0);
    EXPECT_EQ(seen, "Saves\\Ann\\");
    // Without a command, the game's launcher as Run Game starts it.
    EXPECT_EQ(run({"run"}), 0);
    EXPECT_EQ(processesFake->started.size(), 1u);
    // A command that cannot start exits as a shell would.
    processesFake->canStart = false;
    EXPECT_EQ(run({"run", "--", "missing"}), 127);
    EXPECT_NE(err.str().find("could not be started"), std::string::npos);
}

// The picker: the active character first and highlighted, arrows move and
// stop the countdown, Enter takes, Escape or the countdown keeps.
TEST(Picker, ChoosesWithArrowsEnterAndEscapeOnly) {
    using K = app::Picker::Key;
    struct View : app::PickerView {
        std::size_t highlighted = 99;
        std::optional<int> left;
        int shown = 0;
        void show(const std::vector<app::CharacterLine>&, std::size_t h,
                  std::optional<int> s) override {
            highlighted = h;
            left = s;
            ++shown;
        }
    };
    std::vector<app::CharacterLine> rows(3);
    rows[0].name = "Ann";
    rows[0].active = true;
    rows[1].name = "Bob";
    rows[2].name = "Cara";
    struct Case {
        std::vector<K> keys;
        int ticks;
        std::optional<std::string> chosen;
        bool done;
    };
    for (const Case& c : {
             Case{{K::enter}, 0, "Ann", true},
             Case{{K::down, K::down, K::down, K::enter}, 0, "Cara", true},
             Case{{K::up, K::down, K::up, K::enter}, 0, "Ann", true},
             Case{{K::down, K::escape}, 0, std::nullopt, true}, Case{{}, 2, std::nullopt, false},
             Case{{}, 3, std::nullopt, true},
             Case{{K::down}, 5, std::nullopt, false},  // moving stops the countdown
         }) {
        app::Picker picker(rows, 3);
        View view;
        picker.start(view);
        EXPECT_EQ(view.highlighted, 0u);
        EXPECT_EQ(view.left, std::optional<int>(3));
        for (const K k : c.keys) {
            picker.key(k);
        }
        for (int i = 0; i < c.ticks; ++i) {
            picker.tick();
        }
        EXPECT_EQ(picker.done(), c.done);
        EXPECT_EQ(picker.chosen(), c.chosen);
    }
}

}  // namespace
}  // namespace quarlo::test
