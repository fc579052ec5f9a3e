#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "games/games.h"

namespace quarlo::platform::wine {

// What the search for the game's Wine prefix reads from the process
// environment, gathered once so the search itself can run on any folder tree.
struct LinuxEnvironment {
    std::string home;        // $HOME
    std::string winePrefix;  // $WINEPREFIX, "" when unset
    std::string user;        // the Unix user name: $USER, else the password database's
    std::string lang;        // the locale deciding the ANSI code page (LC_ALL, LC_CTYPE, LANG)
    // What a store's launch option sets for the game it starts: Steam's
    // compatibility data folder (its pfx is the prefix) and the app's id.
    std::string steamCompatDataPath = {};  // $STEAM_COMPAT_DATA_PATH
    std::string steamAppId = {};           // $SteamAppId

    static LinuxEnvironment fromProcess();
};

// Who made a prefix, and so who starts the game in it.
enum class Launcher {
    wine,    // a plain prefix: `wine` starts the launcher
    steam,   // Proton's prefix of one of the game's Steam apps: only Steam sets Proton up
    heroic,  // Heroic Games Launcher's prefix for the game
    lutris,  // Lutris's prefix for the game
};

// A Wine prefix: the folder holding drive_c, dosdevices, system.reg and
// user.reg.
struct WinePrefix {
    std::string path;
    Launcher launcher = Launcher::wine;
    std::string user;       // the Windows user whose profile holds the documents folder
    std::string launchUrl;  // what the launcher starts the game from; "" for plain Wine
    // The game looked for in it.
    const games::Game* game = &games::oblivion();

    friend bool operator==(const WinePrefix&, const WinePrefix&) = default;
};

// The ANSI code page the game's program reads its settings and opens its
// files in: Wine takes it from the locale the game runs with and records it
// in the prefix's system.reg at each start (a Steam or Heroic game may run in
// another locale than Quarlo's own); the environment's locale's where no
// prefix says (see ansiCodePageForLocale).
int gameCodePage(const std::optional<WinePrefix>& prefix, const LinuxEnvironment& environment);

// The prefix a store's launch option names for the game it is about to
// start: Steam's $STEAM_COMPAT_DATA_PATH/pfx, else $WINEPREFIX (Heroic,
// Lutris, plain Wine); nullopt when neither is set. It wins over every
// search, found or not: the switch must reach the very prefix the game starts
// in.
std::optional<WinePrefix> launchPrefix(const LinuxEnvironment& env);

// Whether a prefix's documents folder holds the game's folder.
bool holdsGameFolder(const WinePrefix& prefix);
// Whether it holds the folder of the game's Microsoft Store edition.
bool holdsContainerFolder(const WinePrefix& prefix);

// The Steam app id whose Proton prefix this is (.../compatdata/<id>/pfx for
// one of the apps of a game of the family), else "".
std::string_view protonAppId(std::string_view path);
bool isProtonPrefix(std::string_view path);

// The Wine prefix a Heroic game configuration names ("winePrefix"), "" when
// the text has none. Reads only that field, and never fails on a cut file.
std::string heroicWinePrefix(std::string_view json);

// The prefix under "game:" in a Lutris game file, "" when it has none.
std::string lutrisWinePrefix(std::string_view yaml);

// The Steam installations under the home folder that exist, each once even
// where one is a link to another.
std::vector<std::string> steamRoots(const LinuxEnvironment& env);

// Every Steam library: each root itself and the folders its
// libraryfolders.vdf names, each once.
std::vector<std::string> steamLibraries(const LinuxEnvironment& env);

// The prefixes in which the game may live, in the order they are tried:
// $WINEPREFIX, the Proton prefix of each of the game's Steam apps in each
// Steam library, Heroic's prefix for the GOG edition or for a game whose
// prefix holds the game's folder, the same from Lutris's game files, and
// ~/.wine. Only those whose folder exists, each once.
std::vector<WinePrefix> prefixCandidates(const LinuxEnvironment& env,
                                         const games::Game& game = games::oblivion());

// The first candidate whose documents folder holds the game's folder (My
// Games/Oblivion), else the first candidate, else nothing. Where that is a
// Steam prefix found in a library and several Steam prefixes hold the game,
// the one whose settings file was changed last wins: that is the edition
// being played.
std::optional<WinePrefix> findGamePrefix(const LinuxEnvironment& env,
                                         const games::Game& game = games::oblivion());

// The game's folder in a documents folder: the first of its stores' My
// Games folders that is there, else the usual one.
std::string gameFolderIn(const std::string& documents, const games::Game& game);

// The Linux path of a Windows path inside the prefix: the drive goes through
// dosdevices/<letter>: (a link Wine keeps, c: to ../drive_c and z: to /), and
// each component is matched on disk without regard to case as Wine does.
// "" for a path with no drive letter.
std::string windowsToLinuxPath(const std::string& prefix, std::string_view windowsPath);

// The prefix user's documents folder: the "Personal" shell folder from
// user.reg, else drive_c/users/<user>/Documents or My Documents, whichever
// exists (Documents when neither does). Where that holds no My
// Games/Oblivion but exactly one other user's documents folder of the prefix
// does (a prefix copied from another machine, or made under another name),
// that one.
std::string documentsFolder(const WinePrefix& prefix);

// The game's install folder as the prefix knows it: the installer's
// "Installed Path" in system.reg (in its 32-bit view too), else, for a Proton
// prefix, the game's folder in steamapps/common of the Steam library the
// prefix is in, else GOG's "path"; each only where the folder exists. ""
// when none does.
std::string installFolder(const WinePrefix& prefix);

// The prefix user's local application data folder's game folder, where
// Plugins.txt is: the "Local AppData" shell folder from user.reg, else
// AppData/Local, else (older prefixes) Local Settings/Application Data.
std::string localDataFolder(const WinePrefix& prefix);

}  // namespace quarlo::platform::wine
