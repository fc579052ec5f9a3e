#include "catalogue/save_list.h"

namespace quarlo::catalogue {

namespace {

std::string lastComponent(std::string s, const char* separators) {
    if (!s.empty()) {
        s.pop_back();
    }
    const auto cut = s.find_last_of(separators);
    return cut == std::string::npos ? s : s.substr(cut + 1);
}

}  // namespace

std::string activeSaveName(const std::string& savePathValue) {
    return lastComponent(savePathValue, "\\/");
}

std::vector<std::string> characterNames(const std::vector<std::string>& folderPaths,
                                        char separator) {
    std::vector<std::string> names;
    const char separators[2] = {separator, '\0'};
    for (std::size_t k = 2; k < folderPaths.size(); ++k) {
        names.push_back(lastComponent(folderPaths[k], separators));
    }
    return names;
}

}  // namespace quarlo::catalogue
