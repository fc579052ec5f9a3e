#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>
#include "texts/catalogue.h"

#include "backups/store.h"
#include "saves/save_header.h"
#include "saves/transfer.h"

namespace quarlo::platform {
class SaveFiles;
class Trash;
}  // namespace quarlo::platform

namespace quarlo::app {

class Characters;

// One line of the Restore list.
struct BackupRow {
    saves::SystemTime made;  // UTC: the front end shows it on the local clock
    std::string reason;      // "By hand", "Left for another character", ...
    std::string saves;       // how many saves it holds
    std::string newest;      // the newest save's level and location: "Level 23, Kvatch"
    bool byHand = false;
    friend bool operator==(const BackupRow&, const BackupRow&) = default;
};

// What the Restore list needs of its window.
class BackupsView {
  public:
    virtual ~BackupsView() = default;
    virtual void setTitle(const std::string& title) = 0;
    virtual void setRows(const std::vector<BackupRow>& rows) = 0;
    // "Backups take 1.2 GB on disk."
    virtual void setStoreSize(const std::string& text) = 0;
    // -1 when none is selected.
    virtual int selectedRow() const = 0;
    virtual bool confirm(const std::string& title, const std::string& question) = 0;
    virtual void showMessage(const std::string& title, const std::string& text) = 0;
    // As SavesView::runWithProgress.
    virtual void runWithProgress(const std::string& title,
                                 const std::function<void(const saves::Progress&)>& work) = 0;
    // A restore changed a character's folder: Saves windows are stale.
    virtual void savesChanged() = 0;
};

// What "Back Up" needs of its front end.
class BackupView {
  public:
    virtual ~BackupView() = default;
    virtual void showMessage(const std::string& title, const std::string& text) = 0;
    // As SavesView::runWithProgress.
    virtual void runWithProgress(const std::string& title,
                                 const std::function<void(const saves::Progress&)>& work) = 0;
};

// The backups of one character and where they go back to.
struct BackupsSource {
    std::string name;        // the list entry
    std::string gameFolder;  // the root folder the character belongs to
    std::string saveFolder;  // the character's folder
    backups::Store* store = nullptr;
    platform::SaveFiles* files = nullptr;
    platform::Trash* trash = nullptr;
    Characters* characters = nullptr;  // whether the game runs
    // Header text to UTF-8; when empty, bytes read as Latin-1.
    std::function<std::string(std::string_view)> ansiToUtf8;
    const games::Game* game = &games::oblivion();
};

namespace text {
inline constexpr const char* kBackUp = N_("Back Up");
inline constexpr const char* kRestore = N_("Restore\xE2\x80\xA6");
inline constexpr const char* kRemoveBackup = N_("Remove");
inline constexpr const char* kMenuBackUp = N_("&Back Up");
inline constexpr const char* kMenuRestore = N_("&Restore\xE2\x80\xA6");
inline constexpr const char* kChooseBackup = N_("Failed. Choose a Backup.");
inline constexpr const char* kNoBackups = N_("Failed. No Backups.");
inline constexpr const char* kNoBackupStore = N_("Failed. No Folder for Backups.");
inline constexpr const char* kAutomaticBackupKept =
    N_("Only backups made by hand are removed here; Quarlo keeps the newest 20 automatic ones of "
       "each character and removes older ones itself.");
}  // namespace text

// One backup as the Restore list shows it.
BackupRow backupRow(const backups::Backup& backup, const platform::SaveFiles* files,
                    const std::function<std::string(std::string_view)>& ansiToUtf8,
                    const games::SaveFormat& format = games::oblivion().saves);

// "1.2 GB", "340 MB", "12 KB", "0 bytes".
std::string sizeText(std::uint64_t bytes);

// The summary of a backup made by hand or automatically.
std::string backupSummary(const backups::Made& made, const std::string& character,
                          const games::SaveFormat& format = games::oblivion().saves);

// The summary of a restore.
std::string restoreSummary(const backups::Restored& restored);

// The Restore list of one character: its backups newest first; Restore puts
// the selected one back (after backing up the character as it is), Remove
// sends one made by hand to the trash. Refused while the game runs.
class BackupsWindow {
  public:
    BackupsWindow(BackupsSource source, BackupsView& view);

    void onOpen();
    void onRestore();
    void onRemove();

    const std::vector<backups::Backup>& backups() const { return backups_; }

  private:
    void load();

    BackupsSource source_;
    BackupsView& view_;
    std::vector<backups::Backup> backups_;
};

}  // namespace quarlo::app
