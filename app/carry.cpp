#include "app/carry.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>

#include "app/game.h"
#include "backups/store.h"
#include "platform/clock.h"
#include "platform/platform.h"
#include "saves/save_header.h"
#include "texts/catalogue.h"

namespace quarlo::app {

namespace {

std::string localMinute() {
    const auto utc = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    const saves::SystemTime t = saves::systemTimeOf(platform::utcToLocalMs(utc));
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u-%02u", t.year % 10000u, t.month % 100u,
                  t.day % 100u, t.hour % 100u, t.minute % 100u);
    return text;
}

}  // namespace

std::optional<CarryPlace> carryPlace(Game& game) {
    const std::string file = game.ownFile("carry-place");
    platform::SaveFiles& files = *game.saveFiles();
    if (file.empty() || files.kindOf(file) != platform::PathKind::file) {
        return std::nullopt;
    }
    const auto chunk = files.read(file, 0, 8192);
    if (!chunk) {
        return std::nullopt;
    }
    CarryPlace p;
    std::size_t at = 0;
    const std::string& text = chunk->bytes;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end;
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.rfind("place=", 0) == 0) {
            p.place = line.substr(6);
        } else if (line.rfind("rclone=", 0) == 0 && line.size() > 7) {
            p.rclone = line.substr(7);
        }
    }
    if (p.place.empty()) {
        return std::nullopt;
    }
    return p;
}

std::string setCarryPlace(Game& game, const std::string& place, const std::string& rclone) {
    const std::string file = game.ownFile("carry-place");
    if (file.empty()) {
        return N_("Failed. Quarlo has no folder of its own to keep the place in.");
    }
    platform::SaveFiles& files = *game.saveFiles();
    if (place.empty()) {
        return files.kindOf(file) == platform::PathKind::missing || files.remove(file)
                   ? N_("Success. Carry place forgotten.")
                   : N_("Failed. The carry place could not be forgotten.");
    }
    if (place.find('\n') != std::string::npos || rclone.find('\n') != std::string::npos) {
        return N_("Failed. A place is one line.");
    }
    if (!carry::isRemote(place) && files.kindOf(place) != platform::PathKind::folder) {
        return texts::format(N_("Failed. No folder at {1}."), {place});
    }
    const std::string text =
        "place=" + place + "\n" + (rclone.empty() ? std::string() : "rclone=" + rclone + "\n");
    if (!platform::replaceWhole(files, file, text)) {
        return N_("Failed. The carry place could not be kept.");
    }
    return texts::format(N_("Success. Carry place set: {1}."), {place});
}

std::string computerId(platform::Platform& platform) {
    if (platform.settingsFile.empty()) {
        return {};
    }
    const std::string id =
        platform.profile->read("Quarlo", "Computer", "", 64, platform.settingsFile);
    if (id.size() == 32 && id.find_first_not_of("0123456789abcdef") == std::string::npos) {
        return id;
    }
    std::random_device random;
    std::string made;
    static constexpr char kDigits[] = "0123456789abcdef";
    while (made.size() < 32) {
        unsigned value = random();
        for (int i = 0; i < 8 && made.size() < 32; ++i, value >>= 4) {
            made += kDigits[value & 0xF];
        }
    }
    const std::string& file = platform.settingsFile;
    const char sep = platform.saveFiles->separator();
    const std::string folder = file.substr(0, file.rfind(sep));
    if (platform.saveFiles->kindOf(folder) == platform::PathKind::missing) {
        platform.saveFiles->makeFolder(folder.substr(0, folder.rfind(sep)));
        platform.saveFiles->makeFolder(folder);
    }
    if (!platform.profile->write("Quarlo", "Computer", made, file)) {
        return {};
    }
    return made;
}

carry::Report carryNow(Game& game, platform::Platform& platform,
                       const std::vector<std::string>& characters, bool dryRun,
                       std::function<bool(std::size_t, std::size_t)> progress, int rcloneLimitMs) {
    carry::Report failed;
    failed.status = 1;
    const auto where = carryPlace(game);
    if (!where) {
        failed.lines.push_back(
            N_("Failed. No carry place is set: quarlo carry --place FOLDER (or an rclone remote, "
               "name:path)."));
        return failed;
    }
    const std::string id = computerId(platform);
    const std::string state = game.ownFile("carry.json");
    if (id.empty() || state.empty()) {
        failed.lines.push_back(N_("Failed. Quarlo cannot keep what this computer carried."));
        return failed;
    }
    platform::SaveFiles& files = *platform.saveFiles;
    std::unique_ptr<carry::Place> place;
    if (carry::isRemote(where->place)) {
        const std::string scratch = state.substr(0, state.rfind(files.separator()));
        place = carry::rclonePlace(*platform.processes, files, where->rclone, where->place, scratch,
                                   rcloneLimitMs);
    } else {
        place = carry::folderPlace(files, where->place);
    }
    std::string name = platform::hostName();
    carry::Context context{files,
                           *platform.trash,
                           game.game().saves,
                           std::string(game.game().key),
                           game.savesFolder(),
                           state,
                           {id, name.empty() ? "another computer" : name},
                           localMinute,
                           std::move(progress)};
    return carry::carry(context, *place, characters, dryRun);
}

namespace {

std::string pendingFile(Game& game) {
    const std::string state = game.ownFile("carry.json");
    return state.empty() ? std::string() : state.substr(0, state.rfind('.')) + "-pending";
}

std::vector<std::string> pendingNames(Game& game) {
    std::vector<std::string> names;
    const std::string file = pendingFile(game);
    if (file.empty() || game.saveFiles()->kindOf(file) != platform::PathKind::file) {
        return names;
    }
    const auto chunk = game.saveFiles()->read(file, 0, 65536);
    if (!chunk) {
        return names;
    }
    std::size_t at = 0;
    while (at < chunk->bytes.size()) {
        std::size_t end = chunk->bytes.find('\n', at);
        end = end == std::string::npos ? chunk->bytes.size() : end;
        if (end > at) {
            names.push_back(chunk->bytes.substr(at, end - at));
        }
        at = end + 1;
    }
    return names;
}

}  // namespace

bool carryPending(Game& game, const std::string& name) {
    const auto names = pendingNames(game);
    return std::find(names.begin(), names.end(), name) != names.end();
}

void markCarryPending(Game& game, const std::string& name, bool pending) {
    const std::string file = pendingFile(game);
    if (file.empty() || name.find('\n') != std::string::npos) {
        return;
    }
    auto names = pendingNames(game);
    names.erase(std::remove(names.begin(), names.end(), name), names.end());
    if (pending) {
        names.push_back(name);
    }
    std::string text;
    for (const std::string& n : names) {
        text += n + "\n";
    }
    platform::replaceWhole(*game.saveFiles(), file, text);
}

}  // namespace quarlo::app
