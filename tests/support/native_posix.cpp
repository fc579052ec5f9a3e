#include "platform/posix/file_system_posix.h"
#include "platform/posix/save_files_posix.h"
#include "tests/support/native.h"

namespace quarlo::test {

std::unique_ptr<platform::FileSystem> nativeFileSystem() {
    return std::make_unique<platform::posix::PosixFileSystem>();
}

std::unique_ptr<platform::SaveFiles> nativeSaveFiles() {
    return std::make_unique<platform::posix::PosixSaveFiles>();
}

}  // namespace quarlo::test
