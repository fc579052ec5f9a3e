#pragma once

#include <memory>

#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/save_files.h"
#include "platform/special_folders.h"

namespace quarlo::platform {

// Everything the program needs from the operating system, one interface per
// concern. The build picks the implementation for the target system.
struct Platform {
    std::unique_ptr<ProfileFile> profile;
    std::unique_ptr<FileSystem> fileSystem;
    std::unique_ptr<SpecialFolders> specialFolders;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<Processes> processes;
    std::unique_ptr<SaveFiles> saveFiles;
};

Platform createPlatform();

}  // namespace quarlo::platform
