#pragma once

#include <list>
#include <mutex>
#include <set>
#include <string>

#include "platform/trash.h"

namespace quarlo::platform::posix {

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

    std::string name() const override { return "trash"; }
    TrashResult moveToTrash(const std::vector<std::string>& paths) override;

  private:
    // Info files left without their file by a failure whose undo failed too:
    // this run's are tried again on every call; an earlier run's, about files
    // of the folder being trashed from, once a run for each trash folder.
    void removeOrphans();
    void cleanOrphans(const std::string& infoFolder, const std::string& filesFolder,
                      const std::string& pathKey);

    std::string dataHome_;
    std::mutex mutex_;
    std::list<std::string> orphans_;
    std::set<std::string> cleaned_;
};

// A path as the Path key of a .trashinfo file holds it: every byte but
// letters, digits, "/" and "-_.~!$&'()*+,;=:@" as %XX.
std::string trashInfoPath(const std::string& path);

}  // namespace quarlo::platform::posix
