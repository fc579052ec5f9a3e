#pragma once

#include <string>
#include <string_view>
#include <vector>

// Valve's KeyValues text, as Steam keeps its library list in it.
namespace quarlo::platform::wine {

// The library folders named in Steam's steamapps/libraryfolders.vdf, in the
// file's order. Both forms Steam has written are read: the old one, where
// each library is `"1" "/path"`, and the new one, `"0" { "path" "/path" ... }`.
std::vector<std::string> parseLibraryFolders(std::string_view vdf);

// The files Steam Cloud keeps for one app, as its
// userdata/<account>/<app>/remotecache.vdf lists them: the blocks of the
// app's block that name a file (each with its "root", "size", "sha" ...),
// paths as Steam writes them ("My Games/Oblivion/Saves/Save 1.ess"), in the
// file's order. Nothing for a file of another app or that is no such list.
std::vector<std::string> parseRemoteCacheFiles(std::string_view vdf, std::string_view appId);

}  // namespace quarlo::platform::wine
