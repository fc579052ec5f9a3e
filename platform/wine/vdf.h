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

// One file of Steam Cloud's list of an app: its path below its root as
// Steam stored it ("my games/Oblivion/Saves/Save 1.ess", "/" between levels,
// in the case Steam keeps), which root ("2": the documents folder; -1 when
// the list does not say) and its persist state (0 kept, 1 forgotten, 2
// deleted: those two are not kept).
struct CloudFile {
    std::string path;
    int root = -1;
    int persistState = 0;
    friend bool operator==(const CloudFile&, const CloudFile&) = default;
};

// The files Steam Cloud keeps for one app, as its
// userdata/<account>/<app>/remotecache.vdf lists them: the blocks of the
// app's block that name a file (each with its "root", "size", "sha" ...),
// in the file's order. Nothing for a file of another app or that is no
// such list.
std::vector<CloudFile> parseRemoteCacheFiles(std::string_view vdf, std::string_view appId);

}  // namespace quarlo::platform::wine
