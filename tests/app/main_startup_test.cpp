#include <gtest/gtest.h>

#include <set>

#include "tests/app/app_fixture.h"

namespace quarlo::test {
namespace {

using app::ValueLabel;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

TEST_F(AppTest, StartUpAdoptsTheGameDifficultyOrTheCharacters) {
    struct Case {
        const char* name;
        int initialSlider;
        const char* gameValue;  // nullptr: no entry
        const char* stored;     // nullptr: no section for the character
        int expected;
        const char* storedAfter;
    };
    const Case cases[] = {
        {"game value differs from the initial slider: the game wins", 0, "70", "30", 70, "70"},
        {"game value equals the initial slider: the character wins", 50, "50", "30", 30, "30"},
        {"nothing stored anywhere: both defaults", 0, nullptr, nullptr, 50, "50"},
        {"game value equals the slider, nothing stored", 50, "50", nullptr, 50, "<missing>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir local;
        specialFolders->documents = local.at("Documents");
        std::filesystem::create_directories(local.at("Documents/My Games/Oblivion/Saves/Bob"));
        const auto at = [&](const std::string& file) {
            return local.at("Documents/My Games/Oblivion/" + file);
        };
        std::string game = "[General]\r\nSLocalSavePath=Saves\\Bob\\\r\n";
        if (c.gameValue) {
            game += std::string("[GamePlay]\r\niDifficultyLevel=") + c.gameValue + "\r\n";
        }
        profileFake->setBytes(at("oblivion.ini"), game);
        if (c.stored) {
            profileFake->setBytes(at("quarlo.ini"), std::string("[Bob]\r\niDifficultyLevel=") +
                                                        c.stored + "\r\nSScreenShotBaseName=0\r\n");
        }
        FakeControls fresh;
        fresh.slider = c.initialSlider;
        app::Main m(platform, fresh);
        m.startUp();
        EXPECT_EQ(fresh.slider, c.expected);
        EXPECT_EQ(fresh.label(ValueLabel::Diff), std::to_string(c.expected));
        auto read = [&](const char* file, const char* section) {
            return platform.profile->read(section, "iDifficultyLevel", "<missing>", 100, at(file));
        };
        EXPECT_EQ(read("oblivion.ini", "GamePlay"), std::to_string(c.expected));
        EXPECT_EQ(read("quarlo.ini", "Bob"), c.storedAfter);
    }
}

// The game reads its install folder's Oblivion.ini first: where that turns
// My Games off, Automatic Mode works on the install folder, as the game
// does; otherwise, or without an install folder, on My Games.
TEST_F(AppTest, AutomaticModeWorksWhereTheGameKeepsItsSaves) {
    auto folders = std::make_unique<FakeGameFolders>();
    FakeGameFolders& game = *folders;
    platform.gameFolders = std::move(folders);
    const std::string install = dir.at("Games/Oblivion");
    const std::string myGames = dir.at("Documents/My Games/Oblivion");
    struct Case {
        const char* installIni;  // nullptr: none there
        std::string install;
        std::string root;
    };
    for (const Case& c : {
             Case{nullptr, install, myGames},
             Case{"[General]\r\nbUseMyGamesDirectory=0\r\n", install, install},
             Case{"[general]\r\nbUseMyGames=0\r\n", install, install},
             Case{"[General]\r\nbUseMyGamesDirectory=1\r\n", install, myGames},
             Case{"[Display]\r\nbUseMyGamesDirectory=0\r\n", install, myGames},
             Case{"[General]\r\nbUseMyGamesDirectory=0\r\n", "", myGames},
         }) {
        SCOPED_TRACE(c.installIni ? c.installIni : "no Oblivion.ini");
        game.install = c.install;
        if (c.installIni) {
            profileFake->setBytes(install + platform.fileSystem->separator() + "Oblivion.ini",
                                  c.installIni);
        }
        main.onToggleClicked();  // Root Dir Mode, then back to Automatic Mode
        main.onToggleClicked();
        EXPECT_EQ(main.rootFolder(), c.root);
    }
}

// The game's plugins are read where it keeps them: Plugins.txt in the local
// application data (or, with My Games turned off, the install folder), the
// plugin files in the folder SLocalMasterPath names below the install folder.
TEST_F(AppTest, PluginsAreReadWhereTheGameKeepsThem) {
    auto folders = std::make_unique<FakeGameFolders>();
    folders->install = dir.at("Games/Oblivion");
    folders->localData = dir.at("Local/Oblivion");
    const std::string install = folders->install;
    const char sep = platform.fileSystem->separator();
    platform.gameFolders = std::move(folders);
    for (const char* file : {"Data/Oblivion.esm", "Mods/Extra.esp"}) {
        fs::create_directories(fs::path(dir.at("Games/Oblivion/") + file).parent_path());
        writeBytes(dir.at("Games/Oblivion/") + file, "");
    }
    fs::create_directories(dir.at("Local/Oblivion"));
    writeBytes(dir.at("Local/Oblivion/Plugins.txt"), "Extra.esp\r\n");
    writeBytes(install + sep + "Plugins.txt", "Other.esp\r\n");
    started();
    const auto expect = [&](const std::set<std::string>& installed, const char* listed) {
        const saves::PluginSetup setup = main.game().pluginSetup();
        ASSERT_TRUE(setup.known) << setup.why;
        EXPECT_EQ(setup.installed, installed);
        EXPECT_TRUE(setup.active.count(listed)) << listed;
    };
    expect({"oblivion.esm"}, "extra.esp");
    gameFile("[General]\r\nSLocalMasterPath=Mods\\\r\n");
    expect({"extra.esp"}, "extra.esp");
    // My Games turned off: Plugins.txt in the install folder.
    profileFake->setBytes(install + sep + "Oblivion.ini",
                          "[General]\r\nbUseMyGamesDirectory=0\r\n");
    main.onToggleClicked();
    main.onToggleClicked();
    expect({"oblivion.esm"}, "other.esp");
}

TEST_F(AppTest, FirstStartWithoutAnyGameFolder) {
    started();
    EXPECT_EQ(shown(ValueLabel::Mode), "Automatic Mode.");
    EXPECT_EQ(shown(ValueLabel::Active), "ERROR");
    EXPECT_EQ(shown(ValueLabel::Diff), "50");
    EXPECT_EQ(controls.slider, 50);
    EXPECT_TRUE(controls.list.empty());
    EXPECT_TRUE(controls.listVisible);
    EXPECT_EQ(main.rootFolder(), game());
    // Nothing can be written where there is no folder, and nothing is created.
    EXPECT_FALSE(std::filesystem::exists(game()));
    EXPECT_EQ(shown(ValueLabel::Outcome), "Failed. Could Not Write Settings.");
}

TEST_F(AppTest, FirstStartInAnEmptyGameFolderWritesTheDefaults) {
    folder("");
    started();
    EXPECT_EQ(shown(ValueLabel::Active), "ERROR");
    EXPECT_EQ(readGame("Display", "SScreenShotBaseName"), "ScreenShot");
    EXPECT_EQ(readGame("GamePlay", "iDifficultyLevel"), "50");
    EXPECT_EQ(readProgram("ERROR", "iDifficultyLevel"), "50");
    EXPECT_EQ(shown(ValueLabel::Outcome), "Success.");
}

TEST_F(AppTest, MissingDocumentsFolderWorksUnderTheRootRelativeFolder) {
    specialFolders->documents.clear();
    started();
    const char sep = platform.fileSystem->separator();
    EXPECT_EQ(main.rootFolder(), std::string(1, sep) + "My Games" + sep + "Oblivion");
    EXPECT_EQ(shown(ValueLabel::Active), "ERROR");
}

TEST_F(AppTest, CharacterListShowsEveryFolderFromTheThirdCatalogueEntryOn) {
    struct Case {
        const char* name;
        Strings folders;
        Strings listed;
    };
    const Case cases[] = {
        {"Saves only", {"Saves/Ann", "Saves/Bob"}, {"Ann", "Bob"}},
        {"empty Saves", {"Saves"}, {}},
        {"Backup before Saves",
         {"Backup/x", "Saves/Ann", "Saves/Bob"},
         {"Saves", "x", "Ann", "Bob"}},
        {"a sign sorts after the letters, as the game lists it",
         {"Saves/Ann", "Saves/Bob", "_old"},
         {"_old", "Ann", "Bob"}},
        {"nested folders come after all characters",
         {"Saves/Ann/Old", "Saves/Bob/Old", "Saves/Carl"},
         {"Ann", "Bob", "Carl", "Old", "Old"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(game());
        folder("");
        for (const auto& f : c.folders) {
            folder(f);
        }
        controls.list = {"stale"};
        main.startUp();
        EXPECT_EQ(controls.list, c.listed);
        EXPECT_TRUE(controls.listVisible);
    }
}

TEST_F(AppTest, ActiveSaveNameFollowsTheGamesSavePath) {
    const std::string sixty(60, 'n');
    struct Case {
        std::string value;
        std::string name;
    };
    const Case cases[] = {
        {"Saves\\Bob\\", "Bob"},
        {"Saves\\a\\b\\", "b"},
        {"Saves\\", "Saves"},
        {"Saves\\Bob", "Bo"},
        {"Bob\\", "Bob"},
        {"", ""},
        {"Saves\\" + sixty + "\\", sixty.substr(0, 54)},
    };
    started();
    for (const Case& c : cases) {
        gameFile("[General]\r\nSLocalSavePath=" + c.value + "\r\n");
        main.activeSaveLabel();
        EXPECT_EQ(shown(ValueLabel::Active), c.name) << c.value;
        EXPECT_EQ(main.activeSave(), c.name) << c.value;
    }
}

TEST_F(AppTest, StartUpOnTheSampleFilesChangesOnlyTheScreenshotName) {
    folder("Saves/Aldric");
    const std::string original = readBytes(copySample(dir, "oblivion-sample.ini", "x.ini"));
    profileFake->setBytes(gameIni(), original);
    programFile(readBytes(copySample(dir, "quarlo-sample.ini", "y.ini")));
    started();
    EXPECT_EQ(shown(ValueLabel::Active), "Aldric");
    EXPECT_EQ(controls.slider, 65);
    EXPECT_EQ(controls.check, 1);
    EXPECT_EQ(readProgram("Aldric", "iDifficultyLevel"), "65");
    std::string expected = original;
    const std::string from = "SScreenShotBaseName=ScreenShot\r\n";
    expected.replace(expected.find(from), from.size(), "SScreenShotBaseName=Aldric\r\n");
    EXPECT_EQ(gameBytes(), expected);
}

TEST_F(AppTest, LauncherPathIsTheInstallFolderFollowedByTheLauncher) {
    struct Case {
        const char* installed;  // nullptr: no value
        const char* launcher;
    };
    for (const Case& c :
         {Case{"C:\\Games\\Oblivion\\", "C:\\Games\\Oblivion\\\\oblivionlauncher.exe"},
          Case{"C:\\Games\\Oblivion", "C:\\Games\\Oblivion\\oblivionlauncher.exe"},
          Case{nullptr, "\\oblivionlauncher.exe"}}) {
        registryFake->values.clear();
        if (c.installed) {
            registryFake->values[std::to_string(platform::kHkeyLocalMachine) +
                                 "|Software\\Bethesda Softworks\\Oblivion\\|Installed Path"] =
                c.installed;
        }
        main.startUp();
        EXPECT_EQ(main.launcherPath(), c.launcher);
    }
}

TEST(RegGetValue, RootKeysOutsideThePredefinedRangeNeverReachTheRegistry) {
    FakeRegistry registry;
    registry.values["2147483650|k|v"] = "data";
    for (std::uint32_t root : {0u, 1u, 0x7FFFFFFFu, 0x80000007u, 0xFFFFFFFFu}) {
        EXPECT_EQ(registry.RegGetValue(root, "k", "v"), "") << root;
    }
    EXPECT_EQ(registry.queries, 0);
    EXPECT_EQ(registry.RegGetValue(platform::kHkeyLocalMachine, "k", "v"), "data");
    EXPECT_EQ(registry.RegGetValue(platform::kHkeyClassesRoot, "k", "v"), "");
    EXPECT_EQ(registry.RegGetValue(platform::kHkeyDynData, "k", "v"), "");
    EXPECT_EQ(registry.queries, 3);
}

}  // namespace
}  // namespace quarlo::test
