#pragma once

#include <string>
#include <vector>
#include "texts/catalogue.h"

#include "games/games.h"

namespace quarlo::platform {
class SaveFiles;
}

namespace quarlo::app {

// The game's saves Steam Cloud keeps, as Steam's own lists name them: every
// userdata/<account>/<app>/remotecache.vdf of the game's apps under each
// Steam folder, of the files the game's rule reaches (Oblivion's: the
// documents folder's Saves, *.ess, not its subfolders) and not deleted or
// forgotten there.
// Each path is below Saves, with "/" between levels ("Save 1.ess"). None
// where Steam keeps no such list, and a list that cannot be read or makes
// no sense only tells less: it never stops a command.
std::vector<std::string> cloudSaves(const platform::SaveFiles& files,
                                    const std::vector<std::string>& steamRoots,
                                    const games::Game& game = games::oblivion());

// Whether Steam keeps any list of the game's files at all: Steam Cloud is in
// use for the game on this computer.
bool cloudInUse(const platform::SaveFiles& files, const std::vector<std::string>& steamRoots,
                const games::Game& game = games::oblivion());

// Of the paths `cloudSaves` gives, the one of a file in a character's
// folder ("" or "Saves" for the loose saves), matched as the game's file
// system matches names.
bool keptInCloud(const std::vector<std::string>& cloud, const std::string& character,
                 const std::string& fileName);

// Of `names` in the character's folder, those Steam Cloud keeps, as paths
// below Saves.
std::vector<std::string> keptOf(const std::vector<std::string>& cloud, const std::string& character,
                                const std::vector<std::string>& names);

// Whether Steam Cloud's rule can keep any file of a character's folder: it
// takes only saves lying directly in Saves.
bool cloudReaches(const std::string& character, const games::Game& game = games::oblivion());

// What a command that moves or deletes saves the cloud keeps says first:
// how many and which, and what to do; "" for none.
std::string cloudWarning(const std::vector<std::string>& kept);

namespace text {
inline constexpr const char* kKeptInCloud = N_("Kept in Steam Cloud");
inline constexpr const char* kNotInCloud =
    N_("Steam Cloud does not keep these saves: it keeps only saves lying directly in Saves, never "
       "a character's folder or a co-save.");
}  // namespace text

}  // namespace quarlo::app
