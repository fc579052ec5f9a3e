#include "platform/wine/prefix.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <set>
#include <utility>

#include "platform/posix/file_io.h"
#include "platform/posix/util.h"
#include "platform/store_facts.h"
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

bool holdsGame(const std::string& documents, const games::Game& game) {
    for (const std::string_view folder : game.myGamesFolders) {
        if (isFolder(resolveCase(documents + "/" + std::string(stores::kMyGamesFolder) + "/" +
                                 std::string(folder)))) {
            return true;
        }
    }
    return false;
}

// When the game's settings file was last changed, in nanoseconds; -1 when
// it is not there.
long long settingsChanged(const WinePrefix& prefix) {
    struct stat st {};
    const std::string ini = resolveCase(gameFolderIn(documentsFolder(prefix), *prefix.game) + "/" +
                                        std::string(games::mainSettingsFile(*prefix.game)));
    if (::stat(ini.c_str(), &st) != 0) {
        return -1;
    }
    return static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

// The names in a folder, sorted so the search does not depend on the order
// the file system lists them in.
std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(folder.c_str()), ::closedir);
    if (!d) {
        return names;
    }
    while (const dirent* entry = ::readdir(d.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string expandHome(std::string path, const LinuxEnvironment& e) {
    if (path == "~" || path.starts_with("~/")) {
        path = e.home + path.substr(1);
    }
    return path.empty() || path[0] != '/' ? std::string() : withoutTrailingSlashes(path);
}

// A prefix a launcher made: a Proton build keeps the Windows tree in its
// pfx folder, with Proton's user; a Wine build uses the folder itself, with
// the Unix user's name.
WinePrefix launcherPrefix(const std::string& folder, Launcher launcher, std::string url,
                          const LinuxEnvironment& e, const games::Game& game) {
    const std::string pfx = folder + "/pfx";
    if (isFolder(pfx + "/drive_c")) {
        return {pfx, launcher, std::string(stores::kProtonUser), std::move(url), &game};
    }
    return {folder, launcher, e.user, std::move(url), &game};
}

bool containsIgnoringCase(std::string_view text, std::string_view word) {
    return std::search(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           }) != text.end();
}

void heroicCandidates(const LinuxEnvironment& e, const games::Game& game,
                      std::vector<WinePrefix>& out) {
    for (const auto config : {stores::kHeroicConfig, stores::kHeroicFlatpakConfig}) {
        const std::string folder = e.home + "/" + std::string(config) + "/GamesConfig";
        for (const auto& name : folderEntries(folder)) {
            if (!name.ends_with(".json")) {
                continue;
            }
            const std::string appName = name.substr(0, name.size() - 5);
            std::string json;
            if (readFile(folder + "/" + name, json) != ReadStatus::ok) {
                continue;
            }
            const std::string prefix = expandHome(heroicWinePrefix(json), e);
            if (prefix.empty()) {
                continue;
            }
            const bool gog =
                std::find(game.gogIds.begin(), game.gogIds.end(), appName) != game.gogIds.end();
            WinePrefix candidate = launcherPrefix(
                prefix, Launcher::heroic,
                gog ? std::string(stores::kHeroicRunUrl) + appName : "heroic://launch/" + appName,
                e, game);
            // Heroic's other games are taken only when their prefix holds the
            // game: a player may have added it by hand.
            if (gog || holdsGame(documentsFolder(candidate), game)) {
                out.push_back(std::move(candidate));
            }
        }
    }
}

void lutrisCandidates(const LinuxEnvironment& e, const games::Game& game,
                      std::vector<WinePrefix>& out) {
    for (const auto games : stores::kLutrisGameFolders) {
        const std::string folder = e.home + "/" + std::string(games);
        for (const auto& name : folderEntries(folder)) {
            if (!name.ends_with(".yml")) {
                continue;
            }
            // <slug>-<number>.yml: the slug is what Lutris starts a game by.
            std::string slug = name.substr(0, name.size() - 4);
            const auto dash = slug.rfind('-');
            if (dash != std::string::npos && dash + 1 < slug.size() &&
                std::all_of(slug.begin() + static_cast<std::ptrdiff_t>(dash) + 1, slug.end(),
                            [](unsigned char c) { return std::isdigit(c) != 0; })) {
                slug.resize(dash);
            }
            std::string yaml;
            if (slug.empty() || readFile(folder + "/" + name, yaml) != ReadStatus::ok) {
                continue;
            }
            const std::string prefix = expandHome(lutrisWinePrefix(yaml), e);
            if (prefix.empty()) {
                continue;
            }
            WinePrefix candidate = launcherPrefix(
                prefix, Launcher::lutris, std::string(stores::kLutrisRunUrl) + slug, e, game);
            // Oblivion by name, the remaster (a different game, with other
            // files) aside; every game by the folder its prefix holds.
            const bool named = game.id == games::GameId::oblivion &&
                               containsIgnoringCase(slug, "oblivion") &&
                               !containsIgnoringCase(slug, "remaster");
            if (named || holdsGame(documentsFolder(candidate), game)) {
                out.push_back(std::move(candidate));
            }
        }
    }
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
    e.steamCompatDataPath = env("STEAM_COMPAT_DATA_PATH");
    e.steamAppId = env("SteamAppId");
    return e;
}

std::string_view protonAppId(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    for (const games::Game& game : games::all()) {
        for (const auto id : game.steamAppIds) {
            const std::string tail = "/compatdata/" + std::string(id) + "/pfx";
            if (path.size() > tail.size() && path.ends_with(tail)) {
                return id;
            }
        }
    }
    return {};
}

bool isProtonPrefix(std::string_view path) {
    return !protonAppId(path).empty();
}

std::string heroicWinePrefix(std::string_view json) {
    // Only the one field is wanted: find its key as a JSON string, then the
    // string after the colon, with its escapes undone. Anything unexpected
    // gives "".
    constexpr std::string_view kKey = "\"winePrefix\"";
    std::size_t at = 0;
    while ((at = json.find(kKey, at)) != std::string_view::npos) {
        std::size_t i = at + kKey.size();
        at = i;
        while (i < json.size() && std::isspace(static_cast<unsigned char>(json[i]))) {
            ++i;
        }
        if (i >= json.size() || json[i] != ':') {
            continue;
        }
        ++i;
        while (i < json.size() && std::isspace(static_cast<unsigned char>(json[i]))) {
            ++i;
        }
        if (i >= json.size() || json[i] != '"') {
            continue;
        }
        std::string value;
        for (++i; i < json.size(); ++i) {
            char c = json[i];
            if (c == '"') {
                return value;
            }
            if (c == '\\') {
                if (++i >= json.size()) {
                    return {};
                }
                c = json[i];
                if (c == 'u') {
                    // Only the ASCII range is taken; a path needing more is
                    // not one Quarlo could be sure of.
                    if (i + 4 >= json.size()) {
                        return {};
                    }
                    unsigned code = 0;
                    for (int k = 1; k <= 4; ++k) {
                        const char h = json[i + static_cast<std::size_t>(k)];
                        if (!std::isxdigit(static_cast<unsigned char>(h))) {
                            return {};
                        }
                        code = code * 16 +
                               static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(h))
                                                         ? h - '0'
                                                         : std::tolower(h) - 'a' + 10);
                    }
                    if (code == 0 || code > 0x7F) {
                        return {};
                    }
                    c = static_cast<char>(code);
                    i += 4;
                } else if (c == 'n' || c == 't' || c == 'r' || c == 'b' || c == 'f') {
                    return {};  // no path holds control characters
                }
            }
            value += c;
        }
        return {};  // cut inside the string
    }
    return {};
}

