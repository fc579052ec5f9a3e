#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/special_folders_posix.h"
#include "platform/wine/prefix.h"
#include "platform/wine/vdf.h"
#include "tests/platform/wine/linux_env.h"
#include "tests/support/temp_dir.h"

namespace quarlo::platform::wine {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// Inside a launch option the store says which prefix the game starts in:
// Steam's compatibility data folder, else $WINEPREFIX (Heroic, Lutris).
TEST(LaunchPrefix, TheStoresVariablesNameIt) {
    struct Case {
        std::string compat, appId, winePrefix;
        std::optional<WinePrefix> expected;
    };
    const std::string lib = "/games/steamapps/compatdata/";
    for (const Case& c : {
             Case{lib + "22330", "22330", "/ignored",
                  WinePrefix{lib + "22330/pfx", Launcher::steam, "steamuser",
                             "steam://rungameid/22330"}},
             Case{lib + "900883/", "", "",
                  WinePrefix{lib + "900883/pfx", Launcher::steam, "steamuser",
                             "steam://rungameid/900883"}},
             Case{"", "", "/games/heroic/Oblivion/",
                  WinePrefix{"/games/heroic/Oblivion", Launcher::wine, "joe", ""}},
             Case{"", "", "", std::nullopt},
         }) {
        LinuxEnvironment e{"/home/joe", c.winePrefix, "joe", "en_US.UTF-8"};
        e.steamCompatDataPath = c.compat;
        e.steamAppId = c.appId;
        EXPECT_EQ(launchPrefix(e), c.expected) << c.compat << c.winePrefix;
    }
}

// The game's own code page: the one its prefix last ran in, whatever
// Quarlo's locale; the locale's where the prefix does not say or is none.
TEST(GameCodePage, ThePrefixsOwnElseTheLocales) {
    test::TempDir dir;
    const std::string acp =
        "WINE REGISTRY Version 2\n\n[System\\\\CurrentControlSet\\\\Control\\\\Nls\\\\CodePage] "
        "1700000000\n\"ACP\"=\"1251\"\n";
    struct Case {
        const char* systemReg;  // nullptr: none
        const char* lang;
        bool prefix;
        int page;
    };
    for (const Case& c : {Case{acp.c_str(), "en_US.UTF-8", true, 1251},
                          Case{"WINE REGISTRY Version 2\n", "pl_PL.UTF-8", true, 1250},
                          Case{nullptr, "ru_RU.UTF-8", true, 1251},
                          Case{acp.c_str(), "de_DE.UTF-8", false, 1252}}) {
        fs::remove_all(dir.at("pfx"));
        fs::create_directories(dir.at("pfx"));
        if (c.systemReg != nullptr) {
            test::writeBytes(dir.at("pfx/system.reg"), c.systemReg);
        }
        LinuxEnvironment e{"/home/joe", "", "joe", c.lang};
        const auto prefix =
            c.prefix ? std::optional<WinePrefix>(WinePrefix{dir.at("pfx")}) : std::nullopt;
        EXPECT_EQ(gameCodePage(prefix, e), c.page) << c.lang;
    }
}

// Steam Cloud's list of a game's files: the blocks that name a file, of
// that app only, whatever else the list holds or however it was cut.
TEST(RemoteCache, NamesTheFilesOfTheAppOnly) {
    const std::string list =
        "\"22330\"\n{\n\t\"ChangeNumber\"\t\"12\"\n\t\"ostype\"\t\"-184\"\n"
        "\t\"My Games/Oblivion/Saves/Save 1.ess\"\n\t{\n\t\t\"root\"\t\"2\"\n"
        "\t\t\"size\"\t\"4194304\"\n\t\t\"sha\"\t\"0123\"\n\t}\n"
        "\t\"My Games/Oblivion/Saves/Save 1.obse\"\n\t{\n\t\t\"size\"\t\"12\"\n"
        "\t\t\"persiststate\"\t\"2\"\n\t}\n"
        "\t\"SomeOtherBlock\"\n\t{\n\t\t\"x\"\t\"y\"\n\t}\n}\n";
    const std::vector<CloudFile> files{{"My Games/Oblivion/Saves/Save 1.ess", 2, 0},
                                       {"My Games/Oblivion/Saves/Save 1.obse", -1, 2}};
    EXPECT_EQ(parseRemoteCacheFiles(list, "22330"), files);
    EXPECT_TRUE(parseRemoteCacheFiles(list, "900883").empty());
    EXPECT_TRUE(parseRemoteCacheFiles("not a list", "22330").empty());
    // Cut anywhere: never more than the whole list names.
    for (std::size_t n = 0; n < list.size(); ++n) {
        EXPECT_LE(parseRemoteCacheFiles(std::string_view(list).substr(0, n), "22330").size(), 2u);
    }
}

TEST(LibraryFolders, BothFormsSteamHasWritten) {
    struct Case {
        const char* what;
        std::string vdf;
        Strings libraries;
    };
    const Case cases[] = {
        {"old form",
         R"("LibraryFolders"
{
	"TimeNextStatsReport"		"1700000000"
	"ContentStatsID"		"-123"
	"1"		"/mnt/games/SteamLibrary"
	"2"		"/media/ssd/Steam"
})",
         {"/mnt/games/SteamLibrary", "/media/ssd/Steam"}},
        {"new form",
         R"("libraryfolders"
{
	"0"
	{
		"path"		"/home/joe/.local/share/Steam"
		"label"		""
		"contentid"		"123"
		"apps"
		{
			"228980"		"123"
		}
	}
	"1"
	{
		"label"		"games"
		"path"		"/mnt/games/SteamLibrary"
		"apps"
		{
			"22330"		"4567"
		}
	}
})",
         {"/home/joe/.local/share/Steam", "/mnt/games/SteamLibrary"}},
        {"comments, escapes, one line",
         R"(// written by hand
"libraryfolders" { "0" { "path" "/mnt/My \"Games\"" } "1" "/old/one" })",
         {"/old/one", "/mnt/My \"Games\""}},
        {"another top-level block", R"("other" { "1" "/not/this" })", {}},
        {"cut short", R"("libraryfolders" { "0" { "path" "/mnt/a" )", {"/mnt/a"}},
        {"cut inside a path",
         "\"libraryfolders\" { \"0\" { \"path\" \"/home/u/Ste",
         {"/home/u/Ste"}},
        {"cut inside a key", "\"libraryfolders\" { \"0\" { \"pa", {}},
        {"empty", "", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseLibraryFolders(c.vdf), c.libraries) << c.what;
    }
}

