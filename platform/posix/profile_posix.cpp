#include "platform/posix/profile_posix.h"

#include "platform/ini_text.h"
#include "platform/posix/file_io.h"

namespace quarlo::platform::posix {

std::string PosixProfileFile::read(std::string_view section, std::string_view key,
                                   std::string_view defaultValue, int capacity,
                                   const std::string& path) const {
    std::string content;
    if (readFile(path, content) != ReadStatus::ok) {
        content.clear();  // a file that cannot be read yields the default
    }
    return ini::readValue(content, section, key, defaultValue, capacity);
}

bool PosixProfileFile::write(std::string_view section, std::string_view key, std::string_view value,
                             const std::string& path) {
    std::string content;
    const ReadStatus status = readFile(path, content);
    // A file that is there but cannot be read must not be replaced by one
    // holding only the new entry.
    if (status == ReadStatus::failed) {
        return false;
    }
    auto updated = ini::writeValue(content, section, key, value);
    if (!updated) {
        return false;
    }
    if (status == ReadStatus::ok && *updated == content) {
        return true;  // nothing would change: leave the file and its times alone
    }
    return replaceFile(path, *updated);
}

}  // namespace quarlo::platform::posix