std::string lutrisWinePrefix(std::string_view yaml) {
    // The game file is YAML Lutris writes: top-level sections at column 0,
    // their keys indented. Only "prefix:" directly inside "game:" is read.
    bool inGame = false;
    std::size_t keyIndent = std::string_view::npos;
    while (!yaml.empty()) {
        const std::size_t end = yaml.find('\n');
        std::string_view line = yaml.substr(0, end);
        yaml.remove_prefix(end == std::string_view::npos ? yaml.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::size_t indent = line.find_first_not_of(' ');
        if (indent == std::string_view::npos || line[indent] == '#') {
            continue;
        }
        if (indent == 0) {
            inGame = line.starts_with("game:");
            keyIndent = std::string_view::npos;
            continue;
        }
        if (!inGame) {
            continue;
        }
        if (keyIndent == std::string_view::npos) {
            keyIndent = indent;
        }
        if (indent != keyIndent || !line.substr(indent).starts_with("prefix:")) {
            continue;
        }
        std::string_view value = line.substr(indent + 7);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
            value.remove_prefix(1);
        }
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) {
            value.remove_suffix(1);
        }
        if (value.size() >= 2 && (value.front() == '\'' || value.front() == '"') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        } else if (!value.empty() && (value.front() == '\'' || value.front() == '"')) {
            return {};  // a quoted value cut short
        }
        return std::string(value);
    }
    return {};
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