// A home folder with Steam, Wine and a WINEPREFIX in the places players have
// them, each prefix optionally holding the game's folder.
class Home : public ::testing::Test {
  protected:
    enum State { absent, empty, withGame };

    LinuxEnvironment environment() const { return {home, winePrefix, "joe", "en_US.UTF-8"}; }

    // Steam in ~/.local/share/Steam, with ~/.steam/steam linking to it; its
    // library list names a second library that holds the game's prefixes.
    void steam(State proton, State deluxe = absent) {
        fs::create_directories(home + "/.local/share/Steam/steamapps");
        fs::create_directories(home + "/.steam");
        fs::create_directory_symlink("../.local/share/Steam", home + "/.steam/steam");
        test::putFile(home + "/.local/share/Steam/steamapps/libraryfolders.vdf",
                      "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + home +
                          "/.local/share/Steam\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + library +
                          "\"\n\t}\n}\n");
        fs::create_directories(library + "/steamapps/common/Oblivion");
        if (deluxe != absent) {
            prefix(protonPrefix("900883"), "steamuser", deluxe == withGame);
        }
        if (proton != absent) {
            prefix(protonPrefix(), "steamuser", proton == withGame);
            test::putFile(protonPrefix() + "/user.reg",
                          test::wineRegistryFile(
                              "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer"
                              "\\\\Shell Folders] 1700000000\n"
                              "\"Personal\"=\"C:\\\\users\\\\steamuser\\\\Documents\"\n",
                              "\\\\User\\\\S-1-5-21-0-0-0-1000"));
        }
    }

