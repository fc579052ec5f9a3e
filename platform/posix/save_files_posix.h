#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include <sys/stat.h>

#include "platform/save_files.h"

namespace quarlo::platform::posix {

class PosixSaveFiles : public SaveFiles {
  public:
    char separator() const override { return '/'; }
    std::optional<FolderFiles> listFiles(const std::string& folder) const override;
    std::unique_ptr<FolderNames> openNames(const std::string& folder) const override;
    std::optional<FileChunk> read(const std::string& path, std::uint64_t offset,
                                  std::size_t count) const override;
    std::unique_ptr<OpenedFile> open(const std::string& path) const override;
    std::optional<FileStamp> stamp(const std::string& path) const override;
    bool exists(const std::string& path) const override;
    FileOutcome renameNew(const std::string& from, const std::string& to) override;
    FileOutcome copyNew(const std::string& from, const std::string& to) override;
    FileOutcome copyUnflushed(const std::string& from, const std::string& to) override;
    bool flushFiles(const std::vector<std::string>& paths) override;
    std::optional<bool> sameBytes(const std::string& a, const std::string& b) const override;
    bool remove(const std::string& path) override;
    bool canRemoveIn(const std::string& folder) const override;
    FileOutcome linkNew(const std::string& from, const std::string& to) override;
    bool writeNew(const std::string& path, const std::string& bytes) override;
    bool replace(const std::string& from, const std::string& to) override;
    PathKind kindOf(const std::string& path) const override;
    std::optional<std::vector<FolderEntry>> entriesOf(const std::string& folder) const override;
    bool makeFolder(const std::string& path) override;
    bool removeFolderOfFiles(const std::string& folder, std::string_view first) override;
    bool syncFolder(const std::string& folder) override;
    std::string foldedName(std::string_view name) const override;
    std::optional<std::string> identityPath(const std::string& path) const override;
    LockAttempt lockExclusive(const std::string& path, const std::string& note) override;
    std::uint32_t processId() const override;
    bool processRunning(std::uint32_t id) const override;
    std::unique_ptr<OpenFolder> openFolder(const std::string& path) const override;
    std::vector<std::string> takeKeptAside() override;

  private:
    FileOutcome copy(const std::string& from, const std::string& to, bool flush);
    std::mutex keptMutex_;
    std::vector<std::string> kept_;
};

// Renames a file without ever replacing one: renameat2's RENAME_NOREPLACE;
// where the file system lacks it, a second link and the old name's removal;
// where it has no links either, the name is first claimed by creating it
// empty and exclusively, and the rename replaces only that claim, checked
// again to be the same empty file right before; what another program writes
// into the claim after that check is kept beside it as
// "<to>.kept-by-quarlo", its path then in `kept`. Returns 0 or the errno:
// EEXIST when `to` is taken.
int renameNoReplace(const std::string& from, const std::string& to, std::string* kept = nullptr);
// The same, each name relative to a folder's descriptor (AT_FDCWD for the
// current folder), so that a folder opened once is the one renamed from.
int renameNoReplaceAt(int fromDir, const std::string& from, int toDir, const std::string& to,
                      std::string* kept = nullptr);

// A file's version from what stat gave.
FileStamp stampOf(const struct stat& st);

// Points where tests reach into the renames. Empty hooks do nothing.
struct RenameTestHooks {
    // An errno that the named call ("renameat2", "link") reports instead of
    // running; 0 runs it.
    std::function<int(std::string_view call)> fails;
    // In the last fallback, after the name was claimed and before the check
    // that the claim is still the same empty file.
    std::function<void(const std::string& to)> afterClaim;
    // In the last fallback, after that check and right before the rename.
    std::function<void(const std::string& to)> beforeRename;
};
void setRenameTestHooks(RenameTestHooks hooks);

}  // namespace quarlo::platform::posix
