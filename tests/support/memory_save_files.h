#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/save_files.h"

namespace quarlo::test {

// Save files in memory, for faults no disk makes on cue: every file-system
// call is a numbered step that a test can make fail, or act before, and
// folders whose first path level differs are on different file systems, so a
// rename between them is refused as across devices. Names are matched as the
// game matches them (ASCII letter case aside) when an operation asks whether
// one is taken; otherwise exactly.
class MemorySaveFiles : public platform::SaveFiles {
  public:
    std::map<std::string, std::string> files;  // path -> bytes
    std::map<std::string, std::int64_t> times;
    std::set<std::string> links;  // paths in `files` that are symbolic links
    // The steps (counted from 0 over every call below but separator and
    // the process questions) that fail; `steps` counts them either way.
    std::set<int> failSteps;
    // Runs before each step, with its number: another program at work.
    std::function<void(int step)> beforeStep;
    // Each step as "<call> <path>", in order.
    mutable std::vector<std::string> trace;
    // copyNew writes only the first half of the bytes and says it is done.
    bool cutCopies = false;
    mutable int steps = 0;

    char separator() const override { return '/'; }

    std::optional<platform::FolderFiles> listFiles(const std::string& folder) const override {
        if (step("listFiles " + folder)) {
            return std::nullopt;
        }
        platform::FolderFiles out{folder, {}};
        for (const std::string& name : namesIn(folder)) {
            out.entries.push_back(platform::FolderEntry{name, links.count(folder + "/" + name)
                                                                  ? platform::EntryKind::link
                                                                  : platform::EntryKind::file});
        }
        return out;
    }

    class Names : public platform::FolderNames {
      public:
        Names(const MemorySaveFiles& files, std::string folder)
            : files_(files), folder_(std::move(folder)) {
            for (const std::string& name : files_.namesIn(folder_)) {
                initial_.push_back(platform::FolderEntry{name, platform::EntryKind::file});
            }
        }
        const std::string& folder() const override { return folder_; }
        const std::vector<platform::FolderEntry>& initial() const override { return initial_; }
        // What is there now, as a watch of the folder would tell.
        bool taken(std::string_view name) override {
            for (const std::string& there : files_.namesIn(folder_)) {
                if (fold(there) == fold(name)) {
                    return true;
                }
            }
            return false;
        }
        bool twin(std::string_view name) override {
            for (const std::string& there : files_.namesIn(folder_)) {
                if (fold(there) == fold(name) && there != name) {
                    return true;
                }
            }
            return false;
        }
        void add(std::string_view) override {}
        void remove(std::string_view) override {}

      private:
        const MemorySaveFiles& files_;
        std::string folder_;
        std::vector<platform::FolderEntry> initial_;
    };