std::vector<WinePrefix> prefixCandidates(const LinuxEnvironment& e, const games::Game& game) {
    std::vector<WinePrefix> all;
    if (!e.winePrefix.empty()) {
        const std::string path = withoutTrailingSlashes(e.winePrefix);
        const std::string_view app = protonAppId(path);
        if (app.empty()) {
            all.push_back({path, Launcher::wine, e.user, {}, &game});
        } else {
            all.push_back({path, Launcher::steam, std::string(stores::kProtonUser),
                           std::string(stores::kSteamRunUrl) + std::string(app), &game});
        }
    }
    for (const auto& library : steamLibraries(e)) {
        for (const auto id : game.steamAppIds) {
            all.push_back(
                {resolveCase(library + "/steamapps/compatdata/" + std::string(id) + "/pfx"),
                 Launcher::steam, std::string(stores::kProtonUser),
                 std::string(stores::kSteamRunUrl) + std::string(id), &game});
        }
    }
    if (!e.home.empty()) {
        heroicCandidates(e, game, all);
        lutrisCandidates(e, game, all);
        all.push_back({e.home + "/.wine", Launcher::wine, e.user, {}, &game});
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

std::optional<WinePrefix> launchPrefix(const LinuxEnvironment& e) {
    if (!e.steamCompatDataPath.empty()) {
        const std::string path = withoutTrailingSlashes(e.steamCompatDataPath) + "/pfx";
        std::string app = e.steamAppId;
        if (app.empty()) {
            app = std::string(protonAppId(path));
        }
        return WinePrefix{path, Launcher::steam, std::string(stores::kProtonUser),
                          app.empty() ? std::string() : std::string(stores::kSteamRunUrl) + app};
    }
    if (!e.winePrefix.empty()) {
        return WinePrefix{withoutTrailingSlashes(e.winePrefix), Launcher::wine, e.user, {}};
    }
    return std::nullopt;
}

bool holdsGameFolder(const WinePrefix& prefix) {
    return holdsGame(documentsFolder(prefix), *prefix.game);
}

bool holdsContainerFolder(const WinePrefix& prefix) {
    const std::string documents = documentsFolder(prefix);
    for (const std::string_view folder : prefix.game->containerFolders) {
        if (isFolder(resolveCase(documents + "/" + std::string(stores::kMyGamesFolder) + "/" +
                                 std::string(folder)))) {
            return true;
        }
    }
    return false;
}

std::string gameFolderIn(const std::string& documents, const games::Game& game) {
    std::string first;
    for (const std::string_view folder : game.myGamesFolders) {
        const std::string path = resolveCase(documents + "/" + std::string(stores::kMyGamesFolder) +
                                             "/" + std::string(folder));
        if (isFolder(path)) {
            return path;
        }
        if (first.empty()) {
            first = path;
        }
    }
    return first;
}

std::optional<WinePrefix> findGamePrefix(const LinuxEnvironment& e, const games::Game& game) {
    const auto candidates = prefixCandidates(e, game);
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (!holdsGameFolder(candidates[i])) {
            continue;
        }
        // $WINEPREFIX is the player's own choice and is never outvoted.
        const bool chosen = i == 0 && !e.winePrefix.empty() &&
                            candidates[i].path == withoutTrailingSlashes(e.winePrefix);
        if (chosen || candidates[i].launcher != Launcher::steam) {
            return candidates[i];
        }
        std::size_t best = i;
        long long bestChanged = settingsChanged(candidates[i]);
        for (std::size_t j = i + 1; j < candidates.size(); ++j) {
            if (candidates[j].launcher != Launcher::steam || !holdsGameFolder(candidates[j])) {
                continue;
            }
            const long long changed = settingsChanged(candidates[j]);
            if (changed > bestChanged) {
                best = j;
                bestChanged = changed;
            }
        }
        return candidates[best];
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

namespace {

// A shell folder's path from user.reg, mapped into the prefix; "" when the
// value is missing or names no folder.
std::string shellFolder(const WinePrefix& prefix, const char* name) {
    std::string userReg;
    if (readFile(prefix.path + "/user.reg", userReg) != ReadStatus::ok) {
        return {};
    }
    const auto value = readWineRegistryValue(userReg, kShellFolders, name);
    if (!value || value->empty()) {
        return {};
    }
    const std::string mapped = windowsToLinuxPath(prefix.path, *value);
    return isFolder(mapped) ? withoutTrailingSlashes(mapped) : std::string();
}

// A value of the prefix's machine registry, in the 32-bit view the game's
// installers write to first.
std::string machineValue(const WinePrefix& prefix, std::string_view key, const char* name) {
    std::string systemReg;
    if (!key.starts_with("Software\\") ||
        readFile(prefix.path + "/system.reg", systemReg) != ReadStatus::ok) {
        return {};
    }
    const std::string_view below = key.substr(std::string_view("Software\\").size());
    for (const std::string& k :
         {"Software\\Wow6432Node\\" + std::string(below), std::string(key)}) {
        if (auto found = readWineRegistryValue(systemReg, k, name); found && !found->empty()) {
            return *found;
        }
    }
    return {};
}

}  // namespace

std::string documentsFolder(const WinePrefix& prefix) {
    std::string found = shellFolder(prefix, "Personal");
    if (found.empty()) {
        const std::string profile = prefix.path + "/drive_c/users/" + prefix.user;
        found = profile + "/Documents";
        for (const char* name : {"/Documents", "/My Documents"}) {
            const std::string folder = resolveCase(profile + name);
            if (isFolder(folder)) {
                found = folder;
                break;
            }
        }
    }
    if (holdsGame(found, *prefix.game)) {
        return found;
    }
    // The one user of the prefix whose documents hold the game.
    std::vector<std::string> holding;
    const std::string users = resolveCase(prefix.path + "/drive_c/users");
    for (const std::string& user : folderEntries(users)) {
        for (const char* name : {"/Documents", "/My Documents"}) {
            const std::string folder = resolveCase(users + "/" + user + name);
            if (holdsGame(folder, *prefix.game)) {
                holding.push_back(folder);
            }
        }
    }
    return holding.size() == 1 ? holding.front() : found;
}

std::string installFolder(const WinePrefix& prefix) {
    const games::Game& game = *prefix.game;
    const std::string installed = windowsToLinuxPath(
        prefix.path, machineValue(prefix, game.registryKey, stores::kInstalledPathValue.data()));
    if (isFolder(installed)) {
        return withoutTrailingSlashes(installed);
    }
    if (isProtonPrefix(prefix.path) && !game.steamInstallFolder.empty()) {
        // <library>/steamapps/compatdata/<id>/pfx: the game is in the same
        // library's steamapps/common.
        std::string library = withoutTrailingSlashes(prefix.path);
        for (int up = 0; up < 3; ++up) {
            library = library.substr(0, library.rfind('/'));
        }
        const std::string folder =
            resolveCase(library + "/common/" + std::string(game.steamInstallFolder));
        if (isFolder(folder)) {
            return folder;
        }
    }
    for (const std::string_view id : game.gogIds) {
        const std::string gog = windowsToLinuxPath(
            prefix.path,
            machineValue(prefix, std::string(stores::kGogRegistryKey) + std::string(id),
                         stores::kGogPathValue.data()));
        if (isFolder(gog)) {
            return withoutTrailingSlashes(gog);
        }
    }
    return {};
}

std::string localDataFolder(const WinePrefix& prefix) {
    std::string local = shellFolder(prefix, "Local AppData");
    if (local.empty()) {
        const std::string profile = prefix.path + "/drive_c/users/" + prefix.user;
        local = resolveCase(profile + "/AppData/Local");
        const std::string older = resolveCase(profile + "/Local Settings/Application Data");
        if (!isFolder(local) && isFolder(older)) {
            local = older;
        }
    }
    std::string first;
    for (const std::string_view folder : prefix.game->localDataFolders) {
        const std::string path = resolveCase(local + "/" + std::string(folder));
        if (isFolder(path)) {
            return path;
        }
        if (first.empty()) {
            first = path;
        }
    }
    return first;
}

int gameCodePage(const std::optional<WinePrefix>& prefix, const LinuxEnvironment& environment) {
    if (prefix) {
        std::string content;
        if (readFile(prefix->path + "/system.reg", content) == ReadStatus::ok) {
            if (const auto page = prefixAnsiCodePage(content)) {
                return *page;
            }
        }
    }
    return ansiCodePageForLocale(environment.lang);
}

}  // namespace quarlo::platform::wine
