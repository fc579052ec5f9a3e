#include "platform/posix/profile_posix.h"

#include <sys/stat.h>

#include <climits>
#include <optional>

#include "platform/ini_text.h"
#include "platform/posix/file_io.h"
#include "platform/wine/case_paths.h"

namespace quarlo::platform::posix {

namespace {

bool isUtf16(ini::Encoding encoding) {
    return encoding == ini::Encoding::utf16le || encoding == ini::Encoding::utf16be;
}

// The file's text for the dialect: ANSI and UTF-8 files as they are, UTF-16
// ones as UTF-8.
std::string textOf(const std::string& content, ini::Encoding encoding) {
    return isUtf16(encoding) ? ini::utf16ToUtf8(content, encoding == ini::Encoding::utf16be)
                             : content;
}

std::string cutToCapacity(std::string text, int capacity) {
    if (capacity < 1) {
        return {};
    }
    if (text.size() >= static_cast<std::size_t>(capacity)) {
        text.resize(static_cast<std::size_t>(capacity) - 1);
    }
    return text;
}

}  // namespace

bool PosixProfileFile::exists(const std::string& path) const {
    struct stat st {};
    return !path.empty() && ::stat(wine::resolveCase(path).c_str(), &st) == 0 &&
           !S_ISDIR(st.st_mode);
}

std::optional<std::string> PosixProfileFile::fileBytes(const std::string& path) const {
    std::string content;
    switch (readFile(wine::resolveCase(path), content)) {
        case ReadStatus::ok:
            return content;
        case ReadStatus::missing:
            return std::string();
        case ReadStatus::failed:
            break;
    }
    return std::nullopt;
}

std::optional<std::string> PosixProfileFile::readChecked(std::string_view section,
                                                         std::string_view key,
                                                         std::string_view defaultValue,
                                                         int capacity,
                                                         const std::string& path) const {
    // One read of the file: a second, failing where the first did not, would
    // give the default after all.
    return readValueOf(section, key, defaultValue, capacity, path, true);
}

std::string PosixProfileFile::read(std::string_view section, std::string_view key,
                                   std::string_view defaultValue, int capacity,
                                   const std::string& path) const {
    return *readValueOf(section, key, defaultValue, capacity, path, false);
}

std::optional<std::string> PosixProfileFile::readValueOf(std::string_view section,
                                                         std::string_view key,
                                                         std::string_view defaultValue,
                                                         int capacity, const std::string& path,
                                                         bool checked) const {
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
    }
    std::string content;
    const ReadStatus status = readFile(wine::resolveCase(path), content);
    if (status == ReadStatus::failed && checked) {
        return std::nullopt;
    }
    if (status != ReadStatus::ok) {
        content.clear();  // a file that cannot be read yields the default
    }
    const ini::Encoding encoding = ini::encodingOf(content);
    const std::string text = textOf(content, encoding);
    if (!codePage_) {
        return ini::readValue(text, section, key, defaultValue, capacity);
    }
    if (encoding == ini::Encoding::ansi) {
        return codePage_->toUtf8(
            ini::readValue(text, *pageSection, *pageKey, pageDefault, capacity));
    }
    // A Unicode file is matched in Unicode, and the game's A call gets the
    // value in its code page, cut to the buffer in those characters.
    const std::string value = ini::readValue(text, section, key, defaultValue, INT_MAX);
    return codePage_->toUtf8(cutToCapacity(codePage_->fromUtf8Lossy(value), capacity));
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
        // Text the game would read as other letters is not written at all,
        // whatever the file's encoding: the game reads through its code page.
        if (!pageSection || !pageKey || !pageValue) {
            return false;
        }
    }
    return updateFile(wine::resolveCase(path),
                      [&](const std::string& content) -> std::optional<std::string> {
                          const ini::Encoding encoding = ini::encodingOf(content);
                          if (encoding == ini::Encoding::ansi && codePage_) {
                              return ini::writeValue(content, *pageSection, *pageKey, *pageValue);
                          }
                          if (!isUtf16(encoding)) {
                              return ini::writeValue(content, section, key, value);
                          }
                          // UTF-16 is written back in its own byte order, and
                          // only when every other byte survives the round trip.
                          const bool bigEndian = encoding == ini::Encoding::utf16be;
                          const std::string text = textOf(content, encoding);
                          if (ini::utf8ToUtf16(text, bigEndian) != content) {
                              return std::nullopt;
                          }
                          const auto updated = ini::writeValue(text, section, key, value);
                          return updated ? ini::utf8ToUtf16(*updated, bigEndian) : std::nullopt;
                      });
}

bool PosixProfileFile::renameSection(std::string_view from, std::string_view to,
                                     const std::string& path) {
    std::optional<std::string> pageFrom{std::string(from)};
    std::optional<std::string> pageTo{std::string(to)};
    if (codePage_) {
        pageFrom = codePage_->fromUtf8(from);
        pageTo = codePage_->fromUtf8(to);
        if (!pageTo) {
            return false;
        }
        if (!pageFrom) {
            return true;  // no section of the file can bear that name
        }
    }
    return updateFile(wine::resolveCase(path), [&](const std::string& content) {
        return ini::renameSectionOfFile(content, from, to, *pageFrom, *pageTo);
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
