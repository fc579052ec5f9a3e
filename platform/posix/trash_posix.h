#pragma once

#include <list>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <sys/types.h>

#include "platform/trash.h"
#include "texts/catalogue.h"

namespace quarlo::platform::posix {

// One file on its way to the trash: its name under files/ and its
// .trashinfo.
struct Trashed {
    std::string original;  // as the .trashinfo names it
    std::string file;
    std::string info;
    std::string from;   // where it was taken from, to put it back
    std::string given;  // as the caller named it
    std::string infoFolder = {};
    bool placed = false;  // the file is in the trash
};

// The freedesktop.org trash: the home trash for files on the home's file
// system, else the trash folder at the top of the file's own file system.
// Under Wine and Proton the saves are Linux files, so this is the trash the
// user's file manager shows them in.
class PosixTrash : public Trash {
  public:
    // `dataHome` is $XDG_DATA_HOME or ~/.local/share; the home trash is its
    // Trash folder.
    explicit PosixTrash(std::string dataHome);
    // From the environment.
    PosixTrash();

    std::string name() const override { return NW_("word", "trash"); }
    TrashResult moveToTrash(const std::vector<std::string>& paths) override;
    // Every group's .trashinfo files are written first, then flushed with
    // one call for each file system, then the files go, a group at a time.
    std::vector<TrashResult> moveEachToTrash(
        const std::vector<std::vector<std::string>>& groups) override;
    // Through the folder's descriptor: each file is renamed out of the
    // folder opened, whatever its path names by then, checked right before
    // to be the version expected and, in the trash, to be the file checked.
    std::vector<TrashResult> moveEachFromFolder(
        const OpenFolder& folder, const std::vector<std::vector<Expected>>& groups) override;

  private:
    // What one call looks up once for all its files: each folder's resolved
    // path, each file system's trash, the deletion date.
    struct Batch;
    // The trash for `given` and a .trashinfo claimed there (flushed when
    // asked); what stops it otherwise.
    TrashOutcome claimFor(const std::string& given, bool flush, Trashed& out, Batch& batch);
    // The claimed files moved in, or, at the first that cannot go, all of
    // them put back.
    TrashResult place(std::vector<Trashed>& slots);
    // Files placed go back, infos claimed go.
    TrashResult undo(std::vector<Trashed>& done, TrashOutcome outcome);
    // The trash for a file of the file system `device` whose resolved path
    // is `real`, and a .trashinfo claimed there.
    TrashOutcome claimResolved(const std::string& real, dev_t device, bool flush, Trashed& out,
                               Batch& batch, const std::string& given);

    // Info files left without their file by a failure whose undo failed too:
    // this run's are tried again on every call; an earlier run's, about files
    // of the folder being trashed from, once a run for each trash folder.
    void removeOrphans();
    void cleanOrphans(const std::string& infoFolder, const std::string& filesFolder,
                      const std::string& pathKey);

    Batch newBatch() const;

    std::string dataHome_;
    std::mutex mutex_;
    std::list<std::string> orphans_;
    std::set<std::string> cleaned_;
};

// A path as the Path key of a .trashinfo file holds it: every byte but
// letters, digits, "/" and "-_.~!$&'()*+,;=:@" as %XX.
std::string trashInfoPath(const std::string& path);

}  // namespace quarlo::platform::posix
