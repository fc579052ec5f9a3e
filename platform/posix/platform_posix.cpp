#include "platform/platform.h"
#include "platform/posix/file_system_posix.h"
#include "platform/posix/processes_posix.h"
#include "platform/posix/profile_posix.h"
#include "platform/posix/registry_posix.h"
#include "platform/posix/special_folders_posix.h"

namespace quarlo::platform {

Platform createPlatform() {
    Platform p;
    p.profile = std::make_unique<posix::PosixProfileFile>();
    p.fileSystem = std::make_unique<posix::PosixFileSystem>();
    p.specialFolders = std::make_unique<posix::PosixSpecialFolders>();
    p.registry = std::make_unique<posix::PosixRegistry>();
    p.processes = std::make_unique<posix::PosixProcesses>();
    return p;
}

}  // namespace quarlo::platform
