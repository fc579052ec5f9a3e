#pragma once

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/save_files.h"

namespace quarlo::test {

// Save files in memory, for faults no disk makes on cue: every change is a
// numbered step that a test can make fail, and folders whose first path
// level differs are on different file systems, so a rename between them is
// refused as across devices. Names match exactly.
class MemorySaveFiles : public platform::SaveFiles {
  public:
    std::map<std::string, std::string> files;  // path -> bytes
    std::map<std::string, std::int64_t> times;
    // The step (counted from 0 over renameNew, copyNew, sameBytes, remove)
    // that fails; none when unset. `steps` counts them either way.
    std::optional<int> failStep;
    // copyNew writes only the first half of the bytes and says it is done.
    bool cutCopies = false;
    int steps = 0;

    char separator() const override { return '/'; }

    std::optional<std::vector<std::string>> listFiles(const std::string& folder) const override {
        std::vector<std::string> names;
        const std::string prefix = folder + "/";
        for (const auto& [path, bytes] : files) {
            if (path.starts_with(prefix) && path.find('/', prefix.size()) == std::string::npos) {
                names.push_back(path.substr(prefix.size()));
            }
        }
        return names;
    }

    std::optional<platform::FileChunk> read(const std::string& path, std::uint64_t offset,
                                            std::size_t count) const override {
        const auto it = files.find(path);
        if (it == files.end()) {
            return std::nullopt;
        }
        platform::FileChunk chunk;
        chunk.size = it->second.size();
        chunk.modifiedLocalMs = times.count(path) ? times.at(path) : 0;
        if (offset < chunk.size) {
            chunk.bytes = it->second.substr(static_cast<std::size_t>(offset), count);
        }
        return chunk;
    }

    bool exists(const std::string& path) const override { return files.count(path) > 0; }

    platform::FileOutcome renameNew(const std::string& from, const std::string& to) override {
        if (fails()) {
            return platform::FileOutcome::failed;
        }
        if (!files.count(from)) {
            return platform::FileOutcome::failed;
        }
        if (files.count(to)) {
            return platform::FileOutcome::exists;
        }
        if (device(from) != device(to)) {
            return platform::FileOutcome::crossDevice;
        }
        files[to] = files[from];
        files.erase(from);
        return platform::FileOutcome::done;
    }

    platform::FileOutcome copyNew(const std::string& from, const std::string& to) override {
        if (fails() || !files.count(from)) {
            return platform::FileOutcome::failed;
        }
        if (files.count(to)) {
            return platform::FileOutcome::exists;
        }
        const std::string& bytes = files[from];
        files[to] = cutCopies ? bytes.substr(0, bytes.size() / 2) : bytes;
        return platform::FileOutcome::done;
    }

    std::optional<bool> sameBytes(const std::string& a, const std::string& b) const override {
        if (const_cast<MemorySaveFiles*>(this)->fails() || !files.count(a) || !files.count(b)) {
            return std::nullopt;
        }
        return files.at(a) == files.at(b);
    }

    bool remove(const std::string& path) override { return !fails() && files.erase(path) > 0; }

    bool syncFolder(const std::string&) override { return true; }

  private:
    bool fails() {
        const int step = steps++;
        return failStep && step == *failStep;
    }
    static std::string device(const std::string& path) { return path.substr(0, path.find('/', 1)); }
};

}  // namespace quarlo::test
