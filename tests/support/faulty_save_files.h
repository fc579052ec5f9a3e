#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/save_files.h"

namespace quarlo::test {

// The platform's own save files with one call made to fail: every call that
// reads, writes or checks a file is counted, and the one numbered `failAt`
// fails as a full or faulty drive would.
class FaultySaveFiles : public platform::SaveFiles {
  public:
    explicit FaultySaveFiles(std::unique_ptr<platform::SaveFiles> real) : real_(std::move(real)) {}
    std::optional<int> failAt;
    mutable int calls = 0;
    // Runs before each counted call, with its number: another program at
    // work.
    std::function<void(int call)> beforeCall;
    // Process numbers taken as running, whatever the system says.
    std::uint32_t alsoRunning = 0;
    // Every listing of a folder whose path holds this fails (a flaky disk).
    std::string unlistable;

    char separator() const override { return real_->separator(); }
    std::optional<platform::FolderFiles> listFiles(const std::string& f) const override {
        return fails() ? std::nullopt : real_->listFiles(f);
    }
    std::unique_ptr<platform::FolderNames> openNames(const std::string& f) const override {
        return fails() ? nullptr : real_->openNames(f);
    }
    std::optional<platform::FileChunk> read(const std::string& p, std::uint64_t o,
                                            std::size_t n) const override {
        return fails() ? std::nullopt : real_->read(p, o, n);
    }
    std::unique_ptr<platform::OpenedFile> open(const std::string& p) const override {
        return fails() ? nullptr : real_->open(p);
    }
    std::optional<platform::FileStamp> stamp(const std::string& p) const override {
        return fails() ? std::nullopt : real_->stamp(p);
    }
    bool exists(const std::string& p) const override { return real_->exists(p); }
    platform::FileOutcome renameNew(const std::string& a, const std::string& b) override {
        return fails() ? platform::FileOutcome::failed : real_->renameNew(a, b);
    }
    platform::FileOutcome copyNew(const std::string& a, const std::string& b) override {
        return fails() ? platform::FileOutcome::failed : real_->copyNew(a, b);
    }
    platform::FileOutcome copyUnflushed(const std::string& a, const std::string& b) override {
        return fails() ? platform::FileOutcome::failed : real_->copyUnflushed(a, b);
    }
    bool flushFiles(const std::vector<std::string>& paths) override {
        return !fails() && real_->flushFiles(paths);
    }
    platform::PathKind kindOf(const std::string& p) const override {
        return fails() ? platform::PathKind::unknown : real_->kindOf(p);
    }
    std::optional<std::vector<platform::FolderEntry>> entriesOf(
        const std::string& f) const override {
        const bool flaky = !unlistable.empty() && f.find(unlistable) != std::string::npos;
        return fails() || flaky ? std::nullopt : real_->entriesOf(f);
    }
    bool makeFolder(const std::string& p) override { return !fails() && real_->makeFolder(p); }
    bool removeFolderOfFiles(const std::string& f, std::string_view first) override {
        return !fails() && real_->removeFolderOfFiles(f, first);
    }
    std::optional<bool> sameBytes(const std::string& a, const std::string& b) const override {
        return fails() ? std::nullopt : real_->sameBytes(a, b);
    }
    bool remove(const std::string& p) override { return !fails() && real_->remove(p); }
    bool canRemoveIn(const std::string& f) const override { return real_->canRemoveIn(f); }
    platform::FileOutcome linkNew(const std::string& a, const std::string& b) override {
        return fails() ? platform::FileOutcome::failed : real_->linkNew(a, b);
    }
    bool writeNew(const std::string& p, const std::string& bytes) override {
        return !fails() && real_->writeNew(p, bytes);
    }
    bool replace(const std::string& a, const std::string& b) override {
        return !fails() && real_->replace(a, b);
    }
    bool syncFolder(const std::string& f) override { return real_->syncFolder(f); }
    // The real folder, each of its calls counted as one of this one's.
    std::unique_ptr<platform::OpenFolder> openFolder(const std::string& p) const override {
        struct Counted : platform::OpenFolder {
            const FaultySaveFiles* owner;
            std::unique_ptr<platform::OpenFolder> real;
            const std::string& path() const override { return real->path(); }
            std::string pathOf(std::string_view name) const override { return real->pathOf(name); }
            std::optional<std::vector<platform::FolderEntry>> entries() const override {
                return owner->fails() ? std::nullopt : real->entries();
            }
            std::optional<platform::FileStamp> stamp(std::string_view name) const override {
                return owner->fails() ? std::nullopt : real->stamp(name);
            }
            int descriptor() const override { return real->descriptor(); }
        };
        if (fails()) {
            return nullptr;
        }
        auto real = real_->openFolder(p);
        if (!real) {
            return nullptr;
        }
        auto counted = std::make_unique<Counted>();
        counted->owner = this;
        counted->real = std::move(real);
        return counted;
    }
    // The real folder itself, for a trash that needs the system's handle.
    platform::SaveFiles& real() { return *real_; }
    std::vector<std::string> takeKeptAside() override { return real_->takeKeptAside(); }
    std::string foldedName(std::string_view name) const override { return real_->foldedName(name); }
    std::optional<std::string> identityPath(const std::string& p) const override {
        return fails() ? std::nullopt : real_->identityPath(p);
    }
    LockAttempt lockExclusive(const std::string& p, const std::string& note) override {
        return real_->lockExclusive(p, note);
    }
    std::uint32_t processId() const override { return real_->processId(); }
    bool processRunning(std::uint32_t id) const override {
        return id == alsoRunning || real_->processRunning(id);
    }

  private:
    bool fails() const {
        const int n = calls++;
        if (beforeCall) {
            beforeCall(n);
        }
        return failAt && n == *failAt;
    }
    std::unique_ptr<platform::SaveFiles> real_;
};

}  // namespace quarlo::test
