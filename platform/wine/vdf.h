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

}  // namespace quarlo::platform::wine
