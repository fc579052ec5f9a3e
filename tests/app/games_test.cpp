#include <gtest/gtest.h>

#include <set>

#include "app/code_page.h"
#include "tests/app/app_fixture.h"
#include "tests/support/save_writer.h"

#ifndef _WIN32
#include "platform/posix/profile_posix.h"
#endif

namespace quarlo::test {
namespace {

// A profile whose writes to one file (by its name) are taken and lost: a
// disk that lies.
class LosingProfile : public MemoryProfileFile {
  public:
    std::string loses;
    bool write(std::string_view section, std::string_view key, std::string_view value,
               const std::string& path) override {
        return path.ends_with(loses) || MemoryProfileFile::write(section, key, value, path);
    }
};

// A game of the family on the same fakes: its folder in My Games, its
// settings files in the order it reads them.
class FamilyTest : public AppTest {
  protected:
    void use(games::GameId id) {
        platform.game = &games::get(id);
        root = dir.at("Documents/My Games/" + std::string(platform.game->myGamesFolders.front()));
        std::filesystem::create_directories(root + "/Saves/Ann");
    }
    std::string file(const std::string& name) const { return root + "/" + name; }
    std::string root;
};

// Which file wins, what a switch writes, and when it must say "Failed.":
// the value the game reads last names the character, or the switch fails;
// no file is made that the player does not have unless none holds the key,
// and every file a switch need not write keeps every byte.
TEST_F(FamilyTest, TheSwitchLeavesTheValueTheGameReadsLastNamingTheCharacter) {
    const std::string old = "[General]\r\nSLocalSavePath=Saves\\Old\\\r\n";
    const std::string stale = "[General]\r\nSLocalSavePath=Saves\\__MO_Saves\\\r\n";
    const std::string other = "[Display]\r\niSize W=1920\r\n";
    using games::GameId;
    struct Case {
        const char* what;
        GameId game;
        std::map<std::string, std::string> before;
        const char* readOnly;  // "" for none
        bool switched;
        std::set<std::string> written;  // the files that name Ann after it
    };
    const Case cases[] = {
        {"no file holds it: the player's own file, made",
         GameId::skyrimse,
         {{"Skyrim.ini", other}},
         "",
         true,
         {"SkyrimCustom.ini"}},
        {"the base holds it and no Custom file is there: the base",
         GameId::skyrimse,
         {{"Skyrim.ini", old}},
         "",
         true,
         {"Skyrim.ini"}},
        {"a stale value in the Custom file, as Mod Organizer left it",
         GameId::fallout4,
         {{"Fallout4.ini", old}, {"Fallout4Custom.ini", stale}},
         "",
         true,
         {"Fallout4.ini", "Fallout4Custom.ini"}},
        {"a Custom file without the key still wins",
         GameId::skyrimse,
         {{"Skyrim.ini", old}, {"SkyrimCustom.ini", other}},
         "",
         true,
         {"Skyrim.ini", "SkyrimCustom.ini"}},
        {"only the menus' file holds it",
         GameId::fallout4,
         {{"Fallout4Prefs.ini", old}},
         "",
         true,
         {"Fallout4Prefs.ini"}},
        {"a Custom file that cannot be written: nothing changes",
         GameId::skyrimse,
         {{"Skyrim.ini", old}, {"SkyrimCustom.ini", stale}},
         "SkyrimCustom.ini",
         false,
         {}},
        {"both of Fallout 4 VR's Custom files, whichever it reads",
         GameId::fallout4vr,
         {{"Fallout4Custom.ini", stale}, {"Fallout4VRCustom.ini", other}},
         "",
         true,
         {"Fallout4Custom.ini", "Fallout4VRCustom.ini"}},
        {"Skyrim (2011) with none: its base file, made",
         GameId::skyrim,
         {{"SkyrimPrefs.ini", other}},
         "",
         true,
         {"Skyrim.ini"}},
        {"Skyrim VR: a Custom file it may or may not read is written too, none made",
         GameId::skyrimvr,
         {{"SkyrimVR.ini", old}, {"SkyrimCustom.ini", stale}},
         "",
         true,
         {"SkyrimVR.ini", "SkyrimCustom.ini"}},
        {"Skyrim VR with none: its own file, made",
         GameId::skyrimvr,
         {},
         "",
         true,
         {"SkyrimVR.ini"}},
        {"New Vegas with a stale Custom file",
         GameId::falloutnv,
         {{"Fallout.ini", old}, {"FalloutCustom.ini", stale}},
         "",
         true,
         {"Fallout.ini", "FalloutCustom.ini"}},
        {"Fallout 3 with none: its base file, made",
         GameId::fallout3,
         {},
         "",
         true,
         {"Fallout.ini"}},
        {"a folder that holds another game's settings too: those are never touched",
         GameId::skyrimse,
         {{"Skyrim.ini", old}, {"Oblivion.ini", old}, {"Fallout4Custom.ini", stale}},
         "",
         true,
         {"Skyrim.ini"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        use(c.game);
        for (const std::string_view name : platform.game->savePath.files) {
            profileFake->remove(file(std::string(name)));
            profileFake->setReadOnly(file(std::string(name)), false);
        }
        for (const auto& [name, bytes] : c.before) {
            profileFake->setBytes(file(name), bytes);
        }
        if (*c.readOnly != '\0') {
            profileFake->setReadOnly(file(c.readOnly));
        }
        app::ViewOf<FakeControls> view(controls);
        app::Game game(platform, view);
        game.setRoot(root);
        const std::string outcome = game.load("Ann");
        EXPECT_EQ(outcome, c.switched ? app::text::kCharacterChanged : app::text::kCouldNotWrite);
        std::set<std::string> looked;
        for (const std::string_view name : platform.game->savePath.files) {
            looked.emplace(name);
        }
        for (const auto& [name, bytes] : c.before) {
            looked.insert(name);
        }
        for (const std::string& f : looked) {
            const auto was = c.before.find(f);
            if (c.written.count(f)) {
                EXPECT_EQ(platform.profile->read("General", "SLocalSavePath", "", 100, file(f)),
                          "Saves\\Ann\\")
                    << f;
            } else {
                EXPECT_EQ(profileFake->bytes(file(f)), was == c.before.end() ? "" : was->second)
                    << f;
                EXPECT_EQ(profileFake->exists(file(f)), was != c.before.end()) << f;
            }
        }
        if (c.switched) {
            EXPECT_EQ(game.activeSave(), "Ann");
        }
    }
}

// A file that takes the write and keeps its old value (a disk that lies, a
// second copy of the key the game reads instead): the switch reads every
// file back as the game does and says "Failed.", never "Success.".
TEST_F(FamilyTest, AValueThatDoesNotWinIsAFailureNeverASuccess) {
    use(games::GameId::skyrimse);
    auto losing = std::make_unique<LosingProfile>();
    losing->loses = "SkyrimCustom.ini";
    losing->setBytes(file("Skyrim.ini"), "[General]\r\nSLocalSavePath=Saves\\Old\\\r\n");
    losing->setBytes(file("SkyrimCustom.ini"), "[General]\r\nSLocalSavePath=Saves\\Old\\\r\n");
    platform.profile = std::move(losing);
    app::ViewOf<FakeControls> view(controls);
    app::Game game(platform, view);
    game.setRoot(root);
    const std::string outcome = game.load("Ann");
    EXPECT_EQ(outcome.rfind("Failed. SkyrimCustom.ini gives SLocalSavePath as \"Saves\\Old\\\"", 0),
              0u)
        << outcome;
    EXPECT_EQ(game.activeSave(), "Old");
}

// The names in saves read in the code page of the player's edition: what
// the command asks, else what is kept for the game folder, else the game's
// own language setting, else the system's. Oblivion's 0 is the English game
// and every edition translated over it, so it leaves the choice to the
// system.
TEST_F(FamilyTest, NamesInSavesReadInTheEditionsCodePage) {
    using games::GameId;
    const std::string svetlana = "\xD1\xE2\xE5\xF2\xEB\xE0\xED\xE0";  // 1251
    const std::string lukasz =
        "\xA3ukasz \xC8"
        "apek";  // 1250
    struct Case {
        const char* what;
        GameId game;
        std::string settings;  // the game's first settings file
        int kept;              // 0: none kept
        int command;           // 0: none asked
        std::string written;   // the player's name, as the save holds it
        std::string shown;
    };
    const Case cases[] = {
        {"German Oblivion", GameId::oblivion, "[Controls]\r\niLanguage=1\r\n", 0, 0, "J\xF6rg",
         "Jörg"},
        {"Oblivion's 0: the system's", GameId::oblivion, "[Controls]\r\niLanguage=0\r\n", 0, 0,
         "J\xF6rg", "Jörg"},
        {"Russian Oblivion, kept", GameId::oblivion, "[Controls]\r\niLanguage=0\r\n", 1251, 0,
         svetlana, "Светлана"},
        {"Polish Oblivion, kept", GameId::oblivion, "", 1250, 0, lukasz, "Łukasz Čapek"},
        {"the command's over the kept", GameId::oblivion, "", 1250, 1251, svetlana, "Светлана"},
        {"Fallout 3 in Russian", GameId::fallout3, "[General]\r\nsLanguage=RUSSIAN\r\n", 0, 0,
         svetlana, "Светлана"},
        {"New Vegas in Polish", GameId::falloutnv, "[General]\r\nsLanguage=polish\r\n", 0, 0,
         lukasz, "Łukasz Čapek"},
        {"the kept over the game's", GameId::fallout3, "[General]\r\nsLanguage=RUSSIAN\r\n", 1250,
         0, lukasz, "Łukasz Čapek"},
        {"a language of no known page", GameId::fallout3, "[General]\r\nsLanguage=KLINGON\r\n", 0,
         0, "J\xF6rg", "Jörg"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(dir.at("store"));
        platform.backupStore = dir.at("store");
        platform.systemCodePage = 1252;
        use(c.game);
        const games::Game& g = *platform.game;
        profileFake->setBytes(file(std::string(games::mainSettingsFile(g))), c.settings);
        std::filesystem::remove_all(root + "/Saves/Ann");
        std::filesystem::create_directories(root + "/Saves/Ann");
        if (c.game == GameId::oblivion) {
            SaveShape shape;
            shape.name = c.written;
            writeBytes(root + "/Saves/Ann/a.ess", saveBytes(shape));
        } else {
            FamilyShape shape;
            shape.layout = g.saves.layout;
            shape.name = c.written;
            writeBytes(root + "/Saves/Ann/a" + std::string(g.saves.extension),
                       familySaveBytes(shape));
        }
        app::ViewOf<FakeControls> view(controls);
        app::Game game(platform, view);
        game.setRoot(root);
        if (c.kept != 0) {
            ASSERT_EQ(app::keepCodePage(game, c.kept).rfind("Success.", 0), 0u) << c.what;
        }
        EXPECT_EQ(app::useCodePage(game, platform, c.command), "") << c.what;
        app::SavesSource source{"Ann", root + "/Saves/Ann", platform.saveFiles.get(),
                                platform.ansiToUtf8};
        source.game = &g;
        const app::ListedSaves listed = app::listSavesOf(source);
        ASSERT_EQ(listed.rows.size(), 1u) << c.what;
        EXPECT_EQ(listed.rows[0].player, c.shown) << c.what;
    }
}

// What is kept is one plain number of the choices: a planted or damaged file
// is no choice, and a page this system cannot convert is refused.
TEST_F(FamilyTest, AKeptCodePageIsOneOfTheChoicesOrNone) {
    platform.backupStore = dir.at("store");
    use(games::GameId::oblivion);
    app::ViewOf<FakeControls> view(controls);
    app::Game game(platform, view);
    game.setRoot(root);
    const std::string kept =
        game.store()->stateFolder(root) + platform.saveFiles->separator() + "code-page";
    for (const char* planted : {"1251", "1251\n\n", "932\n", "-1251\n", "12510\n", "", "\x80"}) {
        writeBytes(kept, planted);
        EXPECT_EQ(app::keptCodePage(game), std::string_view(planted) == "1251" ? 1251 : 0)
            << planted;
    }
    EXPECT_EQ(app::keepCodePage(game, 932), "Failed. Code page 932 is not one of 1250 to 1258.");
    EXPECT_EQ(app::keepCodePage(game, 1250), "Success. Names are read in code page 1250.");
    EXPECT_EQ(app::keptCodePage(game), 1250);
    EXPECT_EQ(app::keepCodePage(game, 0).rfind("Success.", 0), 0u);
    EXPECT_EQ(app::keptCodePage(game), 0);
    EXPECT_FALSE(std::filesystem::exists(kept));
}

#ifndef _WIN32
// Under Proton a game folder may hold its files in other letter cases
// ("skyrim.ini"): Wine finds them so, and the switch writes those, making no
// second file beside them.
TEST_F(FamilyTest, SettingsFilesInOtherLetterCasesAreTheGamesOwn) {
    use(games::GameId::skyrimse);
    platform.profile = std::make_unique<platform::posix::PosixProfileFile>(1252);
    writeBytes(file("skyrim.ini"), "[General]\r\nSLocalSavePath=Saves\\Old\\\r\n");
    writeBytes(file("skyrimcustom.ini"), "[Display]\r\niSize W=1920\r\n");
    app::ViewOf<FakeControls> view(controls);
    app::Game game(platform, view);
    game.setRoot(root);
    EXPECT_EQ(std::string(game.load("Ann")), app::text::kCharacterChanged);
    EXPECT_EQ(readBytes(file("skyrim.ini")), "[General]\r\nSLocalSavePath=Saves\\Ann\\\r\n");
    EXPECT_EQ(readBytes(file("skyrimcustom.ini")),
              "[Display]\r\niSize W=1920\r\n[General]\r\nSLocalSavePath=Saves\\Ann\\\r\n");
    EXPECT_FALSE(std::filesystem::exists(file("Skyrim.ini")));
    EXPECT_FALSE(std::filesystem::exists(file("SkyrimCustom.ini")));
}
#endif

// Each game's own difficulty: its key, its file, its scale on the slider, and
// the character's value kept in quarlo.ini under the same key.
TEST_F(FamilyTest, TheDifficultyIsEachGamesOwnKeyFileAndScale) {
    struct Case {
        games::GameId game;
        const char* prefs;
        int high;
    };
    for (const Case& c : {Case{games::GameId::skyrimse, "SkyrimPrefs.ini", 5},
                          Case{games::GameId::fallout4, "Fallout4Prefs.ini", 4}}) {
        use(c.game);
        SCOPED_TRACE(platform.game->key);
        profileFake->setBytes(file(c.prefs), "[GamePlay]\r\niDifficulty=1\r\n");
        profileFake->setBytes(file("Skyrim.ini"), "[General]\r\nSLocalSavePath=Saves\\Ann\\\r\n");
        profileFake->setBytes(file("Fallout4.ini"), "[General]\r\nSLocalSavePath=Saves\\Ann\\\r\n");
        app::Main main(platform, controls);
        main.startUp();
        EXPECT_EQ(controls.sliderLow, 0);
        EXPECT_EQ(controls.sliderHigh, c.high);
        EXPECT_EQ(controls.slider, 1);
        controls.slider = 3;
        main.onSliderChanged();
        EXPECT_EQ(controls.label(app::ValueLabel::Outcome), app::text::kSuccess);
        EXPECT_EQ(platform.profile->read("GamePlay", "iDifficulty", "", 10, file(c.prefs)), "3");
        EXPECT_EQ(platform.profile->read("Ann", "iDifficulty", "", 10, file("quarlo.ini")), "3");
        EXPECT_EQ(controls.title, "Quarlo - " + std::string(platform.game->name));
    }
}

// The window's game: the one last chosen where it is here, else Oblivion,
// else the first found that can be switched; the Game menu lists what was
// found once there is more than one, and a game Quarlo cannot switch is
// said, never loaded.
TEST_F(FamilyTest, TheWindowsGameAndItsMenu) {
    using games::GameId;
    const auto found = [](std::vector<GameId> ids) {
        std::vector<platform::FoundGame> out;
        for (const GameId id : ids) {
            const games::Game& g = games::get(id);
            out.push_back({&g, "", g.switchable, std::string(g.whyNot)});
        }
        return out;
    };
    struct Case {
        std::vector<GameId> found;
        const char* remembered;
        GameId chosen;
    };
    const Case cases[] = {
        {{}, "", GameId::oblivion},
        {{}, "fallout4", GameId::fallout4},
        {{GameId::oblivion, GameId::skyrimse}, "", GameId::oblivion},
        {{GameId::oblivion, GameId::skyrimse}, "skyrimse", GameId::skyrimse},
        {{GameId::oblivion}, "skyrimse", GameId::oblivion},
        {{GameId::starfield, GameId::fallout4}, "", GameId::fallout4},
        {{GameId::skyrimse}, "starfield", GameId::skyrimse},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(app::windowGame(found(c.found), c.remembered).id, c.chosen) << c.remembered;
    }
    use(GameId::oblivion);
    std::vector<std::string> remembered;
    std::vector<GameId> made;
    app::Main main(platform, controls);
    main.setGames(
        found({GameId::oblivion, GameId::skyrimse, GameId::starfield}),
        [&](const games::Game& g) {
            made.push_back(g.id);
            platform::Platform next;
            next.profile = std::make_unique<MemoryProfileFile>();
            next.fileSystem = nativeFileSystem();
            next.saveFiles = nativeSaveFiles();
            auto special = std::make_unique<FakeSpecialFolders>();
            special->documents = dir.at("Documents");
            next.specialFolders = std::move(special);
            next.registry = std::make_unique<FakeRegistry>();
            next.processes = std::make_unique<FakeProcesses>();
            next.game = &g;
            return next;
        },
        [&](std::string_view key) {
            remembered.emplace_back(key);
            return true;
        });
    main.startUp();
    ASSERT_EQ(controls.games.size(), 3u);
    EXPECT_TRUE(controls.games[0].chosen);
    EXPECT_EQ(controls.games[2].label, "Starfield (not supported)");
    EXPECT_EQ(controls.title, "Quarlo - Oblivion");
    main.onGameChosen(2);
    EXPECT_TRUE(made.empty());
    ASSERT_EQ(controls.notices.size(), 1u);
    EXPECT_EQ(controls.notices[0].rfind("Failed. No player has confirmed", 0), 0u);
    main.onGameChosen(1);
    EXPECT_EQ(made, std::vector<GameId>{GameId::skyrimse});
    EXPECT_EQ(remembered, std::vector<std::string>{"skyrimse"});
    EXPECT_TRUE(controls.games[1].chosen);
    EXPECT_EQ(controls.title, "Quarlo - Skyrim Special Edition");
    EXPECT_EQ(main.rootFolder(), dir.at("Documents/My Games/Skyrim Special Edition"));
    EXPECT_EQ(controls.sliderHigh, 5);
}

}  // namespace
}  // namespace quarlo::test