    // Heroic's configuration of the GOG edition, natively or as a Flatpak,
    // naming a prefix made with a Wine build (or, for the Flatpak, a Proton
    // build, which holds the tree in pfx).
    void heroic(State state, bool flatpak) {
        const std::string config =
            home +
            (flatpak ? "/.var/app/com.heroicgameslauncher.hgl/config/heroic" : "/.config/heroic");
        const std::string folder = heroicPrefix(flatpak);
        test::putFile(config + "/GamesConfig/1458058109.json",
                      "{\n  \"1458058109\": {\n    \"autoInstallDxvk\": true,\n"
                      "    \"winePrefix\": \"" +
                          folder +
                          "\",\n    \"wineVersion\": {}\n  },\n"
                          "  \"version\": \"v0\"\n}\n");
        // Another game of Heroic's, whose prefix does not hold the game.
        test::putFile(config + "/GamesConfig/Quail.json",
                      "{\"Quail\":{\"winePrefix\":\"" + dir.at("other") + "\"}}");
        prefix(dir.at("other"), "joe", false);
        if (state != absent) {
            prefix(flatpak ? folder + "/pfx" : folder, flatpak ? "steamuser" : "joe",
                   state == withGame);
        }
    }
    std::string heroicPrefix(bool flatpak) const {
        return dir.at(flatpak ? "Games/Heroic/Prefixes/flat" : "Games/Heroic/Prefixes/Oblivion");
    }

    // Lutris's game file for the game, prefix quoted as Lutris may write it.
    void lutris(State state) {
        test::putFile(
            home + "/.local/share/lutris/games/the-elder-scrolls-iv-oblivion-1700000000.yml",
            "game:\n  exe: drive_c/GOG Games/Oblivion/OblivionLauncher.exe\n"
            "  prefix: '" +
                lutrisPrefix() + "'\nsystem: {}\nwine:\n  prefix: /no\n");
        if (state != absent) {
            prefix(lutrisPrefix(), "joe", state == withGame);
        }
    }
    std::string lutrisPrefix() const { return home + "/Games/the-elder-scrolls-iv-oblivion"; }

    void prefix(const std::string& path, const std::string& user, bool game) {
        makePrefixOnce(path);
        const std::string documents = path + "/drive_c/users/" + user + "/Documents";
        fs::create_directories(game ? documents + "/My Games/Oblivion" : documents);
    }

    void makePrefixOnce(const std::string& path) {
        if (!fs::exists(path + "/dosdevices")) {
            test::makePrefix(path);
        }
    }

    std::string protonPrefix(const char* app = "22330") const {
        return library + "/steamapps/compatdata/" + app + "/pfx";
    }

    test::TempDir dir;
    const std::string home = dir.at("home/joe");
    const std::string library = dir.at("mnt/games/SteamLibrary");
    std::string winePrefix;
};

