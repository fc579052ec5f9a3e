#include "platform/posix/file_io.h"

namespace quarlo::platform::posix {

bool readFile(const std::string&, std::string&) {
    return false;
}

bool replaceFile(const std::string&, const std::string&) {
    return false;
}

}  // namespace quarlo::platform::posix
