#pragma once

#include <memory>

#include "platform/file_system.h"
#include "platform/save_files.h"

namespace quarlo::test {

// The file system of the platform the tests were built for.
std::unique_ptr<platform::FileSystem> nativeFileSystem();
std::unique_ptr<platform::SaveFiles> nativeSaveFiles();

}  // namespace quarlo::test
