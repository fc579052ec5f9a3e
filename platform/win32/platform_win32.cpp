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

namespace quarlo::platform {

Platform createPlatform(bool) {
    Platform p;
    p.profile = std::make_unique<win32::Win32ProfileFile>();
    p.fileSystem = std::make_unique<win32::Win32FileSystem>();
    p.specialFolders = std::make_unique<win32::Win32SpecialFolders>();
    p.registry = std::make_unique<win32::Win32Registry>();
    p.processes = std::make_unique<win32::Win32Processes>();
    p.saveFiles = std::make_unique<win32::Win32SaveFiles>();
    p.trash = std::make_unique<win32::Win32Trash>();
    p.gameFolders = std::make_unique<win32::Win32GameFolders>();
    p.backupStore = win32::localAppDataFolder();
    if (!p.backupStore.empty()) {
        p.backupStore += "\\Quarlo\\Backups";
    }
    p.ansiToUtf8 = [](std::string_view bytes) { return win32::fromAnsi(bytes); };
    return p;
}

}  // namespace quarlo::platform
