#pragma once

#include <string>
#include <vector>

namespace quarlo::platform {
class SaveFiles;
}

namespace quarlo::app {

// The game's saves Steam Cloud keeps, as Steam's own lists name them: every
// userdata/<account>/<app>/remotecache.vdf of the game's apps under each
// Steam folder. Each path is below Saves, with "/" between levels
// ("Ann/Save 1.ess"). None where Steam keeps no such list, and a list that
// cannot be read or makes no sense only tells less: it never stops a
// command.
std::vector<std::string> cloudSaves(const platform::SaveFiles& files,
                                    const std::vector<std::string>& steamRoots);

// Of the paths `cloudSaves` gives, the one of a file in a character's
// folder, matched as the game's file system matches names.
bool keptInCloud(const std::vector<std::string>& cloud, const std::string& character,
                 const std::string& fileName);

// What a command that moves or deletes saves says first where Steam Cloud
// keeps some: how many and which, and what to do; "" where it keeps none.
std::string cloudWarning(const std::vector<std::string>& cloud);

namespace text {
inline constexpr const char* kKeptInCloud = "Kept in Steam Cloud";
}  // namespace text

}  // namespace quarlo::app
