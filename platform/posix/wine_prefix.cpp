#include "platform/posix/wine_prefix.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <set>
#include <utility>

#include "platform/posix/case_paths.h"
#include "platform/posix/code_page.h"
#include "platform/posix/file_io.h"
#include "platform/posix/wine_registry.h"

namespace quarlo::platform::posix {

namespace {

constexpr std::string_view kProtonUser = "steamuser";
constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

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

// Valve's KeyValues text: "key" "value" pairs and "key" { ... } blocks,
// // comments, backslash escapes in quoted strings.
struct VdfNode {
    std::vector<std::pair<std::string, std::unique_ptr<VdfNode>>> children;
    std::vector<std::pair<std::string, std::string>> values;
};

class VdfReader {
  public:
    explicit VdfReader(std::string_view text) : text_(text) {}

    // Reads pairs up to the closing brace of the current block (or the end).
    void readBlock(VdfNode& node, int depth) {
        std::string key;
        while (nextToken(key)) {
            if (key == "}" && !quoted_) {
                return;
            }
            std::string value;
            if (!nextToken(value)) {
                return;
            }
            if (value == "{" && !quoted_) {
                auto child = std::make_unique<VdfNode>();
                if (depth < 16) {
                    readBlock(*child, depth + 1);
                } else {
                    skipBlock();
                }
                node.children.emplace_back(std::move(key), std::move(child));
            } else if (value == "}" && !quoted_) {
                return;
            } else {
                node.values.emplace_back(std::move(key), std::move(value));
            }
        }
    }

  private:
    void skipBlock() {
        std::string token;
        int open = 1;
        while (open > 0 && nextToken(token)) {
            if (!quoted_) {
                open += token == "{" ? 1 : token == "}" ? -1 : 0;
            }
        }
    }

    bool nextToken(std::string& token) {
        token.clear();
        quoted_ = false;
        for (;;) {
            while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) {
                ++at_;
            }
            if (text_.substr(at_, 2) == "//") {
                const std::size_t eol = text_.find('\n', at_);
                at_ = eol == std::string_view::npos ? text_.size() : eol;
                continue;
            }
            break;
        }
        if (at_ >= text_.size()) {
            return false;
        }
        const char c = text_[at_];
        if (c == '{' || c == '}') {
            token = c;
            ++at_;
            return true;
        }
        if (c == '"') {
            quoted_ = true;
            for (++at_; at_ < text_.size() && text_[at_] != '"'; ++at_) {
                if (text_[at_] == '\\' && at_ + 1 < text_.size()) {
                    const char e = text_[++at_];
                    token += e == 'n' ? '\n' : e == 't' ? '\t' : e;
                } else {
                    token += text_[at_];
                }
            }
            if (at_ < text_.size()) {
                ++at_;  // the closing quote; a cut-off file may have none
            }
            return true;
        }
        while (at_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[at_])) &&
               text_[at_] != '{' && text_[at_] != '}' && text_[at_] != '"') {
            token += text_[at_++];
        }
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    bool quoted_ = false;
};

bool allDigits(std::string_view s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

bool holdsGame(const std::string& documents) {
    return isFolder(resolveCase(documents + "/My Games/Oblivion"));
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
    const std::string tail = "/compatdata/" + std::string(kSteamAppId) + "/pfx";
    return path.size() > tail.size() && path.ends_with(tail);
}

std::vector<std::string> parseLibraryFolders(std::string_view vdf) {
    VdfNode root;
    VdfReader(vdf).readBlock(root, 0);
    std::vector<std::string> libraries;
    for (const auto& [name, block] : root.children) {
        if (!sameNameIgnoringCase(name, "libraryfolders")) {
            continue;
        }
        // Old form: "1" "/path". New form: "0" { "path" "/path" ... }.
        for (const auto& [key, value] : block->values) {
            if (allDigits(key) && !value.empty()) {
                libraries.push_back(value);
            }
        }
        for (const auto& [key, entry] : block->children) {
            if (!allDigits(key)) {
                continue;
            }
            for (const auto& [field, value] : entry->values) {
                if (sameNameIgnoringCase(field, "path") && !value.empty()) {
                    libraries.push_back(value);
                    break;
                }
            }
        }
    }
    return libraries;
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
        all.push_back({path, proton, proton ? std::string(kProtonUser) : e.user});
    }
    const std::string compat = "/steamapps/compatdata/" + std::string(kSteamAppId) + "/pfx";
    for (const auto& library : steamLibraries(e)) {
        all.push_back({resolveCase(library + compat), true, std::string(kProtonUser)});
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

}  // namespace quarlo::platform::posix
