#include "games/games.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "texts/catalogue.h"

namespace quarlo::games {

namespace {

// The settings a switch writes, SLocalSavePath and the screenshot naming,
// read from `files` in the game's order. SLocalSavePath is written into each
// of `writeTo` that is there (the player's own file, which the game reads
// last) and each file holding it already, else into `create`.
void switchIn(Game& g, std::vector<std::string_view> files, std::vector<std::string_view> writeTo,
              std::string_view create) {
    g.savePath = {"General", "SLocalSavePath", files, writeTo, create};
    // The screenshot naming wins where it is already: the player's own file
    // gains nothing it did not hold.
    g.screenshotName = {"Display", "SScreenShotBaseName", files, {}, files.front()};
    g.language = {"General", "sLanguage", files};
}

// iDifficulty, read from the same files, kept by the game's menus in
// `prefs`: 0 to `high`, the middle step the game's own default.
void difficultyIn(Game& g, std::string_view prefs, int high, std::vector<std::string_view> steps) {
    g.difficulty = {
        {"GamePlay", "iDifficulty", g.savePath.files, {}, prefs}, 0, high, 2, std::move(steps)};
}

Game start(GameId id, std::string_view key, std::string_view name,
           std::vector<std::string_view> myGamesFolders) {
    Game g{};
    g.id = id;
    g.key = key;
    g.name = name;
    g.myGamesFolders = std::move(myGamesFolders);
    return g;
}

std::vector<Game> makeAll() {
    std::vector<Game> games;

    // Oblivion, as Quarlo has always known it.
    {
        Game g = start(GameId::oblivion, "oblivion", "Oblivion", {"Oblivion"});
        g.savePath = {
            "General", "SLocalSavePath", {"oblivion.ini"}, {"oblivion.ini"}, "oblivion.ini"};
        g.screenshotName = {
            "Display", "SScreenShotBaseName", {"oblivion.ini"}, {"oblivion.ini"}, "oblivion.ini"};
        g.difficulty = {
            {"GamePlay", "iDifficultyLevel", {"oblivion.ini"}, {"oblivion.ini"}, "oblivion.ini"},
            0,
            100,
            50,
            {}};
        // 1 German, 2 French, 3 Spanish, 4 Italian; 0 English, which the
        // Russian and Polish editions, translations over the English game,
        // keep too.
        g.language = {"Controls", "iLanguage", {"oblivion.ini"}};
        g.languageNumbered = true;
        g.installSettingsFile = "Oblivion.ini";
        // Some guides spell it bUseMyGames.
        g.useMyGamesKeys = {"bUseMyGamesDirectory", "bUseMyGames"};
        g.localDataFolders = {"Oblivion"};
        g.implicitPlugins = {"Oblivion.esm"};
        g.saves = {".ess",
                   {".obse", ".pluggy"},
                   SaveBackups::replaceExtension,
                   SaveLayout::oblivion,
                   {"autosave", "quicksave"},
                   false,
                   {"OBSE"}};
        g.registryKey = "Software\\Bethesda Softworks\\Oblivion\\";
        // Steam sells it as two apps, both installing into common/Oblivion:
        // the Game of the Year Edition and its Deluxe edition.
        g.steamAppIds = {"22330", "900883"};
        g.steamInstallFolder = "Oblivion";
        g.gogIds = {"1458058109"};
        g.programs = {"Oblivion.exe"};
        g.launcher = "oblivionlauncher.exe";
        // Steam's app info for 22330: the documents folder's
        // My Games/Oblivion/Saves, *.ess, not its subfolders.
        g.cloud = {2, "My Games/Oblivion/Saves", ".ess", false};
        games.push_back(std::move(g));
    }
    // Skyrim (2011).
    {
        Game g = start(GameId::skyrim, "skyrim", "Skyrim", {"Skyrim"});
        switchIn(g, {"Skyrim.ini", "SkyrimPrefs.ini", "SkyrimCustom.ini"}, {"SkyrimCustom.ini"},
                 "Skyrim.ini");
        difficultyIn(g, "SkyrimPrefs.ini", 5,
                     {"Novice", "Apprentice", "Adept", "Expert", "Master", "Legendary"});
        g.localDataFolders = {"Skyrim"};
        g.implicitPlugins = {"Skyrim.esm", "Update.esm"};
        g.saves = {
            ".ess", {".skse"}, SaveBackups::none, SaveLayout::skyrim, {"autosave", "quicksave"},
            true,   {"SKSE"}};
        g.registryKey = "Software\\Bethesda Softworks\\Skyrim\\";
        g.steamAppIds = {"72850"};
        g.steamInstallFolder = "Skyrim";
        g.programs = {"TESV.exe"};
        g.launcher = "SkyrimLauncher.exe";
        g.loader = "skse_loader.exe";
        g.cloud = {2, "My Games/Skyrim/Saves", ".ess", false};
        games.push_back(std::move(g));
    }
    // Skyrim Special Edition (and Anniversary Edition), for each store.
    {
        Game g = start(GameId::skyrimse, "skyrimse", "Skyrim Special Edition",
                       {"Skyrim Special Edition", "Skyrim Special Edition GOG",
                        "Skyrim Special Edition EPIC"});
        g.containerFolders = {"Skyrim Special Edition MS"};
        switchIn(g, {"Skyrim.ini", "SkyrimPrefs.ini", "SkyrimCustom.ini"}, {"SkyrimCustom.ini"},
                 "SkyrimCustom.ini");
        difficultyIn(g, "SkyrimPrefs.ini", 5,
                     {"Novice", "Apprentice", "Adept", "Expert", "Master", "Legendary"});
        g.localDataFolders = g.myGamesFolders;
        g.pluginsStarred = true;
        g.implicitPlugins = {"Skyrim.esm", "Update.esm", "Dawnguard.esm", "HearthFires.esm",
                             "Dragonborn.esm"};
        g.creationClubList = "Skyrim.ccc";
        g.saves = {
            ".ess", {".skse"}, SaveBackups::none, SaveLayout::skyrimSe, {"Autosave", "Quicksave"},
            true,   {"SKSE"}};
        g.registryKey = "Software\\Bethesda Softworks\\Skyrim Special Edition\\";
        g.steamAppIds = {"489830"};
        g.steamInstallFolder = "Skyrim Special Edition";
        g.gogIds = {"1801825368", "1162721350", "1711230643"};
        g.programs = {"SkyrimSE.exe"};
        g.launcher = "SkyrimSELauncher.exe";
        g.loader = "skse64_loader.exe";
        g.cloud = {2, "My Games/Skyrim Special Edition/Saves", ".ess", false};
        games.push_back(std::move(g));
    }
    // Skyrim VR: its own settings file, its Prefs as Skyrim's. Whether it
    // reads SkyrimCustom.ini is reported both ways: one that is there is
    // written too, so the character wins whichever it reads; none is made.
    {
        Game g = start(GameId::skyrimvr, "skyrimvr", "Skyrim VR", {"Skyrim VR"});
        switchIn(g, {"SkyrimVR.ini", "SkyrimPrefs.ini", "SkyrimCustom.ini"}, {"SkyrimCustom.ini"},
                 "SkyrimVR.ini");
        difficultyIn(g, "SkyrimPrefs.ini", 5,
                     {"Novice", "Apprentice", "Adept", "Expert", "Master", "Legendary"});
        g.localDataFolders = {"Skyrim VR"};
        g.pluginsStarred = true;
        g.implicitPlugins = {"Skyrim.esm",      "Update.esm",     "Dawnguard.esm",
                             "HearthFires.esm", "Dragonborn.esm", "SkyrimVR.esm"};
        g.saves = {
            ".ess", {".skse"}, SaveBackups::none, SaveLayout::skyrimSe, {"Autosave", "Quicksave"},
            true,   {"SKSE"}};
        g.registryKey = "Software\\Bethesda Softworks\\Skyrim VR\\";
        g.steamAppIds = {"611670"};
        g.steamInstallFolder = "SkyrimVR";
        g.programs = {"SkyrimVR.exe"};
        g.loader = "sksevr_loader.exe";
        g.cloud = {2, "My Games/Skyrim VR/Saves", ".ess", false};
        games.push_back(std::move(g));
    }
    // Fallout 3, its Game of the Year edition a second app.
    {
        Game g = start(GameId::fallout3, "fallout3", "Fallout 3", {"Fallout3"});
        switchIn(g, {"Fallout.ini", "FalloutPrefs.ini", "FalloutCustom.ini"}, {"FalloutCustom.ini"},
                 "Fallout.ini");
        difficultyIn(g, "FalloutPrefs.ini", 4,
                     {"Very Easy", "Easy", "Normal", "Hard", "Very Hard"});
        g.localDataFolders = {"Fallout3"};
        g.implicitPlugins = {"Fallout3.esm"};
        g.saves = {".fos",
                   {".fose"},
                   SaveBackups::none,
                   SaveLayout::fallout3,
                   {"autosave", "quicksave", "exitsave"},
                   true,
                   {"FOSE"}};
        g.registryKey = "Software\\Bethesda Softworks\\Fallout3\\";
        g.steamAppIds = {"22300", "22370"};
        g.steamInstallFolder = "Fallout 3";
        g.gogIds = {"1454315831"};
        g.programs = {"Fallout3.exe", "Fallout3ng.exe"};
        g.launcher = "Fallout3Launcher.exe";
        g.loader = "fose_loader.exe";
        g.cloud = {2, "My Games/Fallout3/Saves", ".fos", false};
        games.push_back(std::move(g));
    }
    // Fallout: New Vegas; its PCR edition a second app, Epic's a folder of
    // its own.
    {
        Game g = start(GameId::falloutnv, "falloutnv", "Fallout: New Vegas",
                       {"FalloutNV", "FalloutNV_Epic"});
        switchIn(g, {"Fallout.ini", "FalloutPrefs.ini", "FalloutCustom.ini"}, {"FalloutCustom.ini"},
                 "Fallout.ini");
        difficultyIn(g, "FalloutPrefs.ini", 4,
                     {"Very Easy", "Easy", "Normal", "Hard", "Very Hard"});
        g.localDataFolders = {"FalloutNV", "FalloutNV_Epic"};
        g.implicitPlugins = {"FalloutNV.esm"};
        // The game keeps quicksave.fos.bak, not quicksave.bak.
        g.saves = {".fos",
                   {".nvse"},
                   SaveBackups::appendBak,
                   SaveLayout::falloutNv,
                   {"autosave", "quicksave"},
                   true,
                   {"NVSE"}};
        g.registryKey = "Software\\Bethesda Softworks\\FalloutNV\\";
        g.steamAppIds = {"22380", "22490"};
        g.steamInstallFolder = "Fallout New Vegas";
        g.gogIds = {"1454587428"};
        g.programs = {"FalloutNV.exe"};
        g.launcher = "FalloutNVLauncher.exe";
        g.loader = "nvse_loader.exe";
        g.cloud = {2, "My Games/FalloutNV/Saves", ".fos", false};
        games.push_back(std::move(g));
    }
    // Fallout 4, for each store.
    {
        Game g = start(GameId::fallout4, "fallout4", "Fallout 4", {"Fallout4", "Fallout4 EPIC"});
        g.containerFolders = {"Fallout4 MS"};
        switchIn(g, {"Fallout4.ini", "Fallout4Prefs.ini", "Fallout4Custom.ini"},
                 {"Fallout4Custom.ini"}, "Fallout4Custom.ini");
        // Survival is a save's own mode, chosen in the game: not a setting
        // the game takes from its files.
        difficultyIn(g, "Fallout4Prefs.ini", 4,
                     {"Very Easy", "Easy", "Normal", "Hard", "Very Hard"});
        g.localDataFolders = g.myGamesFolders;
        g.pluginsStarred = true;
        g.implicitPlugins = {"Fallout4.esm",      "DLCRobot.esm",
                             "DLCworkshop01.esm", "DLCCoast.esm",
                             "DLCworkshop02.esm", "DLCworkshop03.esm",
                             "DLCNukaWorld.esm",  "DLCUltraHighResolution.esm"};
        g.creationClubList = "Fallout4.ccc";
        g.saves = {".fos",
                   {".f4se"},
                   SaveBackups::none,
                   SaveLayout::fallout4,
                   {"Autosave", "Quicksave", "Exitsave"},
                   true,
                   {"F4SE"}};
        g.registryKey = "Software\\Bethesda Softworks\\Fallout4\\";
        g.steamAppIds = {"377160"};
        g.steamInstallFolder = "Fallout 4";
        g.gogIds = {"1998527297"};
        g.programs = {"Fallout4.exe"};
        g.launcher = "Fallout4Launcher.exe";
        g.loader = "f4se_loader.exe";
        g.cloud = {2, "My Games/Fallout4/Saves", ".fos", false};
        games.push_back(std::move(g));
    }
    // Fallout 4 VR: whether it reads Fallout4Custom.ini or Fallout4VRCustom.ini
    // is reported both ways; both are read and written as the game might.
    {
        Game g = start(GameId::fallout4vr, "fallout4vr", "Fallout 4 VR", {"Fallout4VR"});
        switchIn(
            g, {"Fallout4.ini", "Fallout4Prefs.ini", "Fallout4Custom.ini", "Fallout4VRCustom.ini"},
            {"Fallout4Custom.ini", "Fallout4VRCustom.ini"}, "Fallout4Custom.ini");
        difficultyIn(g, "Fallout4Prefs.ini", 4,
                     {"Very Easy", "Easy", "Normal", "Hard", "Very Hard"});
        g.localDataFolders = {"Fallout4VR"};
        g.pluginsStarred = true;
        g.implicitPlugins = {"Fallout4.esm", "Fallout4_VR.esm"};
        g.saves = {".fos",
                   {".f4se"},
                   SaveBackups::none,
                   SaveLayout::fallout4,
                   {"Autosave", "Quicksave", "Exitsave"},
                   true,
                   {"F4SE"}};
        g.registryKey = "Software\\Bethesda Softworks\\Fallout 4 VR\\";
        g.steamAppIds = {"611660"};
        g.steamInstallFolder = "Fallout 4 VR";
        g.programs = {"Fallout4VR.exe"};
        g.loader = "f4sevr_loader.exe";
        g.cloud = {2, "My Games/Fallout4VR/Saves", ".fos", false};
        games.push_back(std::move(g));
    }
    // The games that keep their saves where no setting reaches: recognised,
    // said, never written.
    {
        Game g = start(GameId::oblivionRemastered, "oblivionremastered", "Oblivion Remastered",
                       {"Oblivion Remastered"});
        g.saves.layout = SaveLayout::none;
        g.steamAppIds = {"2623190"};
        g.steamInstallFolder = "Oblivion Remastered";
        g.programs = {"OblivionRemastered.exe", "OblivionRemastered-Win64-Shipping.exe"};
        g.switchable = false;
        g.whyNot =
            N_("Oblivion Remastered keeps its saves as Unreal .sav files in My Games\\Oblivion "
               "Remastered\\Saved\\SaveGames, and no setting the game reads moves them: Quarlo "
               "cannot give its characters folders of their own.");
        games.push_back(std::move(g));
    }
    {
        Game g = start(GameId::starfield, "starfield", "Starfield", {"Starfield"});
        g.saves.layout = SaveLayout::none;
        g.steamAppIds = {"1716740"};
        g.steamInstallFolder = "Starfield";
        g.programs = {"Starfield.exe"};
        g.switchable = false;
        g.whyNot =
            N_("No player has confirmed that Starfield honours SLocalSavePath: Quarlo does not "
               "switch a game it cannot be sure of.");
        games.push_back(std::move(g));
    }
    return games;
}

}  // namespace

const std::vector<Game>& all() {
    static const std::vector<Game> games = makeAll();
    return games;
}

const Game& get(GameId id) {
    for (const Game& g : all()) {
        if (g.id == id) {
            return g;
        }
    }
    return all().front();
}

const Game& oblivion() {
    return get(GameId::oblivion);
}

const Game* byKey(std::string_view key) {
    for (const Game& g : all()) {
        if (g.key == key) {
            return &g;
        }
    }
    return nullptr;
}

const Game* bySteamApp(std::string_view appId) {
    for (const Game& g : all()) {
        for (const std::string_view id : g.steamAppIds) {
            if (id == appId) {
                return &g;
            }
        }
    }
    return nullptr;
}

std::string_view mainSettingsFile(const Game& game) {
    return game.savePath.files.empty() ? std::string_view() : game.savePath.files.front();
}

std::string containerReason(const Game& game) {
    return texts::format(N_("The Microsoft Store edition of {1} keeps its saves in the store's "
                            "own containers, which no setting the game reads moves: Quarlo "
                            "cannot give its characters folders of their own."),
                         {game.name});
}

std::string difficultyText(const Game& game, int value) {
    const Difficulty& d = game.difficulty;
    if (d.steps.empty() || value < d.low || value - d.low >= static_cast<int>(d.steps.size())) {
        return std::to_string(value);
    }
    return std::string(d.steps[static_cast<std::size_t>(value - d.low)]);
}

int codePageOfLanguage(const Game& game, std::string_view value) {
    std::string word;
    for (const char c : value) {
        if (c != ' ' && c != '\t') {
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    if (game.languageNumbered) {
        return word == "1" || word == "2" || word == "3" || word == "4" ? 1252 : 0;
    }
    struct Edition {
        std::string_view language;
        int codePage;
    };
    static constexpr Edition kEditions[] = {
        {"english", 1252}, {"french", 1252},    {"german", 1252}, {"italian", 1252},
        {"spanish", 1252}, {"polish", 1250},    {"czech", 1250},  {"hungarian", 1250},
        {"russian", 1251}, {"en", 1252},        {"fr", 1252},     {"de", 1252},
        {"it", 1252},      {"es", 1252},        {"pl", 1250},     {"cs", 1250},
        {"ru", 1251},      {"brazilian", 1252}, {"ptbr", 1252},
    };
    const auto* found = std::find_if(std::begin(kEditions), std::end(kEditions),
                                     [&](const Edition& e) { return e.language == word; });
    return found == std::end(kEditions) ? 0 : found->codePage;
}

std::string savePathFor(const Game& game, std::string_view character) {
    return std::string(game.savesFolder) + "\\" + std::string(character) + "\\";
}

}  // namespace quarlo::games
