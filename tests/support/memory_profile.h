#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/profile.h"

namespace quarlo::test {

// Profile files held in memory, over the same dialect as the files on disk:
// the program's logic sees what a real profile gives it on every platform,
// while tests set and read the files' bytes directly. As on disk, a file can
// only be created in a folder that exists, and a read-only one is never
// written. Names and values pass as bytes; lengths count bytes.
class MemoryProfileFile : public platform::ProfileFile {
  public:
    std::string read(std::string_view section, std::string_view key, std::string_view defaultValue,
                     int capacity, const std::string& path) const override;
    bool write(std::string_view section, std::string_view key, std::string_view value,
               const std::string& path) override;
    bool renameSection(std::string_view from, std::string_view to,
                       const std::string& path) override;
    std::optional<std::string> readChecked(std::string_view section, std::string_view key,
                                           std::string_view defaultValue, int capacity,
                                           const std::string& path) const override {
        if (unreadable_.count(MemoryProfileFile::key(path)) != 0) {
            return std::nullopt;
        }
        return read(section, key, defaultValue, capacity, path);
    }
    std::optional<std::string> fileBytes(const std::string& path) const override {
        if (unreadable_.count(MemoryProfileFile::key(path)) != 0) {
            return std::nullopt;
        }
        return bytes(path);
    }
    std::optional<std::size_t> storedLength(std::string_view text) const override {
        return text.size();
    }

    // The bytes of a file, "" when it is not there.
    std::string bytes(const std::string& path) const;
    bool exists(const std::string& path) const override;
    void setBytes(const std::string& path, std::string content);
    void remove(const std::string& path) { files_.erase(key(path)); }
    void setReadOnly(const std::string& path, bool readOnly = true) {
        if (readOnly) {
            readOnly_.insert(key(path));
        } else {
            readOnly_.erase(key(path));
        }
    }
    // A file that is there and cannot be read: every read gives its default
    // (as the profile API does), every checked read fails, and no write or
    // rename can change it.
    void setUnreadable(const std::string& path, bool unreadable = true) {
        if (unreadable) {
            unreadable_.insert(key(path));
        } else {
            unreadable_.erase(key(path));
        }
    }
    int writes() const { return writes_; }

  private:
    static std::string key(const std::string& path);

    std::map<std::string, std::string> files_;
    std::set<std::string> readOnly_;
    std::set<std::string> unreadable_;
    int writes_ = 0;
};

}  // namespace quarlo::test
