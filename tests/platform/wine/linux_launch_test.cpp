#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "platform/posix/processes_posix.h"
#include "tests/platform/wine/linux_env.h"
#include "tests/support/temp_dir.h"

namespace quarlo::platform::posix {
namespace {

namespace fs = std::filesystem;

const std::string kLauncher = "C:\\Games\\Oblivion\\\\oblivionlauncher.exe";

// Fake `steam`, `xdg-open` and `wine` on a PATH of their own, recording how
// they were started.
class Launch : public ::testing::Test {
  protected:
    Launch() {
        fs::create_directories(bin);
        test::makePrefix(prefix);
        test::putFile(prefix + "/drive_c/Games/Oblivion/OblivionLauncher.exe", "MZ");
    }

    // Starts the launcher with only `programs` on PATH and returns what the
    // started program recorded ("" when nothing was started).
    std::string run(const std::vector<std::string>& programs,
                    const std::optional<wine::WinePrefix>& where, const std::string& launcher,
                    bool expectStarted) {
        fs::remove_all(bin);
        fs::create_directories(bin);
        fs::remove(record);
        for (const auto& program : programs) {
            test::putRecorder(bin, program, record);
        }
        test::EnvVar path("PATH", bin);
        test::EnvVar stray("WINEPREFIX", std::nullopt);
        PosixProcesses processes(where);
        EXPECT_EQ(processes.startLauncher(launcher), expectStarted);
        return expectStarted ? test::awaitRecord(record) : test::readBytes(record);
    }

    test::TempDir dir;
    const std::string bin = dir.at("bin");
    const std::string record = dir.at("record");
    const std::string prefix = dir.at("pfx");
};

TEST_F(Launch, ProtonAsksSteamToStartTheGame) {
    const wine::WinePrefix proton{dir.at("lib/steamapps/compatdata/22330/pfx"),
                                  wine::Launcher::steam, "steamuser", "steam://rungameid/22330"};
    struct Case {
        const char* what;
        std::vector<std::string> programs;
        bool started;
        const char* recorded;
    };
    const Case cases[] = {
        {"steam",
         {"steam", "xdg-open", "wine"},
         true,
         "steam\nsteam://rungameid/22330\nWINEPREFIX=\n"},
        {"no steam: the URL handler",
         {"xdg-open", "wine"},
         true,
         "xdg-open\nsteam://rungameid/22330\nWINEPREFIX=\n"},
        {"neither", {"wine"}, false, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.programs, proton, kLauncher, c.started), c.recorded) << c.what;
    }
}

TEST_F(Launch, WineStartsTheLauncherOfItsPrefix) {
    const wine::WinePrefix wine{prefix, wine::Launcher::wine, "joe", ""};
    struct Case {
        const char* what;
        std::vector<std::string> programs;
        std::string launcher;
        bool started;
        std::string recorded;
    };
    const Case cases[] = {
        {"launcher there in other case",
         {"wine", "steam"},
         kLauncher,
         true,
         "wine\n" + kLauncher + "\nWINEPREFIX=" + prefix + "\n"},
        {"launcher missing", {"wine", "steam"}, "C:\\Nowhere\\oblivionlauncher.exe", false, ""},
        {"no installed path", {"wine", "steam"}, "\\oblivionlauncher.exe", false, ""},
        {"no wine", {"steam"}, kLauncher, false, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.programs, wine, c.launcher, c.started), c.recorded) << c.what;
    }
}

TEST_F(Launch, EachStoreStartsTheGameItsOwnWayElseWine) {
    using wine::Launcher;
    const wine::WinePrefix deluxe{dir.at("lib/steamapps/compatdata/900883/pfx"), Launcher::steam,
                                  "steamuser", "steam://rungameid/900883"};
    const wine::WinePrefix heroic{prefix, Launcher::heroic, "joe",
                                  "heroic://launch/gog/1458058109"};
    const wine::WinePrefix lutris{prefix, Launcher::lutris, "joe", "lutris:rungame/oblivion"};
    struct Case {
        const char* what;
        wine::WinePrefix where;
        std::vector<std::string> programs;
        bool started;
        std::string recorded;
    };
    const Case cases[] = {
        {"Deluxe",
         deluxe,
         {"steam", "wine"},
         true,
         "steam\nsteam://rungameid/900883\nWINEPREFIX=\n"},
        {"Deluxe, no Steam: no wine either", deluxe, {"wine"}, false, ""},
        {"heroic",
         heroic,
         {"heroic", "xdg-open", "wine"},
         true,
         "heroic\nheroic://launch/gog/1458058109\nWINEPREFIX=\n"},
        {"Heroic's Flatpak: the URL handler",
         heroic,
         {"xdg-open", "wine"},
         true,
         "xdg-open\nheroic://launch/gog/1458058109\nWINEPREFIX=\n"},
        {"no Heroic: wine in its prefix",
         heroic,
         {"wine", "steam"},
         true,
         "wine\n" + kLauncher + "\nWINEPREFIX=" + prefix + "\n"},
        {"lutris",
         lutris,
         {"lutris", "wine"},
         true,
         "lutris\nlutris:rungame/oblivion\nWINEPREFIX=\n"},
        {"no Lutris: wine in its prefix",
         lutris,
         {"wine"},
         true,
         "wine\n" + kLauncher + "\nWINEPREFIX=" + prefix + "\n"},
        {"nothing to start it", lutris, {"steam"}, false, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.programs, c.where, kLauncher, c.started), c.recorded) << c.what;
    }
}

