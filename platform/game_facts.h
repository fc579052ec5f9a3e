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

// The installer's registry entry under HKEY_LOCAL_MACHINE, and the launcher
// in the folder it names.
inline constexpr std::string_view kRegistryKey = "Software\\Bethesda Softworks\\Oblivion\\";
inline constexpr std::string_view kInstalledPathValue = "Installed Path";
inline constexpr std::string_view kLauncherFile = "oblivionlauncher.exe";

// Steam's app id of the Game of the Year Edition (its store page and
// steamapps/appmanifest_22330.acf); Proton keeps the game's Windows prefix
// in steamapps/compatdata/<id>/pfx, with the Windows user "steamuser".
inline constexpr std::string_view kSteamAppId = "22330";
inline constexpr std::string_view kProtonUser = "steamuser";

// The game's own program, whichever store installed it: while a process of
// this image name runs, the game holds its settings in memory and writes them
// back over ours.
inline constexpr std::string_view kGameProcess = "Oblivion.exe";

}  // namespace quarlo::game
