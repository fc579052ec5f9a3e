#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

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
    std::function<std::string(std::string_view)> ansiToUtf8;
    // Where the game was to be found by what started Quarlo (a store's launch
    // option) and could not be: a "Failed." sentence; "" otherwise.
    std::string gameNotFound;
};

// With `launched`, a store's launch option decides where the game is (on
// Linux the prefix its variables name), and a prefix that does not hold the
// game is said in gameNotFound rather than searched past.
Platform createPlatform(bool launched = false);

}  // namespace quarlo::platform
