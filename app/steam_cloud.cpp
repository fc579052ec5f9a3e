#include "app/steam_cloud.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "platform/game_facts.h"
#include "platform/save_files.h"
#include "platform/wine/vdf.h"
#include "saves/character_saves.h"

namespace quarlo::app {

namespace {

// Steam's lists are small; one far larger is read only this far, and tells
// what it holds up to there.
constexpr std::size_t kLargestList = 16u << 20;

bool allDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [](unsigned char c) { return std::isdigit(c) != 0; });
}

// The part of a listed path below the game's Saves folder; "" for a file
// elsewhere. Steam writes a path relative to one of its roots (the
// documents folder, or the game's own folder), so the game's folder may
// come first or not at all.
std::string belowSaves(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    const std::string folded = saves::lowerAscii(path);
    std::string saves = saves::lowerAscii(game::kSavesFolder);
    saves.push_back('/');
    std::string inGame(1, '/');
    inGame.append(saves::lowerAscii(game::kGameFolder)).append(1, '/').append(saves);
    std::size_t at = std::string::npos;
    if (folded.starts_with(saves)) {
        at = saves.size();
    } else if (folded.starts_with(inGame.substr(1))) {
        at = inGame.size() - 1;
    } else if (const std::size_t found = folded.rfind(inGame); found != std::string::npos) {
        at = found + inGame.size();
    }
    return at == std::string::npos || at >= path.size() ? std::string() : path.substr(at);
}

}  // namespace

std::vector<std::string> cloudSaves(const platform::SaveFiles& files,
                                    const std::vector<std::string>& steamRoots) {
    std::vector<std::string> found;
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
            for (const std::string_view app : game::kSteamAppIds) {
                const std::string list = userdata + sep + account.name + sep + std::string(app) +
                                         sep + "remotecache.vdf";
                const auto chunk = files.read(list, 0, kLargestList);
                if (!chunk) {
                    continue;
                }
                for (const std::string& path :
                     platform::wine::parseRemoteCacheFiles(chunk->bytes, app)) {
                    if (std::string below = belowSaves(path); !below.empty()) {
                        found.push_back(std::move(below));
                    }
                }
            }
        }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

bool keptInCloud(const std::vector<std::string>& cloud, const std::string& character,
                 const std::string& fileName) {
    std::string folder = character;
    std::replace(folder.begin(), folder.end(), '\\', '/');
    const std::string wanted =
        saves::lowerAscii(folder.empty() ? fileName : folder + "/" + fileName);
    return std::any_of(cloud.begin(), cloud.end(),
                       [&](const std::string& path) { return saves::lowerAscii(path) == wanted; });
}

std::string cloudWarning(const std::vector<std::string>& cloud) {
    if (cloud.empty()) {
        return {};
    }
    std::string which;
    constexpr std::size_t kNamed = 5;
    for (std::size_t i = 0; i < cloud.size() && i < kNamed; ++i) {
        which += (i == 0 ? "" : ", ") + cloud[i];
    }
    if (cloud.size() > kNamed) {
        which += " and " + std::to_string(cloud.size() - kNamed) + " more";
    }
    return "Steam Cloud keeps " + std::to_string(cloud.size()) + " of this game's saves: " + which +
           ".\n\nSteam may bring back what this moves or deletes, or put older saves over newer "
           "ones. First turn off Steam Cloud for the game (in Steam, the game's Properties, "
           "General), then start and quit the game once.";
}

}  // namespace quarlo::app
