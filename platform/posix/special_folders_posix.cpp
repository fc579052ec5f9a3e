#include "platform/posix/special_folders_posix.h"

#include <fstream>

#include "platform/posix/util.h"

namespace quarlo::platform::posix {

namespace {

// One line of user-dirs.dirs: XDG_DOCUMENTS_DIR="$HOME/Documents". The file is
// written by xdg-user-dirs-update; only "$HOME/" and absolute paths are valid
// there, and backslash escapes the next character.
std::string parseUserDirsValue(const std::string& raw, const std::string& home) {
    std::string value = raw;
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            ++i;
        }
        unescaped += value[i];
    }
    // Only "$HOME" as a whole path component: "$HOMEX/docs" names no folder.
    if (unescaped == "$HOME" || unescaped.rfind("$HOME/", 0) == 0) {
        if (home.empty()) {
            return {};
        }
        return home + unescaped.substr(5);
    }
    if (!unescaped.empty() && unescaped.front() == '/') {
        return unescaped;
    }
    return {};
}

}  // namespace

std::string xdgDocumentsFolder() {
    const std::string home = env("HOME");
    std::string configHome = env("XDG_CONFIG_HOME");
    if (configHome.empty() && !home.empty()) {
        configHome = home + "/.config";
    }
    std::string found;
    if (!configHome.empty()) {
        std::ifstream in(configHome + "/user-dirs.dirs");
        std::string line;
        while (std::getline(in, line)) {
            const std::string prefix = "XDG_DOCUMENTS_DIR=";
            if (line.rfind(prefix, 0) == 0) {
                found = parseUserDirsValue(line.substr(prefix.size()), home);
            }
        }
    }
    if (found.empty() && !home.empty()) {
        found = home + "/Documents";
    }
    return withoutTrailingSlashes(found);
}

std::string PosixSpecialFolders::GetSpecialFolderPath(int folderId) const {
    if (folderId != kCsidlPersonal) {
        return {};
    }
    return prefix_ ? wine::documentsFolder(*prefix_) : xdgDocumentsFolder();
}

}  // namespace quarlo::platform::posix
