#pragma once

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "games/games.h"

namespace quarlo::platform {
class SaveFiles;
}

namespace quarlo::saves {

// What the game would load now: the plugins Plugins.txt names (the game's
// masters always) and the plugin files in its Data folder, names as UTF-8
// compared without regard to letter case.
struct PluginSetup {
    bool known = false;  // false: `why` says which of the two was not found
    std::string why;
    std::set<std::string> active;     // folded names
    std::set<std::string> installed;  // folded names
};

// How one plugin of a save stands with the game as it is set up now.
enum class PluginState { active, inactive, notInstalled, unknown };

// "active", "installed, not active", "not installed", "".
const char* describe(PluginState state);

// The key names are compared by: ASCII letters in lower case.
std::string foldPluginName(std::string_view name);

// The names in a Plugins.txt: one a line, "#" starting a comment, blank
// lines and surrounding spaces ignored; CR LF or LF.
std::vector<std::string> parsePluginsTxt(std::string_view text);

// Reads Plugins.txt (in the game's code page, turned to UTF-8 by `toUtf8`;
// its form the game's), the Creation Club's list where the game has one,
// and lists the Data folder's .esp, .esm and .esl files.
PluginSetup readPluginSetup(const platform::SaveFiles& files, const std::string& pluginsTxt,
                            const std::string& dataFolder,
                            const std::function<std::string(std::string_view)>& toUtf8,
                            const games::Game& game = games::oblivion(),
                            const std::string& creationClubList = {});

PluginState stateOf(const PluginSetup& setup, std::string_view utf8Name);

}  // namespace quarlo::saves
