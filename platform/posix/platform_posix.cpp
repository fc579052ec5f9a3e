#include "platform/platform.h"

#include <sys/stat.h>

#include <exception>
#include <memory>
#include <optional>

#include "platform/posix/file_system_posix.h"
#include "platform/posix/game_folders_posix.h"
#include "platform/posix/processes_posix.h"
#include "platform/posix/profile_posix.h"
#include "platform/posix/registry_posix.h"
#include "platform/posix/save_files_posix.h"
#include "platform/posix/special_folders_posix.h"
#include "platform/posix/trash_posix.h"
#include "platform/posix/util.h"
#include "platform/wine/code_page.h"
#include "platform/wine/prefix.h"

namespace quarlo::platform {

namespace {

// $XDG_CONFIG_HOME/quarlo/quarlo.ini, or ~/.config's.
std::string settingsFileFor(const wine::LinuxEnvironment& environment) {
    std::string config = posix::env("XDG_CONFIG_HOME");
    if (config.empty() || config.front() != '/') {
        config = environment.home.empty() ? std::string() : environment.home + "/.config";
    }
    return config.empty() ? std::string() : config + "/quarlo/quarlo.ini";
}

}  // namespace

Platform createPlatform(const games::Game& game, bool launched) {
    // On Linux the game runs under Wine or Steam's Proton: its documents
    // folder, registry and way of starting all belong to the prefix it lives
    // in, found once here, and its settings files are in the code page Wine
    // takes from the locale.
    const auto environment = wine::LinuxEnvironment::fromProcess();
    // Finding the prefix reads files other programs wrote (Steam's library
    // list, Wine's registry); whatever is wrong with them, Quarlo still starts,
    // then without a prefix.
    std::optional<wine::WinePrefix> prefix;
    std::string notFound;
    try {
        prefix = launched ? wine::launchPrefix(environment) : std::nullopt;
        if (prefix) {
            prefix->game = &game;
        }
        struct stat st {};
        if (prefix &&
            (::stat((prefix->path + "/drive_c").c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
            notFound = "Failed. The game's Wine prefix " + prefix->path +
                       " is not there. Check the game's compatibility settings in its "
                       "launcher.";
        } else if (prefix && !wine::holdsGameFolder(*prefix) &&
                   wine::installFolder(*prefix).empty()) {
            notFound = "Failed. The game's Wine prefix " + prefix->path + " holds no " +
                       std::string(game.name) + " settings (My Games\\" +
                       std::string(game.myGamesFolders.front()) +
                       "). Start the game once from its launcher, then try again.";
        }
        if (!prefix) {
            prefix = wine::findGamePrefix(environment, game);
        }
    } catch (const std::exception&) {
        prefix.reset();
    }
    Platform p;
    p.game = &game;
    p.gameNotFound = notFound;
    p.settingsFile = settingsFileFor(environment);
    const int codePage = wine::gameCodePage(prefix, environment);
    p.profile = std::make_unique<posix::PosixProfileFile>(codePage);
    p.fileSystem = std::make_unique<posix::PosixFileSystem>();
    p.specialFolders = std::make_unique<posix::PosixSpecialFolders>(prefix);
    p.registry = std::make_unique<posix::PosixRegistry>(prefix);
    p.processes = std::make_unique<posix::PosixProcesses>(prefix, game);
    p.saveFiles = std::make_unique<posix::PosixSaveFiles>();
    p.trash = std::make_unique<posix::PosixTrash>();
    // Steam on Linux keeps its userdata in its own folder, outside every
    // prefix.
    std::vector<std::string> steam;
    try {
        steam = wine::steamRoots(environment);
    } catch (const std::exception&) {
        steam.clear();
    }
    p.gameFolders = std::make_unique<posix::PosixGameFolders>(prefix, std::move(steam));
    std::string dataHome = posix::env("XDG_DATA_HOME");
    if (dataHome.empty() || dataHome.front() != '/') {
        dataHome = environment.home.empty() ? std::string() : environment.home + "/.local/share";
    }
    p.backupStore = dataHome.empty() ? std::string() : dataHome + "/quarlo/backups";
    auto page = std::make_shared<const wine::CodePage>(codePage);
    p.ansiToUtf8 = [page](std::string_view bytes) { return page->toUtf8(bytes); };
    p.systemCodePage = page->number() == 0 ? 1252 : page->number();
    return p;
}

std::function<std::string(std::string_view)> readerOfCodePage(int number) {
    if (number < 1250 || number > 1258) {
        return {};
    }
    auto page = std::make_shared<const wine::CodePage>(number);
    if (!page->converts()) {
        return {};
    }
    return [page](std::string_view bytes) { return page->toUtf8(bytes); };
}

}  // namespace quarlo::platform

namespace quarlo::platform {

std::vector<FoundGame> findGames() {
    const auto environment = wine::LinuxEnvironment::fromProcess();
    std::vector<FoundGame> found;
    for (const games::Game& game : games::all()) {
        // Whatever is wrong with the files other programs wrote, the other
        // games are still looked for.
        try {
            const auto prefix = wine::findGamePrefix(environment, game);
            if (!prefix) {
                continue;
            }
            const std::string documents = wine::documentsFolder(*prefix);
            FoundGame f{&game, wine::gameFolderIn(documents, game), game.switchable,
                        std::string(game.whyNot)};
            if (wine::holdsGameFolder(*prefix) || !wine::installFolder(*prefix).empty()) {
                found.push_back(std::move(f));
            } else if (wine::holdsContainerFolder(*prefix)) {
                f.supported = false;
                f.why = games::containerReason(game);
                found.push_back(std::move(f));
            }
        } catch (const std::exception&) {
        }
    }
    return found;
}

namespace {

// What a write of Quarlo's own settings file that was cut off left beside
// it: gone whenever the file is read or written.
void removeOwnLeftovers(const std::string& file) {
    posix::PosixSaveFiles files;
    removeSettingsLeftovers(files, file.substr(0, file.rfind('/')),
                            {file.substr(file.rfind('/') + 1)});
}

// One entry of Quarlo's own settings file, in [Quarlo].
std::string ownSetting(const char* key, int capacity) {
    const std::string file = settingsFileFor(wine::LinuxEnvironment::fromProcess());
    if (file.empty()) {
        return {};
    }
    removeOwnLeftovers(file);
    return posix::PosixProfileFile(1252).read("Quarlo", key, "", capacity, file);
}

bool keepOwnSetting(const char* key, std::string_view value) {
    const std::string file = settingsFileFor(wine::LinuxEnvironment::fromProcess());
    if (file.empty()) {
        return false;
    }
    // Its folder first: a new home has none.
    const std::string folder = file.substr(0, file.rfind('/'));
    ::mkdir(folder.substr(0, folder.rfind('/')).c_str(), 0700);
    ::mkdir(folder.c_str(), 0700);
    removeOwnLeftovers(file);
    return posix::PosixProfileFile(1252).write("Quarlo", key, value, file);
}

}  // namespace

std::string rememberedGame() {
    return ownSetting("Game", 64);
}

bool rememberGame(std::string_view key) {
    return keepOwnSetting("Game", key);
}

std::vector<std::string> preferredLanguages() {
    std::vector<std::string> codes;
    const auto add = [&codes](std::string_view value) {
        // "de_DE.UTF-8", "pt_BR:de": the language's own two letters.
        while (!value.empty()) {
            const std::size_t colon = value.find(':');
            std::string_view one = value.substr(0, colon);
            one = one.substr(0, one.find_first_of("_.@"));
            if (one.size() == 2 && one != "C") {
                codes.emplace_back(one);
            }
            value = colon == std::string_view::npos ? std::string_view() : value.substr(colon + 1);
        }
    };
    // gettext's own order: LANGUAGE counts only where a locale is set.
    const std::string all = posix::env("LC_ALL");
    const std::string messages = posix::env("LC_MESSAGES");
    const std::string lang = posix::env("LANG");
    const std::string& locale = !all.empty() ? all : !messages.empty() ? messages : lang;
    if (!locale.empty() && locale != "C" && locale != "POSIX") {
        add(posix::env("LANGUAGE"));
    }
    add(locale);
    return codes;
}

std::string rememberedLanguage() {
    return ownSetting("Language", 16);
}

bool rememberLanguage(std::string_view code) {
    return keepOwnSetting("Language", code);
}

std::string launchAppId() {
    std::string app = posix::env("SteamAppId");
    if (app.empty()) {
        std::string path = posix::env("STEAM_COMPAT_DATA_PATH");
        while (!path.empty() && path.back() == '/') {
            path.pop_back();
        }
        app = path.substr(path.rfind('/') + 1);
    }
    return !app.empty() && app.find_first_not_of("0123456789") == std::string::npos ? app
                                                                                    : std::string();
}

}  // namespace quarlo::platform
