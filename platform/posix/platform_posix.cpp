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

Platform createPlatform(bool launched) {
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
        struct stat st {};
        if (prefix &&
            (::stat((prefix->path + "/drive_c").c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
            notFound = "Failed. The game's Wine prefix " + prefix->path +
                       " is not there. Check the game's compatibility settings in its "
                       "launcher.";
        } else if (prefix && !wine::holdsGameFolder(*prefix) &&
                   wine::installFolder(*prefix).empty()) {
            notFound = "Failed. The game's Wine prefix " + prefix->path +
                       " holds no Oblivion settings (My Games\\Oblivion). Start the game once "
                       "from its launcher, then try again.";
        }
        if (!prefix) {
            prefix = wine::findGamePrefix(environment);
        }
    } catch (const std::exception&) {
        prefix.reset();
    }
    Platform p;
    p.gameNotFound = notFound;
    const int codePage = wine::ansiCodePageForLocale(environment.lang);
    p.profile = std::make_unique<posix::PosixProfileFile>(codePage);
    p.fileSystem = std::make_unique<posix::PosixFileSystem>();
    p.specialFolders = std::make_unique<posix::PosixSpecialFolders>(prefix);
    p.registry = std::make_unique<posix::PosixRegistry>(prefix);
    p.processes = std::make_unique<posix::PosixProcesses>(prefix);
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
    return p;
}

}  // namespace quarlo::platform
