#include "platform/platform.h"
#include "platform/win32/ansi.h"
#include "platform/win32/file_system_win32.h"
#include "platform/win32/game_folders_win32.h"
#include "platform/win32/processes_win32.h"
#include "platform/win32/profile_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/save_files_win32.h"
#include "platform/win32/special_folders_win32.h"
#include "platform/win32/trash_win32.h"
#include "platform/win32/win32_api.h"

namespace quarlo::platform {

Platform createPlatform(const games::Game& game, bool) {
    Platform p;
    p.game = &game;
    p.profile = std::make_unique<win32::Win32ProfileFile>();
    p.fileSystem = std::make_unique<win32::Win32FileSystem>();
    p.specialFolders = std::make_unique<win32::Win32SpecialFolders>();
    p.registry = std::make_unique<win32::Win32Registry>();
    p.processes = std::make_unique<win32::Win32Processes>(game);
    p.saveFiles = std::make_unique<win32::Win32SaveFiles>();
    p.trash = std::make_unique<win32::Win32Trash>();
    p.gameFolders = std::make_unique<win32::Win32GameFolders>(game);
    p.backupStore = win32::localAppDataFolder();
    if (!p.backupStore.empty()) {
        p.settingsFile = p.backupStore + "\\Quarlo\\quarlo.ini";
        p.backupStore += "\\Quarlo\\Backups";
    }
    p.ansiToUtf8 = [](std::string_view bytes) { return win32::fromAnsi(bytes); };
    p.systemCodePage = static_cast<int>(GetACP());
    return p;
}

std::function<std::string(std::string_view)> readerOfCodePage(int number) {
    if (number < 1250 || number > 1258 || IsValidCodePage(static_cast<UINT>(number)) == 0) {
        return {};
    }
    return [number](std::string_view bytes) {
        return win32::fromCodePage(static_cast<unsigned>(number), bytes);
    };
}

namespace {

bool folderThere(const std::string& path) {
    const auto ansi = win32::toAnsi(path);
    const DWORD a = ansi ? GetFileAttributesA(ansi->c_str()) : INVALID_FILE_ATTRIBUTES;
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::vector<FoundGame> findGames() {
    const win32::Win32SpecialFolders shell;
    const std::string documents = shell.GetSpecialFolderPath(kCsidlPersonal);
    const std::string myGames = documents.empty() ? std::string() : documents + "\\My Games\\";
    std::vector<FoundGame> found;
    for (const games::Game& game : games::all()) {
        std::string folder;
        for (const std::string_view f : game.myGamesFolders) {
            if (!myGames.empty() && folderThere(myGames + std::string(f))) {
                folder = myGames + std::string(f);
                break;
            }
        }
        const std::string install = win32::Win32GameFolders(game).installFolder();
        if (!folder.empty() || !install.empty()) {
            if (folder.empty() && !myGames.empty()) {
                folder = myGames + std::string(game.myGamesFolders.front());
            }
            found.push_back(FoundGame{&game, folder, game.switchable, std::string(game.whyNot)});
            continue;
        }
        for (const std::string_view f : game.containerFolders) {
            if (!myGames.empty() && folderThere(myGames + std::string(f))) {
                found.push_back(FoundGame{&game, myGames + std::string(f), false,
                                          games::containerReason(game)});
                break;
            }
        }
    }
    return found;
}

namespace {

std::string settingsFile() {
    const std::string local = win32::localAppDataFolder();
    return local.empty() ? std::string() : local + "\\Quarlo\\quarlo.ini";
}

}  // namespace

namespace {

// What a write of Quarlo's own settings file that was cut off left beside
// it: gone whenever the file is read or written.
void removeOwnLeftovers(const std::string& file) {
    win32::Win32SaveFiles files;
    removeSettingsLeftovers(files, file.substr(0, file.rfind('\\')),
                            {file.substr(file.rfind('\\') + 1)});
}

// One entry of Quarlo's own settings file, in [Quarlo].
std::string ownSetting(const char* key, int capacity) {
    const std::string file = settingsFile();
    if (file.empty()) {
        return {};
    }
    removeOwnLeftovers(file);
    return win32::Win32ProfileFile().read("Quarlo", key, "", capacity, file);
}

bool keepOwnSetting(const char* key, std::string_view value) {
    const std::string file = settingsFile();
    if (file.empty()) {
        return false;
    }
    if (const auto folder = win32::toAnsi(file.substr(0, file.rfind('\\')))) {
        CreateDirectoryA(folder->c_str(), nullptr);
    }
    removeOwnLeftovers(file);
    return win32::Win32ProfileFile().write("Quarlo", key, value, file);
}

}  // namespace

std::string rememberedGame() {
    return ownSetting("Game", 64);
}

bool rememberGame(std::string_view key) {
    return keepOwnSetting("Game", key);
}

std::vector<std::string> preferredLanguages() {
    switch (PRIMARYLANGID(GetUserDefaultUILanguage())) {
        case LANG_GERMAN:
            return {"de"};
        case LANG_FRENCH:
            return {"fr"};
        case LANG_SPANISH:
            return {"es"};
        case LANG_ITALIAN:
            return {"it"};
        case LANG_RUSSIAN:
            return {"ru"};
        case LANG_POLISH:
            return {"pl"};
        default:
            return {};
    }
}

std::string rememberedLanguage() {
    return ownSetting("Language", 16);
}

bool rememberLanguage(std::string_view code) {
    return keepOwnSetting("Language", code);
}

std::string launchAppId() {
    const auto variable = [](const wchar_t* name) {
        wchar_t value[512] = {};
        const DWORD n = GetEnvironmentVariableW(name, value, 512);
        std::string out;
        for (DWORD i = 0; i < n && i < 512; ++i) {
            out += value[i] < 0x80 ? static_cast<char>(value[i]) : '?';
        }
        return out;
    };
    std::string app = variable(L"SteamAppId");
    if (app.empty()) {
        std::string path = variable(L"STEAM_COMPAT_DATA_PATH");
        while (!path.empty() && (path.back() == '/' || path.back() == '\\')) {
            path.pop_back();
        }
        app = path.substr(path.find_last_of("/\\") + 1);
    }
    return !app.empty() && app.find_first_not_of("0123456789") == std::string::npos ? app
                                                                                    : std::string();
}

}  // namespace quarlo::platform
