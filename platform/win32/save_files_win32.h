#pragma once

#include "platform/save_files.h"

namespace quarlo::platform::win32 {

class Win32SaveFiles : public SaveFiles {
  public:
    char separator() const override { return '\\'; }
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
    std::unique_ptr<OpenFolder> openFolder(const std::string& path) const override;
    std::uint32_t processId() const override;
    bool processRunning(std::uint32_t id) const override;

  private:
    FileOutcome copy(const std::string& from, const std::string& to, bool flush);
};

}  // namespace quarlo::platform::win32
