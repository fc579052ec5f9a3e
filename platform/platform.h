#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "games/games.h"
#include "platform/file_system.h"
#include "platform/game_folders.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/save_files.h"
#include "platform/special_folders.h"
#include "platform/trash.h"

namespace quarlo::platform {

// Everything the program needs from the operating system, one interface per
// concern. The build picks the implementation for the target system.
struct Platform {
    std::unique_ptr<ProfileFile> profile;
    std::unique_ptr<FileSystem> fileSystem;
    std::unique_ptr<SpecialFolders> specialFolders;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<Processes> processes;
    std::unique_ptr<SaveFiles> saveFiles;
    std::unique_ptr<Trash> trash;
    // Null where nothing can tell (tests that need none): the documents
    // folder's game folder is then the only one.
    std::unique_ptr<GameFolders> gameFolders;
    // Where characters' backups are kept, outside every game folder and Wine
    // prefix, so that uninstalling the game or deleting its prefix leaves
    // them: $XDG_DATA_HOME/quarlo/backups on Linux,
    // %LOCALAPPDATA%\Quarlo\Backups on Windows. "" when there is none.
    std::string backupStore;
    // Text the game wrote in the system's ANSI code page (a save's player
    // name and location), as UTF-8: the code page the profile files are read
    // in, so a name reads the same in both. Empty in tests that need none.
    // Once a game folder is chosen, its texts are read in its edition's code
    // page instead (see readerOfCodePage).
    std::function<std::string(std::string_view)> ansiToUtf8;
    // The number of that system code page: the one the game's own program
    // opens files by and reads its settings files in (Windows' ANSI code
    // page; under Wine the prefix's, else the locale's). 0 where it is not
    // known (tests).
    int systemCodePage = 0;
    // Where the game was to be found by what started Quarlo (a store's launch
    // option) and could not be: a "Failed." sentence; "" otherwise.
    std::string gameNotFound;
    // The game this platform finds and starts.
    const games::Game* game = &games::oblivion();
    // Quarlo's own settings, beside every game folder (the game last
    // chosen): $XDG_CONFIG_HOME/quarlo/quarlo.ini on Linux,
    // %LOCALAPPDATA%\Quarlo\quarlo.ini on Windows. "" where there is none.
    std::string settingsFile;
};

// With `launched`, a store's launch option decides where the game is (on
// Linux the prefix its variables name), and a prefix that does not hold the
// game is said in gameNotFound rather than searched past.
Platform createPlatform(const games::Game& game, bool launched = false);
inline Platform createPlatform(bool launched = false) {
    return createPlatform(games::oblivion(), launched);
}

// A game of the family found on this computer.
struct FoundGame {
    const games::Game* game = nullptr;
    // Its game folder as Automatic Mode finds it: My Games\<its folder> in
    // the documents folder (of its Wine prefix on Linux), or its install
    // folder where only that was found.
    std::string folder;
    // Whether Quarlo can switch its characters; where not, why.
    bool supported = true;
    std::string why;
};

// Every game of the family installed here, in the order games::all() gives
// them; a game of which only a Microsoft Store edition is here, or which
// keeps its saves where no setting reaches, listed as not supported.
std::vector<FoundGame> findGames();

// The game last chosen in a window (its key, "" for none), kept in Quarlo's
// own settings; and the choice written there, false when it could not be.
std::string rememberedGame();
bool rememberGame(std::string_view key);

// The languages the player's system asks for, most wanted first, as
// two-letter codes ("de"): Windows' user interface language; on Linux
// LANGUAGE, then LC_ALL, LC_MESSAGES and LANG, as gettext reads them.
std::vector<std::string> preferredLanguages();

// The language last chosen in a window ("" for none), and the choice kept.
std::string rememberedLanguage();
bool rememberLanguage(std::string_view code);

// Text in Windows code page `number` (1250 to 1258) as UTF-8; empty where
// this system cannot convert that code page.
std::function<std::string(std::string_view)> readerOfCodePage(int number);

// The Steam app id of the game a store's launch option is starting: the
// SteamAppId variable, else the app of $STEAM_COMPAT_DATA_PATH
// (.../compatdata/<id>); "" when neither says.
std::string launchAppId();

}  // namespace quarlo::platform
