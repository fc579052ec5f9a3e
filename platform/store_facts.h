#pragma once

#include <string_view>

// What Quarlo knows about the stores and launchers that install the games,
// in one place; what each game is lives in games/games.h.
namespace quarlo::stores {

// The folder in the user's documents that holds each game's own folder.
inline constexpr std::string_view kMyGamesFolder = "My Games";

// Quarlo's own settings file in a game folder, one section per character.
inline constexpr std::string_view kProgramSettingsFile = "quarlo.ini";

// The installer's registry value naming the game's folder.
inline constexpr std::string_view kInstalledPathValue = "Installed Path";

// Proton keeps each Steam app's Windows prefix in
// steamapps/compatdata/<id>/pfx, with the Windows user "steamuser", and
// Steam starts an app from the URL steam://rungameid/<id>.
inline constexpr std::string_view kProtonUser = "steamuser";
inline constexpr std::string_view kSteamRunUrl = "steam://rungameid/";

// Steam on Windows names its own folder in HKEY_CURRENT_USER, value SteamPath
// (forward slashes), and lists its libraries in steamapps/libraryfolders.vdf.
inline constexpr std::string_view kSteamRegistryKey = "Software\\Valve\\Steam";
inline constexpr std::string_view kSteamPathValue = "SteamPath";

// The GOG installer records a game under the key
// HKEY_LOCAL_MACHINE\Software\GOG.com\Games\<id>, value "path", in the
// 32-bit view; Heroic names GOG games by this id ("appName").
inline constexpr std::string_view kGogRegistryKey = "Software\\GOG.com\\Games\\";
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

}  // namespace quarlo::stores
