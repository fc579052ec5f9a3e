#include "platform/wine/prefix.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <set>
#include <utility>

#include "platform/game_facts.h"
#include "platform/posix/file_io.h"
#include "platform/posix/util.h"
#include "platform/wine/case_paths.h"
#include "platform/wine/code_page.h"
#include "platform/wine/registry_file.h"
#include "platform/wine/vdf.h"

namespace quarlo::platform::wine {

using posix::env;
using posix::readFile;
using posix::ReadStatus;
using posix::withoutTrailingSlashes;

namespace {

constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The identity of a folder (links followed), so that two paths to one
// folder count once.
std::optional<std::pair<dev_t, ino_t>> folderIdentity(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return std::nullopt;
    }
    return std::make_pair(st.st_dev, st.st_ino);
}

bool isFolder(const std::string& path) {
    return folderIdentity(path).has_value();
}

// Keeps the paths that are existing folders, each folder once, in order.
std::vector<std::string> distinctFolders(const std::vector<std::string>& paths) {
    std::set<std::pair<dev_t, ino_t>> seen;
    std::vector<std::string> kept;
    for (const auto& path : paths) {
        const auto id = folderIdentity(path);
        if (id && seen.insert(*id).second) {
            kept.push_back(withoutTrailingSlashes(path));
        }
    }
    return kept;
}

bool holdsGame(const std::string& documents) {
    return isFolder(resolveCase(documents + "/" + std::string(game::kMyGamesFolder) + "/" +
                                std::string(game::kGameFolder)));
}

}  // namespace

LinuxEnvironment LinuxEnvironment::fromProcess() {
    LinuxEnvironment e;
    e.home = env("HOME");
    e.winePrefix = env("WINEPREFIX");
    e.user = env("USER");
    if (e.home.empty() || e.user.empty()) {
        if (const passwd* pw = ::getpwuid(::getuid())) {
            if (e.home.empty() && pw->pw_dir) {
                e.home = pw->pw_dir;
            }
            if (e.user.empty() && pw->pw_name) {
                e.user = pw->pw_name;
            }
        }
    }
    e.lang = ctypeLocaleFromEnvironment();
    return e;
}

bool isProtonPrefix(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    const std::string tail = "/compatdata/" + std::string(game::kSteamAppId) + "/pfx";
    return path.size() > tail.size() && path.ends_with(tail);
}

std::vector<std::string> steamRoots(const LinuxEnvironment& e) {
    if (e.home.empty()) {
        return {};
    }
    const std::string flatpak = e.home + "/.var/app/com.valvesoftware.Steam";
    return distinctFolders({
        e.home + "/.steam/steam",
        e.home + "/.local/share/Steam",
        e.home + "/.steam/debian-installation",
        flatpak + "/.local/share/Steam",
        flatpak + "/.steam/steam",
    });
}

std::vector<std::string> steamLibraries(const LinuxEnvironment& e) {
    std::vector<std::string> libraries;
    for (const auto& root : steamRoots(e)) {
        libraries.push_back(root);
        std::string vdf;
        if (readFile(resolveCase(root + "/steamapps/libraryfolders.vdf"), vdf) == ReadStatus::ok) {
            for (auto& library : parseLibraryFolders(vdf)) {
                libraries.push_back(std::move(library));
            }
        }
    }
    return distinctFolders(libraries);
}

std::vector<WinePrefix> prefixCandidates(const LinuxEnvironment& e) {
    std::vector<WinePrefix> all;
    if (!e.winePrefix.empty()) {
        const std::string path = withoutTrailingSlashes(e.winePrefix);
        const bool proton = isProtonPrefix(path);
        all.push_back({path, proton, proton ? std::string(game::kProtonUser) : e.user});
    }
    const std::string compat = "/steamapps/compatdata/" + std::string(game::kSteamAppId) + "/pfx";
    for (const auto& library : steamLibraries(e)) {
        all.push_back({resolveCase(library + compat), true, std::string(game::kProtonUser)});
    }
    if (!e.home.empty()) {
        all.push_back({e.home + "/.wine", false, e.user});
    }
    std::set<std::pair<dev_t, ino_t>> seen;
    std::vector<WinePrefix> existing;
    for (auto& candidate : all) {
        const auto id = folderIdentity(candidate.path);
        if (id && seen.insert(*id).second) {
            existing.push_back(std::move(candidate));
        }
    }
    return existing;
}

std::optional<WinePrefix> findGamePrefix(const LinuxEnvironment& e) {
    const auto candidates = prefixCandidates(e);
    for (const auto& candidate : candidates) {
        if (holdsGame(documentsFolder(candidate))) {
            return candidate;
        }
    }
    if (!candidates.empty()) {
        return candidates.front();
    }
    return std::nullopt;
}

std::string windowsToLinuxPath(const std::string& prefix, std::string_view windowsPath) {
    if (prefix.empty() || windowsPath.size() < 2 ||
        !std::isalpha(static_cast<unsigned char>(windowsPath[0])) || windowsPath[1] != ':' ||
        (windowsPath.size() > 2 && windowsPath[2] != '\\' && windowsPath[2] != '/')) {
        return {};
    }
    const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0])));
    std::string base = prefix + "/dosdevices/" + drive + ":";
    if (drive == 'c' && !isFolder(base)) {
        base = prefix + "/drive_c";  // a prefix that has lost its links
    }
    std::vector<std::string_view> parts;
    std::string_view rest = windowsPath.substr(2);
    while (!rest.empty()) {
        const std::size_t cut = rest.find_first_of("\\/");
        const std::string_view part = rest.substr(0, cut);
        rest.remove_prefix(cut == std::string_view::npos ? rest.size() : cut + 1);
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
            continue;
        }
        parts.push_back(part);
    }
    std::string path = base;
    for (const auto part : parts) {
        path += '/';
        path += part;
    }
    return resolveCase(path);
}

std::string documentsFolder(const WinePrefix& prefix) {
    std::string userReg;
    if (readFile(prefix.path + "/user.reg", userReg) == ReadStatus::ok) {
        const auto personal = readWineRegistryValue(userReg, kShellFolders, "Personal");
        if (personal && !personal->empty()) {
            const std::string mapped = windowsToLinuxPath(prefix.path, *personal);
            if (isFolder(mapped)) {
                return withoutTrailingSlashes(mapped);
            }
        }
    }
    const std::string profile = prefix.path + "/drive_c/users/" + prefix.user;
    for (const char* name : {"/Documents", "/My Documents"}) {
        const std::string folder = resolveCase(profile + name);
        if (isFolder(folder)) {
            return folder;
        }
    }
    return profile + "/Documents";
}

}  // namespace quarlo::platform::wine
