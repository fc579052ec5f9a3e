#include "platform/posix/profile_posix.h"

#include "platform/ini_text.h"
#include "platform/posix/file_io.h"

namespace quarlo::platform::posix {

std::string PosixProfileFile::read(std::string_view section, std::string_view key,
                                   std::string_view defaultValue, int capacity,
                                   const std::string& path) const {
    std::string content;
    if (!readFile(path, content)) {
        return ini::readValue({}, section, key, defaultValue, capacity);
    }
    return ini::readValue(content, section, key, defaultValue, capacity);
}

bool PosixProfileFile::write(std::string_view section, std::string_view key, std::string_view value,
                             const std::string& path) {
    std::string content;
    readFile(path, content);
    auto updated = ini::writeValue(content, section, key, value);
    if (!updated) {
        return false;
    }
    return replaceFile(path, *updated);
}

}  // namespace quarlo::platform::posix