    std::unique_ptr<platform::FolderNames> openNames(const std::string& folder) const override {
        if (step("openNames " + folder)) {
            return nullptr;
        }
        return std::make_unique<Names>(*this, folder);
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

    // A copy of the file's bytes as they are now, as an open file keeps them.
    class Opened : public platform::OpenedFile {
      public:
        Opened(std::string bytes, std::int64_t time) : bytes_(std::move(bytes)), time_(time) {}
        std::uint64_t size() const override { return bytes_.size(); }
        std::int64_t modifiedLocalMs() const override { return time_; }
        std::optional<std::string> read(std::uint64_t offset, std::size_t count) override {
            return offset < bytes_.size() ? bytes_.substr(static_cast<std::size_t>(offset), count)
                                          : std::string();
        }

      private:
        std::string bytes_;
        std::int64_t time_;
    };

    std::unique_ptr<platform::OpenedFile> open(const std::string& path) const override {
        const auto it = files.find(path);
        if (it == files.end()) {
            return nullptr;
        }
        return std::make_unique<Opened>(it->second, times.count(path) ? times.at(path) : 0);
    }

    std::optional<platform::FileStamp> stamp(const std::string& path) const override {
        if (step("stamp " + path) || !files.count(path) || links.count(path)) {
            return std::nullopt;
        }
        return platform::FileStamp{device(path) == "/other" ? 2u : 1u, identity(path),
                                   files.at(path).size(), times.count(path) ? times.at(path) : 0};
    }

    bool exists(const std::string& path) const override { return files.count(path) > 0; }

    platform::FileOutcome renameNew(const std::string& from, const std::string& to) override {
        if (step("renameNew " + to) || !files.count(from)) {
            return platform::FileOutcome::failed;
        }
        if (files.count(to)) {
            return platform::FileOutcome::exists;
        }
        if (device(from) != device(to)) {
            return platform::FileOutcome::crossDevice;
        }
        files[to] = files[from];
        move(from, to);
        return platform::FileOutcome::done;
    }

    platform::FileOutcome copyNew(const std::string& from, const std::string& to) override {
        if (step("copyNew " + to) || !files.count(from)) {
            return platform::FileOutcome::failed;
        }
        if (files.count(to)) {
            return platform::FileOutcome::exists;
        }
        const std::string& bytes = files[from];
        files[to] = cutCopies ? bytes.substr(0, bytes.size() / 2) : bytes;
        if (times.count(from)) {
            times[to] = times[from];
        }
        return platform::FileOutcome::done;
    }

    platform::FileOutcome copyUnflushed(const std::string& from, const std::string& to) override {
        return copyNew(from, to);
    }
    bool flushFiles(const std::vector<std::string>& paths) override {
        return !step("flushFiles " + (paths.empty() ? std::string() : paths.front()));
    }

    // Folders are the paths' levels: there while a file is below them.
    platform::PathKind kindOf(const std::string& path) const override {
        if (links.count(path)) {
            return platform::PathKind::link;
        }
        if (files.count(path)) {
            return platform::PathKind::file;
        }
        const auto below = files.lower_bound(path + "/");
        return below != files.end() && below->first.starts_with(path + "/")
                   ? platform::PathKind::folder
                   : platform::PathKind::missing;
    }
    std::optional<std::vector<platform::FolderEntry>> entriesOf(
        const std::string& folder) const override {
        const auto listed = listFiles(folder);
        return listed ? std::optional(listed->entries) : std::nullopt;
    }
    bool makeFolder(const std::string& path) override { return !step("makeFolder " + path); }
    bool removeFolderOfFiles(const std::string& folder, std::string_view) override {
        for (const std::string& name : namesIn(folder)) {
            files.erase(folder + "/" + name);
        }
        return true;
    }

    std::optional<bool> sameBytes(const std::string& a, const std::string& b) const override {
        if (step("sameBytes " + a) || !files.count(a) || !files.count(b)) {
            return std::nullopt;
        }
        return files.at(a) == files.at(b);
    }

    bool remove(const std::string& path) override {
        if (step("remove " + path) || readOnly.count(path.substr(0, path.rfind('/'))) ||
            files.erase(path) == 0) {
            return false;
        }
        times.erase(path);
        ids_.erase(path);
        return true;
    }

    // Folders whose files cannot be removed, as on a read-only drive.
    std::set<std::string> readOnly;
    bool canRemoveIn(const std::string& folder) const override {
        return readOnly.count(folder) == 0;
    }

    platform::FileOutcome linkNew(const std::string& from, const std::string& to) override {
        if (step("linkNew " + to) || !files.count(from)) {
            return platform::FileOutcome::failed;
        }
        if (files.count(to)) {
            return platform::FileOutcome::exists;
        }
        files[to] = files[from];
        return platform::FileOutcome::done;
    }

    bool writeNew(const std::string& path, const std::string& bytes) override {
        if (step("writeNew " + path) || files.count(path)) {
            return false;
        }
        files[path] = bytes;
        return true;
    }

    bool replace(const std::string& from, const std::string& to) override {
        if (step("replace " + to) || !files.count(from)) {
            return false;
        }
        files[to] = files[from];
        move(from, to);
        return true;
    }

    bool syncFolder(const std::string&) override { return true; }
    // By path: a folder held in memory cannot be swapped for a link.
    std::unique_ptr<platform::OpenFolder> openFolder(const std::string& path) const override {
        struct Held : platform::OpenFolder {
            const MemorySaveFiles* files;
            std::string at;
            const std::string& path() const override { return at; }
            std::string pathOf(std::string_view name) const override {
                return at + "/" + std::string(name);
            }
            std::optional<std::vector<platform::FolderEntry>> entries() const override {
                return files->entriesOf(at);
            }
            std::optional<platform::FileStamp> stamp(std::string_view name) const override {
                return files->stamp(pathOf(name));
            }
        };
        if (step("openFolder " + path) || kindOf(path) != platform::PathKind::folder) {
            return nullptr;
        }
        auto held = std::make_unique<Held>();
        held->files = this;
        held->at = path;
        return held;
    }
    std::string foldedName(std::string_view name) const override { return fold(name); }
    std::optional<std::string> identityPath(const std::string& path) const override { return path; }
    // One process: no other can hold a lock.
    LockAttempt lockExclusive(const std::string&, const std::string&) override {
        return LockAttempt{std::make_unique<platform::HeldLock>(), false, {}};
    }
    std::uint32_t processId() const override { return 4242; }
    bool processRunning(std::uint32_t id) const override { return running.count(id) > 0; }
    std::set<std::uint32_t> running{4242};

    // Another program writes more into a file: a new version, same file.
    void append(const std::string& path, const std::string& more) {
        files[path] += more;
        times[path] += 1;
    }

    // The names of the files directly in a folder, sorted.
    std::vector<std::string> namesIn(const std::string& folder) const {
        std::vector<std::string> names;
        const std::string prefix = folder + "/";
        for (const auto& [path, bytes] : files) {
            if (path.starts_with(prefix) && path.find('/', prefix.size()) == std::string::npos) {
                names.push_back(path.substr(prefix.size()));
            }
        }
        return names;
    }

  private:
    bool step(std::string what) const {
        trace.push_back(std::move(what));
        const int n = steps++;
        if (beforeStep) {
            beforeStep(n);
        }
        return failSteps.count(n) > 0;
    }
    static std::string fold(std::string_view s) {
        std::string out(s);
        std::transform(out.begin(), out.end(), out.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return out;
    }
    static std::string device(const std::string& path) { return path.substr(0, path.find('/', 1)); }
    // A file keeps its identity through a rename, as on a disk.
    std::uint64_t identity(const std::string& path) const {
        const auto it = ids_.find(path);
        if (it != ids_.end()) {
            return it->second;
        }
        return ids_[path] = ++lastId_;
    }
    void move(const std::string& from, const std::string& to) {
        files.erase(from);
        if (times.count(from)) {
            times[to] = times[from];
            times.erase(from);
        }
        ids_[to] = identity(from);
        ids_.erase(from);
    }

    mutable std::map<std::string, std::uint64_t> ids_;
    mutable std::uint64_t lastId_ = 0;
};

}  // namespace quarlo::test