TEST_F(Home, ThePrefixThatHoldsTheGameWinsThenTheFirstThatExists) {
    enum Which {
        none,
        wineprefix,
        proton,
        deluxe,
        heroicNative,
        heroicFlatpak,
        lutrisGame,
        dotWine
    };
    struct Case {
        const char* what;
        State winePrefixState;
        State protonState;
        State deluxeState;
        State heroicState;
        bool heroicInFlatpak;
        State lutrisState;
        State dotWineState;
        Which expected;
    };
    const Case cases[] = {
        {"Proton only", absent, withGame, absent, absent, false, absent, absent, proton},
        {"Deluxe only", absent, absent, withGame, absent, false, absent, absent, deluxe},
        {"Deluxe holds the game, 22330 empty", absent, empty, withGame, absent, false, absent,
         absent, deluxe},
        {"Proton before ~/.wine", empty, withGame, absent, absent, false, absent, withGame, proton},
        {"WINEPREFIX over all", withGame, withGame, withGame, withGame, false, withGame, withGame,
         wineprefix},
        {"Steam before Heroic", absent, absent, withGame, withGame, false, withGame, absent,
         deluxe},
        {"Heroic", absent, absent, absent, withGame, false, absent, withGame, heroicNative},
        {"Heroic as a Flatpak, Proton build", absent, empty, absent, withGame, true, absent, absent,
         heroicFlatpak},
        {"Heroic before Lutris", absent, absent, absent, withGame, true, withGame, absent,
         heroicFlatpak},
        {"Lutris", empty, empty, empty, empty, false, withGame, withGame, lutrisGame},
        {"Lutris's prefix not there", absent, absent, absent, absent, false, absent, withGame,
         dotWine},
        {"none holds the game: the first", empty, empty, empty, empty, false, empty, empty,
         wineprefix},
        {"none holds the game, no WINEPREFIX", absent, empty, absent, absent, false, empty, empty,
         proton},
        {"none holds the game, Heroic first", absent, absent, absent, empty, false, empty, empty,
         heroicNative},
        {"~/.wine alone", absent, absent, absent, absent, false, absent, withGame, dotWine},
        {"nothing at all", absent, absent, absent, absent, false, absent, absent, none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir.path());
        fs::create_directories(home);
        const std::string wp = dir.at("prefixes/oblivion");
        winePrefix = c.winePrefixState == absent ? std::string() : wp;
        if (c.winePrefixState != absent) {
            prefix(wp, "joe", c.winePrefixState == withGame);
        }
        steam(c.protonState, c.deluxeState);
        if (c.heroicState != absent) {
            heroic(c.heroicState, c.heroicInFlatpak);
        }
        if (c.lutrisState != absent || c.expected == dotWine) {
            lutris(c.lutrisState);
        }
        if (c.dotWineState != absent) {
            prefix(home + "/.wine", "joe", c.dotWineState == withGame);
        }

        const auto found = findGamePrefix(environment());
        std::optional<WinePrefix> expected;
        switch (c.expected) {
            case none:
                break;
            case wineprefix:
                expected = WinePrefix{wp, Launcher::wine, "joe", ""};
                break;
            case proton:
                expected = WinePrefix{protonPrefix(), Launcher::steam, "steamuser",
                                      "steam://rungameid/22330"};
                break;
            case deluxe:
                expected = WinePrefix{protonPrefix("900883"), Launcher::steam, "steamuser",
                                      "steam://rungameid/900883"};
                break;
            case heroicNative:
                expected = WinePrefix{heroicPrefix(false), Launcher::heroic, "joe",
                                      "heroic://launch/gog/1458058109"};
                break;
            case heroicFlatpak:
                expected = WinePrefix{heroicPrefix(true) + "/pfx", Launcher::heroic, "steamuser",
                                      "heroic://launch/gog/1458058109"};
                break;
            case lutrisGame:
                expected = WinePrefix{lutrisPrefix(), Launcher::lutris, "joe",
                                      "lutris:rungame/the-elder-scrolls-iv-oblivion"};
                break;
            case dotWine:
                expected = WinePrefix{home + "/.wine", Launcher::wine, "joe", ""};
                break;
        }
        EXPECT_EQ(found, expected);
    }
}

TEST_F(Home, OfBothSteamEditionsTheOneLastPlayedWins) {
    struct Case {
        const char* what;
        const char* newer;  // the app whose oblivion.ini was changed last, or none
        const char* expected;
    };
    const Case cases[] = {
        {"Deluxe played last", "900883", "900883"},
        {"22330 played last", "22330", "22330"},
        {"no settings file: the first", nullptr, "22330"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir.path());
        fs::create_directories(home);
        steam(withGame, withGame);
        if (c.newer) {
            const auto ini = [&](const char* app) {
                return protonPrefix(app) +
                       "/drive_c/users/steamuser/Documents/My Games/Oblivion/"
                       "Oblivion.ini";
            };
            const char* older = std::string_view(c.newer) == "22330" ? "900883" : "22330";
            test::putFile(ini(older), "[General]\n");
            test::putFile(ini(c.newer), "[General]\n");
            fs::last_write_time(ini(older),
                                fs::last_write_time(ini(c.newer)) - std::chrono::hours(1));
        }
        const auto found = findGamePrefix(environment());
        ASSERT_TRUE(found);
        EXPECT_EQ(found->path, protonPrefix(c.expected));
        EXPECT_EQ(found->launchUrl, std::string("steam://rungameid/") + c.expected);
    }
}

