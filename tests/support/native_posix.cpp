#include "platform/posix/file_system_posix.h"
#include "tests/support/native.h"

namespace quarlo::test {

std::unique_ptr<platform::FileSystem> nativeFileSystem() {
    return std::make_unique<platform::posix::PosixFileSystem>();
}

}  // namespace quarlo::test
