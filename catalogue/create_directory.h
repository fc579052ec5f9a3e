#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace quarlo::catalogue {

// Every level of a folder path, shortest first, each ending in the separator:
// for C:\A\B the levels are C:\, C:\A\ and C:\A\B\. Where the separator is
// '/', a backslash separates levels too, as the game reads Saves\a\b\ as
// nested folders.
std::vector<std::string> directoryLevels(std::string path, char separator);

// Makes sure every folder along NewDirectory exists, creating the missing ones
// from the top down: one attempt per level, each failure ignored.
void CreateNewDirectory(platform::FileSystem& fs, std::string NewDirectory);

}  // namespace quarlo::catalogue
