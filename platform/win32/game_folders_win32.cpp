#include "platform/win32/game_folders_win32.h"

#include "platform/registry.h"
#include "platform/store_facts.h"
#include "platform/win32/ansi.h"
#include "platform/win32/processes_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/win32_api.h"
// After windows.h, which it needs.
#include <shlobj.h>

namespace quarlo::platform::win32 {

std::string Win32GameFolders::installFolder() const {
    const Win32Registry registry;
    std::string path = game_.registryKey.empty()
                           ? std::string()
                           : registry.RegGetValue(kHkeyLocalMachine, std::string(game_.registryKey),
                                                  std::string(stores::kInstalledPathValue));
    if (path.empty()) {
        const auto steam = steamGameInLibraries(
            registry.RegGetValue(kHkeyCurrentUser, std::string(stores::kSteamRegistryKey),
                                 std::string(stores::kSteamPathValue)),
            game_);
        path = steam ? steam->folder : std::string();
    }
    for (const std::string_view id : game_.gogIds) {
        if (!path.empty()) {
            break;
        }
        path = registry.RegGetValue(kHkeyLocalMachine,
                                    std::string(stores::kGogRegistryKey) + std::string(id),
                                    std::string(stores::kGogPathValue));
    }
    return path.empty() ? std::string() : cleanWindowsPath(path);
}

std::string Win32GameFolders::localDataFolder() const {
    const std::string local = localAppDataFolder();
    if (local.empty() || game_.localDataFolders.empty()) {
        return {};
    }
    for (const std::string_view folder : game_.localDataFolders) {
        const std::string path = local + "\\" + std::string(folder);
        const auto ansi = toAnsi(path);
        const DWORD a = ansi ? GetFileAttributesA(ansi->c_str()) : INVALID_FILE_ATTRIBUTES;
        if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) {
            return path;
        }
    }
    return local + "\\" + std::string(game_.localDataFolders.front());
}

std::vector<std::string> Win32GameFolders::steamRoots() const {
    const Win32Registry registry;
    const std::string path =
        registry.RegGetValue(kHkeyCurrentUser, std::string(stores::kSteamRegistryKey),
                             std::string(stores::kSteamPathValue));
    if (path.empty()) {
        return {};
    }
    return {cleanWindowsPath(path)};
}

std::string localAppDataFolder() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return {};
    }
    const int n = WideCharToMultiByte(CP_UTF8, 0, path, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) {
        return {};
    }
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, path, -1, out.data(), n, nullptr, nullptr);
    out.pop_back();
    return out;
}

}  // namespace quarlo::platform::win32
