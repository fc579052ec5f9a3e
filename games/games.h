#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What each game of the family is, as data: one entry a game, each fact a
// plain field, which every layer is given rather than reading one game's
// constants. Adding a game is adding an entry and, where its save differs,
// a reader (saves/save_header.cpp, by `SaveLayout`).
namespace quarlo::games {

enum class GameId {
    oblivion,
    skyrim,
    skyrimse,
    skyrimvr,
    fallout3,
    falloutnv,
    fallout4,
    fallout4vr,
    oblivionRemastered,
    starfield,
};

// How a save's header lies in its file: one reader each.
enum class SaveLayout {
    oblivion,   // TES4SAVEGAME: byte strings, SYSTEMTIME, RGB, plugins after the screenshot
    skyrim,     // TESV_SAVEGAME version 9: u16 strings, FILETIME, RGB, plugins after it
    skyrimSe,   // TESV_SAVEGAME version 12: as Skyrim, RGBA, plugins inside an LZ4 block
    fallout3,   // FO3SAVEGAME: every field followed by '|', no time, RGB
    falloutNv,  // FO3SAVEGAME with a 64-byte language field
    fallout4,   // FO4_SAVEGAME: as Skyrim, RGBA, the game's version, light plugins
    none,       // a game whose saves Quarlo does not read
};

// How the game keeps the previous version of its own saves.
enum class SaveBackups {
    replaceExtension,  // "quicksave.bak" beside "quicksave.ess" (Oblivion)
    appendBak,         // "quicksave.fos.bak" beside "quicksave.fos" (New Vegas)
    none,
};

// What a game's saves are on disk.
struct SaveFormat {
    std::string_view extension;  // ".ess", lower case
    // The co-saves script extenders write beside a save, "<save>.<ext>".
    std::vector<std::string_view> coSaveExtensions;
    SaveBackups backups = SaveBackups::replaceExtension;
    SaveLayout layout = SaveLayout::oblivion;
    // The saves the game writes by itself, over and over: their stems
    // ("autosave"), or with `ownByPrefix` their stems' beginnings
    // ("Autosave" for "Autosave1_…"), in any letter case.
    std::vector<std::string_view> ownSaves;
    bool ownByPrefix = false;
    // The co-save's own tag, checked at its start ("OBSE", "SKSE").
    std::vector<std::string_view> coSaveTags;
};

// One setting a game reads from several files of its game folder in turn,
// a later file's value winning over an earlier one's. A change is written
// into each of `writeTo` that is there and each file of `files` that holds
// the key already; where that is none, into `create`, made if need be.
struct Setting {
    std::string_view section;
    std::string_view key;
    std::vector<std::string_view> files;  // in the order the game reads them
    std::vector<std::string_view> writeTo = {};
    std::string_view create = {};
};

// The game's difficulty: its setting and its scale, each step's name where
// the game names steps ("Novice" …), none for a slider of numbers.
struct Difficulty {
    Setting setting;
    int low = 0;
    int high = 100;
    int normal = 50;
    std::vector<std::string_view> steps;
};

// Steam Cloud's rule for a game's saves: files of `root` (2: the documents
// folder) in `folder`, matching `extension`, and with `recursive` its
// subfolders too.
struct CloudRule {
    int root = 2;
    std::string_view folder;
    std::string_view extension;
    bool recursive = false;
};

struct Game {
    GameId id;
    std::string_view key;   // as --game takes it: "skyrimse"
    std::string_view name;  // "Skyrim Special Edition"
    // Its folder in My Games, for each store that names it otherwise; the
    // first is the usual one (Steam, the disc).
    std::vector<std::string_view> myGamesFolders;
    // The My Games folders of its Microsoft Store (Game Pass) edition, which
    // keeps its saves in the store's containers where no setting reaches:
    // recognised, never switched.
    std::vector<std::string_view> containerFolders = {};
    std::string_view savesFolder = "Saves";
    // The settings the switch writes: SLocalSavePath, and the screenshot
    // naming, in the files of My Games in the order the game reads them.
    Setting savePath;
    Setting screenshotName;
    Difficulty difficulty;
    // The game's own language setting, which tells the code page its texts
    // (a save's player and location) are written in: Oblivion's [Controls]
    // iLanguage, a number; the later games' [General] sLanguage, a name.
    Setting language;
    bool languageNumbered = false;
    // The game's own settings file in its install folder (read first), whose
    // [General] may turn My Games off; "" where the game has none that does.
    std::string_view installSettingsFile;
    std::vector<std::string_view> useMyGamesKeys;
    // Under local application data: Plugins.txt's folder, for each store.
    std::vector<std::string_view> localDataFolders;
    bool pluginsStarred = false;  // "*Name.esp" marks an active plugin
    // Plugins that load without being listed (official masters), and the
    // install folder's list of the Creation Club's, which load so too.
    std::vector<std::string_view> implicitPlugins;
    std::string_view creationClubList = {};
    SaveFormat saves;
    // The installer's key under HKEY_LOCAL_MACHINE\Software, value
    // "Installed Path".
    std::string_view registryKey;
    std::vector<std::string_view> steamAppIds;  // the first the usual one
    std::string_view steamInstallFolder;        // under steamapps/common
    std::vector<std::string_view> gogIds;
    // The game's own program (while it runs, Quarlo does not switch), its
    // launcher (Run Game without a store) and its script extender's loader.
    std::vector<std::string_view> programs;
    std::string_view launcher;
    std::string_view loader;
    CloudRule cloud;
    // Whether the game honours SLocalSavePath; where not, why, in a
    // sentence the window and the command line show.
    bool switchable = true;
    std::string_view whyNot;
};

// Every game Quarlo knows, in the order it lists them.
const std::vector<Game>& all();
const Game& get(GameId id);
const Game& oblivion();
// By --game's key; null for none.
const Game* byKey(std::string_view key);
// The game of a Steam app id; null for one of no game of the family.
const Game* bySteamApp(std::string_view appId);

// The settings file the game reads first: "oblivion.ini", "Skyrim.ini".
std::string_view mainSettingsFile(const Game& game);

// Why a Microsoft Store edition cannot be switched, in a sentence.
std::string containerReason(const Game& game);

// The difficulty's value as the slider shows it: "50", "Adept (2)".
std::string difficultyText(const Game& game, int value);

// The Windows code page the edition of the game's language setting writes
// its texts in: 1252 for the western editions, 1250 for Polish, Czech and
// Hungarian, 1251 for Russian; 0 where the setting does not tell (missing,
// unknown, or Oblivion's 0, which the English game and the editions
// translated over it share alike).
int codePageOfLanguage(const Game& game, std::string_view value);

// The value written to SLocalSavePath for a character: "Saves\Name\".
std::string savePathFor(const Game& game, std::string_view character);

}  // namespace quarlo::games
