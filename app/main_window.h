#pragma once

#include <array>
#include <memory>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/sort_saves.h"
#include "catalogue/path_log.h"
#include "platform/platform.h"

namespace quarlo::app {

// Texts the program shows.
namespace text {
inline constexpr const char* kNone = "[none]";
inline constexpr const char* kAutomaticMode = "Automatic Mode.";
inline constexpr const char* kRootDirMode = "Root Dir Mode.";
inline constexpr const char* kOpLoad = "Load.";
inline constexpr const char* kOpNew = "New.";
inline constexpr const char* kOpDifficulty = "Change Difficulty.";
inline constexpr const char* kOpRun = "Run Game.";
inline constexpr const char* kOpRenameScreenshots = "Rename Screenshots.";
inline constexpr const char* kSuccess = "Success.";
inline constexpr const char* kCharacterChanged = "Success. Character Changed.";
inline constexpr const char* kNewCharacterSet = "Success. New Character Set.";
inline constexpr const char* kChooseCharacter = "Failed. Choose a Character.";
inline constexpr const char* kTypeName = "Failed. Type a Name.";
inline constexpr const char* kCouldNotWrite = "Failed. Could Not Write Settings.";
inline constexpr const char* kCouldNotCreateFolder = "Failed. Could Not Create Folder.";
inline constexpr const char* kFolderNotFound = "Failed. No Such Character.";
inline constexpr const char* kInvalidName = "Failed. Invalid Name.";
inline constexpr const char* kNameTooLong = "Failed. Name Too Long.";
inline constexpr const char* kLauncherNotFound = "Failed. Launcher Not Found.";
inline constexpr const char* kGameIsRunning = "Failed. Game Is Running.";

// lstLoad's context menu, each command with its access key.
inline constexpr const char* kMenuShowSaves = "Show &Saves\xE2\x80\xA6";
inline constexpr const char* kMenuOpenFolder = "&Open Folder";
inline constexpr const char* kMenuSortLooseSaves = "Sort &Loose Saves\xE2\x80\xA6";

// Every text the status lines can show, so a front end can size its font to
// fit them all.
inline constexpr std::array kOperations{kOpLoad, kOpNew, kOpDifficulty, kOpRun,
                                        kOpRenameScreenshots};
inline constexpr std::array kOutcomes{
    kSuccess,     kCharacterChanged, kNewCharacterSet,      kChooseCharacter,
    kTypeName,    kCouldNotWrite,    kCouldNotCreateFolder, kFolderNotFound,
    kInvalidName, kNameTooLong,      kLauncherNotFound,     kGameIsRunning};
}  // namespace text

// The main window's state and behaviour, without any widget: start-up, the
// character list and active save, the per-character settings and the commands
// behind the buttons. The front end calls one handler per control event.
class Main : public Characters {
  public:
    Main(platform::Platform& platform, MainControls& controls);

    // Runs before the window is first shown.
    void startUp();

    // Control events.
    void onSliderChanged();
    void onCheckClicked();
    void onLoadClicked();
    void onNewClicked();
    void onToggleClicked();
    void onRunClicked();

    // lstLoad's context menu. The folder a list entry names, root/Saves/entry;
    // opening it in the file manager and showing its saves change no control
    // and no file.
    std::string characterFolder(const std::string& entry) const;
    bool onOpenFolder(const std::string& entry);
    SavesSource savesOf(const std::string& entry);
    // "Sort Loose Saves…": the saves lying directly in Saves go, after the
    // user has seen the plan, into the folders of their players' names.
    // SLocalSavePath is never changed by it.
    void onSortLooseSaves(SortView& view);
    // "Back Up": the entry's saves into the backups, kept until removed by
    // hand; "Restore…" lists them.
    void onBackUp(const std::string& entry, BackupView& view);
    BackupsSource backupsOf(const std::string& entry);
    // What the game would load now: Plugins.txt and the Data folder.
    saves::PluginSetup pluginSetup();

    // What a Saves window's commands need.
    std::vector<std::string> names() const override { return characterNames_; }
    CharacterFolder prepareFolder(const std::string& name) override;
    bool gameIsRunning() const override;

    // Shared procedures.
    void RefreshSaveList();
    // False when the game's screenshot name could not be written.
    bool activeSaveLabel();
    void LoadCharacterSettings();

    // Setting the slider or the check box from code runs its handler when the
    // value changes, as a user's change does.
    void setSlider(int value);
    void setCheck(int value);

    bool directoryMode() const { return directoryMode_; }
    const std::string& rootFolder() const { return rootFolder_; }
    const std::string& activeSave() const { return activeSaveName_; }
    const std::string& launcherPath() const { return launcherPath_; }
    const std::string& newCharacterPath() const { return newCharacterPath_; }
    const std::vector<std::string>& folderPaths() const { return folderPaths_; }

    std::string gameSettingsPath() const;
    std::string programSettingsPath() const;

  private:
    std::string automaticRootFolder() const;
    std::string readGame(const char* section, const char* key, const char* def, int capacity);
    std::string readCharacter(const char* key, const char* def, int capacity);
    bool writeCharacter(const char* key, const std::string& value);
    void setOutcome(const char* op, const char* outcome);
    std::string savesFolder() const;
    // Makes root/Saves/<name> with every level it lacks; `created` gets the
    // levels made, so that a failure later can take them away again.
    bool makeCharacterFolder(const std::string& name, std::string& path,
                             std::vector<std::string>& created);
    // The folder the game saves in now, as SLocalSavePath names it.
    std::string activeSaveFolder();
    // Before a switch to `next`: a backup of the character being left.
    void backUpLeaving(const std::string& next);
    // The backups, made ready on first use; null without a folder for them.
    backups::Store* store();
    // Backs up a character's saves before a command takes the game or its
    // saves elsewhere; a failure is told, and the command goes on.
    void backUpBefore(backups::Reason reason, const std::string& character,
                      const std::string& folder, const char* title);

    platform::Platform& platform_;
    MainControls& controls_;
    std::unique_ptr<backups::Store> store_;  // none without a folder for it

    catalogue::PathLog pathLog_;
    std::vector<std::string> folderPaths_;
    std::vector<std::int32_t> parentIndexes_;
    std::vector<std::string> fileNames_;

    bool directoryMode_ = false;
    std::string rootFolder_;
    std::vector<std::string> characterNames_;
    std::string newCharacterPath_;
    std::string activeSaveName_;
    std::string launcherPath_;
    int readBufferLength_ = 0;
};

// The hooks that hand each of the main window's notifications to `main`.
MainHandlers handlersFor(Main& main);

// A profile value as the controls can show it: the leading integer of the
// text, clamped to [low, high]; `fallback` when the text holds no number.
int parseSetting(const std::string& text, int low, int high, int fallback);

// Whether a typed character name may become a save folder and a section name:
// nullptr when it may, else the "Failed." message that refuses it.
// `storedLength` is the name's length in the settings files' code page, as
// the profile counts it; nullopt when the code page cannot hold the name.
const char* refuseCharacterName(const std::string& name, std::optional<std::size_t> storedLength);

}  // namespace quarlo::app