TEST_F(Launch, WithoutPrefixOnlyAnExistingFileStarts) {
    test::putRecorder(dir.at("game"), "launcher", record);
    EXPECT_EQ(run({}, std::nullopt, dir.at("game/launcher"), true), "launcher\nWINEPREFIX=\n");
    EXPECT_EQ(run({"steam", "wine"}, std::nullopt, kLauncher, false), "");
    EXPECT_EQ(run({}, std::nullopt, dir.at("game"), false), "");  // a folder
}

TEST(GameRunning, TheGameIsSeenUnderWineAndProtonByItsCommOrCommandLine) {
    struct Process {
        std::string comm;
        std::string cmdline;  // NUL-separated
    };
    struct Case {
        const char* name;
        Process process;
        bool running;
    };
    using namespace std::string_literals;
    const Case cases[] = {
        {"comm as Wine names it", {"Oblivion.exe\n", "C:\\Games\\Oblivion.exe\0"s}, true},
        {"any case", {"oblivion.EXE\n", ""}, true},
        {"under a preloader",
         {"wine64-preload\n", "/usr/bin/wine64-preloader\0Z:\\g\\OBLIVION.exe\0"s},
         true},
        {"the Windows path first",
         {"x\n", "C:\\Program Files\\Oblivion\\Oblivion.exe\0-x\0"s},
         true},
        {"its launcher is not the game",
         {"OblivionLaunch\n", "Z:\\g\\OblivionLauncher.exe\0"s},
         false},
        {"a file of that name handed to an editor", {"vim\n", "vim\0-R\0Oblivion.exe\0"s}, false},
        {"nothing", {"bash\n", "bash\0"s}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir proc;
        fs::create_directories(proc.path() / "self");
        fs::create_directories(proc.path() / "4242");
        test::writeBytes(proc.at("4242/comm"), c.process.comm);
        test::writeBytes(proc.at("4242/cmdline"), c.process.cmdline);
        EXPECT_EQ(gameRunsUnder(proc.str()), c.running);
    }
    EXPECT_FALSE(gameRunsUnder("/nonexistent-proc"));
}

// A launch option's prefix is the only one: one that is not there, or holds
// no game, is a "Failed." the command line says, never another prefix the
// search would find.
TEST(LaunchedPlatform, AStoresPrefixWithoutTheGameIsSaidNotSearchedPast) {
    test::TempDir dir;
    const std::string home = dir.at("home");
    test::makePrefix(home + "/.wine");  // what the search would fall back on
    std::filesystem::create_directories(home +
                                        "/.wine/drive_c/users/joe/Documents/My Games/"
                                        "Oblivion");
    test::makePrefix(dir.at("compat/empty/pfx"));
    struct Case {
        std::optional<std::string> compat, winePrefix;
        std::string failure;  // its start; "" for none
    };
    for (const Case& c : {
             Case{dir.at("compat/missing"), std::nullopt, "Failed. The game's Wine prefix "},
             Case{dir.at("compat/empty"), std::nullopt, "Failed. The game's Wine prefix "},
             Case{std::nullopt, dir.at("nowhere"), "Failed. The game's Wine prefix "},
             Case{std::nullopt, std::nullopt, ""},
         }) {
        test::EnvVar homeVar("HOME", home);
        test::EnvVar user("USER", std::string("joe"));
        test::EnvVar compat("STEAM_COMPAT_DATA_PATH", c.compat);
        test::EnvVar prefix("WINEPREFIX", c.winePrefix);
        test::EnvVar data("XDG_DATA_HOME", dir.at("data"));
        const platform::Platform p = platform::createPlatform(true);
        EXPECT_EQ(p.gameNotFound.substr(0, c.failure.size()), c.failure)
            << c.compat.value_or("") << c.winePrefix.value_or("");
        EXPECT_EQ(p.gameNotFound.empty(), c.failure.empty());
    }
}

}  // namespace
}  // namespace quarlo::platform::posix
