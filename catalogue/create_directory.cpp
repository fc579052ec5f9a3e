#include "catalogue/create_directory.h"

#include <algorithm>

namespace quarlo::catalogue {

std::vector<std::string> directoryLevels(std::string path, char separator) {
    if (path.empty() || path.back() != separator) {
        path.push_back(separator);
    }
    std::vector<std::string> levels;
    for (std::size_t p = path.find(separator); p != std::string::npos;
         p = path.find(separator, p + 1)) {
        levels.push_back(path.substr(0, p + 1));
    }
    return levels;
}

void CreateNewDirectory(platform::FileSystem& fs, std::string NewDirectory) {
    for (const auto& level : directoryLevels(std::move(NewDirectory), fs.separator())) {
        fs.createFolder(level);
    }
}

}  // namespace quarlo::catalogue
