#include "platform/win32/game_folders_win32.h"

#include "platform/game_facts.h"
#include "platform/registry.h"
#include "platform/win32/processes_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/win32_api.h"
// After windows.h, which it needs.
#include <shlobj.h>

namespace quarlo::platform::win32 {

std::string Win32GameFolders::installFolder() const {
    const Win32Registry registry;
    std::string path = registry.RegGetValue(kHkeyLocalMachine, std::string(game::kRegistryKey),
                                            std::string(game::kInstalledPathValue));
    if (path.empty()) {
        const auto steam = steamGameInLibraries(
            registry.RegGetValue(kHkeyCurrentUser, std::string(game::kSteamRegistryKey),
                                 std::string(game::kSteamPathValue)));
        path = steam ? steam->folder : std::string();
    }
    if (path.empty()) {
        path = registry.RegGetValue(kHkeyLocalMachine, std::string(game::kGogRegistryKey),
                                    std::string(game::kGogPathValue));
    }
    return path.empty() ? std::string() : cleanWindowsPath(path);
}

std::string Win32GameFolders::localDataFolder() const {
    const std::string local = localAppDataFolder();
    return local.empty() ? local : local + "\\" + std::string(game::kLocalDataFolder);
}

std::vector<std::string> Win32GameFolders::steamRoots() const {
    const Win32Registry registry;
    const std::string path = registry.RegGetValue(
        kHkeyCurrentUser, std::string(game::kSteamRegistryKey), std::string(game::kSteamPathValue));
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
