#pragma once

#include <string_view>

// What Quarlo knows about the game and where its stores put it, in one place.
namespace quarlo::game {

// The game's folder in the user's documents: <documents>\My Games\Oblivion.
// It holds the game's settings file, ours and the Saves folder.
inline constexpr std::string_view kMyGamesFolder = "My Games";
inline constexpr std::string_view kGameFolder = "Oblivion";
inline constexpr std::string_view kSavesFolder = "Saves";

// The game's settings file, which names its save folder in SLocalSavePath,
// and Quarlo's own, one section per character.
inline constexpr std::string_view kGameSettingsFile = "oblivion.ini";
inline constexpr std::string_view kProgramSettingsFile = "quarlo.ini";

// The game's own settings file in its install folder, read before the one
// in My Games. When its [General] sets bUseMyGamesDirectory (some guides
// spell it bUseMyGames) to 0, the game keeps its settings, its saves and
// Plugins.txt in the install folder and never reads My Games.
inline constexpr std::string_view kInstallSettingsFile = "Oblivion.ini";
inline constexpr std::string_view kUseMyGamesKeys[] = {"bUseMyGamesDirectory", "bUseMyGames"};

// The game's folder under the user's local application data, which holds
// the list of active plugins.
inline constexpr std::string_view kLocalDataFolder = "Oblivion";

// The installer's registry entry under HKEY_LOCAL_MACHINE, and the launcher
// in the folder it names.
inline constexpr std::string_view kRegistryKey = "Software\\Bethesda Softworks\\Oblivion\\";
inline constexpr std::string_view kInstalledPathValue = "Installed Path";
inline constexpr std::string_view kLauncherFile = "oblivionlauncher.exe";

// Steam sells the game as two apps, each with its own store page and
// steamapps/appmanifest_<id>.acf: 22330, the Game of the Year Edition, and
// 900883, the Game of the Year Edition Deluxe. Both install into
// steamapps/common/Oblivion. Proton keeps each app's Windows prefix in
// steamapps/compatdata/<id>/pfx, with the Windows user "steamuser", and
// Steam starts an app from the URL steam://rungameid/<id>.
inline constexpr std::string_view kSteamAppId = "22330";
inline constexpr std::string_view kSteamDeluxeAppId = "900883";
inline constexpr std::string_view kSteamAppIds[] = {kSteamAppId, kSteamDeluxeAppId};
inline constexpr std::string_view kProtonUser = "steamuser";
inline constexpr std::string_view kSteamInstallFolder = "Oblivion";  // under steamapps/common
inline constexpr std::string_view kSteamRunUrl = "steam://rungameid/";

// Steam on Windows names its own folder in HKEY_CURRENT_USER, value SteamPath
// (forward slashes), and lists its libraries in steamapps/libraryfolders.vdf.
inline constexpr std::string_view kSteamRegistryKey = "Software\\Valve\\Steam";
inline constexpr std::string_view kSteamPathValue = "SteamPath";

// GOG's product id of The Elder Scrolls IV: Oblivion Game of the Year Edition
// Deluxe (its store and Galaxy id). The GOG installer records the game under
// HKEY_LOCAL_MACHINE\Software\GOG.com\Games\<id>, value "path", in the
// 32-bit view; Heroic names GOG games by this id ("appName").
inline constexpr std::string_view kGogGameId = "1458058109";
inline constexpr std::string_view kGogRegistryKey = "Software\\GOG.com\\Games\\1458058109";
inline constexpr std::string_view kGogPathValue = "path";

// Heroic Games Launcher keeps its settings in ~/.config/heroic, or as a
// Flatpak in ~/.var/app/com.heroicgameslauncher.hgl/config/heroic. Its
// installed GOG games are in gog_store/installed.json ("installed": [{
// "appName", "install_path", "platform" }]); each game's settings, with its
// Wine prefix in "winePrefix", in GamesConfig/<appName>.json. A prefix made
// for a Proton build holds the Windows tree in its pfx folder, as Steam's
// does. Heroic starts a game from heroic://launch/gog/<appName>.
inline constexpr std::string_view kHeroicConfig = ".config/heroic";
inline constexpr std::string_view kHeroicFlatpakConfig =
    ".var/app/com.heroicgameslauncher.hgl/config/heroic";
inline constexpr std::string_view kHeroicRunUrl = "heroic://launch/gog/";

// Lutris keeps one YAML file per game, <slug>-<number>.yml, in
// ~/.local/share/lutris/games (older releases: ~/.config/lutris/games; the
// Flatpak: ~/.var/app/net.lutris.Lutris/data/lutris/games or .../config/
// lutris/games), its Wine prefix under "game:" as "prefix:". Lutris starts a
// game from lutris:rungame/<slug>.
inline constexpr std::string_view kLutrisGameFolders[] = {
    ".local/share/lutris/games",
    ".config/lutris/games",
    ".var/app/net.lutris.Lutris/data/lutris/games",
    ".var/app/net.lutris.Lutris/config/lutris/games",
};
inline constexpr std::string_view kLutrisRunUrl = "lutris:rungame/";

// The game's own program, whichever store installed it: while a process of
// this image name runs, the game holds its settings in memory and writes them
// back over ours.
inline constexpr std::string_view kGameProcess = "Oblivion.exe";

// Steam Cloud's rule for the game, as Steam's app info gives it for 22330
// (and is taken for 900883, which publishes none): files of the documents
// folder (root 2 in remotecache.vdf) directly in My Games/Oblivion/Saves
// matching *.ess, not in its subfolders; co-saves and the settings file
// are not kept.
inline constexpr int kCloudRoot = 2;
inline constexpr std::string_view kCloudFolder = "My Games/Oblivion/Saves";
inline constexpr std::string_view kCloudExtension = ".ess";
inline constexpr bool kCloudRecursive = false;

// The saves the game writes by itself, over and over, each keeping its last
// version as <name>.bak: not the player's numbered saves.
inline constexpr std::string_view kGameOwnSaves[] = {"autosave", "quicksave"};

// The co-saves script extenders write beside a save, lower case: the script
// extender's own and Pluggy's.
inline constexpr std::string_view kCoSaveExtensions[] = {".obse", ".pluggy"};

}  // namespace quarlo::game
