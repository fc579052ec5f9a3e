#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace quarlo::catalogue {

// Every level of a folder path, shortest first, each ending in the separator:
// for C:\A\B the levels are C:\, C:\A\ and C:\A\B\. Only the platform's
// separator makes levels: on Linux a backslash is a letter of a folder's name
// (the caller turns a typed name's backslashes into separators first, as the
// game reads Saves\a\b\ as nested folders).
std::vector<std::string> directoryLevels(std::string path, char separator);

// Makes sure every folder along NewDirectory exists, creating the missing ones
// from the top down: one attempt per level, each failure ignored.
void CreateNewDirectory(platform::FileSystem& fs, std::string NewDirectory);

}  // namespace quarlo::catalogue
