#include "tests/support/memory_profile.h"

#include <filesystem>

#include "platform/ini_text.h"

namespace quarlo::test {

std::string MemoryProfileFile::key(const std::string& path) {
    return std::filesystem::path(path).make_preferred().lexically_normal().string();
}

std::string MemoryProfileFile::read(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, int capacity,
                                    const std::string& path) const {
    const bool unreadable = unreadable_.count(MemoryProfileFile::key(path)) != 0;
    return platform::ini::readValue(unreadable ? std::string() : bytes(path), section, key,
                                    defaultValue, capacity);
}

bool MemoryProfileFile::write(std::string_view section, std::string_view key,
                              std::string_view value, const std::string& path) {
    const std::string name = MemoryProfileFile::key(path);
    std::error_code ec;
    if (readOnly_.count(name) != 0 || unreadable_.count(name) != 0 ||
        !std::filesystem::is_directory(std::filesystem::path(name).parent_path(), ec)) {
        return false;
    }
    auto updated = platform::ini::writeValue(bytes(path), section, key, value);
    if (!updated) {
        return false;
    }
    ++writes_;
    files_[name] = std::move(*updated);
    return true;
}

bool MemoryProfileFile::renameSection(std::string_view from, std::string_view to,
                                      const std::string& path) {
    const std::string name = MemoryProfileFile::key(path);
    if (!exists(path)) {
        return true;
    }
    auto renamed = platform::ini::renameSection(bytes(path), from, to);
    if (!renamed || readOnly_.count(name) != 0 || unreadable_.count(name) != 0) {
        return false;
    }
    ++writes_;
    files_[name] = std::move(*renamed);
    return true;
}

std::string MemoryProfileFile::bytes(const std::string& path) const {
    const auto it = files_.find(key(path));
    return it == files_.end() ? std::string() : it->second;
}

bool MemoryProfileFile::exists(const std::string& path) const {
    return files_.count(key(path)) != 0;
}

void MemoryProfileFile::setBytes(const std::string& path, std::string content) {
    files_[key(path)] = std::move(content);
}

}  // namespace quarlo::test
