#pragma once

#include <memory>

#include "platform/file_system.h"

namespace quarlo::test {

// The file system of the platform the tests were built for.
std::unique_ptr<platform::FileSystem> nativeFileSystem();

}  // namespace quarlo::test
