#pragma once

#include <string>

#include "platform/file_system.h"

namespace quarlo::catalogue {

// Makes sure every folder along NewDirectory exists, creating the missing ones
// from the top down: one attempt per level, each failure ignored. Where the
// platform separator is '/', a backslash separates levels too, as the game
// reads Saves\a\b\ as nested folders.
void CreateNewDirectory(platform::FileSystem& fs, std::string NewDirectory);

}  // namespace quarlo::catalogue
