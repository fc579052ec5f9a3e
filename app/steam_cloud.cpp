#include "app/steam_cloud.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "platform/save_files.h"
#include "platform/wine/vdf.h"
#include "saves/character_saves.h"
#include "texts/catalogue.h"

namespace quarlo::app {

namespace {

// Steam's lists are small; one far larger is read only this far, and tells
// what it holds up to there.
constexpr std::size_t kLargestList = 16u << 20;

bool allDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [](unsigned char c) { return std::isdigit(c) != 0; });
}

// The part of a listed path below the game's Saves folder, where the
// game's rule reaches it; "" otherwise. Steam writes the path below its root
// with "/" and in the case it stored ("my games/..."); a leading "/" as the
// rule itself has it is allowed.
std::string underRule(std::string path, const games::CloudRule& rule) {
    std::replace(path.begin(), path.end(), '\\', '/');
    while (!path.empty() && path.front() == '/') {
        path.erase(0, 1);
    }
    const std::string folder = saves::lowerAscii(rule.folder) + "/";
    const std::string folded = saves::lowerAscii(path);
    if (!folded.starts_with(folder) || folded.size() == folder.size()) {
        return {};
    }
    const std::string below = path.substr(folder.size());
    if (!rule.recursive && below.find('/') != std::string::npos) {
        return {};
    }
    return saves::lowerAscii(below).ends_with(rule.extension) ? below : std::string();
}

// Every list of the game's apps Steam keeps, read.
template <typename Each>
void eachList(const platform::SaveFiles& files, const std::vector<std::string>& steamRoots,
              const games::Game& game, Each each) {
    const char sep = files.separator();
    for (const std::string& root : steamRoots) {
        const std::string userdata = root + sep + "userdata";
        const auto accounts = files.entriesOf(userdata);
        if (!accounts) {
            continue;
        }
        for (const platform::FolderEntry& account : *accounts) {
            if (account.kind != platform::EntryKind::folder || !allDigits(account.name)) {
                continue;
            }
            for (const std::string_view app : game.steamAppIds) {
                const std::string list = userdata + sep + account.name + sep + std::string(app) +
                                         sep + "remotecache.vdf";
                if (const auto chunk = files.read(list, 0, kLargestList)) {
                    each(chunk->bytes, app);
                }
            }
        }
    }
}

std::string folderOf(const std::string& character) {
    std::string folder = character == "Saves" ? std::string() : character;
    std::replace(folder.begin(), folder.end(), '\\', '/');
    return folder;
}

}  // namespace

std::vector<std::string> cloudSaves(const platform::SaveFiles& files,
                                    const std::vector<std::string>& steamRoots,
                                    const games::Game& game) {
    std::vector<std::string> found;
    if (game.cloud.folder.empty()) {
        return found;
    }
    eachList(files, steamRoots, game, [&](const std::string& bytes, std::string_view app) {
        for (const platform::wine::CloudFile& f :
             platform::wine::parseRemoteCacheFiles(bytes, app)) {
            // Deleted or forgotten in the cloud: not kept.
            if (f.root != game.cloud.root || f.persistState == 1 || f.persistState == 2) {
                continue;
            }
            if (std::string below = underRule(f.path, game.cloud); !below.empty()) {
                found.push_back(std::move(below));
            }
        }
    });
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

bool cloudInUse(const platform::SaveFiles& files, const std::vector<std::string>& steamRoots,
                const games::Game& game) {
    bool any = false;
    eachList(files, steamRoots, game, [&](const std::string&, std::string_view) { any = true; });
    return any;
}

bool keptInCloud(const std::vector<std::string>& cloud, const std::string& character,
                 const std::string& fileName) {
    const std::string folder = folderOf(character);
    const std::string wanted =
        saves::lowerAscii(folder.empty() ? fileName : folder + "/" + fileName);
    return std::any_of(cloud.begin(), cloud.end(),
                       [&](const std::string& path) { return saves::lowerAscii(path) == wanted; });
}

std::vector<std::string> keptOf(const std::vector<std::string>& cloud, const std::string& character,
                                const std::vector<std::string>& names) {
    std::vector<std::string> kept;
    const std::string folder = folderOf(character);
    for (const std::string& name : names) {
        if (keptInCloud(cloud, character, name)) {
            kept.push_back(folder.empty() ? name : folder + "/" + name);
        }
    }
    return kept;
}

bool cloudReaches(const std::string& character, const games::Game& game) {
    return game.cloud.recursive || character.empty() || character == game.savesFolder;
}

std::string cloudWarning(const std::vector<std::string>& kept) {
    if (kept.empty()) {
        return {};
    }
    std::string which;
    constexpr std::size_t kNamed = 5;
    for (std::size_t i = 0; i < kept.size() && i < kNamed; ++i) {
        which += (i == 0 ? "" : ", ") + kept[i];
    }
    const std::string count = std::to_string(kept.size());
    return (kept.size() > kNamed
                ? texts::format(N_("Steam Cloud keeps {1} of these saves: {2} and {3} more."),
                                {count, which, std::to_string(kept.size() - kNamed)})
                : texts::format(N_("Steam Cloud keeps {1} of these saves: {2}."), {count, which})) +
           "\n\n" +
           N_("Steam may bring back what this moves or deletes, or put older saves over newer "
              "ones. First turn off Steam Cloud for the game (in Steam, the game's Properties, "
              "General), then start and quit the game once.");
}

}  // namespace quarlo::app
