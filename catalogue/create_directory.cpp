#include "catalogue/create_directory.h"

#include <algorithm>

namespace quarlo::catalogue {

void CreateNewDirectory(platform::FileSystem& fs, std::string NewDirectory) {
    const char sep = fs.separator();
    if (sep != '\\') {
        std::replace(NewDirectory.begin(), NewDirectory.end(), '\\', sep);
    }
    if (NewDirectory.empty() || NewDirectory.back() != sep) {
        NewDirectory.push_back(sep);
    }
    for (std::size_t p = NewDirectory.find(sep); p != std::string::npos;
         p = NewDirectory.find(sep, p + 1)) {
        fs.createFolder(NewDirectory.substr(0, p + 1));
    }
}

}  // namespace quarlo::catalogue
