#include <gtest/gtest.h>

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
    // library list names a second library that holds the game's prefix.
    void steam(State proton) {
        fs::create_directories(home + "/.local/share/Steam/steamapps");
        fs::create_directories(home + "/.steam");
        fs::create_directory_symlink("../.local/share/Steam", home + "/.steam/steam");
        test::putFile(home + "/.local/share/Steam/steamapps/libraryfolders.vdf",
                      "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + home +
                          "/.local/share/Steam\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + library +
                          "\"\n\t}\n}\n");
        fs::create_directories(library + "/steamapps/common/Oblivion");
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

    std::string protonPrefix() const { return library + "/steamapps/compatdata/22330/pfx"; }

    test::TempDir dir;
    const std::string home = dir.at("home/joe");
    const std::string library = dir.at("mnt/games/SteamLibrary");
    std::string winePrefix;
};

TEST_F(Home, ThePrefixThatHoldsTheGameWinsThenTheFirstThatExists) {
    enum Which { none, wineprefix, proton, dotWine };
    struct Case {
        const char* what;
        State winePrefixState;
        State protonState;
        State dotWineState;
        Which expected;
    };
    const Case cases[] = {
        {"Proton only", absent, withGame, absent, proton},
        {"Proton before ~/.wine", empty, withGame, withGame, proton},
        {"WINEPREFIX first", withGame, withGame, withGame, wineprefix},
        {"none holds the game: the first", empty, empty, empty, wineprefix},
        {"none holds the game, no WINEPREFIX", absent, empty, empty, proton},
        {"~/.wine alone", absent, absent, withGame, dotWine},
        {"nothing at all", absent, absent, absent, none},
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
        steam(c.protonState);
        if (c.dotWineState != absent) {
            prefix(home + "/.wine", "joe", c.dotWineState == withGame);
        }

        const auto found = findGamePrefix(environment());
        switch (c.expected) {
            case none:
                EXPECT_FALSE(found);
                break;
            case wineprefix:
                ASSERT_TRUE(found);
                EXPECT_EQ(*found, (WinePrefix{wp, false, "joe"}));
                break;
            case proton:
                ASSERT_TRUE(found);
                EXPECT_EQ(*found, (WinePrefix{protonPrefix(), true, "steamuser"}));
                break;
            case dotWine:
                ASSERT_TRUE(found);
                EXPECT_EQ(*found, (WinePrefix{home + "/.wine", false, "joe"}));
                break;
        }
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
    EXPECT_EQ(*found, (WinePrefix{protonPrefix(), true, "steamuser"}));
    EXPECT_FALSE(isProtonPrefix("/x/compatdata/22331/pfx"));
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
        EXPECT_EQ(documentsFolder({pfx, false, "joe"}), expected) << k.what;
    }
}

}  // namespace
}  // namespace quarlo::platform::wine
