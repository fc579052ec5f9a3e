#include "platform/win32/file_system_win32.h"
#include "tests/support/native.h"

namespace quarlo::test {

std::unique_ptr<platform::FileSystem> nativeFileSystem() {
    return std::make_unique<platform::win32::Win32FileSystem>();
}

}  // namespace quarlo::test
