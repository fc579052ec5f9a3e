#include "platform/win32/file_system_win32.h"
#include "platform/win32/save_files_win32.h"
#include "tests/support/native.h"

namespace quarlo::test {

std::unique_ptr<platform::FileSystem> nativeFileSystem() {
    return std::make_unique<platform::win32::Win32FileSystem>();
}

std::unique_ptr<platform::SaveFiles> nativeSaveFiles() {
    return std::make_unique<platform::win32::Win32SaveFiles>();
}

}  // namespace quarlo::test