// Two games' prefixes in one Steam library: each game finds its own app's
// prefix, its own game folder (a store's other name too) and install
// folder; a prefix holding only a Microsoft Store edition's folder is told.
TEST_F(Home, EachGameFindsItsOwnPrefixInOneLibrary) {
    steam(withGame);
    const std::string se = protonPrefix("489830");
    makePrefixOnce(se);
    fs::create_directories(
        se + "/drive_c/users/steamuser/Documents/My Games/Skyrim Special Edition GOG");
    fs::create_directories(library + "/steamapps/common/Skyrim Special Edition");
    const std::string fo4 = protonPrefix("377160");
    makePrefixOnce(fo4);
    fs::create_directories(fo4 + "/drive_c/users/steamuser/Documents/My Games/Fallout4 MS");
    const games::Game& skyrim = games::get(games::GameId::skyrimse);
    const auto found = findGamePrefix(environment(), skyrim);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->path, se);
    EXPECT_EQ(found->launchUrl, "steam://rungameid/489830");
    EXPECT_TRUE(holdsGameFolder(*found));
    EXPECT_EQ(gameFolderIn(documentsFolder(*found), skyrim),
              se + "/drive_c/users/steamuser/Documents/My Games/Skyrim Special Edition GOG");
    EXPECT_EQ(installFolder(*found), library + "/steamapps/common/Skyrim Special Edition");
    EXPECT_EQ(findGamePrefix(environment())->path, protonPrefix());
    const auto fallout = findGamePrefix(environment(), games::get(games::GameId::fallout4));
    ASSERT_TRUE(fallout);
    EXPECT_FALSE(holdsGameFolder(*fallout));
    WinePrefix store = *fallout;
    store.path = fo4;
    EXPECT_TRUE(holdsContainerFolder(store));
    EXPECT_EQ(protonAppId(fo4), "377160");
}

TEST(StoreFiles, OnlyTheWinePrefixFieldIsReadAndNothingOddBreaksIt) {
    struct Case {
        const char* what;
        std::string text;
        std::string prefix;
    };
    const Case heroic[] = {
        {"Heroic's own",
         R"({"1458058109": {"winePrefix": "/home/joe/Games/Heroic/Prefixes/Oblivion"}})",
         "/home/joe/Games/Heroic/Prefixes/Oblivion"},
        {"escapes", R"({"a":{"wineVersion":{"bin":"x"},"winePrefix" :"\/p\\q \"r\" \u0041"}})",
         R"(/p\q "r" A)"},
        {"key as a value first", R"({"note":"winePrefix","winePrefix":"/p"})", "/p"},
        {"not a string", R"({"winePrefix": null})", ""},
        {"cut in the value", R"({"winePrefix": "/home/jo)", ""},
        {"cut in an escape", "{\"winePrefix\": \"/a\\", ""},
        {"cut in a \\u escape", R"({"winePrefix": "/a\u00)", ""},
        {"control character", R"({"winePrefix": "/a\nb"})", ""},
        {"not ASCII as an escape", R"({"winePrefix": "/\u00e9"})", ""},
        {"cut after the key", R"({"winePrefix")", ""},
        {"empty", "", ""},
    };
    for (const Case& c : heroic) {
        EXPECT_EQ(heroicWinePrefix(c.text), c.prefix) << c.what;
    }
    const Case lutris[] = {
        {"Lutris's own", "game:\n  exe: x.exe\n  prefix: /home/joe/Games/oblivion\nwine:\n  x: 1\n",
         "/home/joe/Games/oblivion"},
        {"quoted, CRLF", "game:\r\n  prefix: \"/g/o b\"  \r\n", "/g/o b"},
        {"single quotes", "game:\n    prefix: '/g'\n", "/g"},
        {"other section's prefix", "wine:\n  prefix: /no\ngame:\n  exe: x\n", ""},
        {"deeper level", "game:\n  args:\n    prefix: /no\n  exe: x\n", ""},
        {"comment and blank lines", "# hi\n\ngame:\n\n  # prefix: /no\n  prefix: /yes\n", "/yes"},
        {"cut in the quotes", "game:\n  prefix: '/home/jo", ""},
        {"cut after the key", "game:\n  prefix:", ""},
        {"empty", "", ""},
    };
    for (const Case& c : lutris) {
        EXPECT_EQ(lutrisWinePrefix(c.text), c.prefix) << c.what;
    }
}

TEST_F(Home, SteamRootsCountOnceAndEveryLibraryIsSearched) {
    steam(withGame);
    // Flatpak Steam with the old library list naming the same library again.
    const std::string flatpak = home + "/.var/app/com.valvesoftware.Steam/.local/share/Steam";
    test::putFile(flatpak + "/steamapps/libraryfolders.vdf",
                  "\"LibraryFolders\"\n{\n\t\"1\"\t\t\"" + library + "/\"\n}\n");
    EXPECT_EQ(steamRoots(environment()), (Strings{home + "/.steam/steam", flatpak}));
    EXPECT_EQ(steamLibraries(environment()), (Strings{home + "/.steam/steam", library, flatpak}));
    const auto candidates = prefixCandidates(environment());
    ASSERT_EQ(candidates.size(), 1u);
    EXPECT_EQ(candidates[0].path, protonPrefix());
    EXPECT_TRUE(isProtonPrefix(candidates[0].path));
}

