#include "platform/posix/profile_posix.h"

#include <optional>

#include "platform/ini_text.h"
#include "platform/posix/case_paths.h"
#include "platform/posix/file_io.h"

namespace quarlo::platform::posix {

std::string PosixProfileFile::read(std::string_view section, std::string_view key,
                                   std::string_view defaultValue, int capacity,
                                   const std::string& path) const {
    std::optional<std::string> pageSection;
    std::optional<std::string> pageKey;
    std::string pageDefault;
    if (codePage_) {
        pageSection = codePage_->fromUtf8(section);
        pageKey = codePage_->fromUtf8(key);
        pageDefault = codePage_->fromUtf8Lossy(defaultValue);
        if (!pageSection || !pageKey) {
            // No entry of the file can carry a name the code page has not got.
            return codePage_->toUtf8(ini::readValue({}, {}, {}, pageDefault, capacity));
        }
        section = *pageSection;
        key = *pageKey;
        defaultValue = pageDefault;
    }
    std::string content;
    if (readFile(resolveCase(path), content) != ReadStatus::ok) {
        content.clear();  // a file that cannot be read yields the default
    }
    std::string value = ini::readValue(content, section, key, defaultValue, capacity);
    return codePage_ ? codePage_->toUtf8(value) : value;
}

bool PosixProfileFile::write(std::string_view section, std::string_view key, std::string_view value,
                             const std::string& path) {
    std::optional<std::string> pageSection;
    std::optional<std::string> pageKey;
    std::optional<std::string> pageValue;
    if (codePage_) {
        pageSection = codePage_->fromUtf8(section);
        pageKey = codePage_->fromUtf8(key);
        pageValue = codePage_->fromUtf8(value);
        // Text the game would read as other letters is not written at all.
        if (!pageSection || !pageKey || !pageValue) {
            return false;
        }
        section = *pageSection;
        key = *pageKey;
        value = *pageValue;
    }
    return updateFile(resolveCase(path), [&](const std::string& content) {
        return ini::writeValue(content, section, key, value);
    });
}

std::optional<std::size_t> PosixProfileFile::storedLength(std::string_view text) const {
    if (!codePage_) {
        return text.size();
    }
    const auto stored = codePage_->fromUtf8(text);
    return stored ? std::optional<std::size_t>(stored->size()) : std::nullopt;
}

}  // namespace quarlo::platform::posix
