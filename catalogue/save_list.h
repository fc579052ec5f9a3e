#pragma once

#include <string>
#include <vector>

namespace quarlo::catalogue {

// The save folder name in a SLocalSavePath value as the game stores it
// ("Saves\Bob\" gives Bob): the value loses its last character (the closing
// backslash) and keeps what follows the last separator. "/" counts as a
// separator as well, since the game accepts it in this entry.
std::string activeSaveName(const std::string& savePathValue);

// The list entries for a catalogue's folder paths: every folder from entry 2
// on, by its own name. Entry 0 is the root folder and entry 1 the first folder
// directly below it, which are never listed.
std::vector<std::string> characterNames(const std::vector<std::string>& folderPaths,
                                        char separator);

}  // namespace quarlo::catalogue