TEST_F(Home, WinePrefixPointingAtProtonIsProton) {
    steam(withGame);
    winePrefix = protonPrefix() + "/";
    const auto found = findGamePrefix(environment());
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, (WinePrefix{protonPrefix(), Launcher::steam, "steamuser",
                                  "steam://rungameid/22330"}));
    EXPECT_FALSE(isProtonPrefix("/x/compatdata/22331/pfx"));
    EXPECT_EQ(protonAppId("/x/compatdata/900883/pfx//"), "900883");
    EXPECT_FALSE(isProtonPrefix("compatdata/22330/pfx/drive_c"));
}

TEST_F(Home, DocumentsFolderOfTheGamesPrefix) {
    steam(withGame);
    // Personal in user.reg, through the prefix's C: link.
    const std::string documents = protonPrefix() + "/dosdevices/c:/users/steamuser/Documents";
    winePrefix.clear();
    posix::PosixSpecialFolders folders(findGamePrefix(environment()));
    EXPECT_EQ(folders.GetSpecialFolderPath(kCsidlPersonal), documents);
    EXPECT_EQ(folders.GetSpecialFolderPath(0x1A), "");
}

TEST(WindowsPaths, MapThroughDosDevicesIgnoringCase) {
    test::TempDir dir;
    const std::string pfx = dir.at("pfx");
    test::makePrefix(pfx);
    test::putFile(pfx + "/drive_c/Games/Oblivion/OblivionLauncher.exe", "MZ");
    const std::string c = pfx + "/dosdevices/c:";
    struct Case {
        std::string windows;
        std::string linux;
    };
    const Case cases[] = {
        {"C:\\Games\\Oblivion\\\\oblivionlauncher.exe", c + "/Games/Oblivion/OblivionLauncher.exe"},
        {"c:/games/OBLIVION/", c + "/Games/Oblivion"},
        {"C:\\Games\\..\\Games\\.\\Oblivion", c + "/Games/Oblivion"},
        {"C:\\..\\..\\Games", c + "/Games"},
        {"C:", c},
        {"C:\\Games\\Missing\\x.exe", c + "/Games/Missing/x.exe"},
        {"Z:" + fs::path(pfx).generic_string() + "/DRIVE_C",
         pfx + "/dosdevices/z:" + pfx + "/drive_c"},
        {"D:\\x", pfx + "/dosdevices/d:/x"},
        {"\\oblivionlauncher.exe", ""},
        {"oblivionlauncher.exe", ""},
        {"C:relative", ""},
        {"\\\\server\\share\\x", ""},
        {"", ""},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(windowsToLinuxPath(pfx, k.windows), k.linux) << k.windows;
    }
    EXPECT_TRUE(fs::is_regular_file(windowsToLinuxPath(pfx, cases[0].windows)));
}

TEST(WindowsPaths, DocumentsFolderFromTheShellFoldersKeyElseTheProfile) {
    struct Case {
        const char* what;
        const char* personal;  // the value in user.reg, or none
        Strings folders;       // below drive_c/users/joe
        const char* expected;  // below drive_c/users/joe, through dosdevices/c: for Personal
    };
    const Case cases[] = {
        {"Personal", "C:\\\\users\\\\joe\\\\Dokumente", {"Dokumente", "Documents"}, "@Dokumente"},
        {"Personal in other case", "C:\\\\USERS\\\\JOE\\\\dokumente", {"Dokumente"}, "@Dokumente"},
        {"Personal missing on disk", "C:\\\\users\\\\joe\\\\Gone", {"Documents"}, "Documents"},
        {"no Personal: Documents", nullptr, {"Documents", "My Documents"}, "Documents"},
        {"no Personal: My Documents", nullptr, {"My Documents"}, "My Documents"},
        {"documents in other case", nullptr, {"my documents"}, "my documents"},
        {"nothing there", nullptr, {}, "Documents"},
    };
    for (const Case& k : cases) {
        test::TempDir dir;
        const std::string pfx = dir.at("pfx");
        test::makePrefix(pfx);
        const std::string profile = pfx + "/drive_c/users/joe";
        fs::create_directories(profile);
        for (const auto& folder : k.folders) {
            fs::create_directories(profile + "/" + folder);
        }
        if (k.personal) {
            test::putFile(
                pfx + "/user.reg",
                test::wineRegistryFile("[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion"
                                       "\\\\Explorer\\\\Shell Folders] 1\n\"Personal\"=\"" +
                                       std::string(k.personal) + "\"\n"));
        }
        std::string expected = k.expected;
        expected = expected[0] == '@' ? pfx + "/dosdevices/c:/users/joe/" + expected.substr(1)
                                      : profile + "/" + expected;
        EXPECT_EQ(documentsFolder({pfx, Launcher::wine, "joe", ""}), expected) << k.what;
    }
}

// A prefix copied from another machine, or made under another name: the
// one user whose documents hold the game is taken; with two, neither.
TEST(WindowsPaths, DocumentsOfTheOneOtherUserWhoHasTheGame) {
    test::TempDir dir;
    const std::string pfx = dir.at("pfx");
    test::makePrefix(pfx);
    const std::string users = pfx + "/drive_c/users/";
    fs::create_directories(users + "joe/Documents");
    fs::create_directories(users + "olduser/My Documents/My Games/Oblivion");
    const WinePrefix prefix{pfx, Launcher::wine, "joe", ""};
    EXPECT_EQ(documentsFolder(prefix), users + "olduser/My Documents");
    fs::create_directories(users + "steamuser/Documents/My Games/Oblivion");
    EXPECT_EQ(documentsFolder(prefix), users + "joe/Documents");
}

// Where the game is installed, as the prefix knows it, and where its
// Plugins.txt lives.
TEST_F(Home, InstallFolderAndLocalDataAsThePrefixKnowsThem) {
    struct Case {
        const char* what;
        std::string systemReg;  // the body of system.reg
        bool proton;            // the prefix is the game's Proton prefix
        std::string folder;     // made below drive_c
        std::string expected;   // below dosdevices/c:, or a whole path
    };
    const std::string installed = "\"Installed Path\"=\"C:\\\\Games\\\\Oblivion\\\\\"\n";
    const Case cases[] = {
        {"the installer's entry, 32-bit view",
         "[Software\\\\Wow6432Node\\\\Bethesda Softworks\\\\Oblivion] 1\n" + installed, false,
         "Games/Oblivion", "Games/Oblivion"},
        {"the installer's entry", "[Software\\\\Bethesda Softworks\\\\Oblivion] 1\n" + installed,
         false, "Games/Oblivion", "Games/Oblivion"},
        {"an entry naming no folder",
         "[Software\\\\Bethesda Softworks\\\\Oblivion] 1\n" + installed, false, "", ""},
        {"the Steam library the prefix is in", "", true, "",
         library + "/steamapps/common/Oblivion"},
        {"GOG's entry",
         "[Software\\\\Wow6432Node\\\\GOG.com\\\\Games\\\\1458058109] 1\n"
         "\"path\"=\"C:\\\\GOG Games\\\\Oblivion\"\n",
         false, "GOG Games/Oblivion", "GOG Games/Oblivion"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string pfx = c.proton ? protonPrefix() : dir.at(std::string("p") + c.what[0]);
        if (c.proton) {
            steam(withGame);
        }
        makePrefixOnce(pfx);
        test::putFile(pfx + "/system.reg", test::wineRegistryFile(c.systemReg));
        if (!c.folder.empty()) {
            fs::create_directories(pfx + "/drive_c/" + c.folder);
        }
        const std::string expected = c.expected.empty() || c.expected[0] == '/'
                                         ? c.expected
                                         : pfx + "/dosdevices/c:/" + c.expected;
        EXPECT_EQ(installFolder({pfx, Launcher::wine, "joe", ""}), expected);
    }
    const std::string pfx = dir.at("local");
    makePrefixOnce(pfx);
    const std::string profile = pfx + "/drive_c/users/joe";
    fs::create_directories(profile + "/Local Settings/Application Data");
    const WinePrefix prefix{pfx, Launcher::wine, "joe", ""};
    EXPECT_EQ(localDataFolder(prefix), profile + "/Local Settings/Application Data/Oblivion");
    fs::create_directories(profile + "/AppData/Local");
    EXPECT_EQ(localDataFolder(prefix), profile + "/AppData/Local/Oblivion");
}

}  // namespace
}  // namespace quarlo::platform::wine
