#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include "texts/catalogue.h"

#include "app/sort_saves.h"
#include "app/tidy.h"
#include "backups/store.h"
#include "platform/platform.h"
#include "saves/plugins.h"
#include "saves/transfer.h"

namespace quarlo::app {

struct CharacterFolder;

// Texts the program shows.
namespace text {
inline constexpr const char* kNone = N_("[none]");
inline constexpr const char* kAutomaticMode = N_("Automatic Mode.");
inline constexpr const char* kRootDirMode = N_("Root Dir Mode.");
inline constexpr const char* kOpLoad = N_("Load.");
inline constexpr const char* kOpNew = N_("New.");
inline constexpr const char* kOpDifficulty = N_("Change Difficulty.");
inline constexpr const char* kOpRun = N_("Run Game.");
inline constexpr const char* kOpRenameScreenshots = N_("Rename Screenshots.");
inline constexpr const char* kSuccess = N_("Success.");
inline constexpr const char* kCharacterChanged = N_("Success. Character Changed.");
inline constexpr const char* kNewCharacterSet = N_("Success. New Character Set.");
inline constexpr const char* kChooseCharacter = N_("Failed. Choose a Character.");
inline constexpr const char* kTypeName = N_("Failed. Type a Name.");
inline constexpr const char* kCouldNotWrite = N_("Failed. Could Not Write Settings.");
inline constexpr const char* kCouldNotCreateFolder = N_("Failed. Could Not Create Folder.");
inline constexpr const char* kFolderNotFound = N_("Failed. No Such Character.");
inline constexpr const char* kInvalidName = N_("Failed. Invalid Name.");
inline constexpr const char* kNameTooLong = N_("Failed. Name Too Long.");
inline constexpr const char* kLauncherNotFound = N_("Failed. Launcher Not Found.");
inline constexpr const char* kGameIsRunning = N_("Failed. Game Is Running.");
inline constexpr const char* kNameTaken = N_("Failed. Name Taken.");
inline constexpr const char* kSameName = N_("Failed. Type a New Name.");
// The title of what a command cut off before left, finished at a start.
inline constexpr const char* kInterrupted = N_("Finished Now");

// lstLoad's context menu, each command with its access key.
inline constexpr const char* kMenuShowSaves = N_("Show &Saves\xE2\x80\xA6");
inline constexpr const char* kMenuOpenFolder = N_("&Open Folder");
inline constexpr const char* kMenuSortLooseSaves = N_("Sort &Loose Saves\xE2\x80\xA6");
inline constexpr const char* kMenuRename = N_("Re&name\xE2\x80\xA6");
inline constexpr const char* kMenuTidyUp = N_("&Tidy Up\xE2\x80\xA6");
inline constexpr const char* kMenuCarry = N_("&Carry\xE2\x80\xA6");
inline constexpr const char* kCarry = N_("Carry\xE2\x80\xA6");
inline constexpr const char* kCarryPlace = N_("Place:");
inline constexpr const char* kCarryNow = N_("Carry every character now?");
inline constexpr const char* kCarryCloud =
    N_("Steam Cloud keeps none of these characters' saves: its rule for the game reaches only the "
       "saves lying directly in Saves. Carrying takes its place.");
inline constexpr const char* kCarryPlacePrompt =
    N_("Carry your characters between computers through a folder that Syncthing, Dropbox, "
       "OneDrive or Nextcloud keeps in step (or an SD card), or an rclone remote (name:path). "
       "The place:");
inline constexpr const char* kRename = N_("Rename\xE2\x80\xA6");

// Every text the status lines can show, so a front end can size its font to
// fit them all.
inline constexpr std::array kOperations{kOpLoad, kOpNew, kOpDifficulty, kOpRun,
                                        kOpRenameScreenshots};
inline constexpr std::array kOutcomes{
    kSuccess,     kCharacterChanged, kNewCharacterSet,      kChooseCharacter,
    kTypeName,    kCouldNotWrite,    kCouldNotCreateFolder, kFolderNotFound,
    kInvalidName, kNameTooLong,      kLauncherNotFound,     kGameIsRunning};
}  // namespace text

// What a command shows while it works and says besides its outcome: the
// window's progress dialog and message boxes, the command line's standard
// error.
class CommandView {
  public:
    virtual ~CommandView() = default;
    virtual void runWithProgress(const std::string& title,
                                 const std::function<void(const saves::Progress&)>& work) = 0;
    virtual void showNotice(const std::string& title, const std::string& text) = 0;
};

// Any front end's view with runWithProgress and a message of its own
// (showNotice or showMessage) as a CommandView.
template <typename View>
class ViewOf : public CommandView {
  public:
    explicit ViewOf(View& view) : view_(view) {}
    void runWithProgress(const std::string& title,
                         const std::function<void(const saves::Progress&)>& work) override {
        view_.runWithProgress(title, work);
    }
    void showNotice(const std::string& title, const std::string& text) override {
        if constexpr (requires { view_.showNotice(title, text); }) {
            view_.showNotice(title, text);
        } else {
            view_.showMessage(title, text);
        }
    }

  private:
    View& view_;
};

// The game folder's state and the commands on it, as plain C++: the folder
// Quarlo works on, its settings files, its characters and their backups.
// The main window, the command line and the picker all run their commands
// here; none of it knows a control.
class Game {
  public:
    Game(platform::Platform& platform, CommandView& view);

    // Automatic Mode's game folder: My Games\Oblivion in the documents
    // folder, or the install folder where the game turns My Games off.
    std::string automaticRoot() const;
    void setRoot(std::string root) { root_ = std::move(root); }
    // After the platform was made anew for another game: nothing of the
    // folder worked on before is kept.
    void forgetGameFolder() {
        store_.reset();
        finishedFor_.clear();
        root_.clear();
    }
    const std::string& root() const { return root_; }

    // The game this folder is of.
    const games::Game& game() const { return *platform_.game; }

    // The settings file the game reads first (oblivion.ini), and any other
    // of the game folder: root/<file>.
    std::string gameSettingsPath() const;
    std::string settingsPath(std::string_view file) const;
    std::string programSettingsPath() const;
    std::string savesFolder() const;
    // root/Saves/entry.
    std::string characterFolder(const std::string& entry) const;

    std::string readGame(const char* section, const char* key, const char* def, int capacity);
    // A setting as the game reads it: from each of its files in turn, the
    // last that holds it winning; `def` where none does. The checked read is
    // nullopt when a file that is there cannot be read.
    std::string readSetting(const games::Setting& setting, const char* def, int capacity) const;
    std::optional<std::string> readSettingChecked(const games::Setting& setting, const char* def,
                                                  int capacity) const;
    // Writes a setting where the game will read it (games::Setting says
    // where), then reads every file the game reads, in its order: nullopt
    // when the value that wins is `value`, else the "Failed." sentence that
    // says why. Every other byte of every file stays as it was.
    std::optional<std::string> writeSetting(const games::Setting& setting,
                                            const std::string& value);
    std::string readCharacter(const std::string& character, const char* key, const char* def,
                              int capacity);
    bool writeCharacter(const std::string& character, const char* key, const std::string& value);
    // What Run Game starts where no store does: the install folder's
    // script extender's loader where it is there, else the launcher (or the
    // game's program, for a game without one), as a path the registry gives.
    std::string launcherPath() const;

    // The character SLocalSavePath names now, and the folder it names.
    std::string activeSave();
    std::string activeSaveFolder();

    bool gameIsRunning() const;

    // The characters the main window lists, in its order: every folder
    // under the game folder that a save path could name.
    std::vector<std::string> characters() const;
    platform::SaveFiles* saveFiles() const { return platform_.saveFiles.get(); }

    // Load Character: the checks, the backup of the character left, and the
    // switch itself. The outcome's own text.
    const char* load(const std::string& name);
    // The difficulty's scale as the slider shows it.
    int difficultyLow() const { return game().difficulty.low; }
    int difficultyHigh() const { return game().difficulty.high; }
    int difficultyNormal() const { return game().difficulty.normal; }
    // New Character: the folder, the backup of the character left, the
    // switch and the new character's first settings (its difficulty the
    // one given). The outcome's own text; `folder` the new one's.
    // `switched` says whether the game now uses the new character (a
    // failure after the switch is still reported).
    const char* create(const std::string& name, int difficulty, std::string& folder,
                       bool& switched);
    // A character's difficulty and screenshot naming as quarlo.ini keeps
    // them, and both written into the game's settings, as the window does on
    // a switch. False when a write failed.
    int difficultyOf(const std::string& character);
    int screenshotNamingOf(const std::string& character);
    bool applyCharacterSettings(const std::string& character);

    // A folder for a Saves window's Move To… and Copy To…: a listed
    // character's, or a new one made by New's rules.
    CharacterFolder prepareFolder(const std::string& name,
                                  const std::vector<std::string>& characters);

    // The backups, made ready on first use; null without a folder for them.
    backups::Store* store();
    // A file of Quarlo's own for this game folder, in the store's folder for
    // it (the carry place, what was carried, the code page chosen); "" where
    // there is none.
    std::string ownFile(std::string_view name);
    // Back Up: the character's saves, kept until removed by hand.
    backups::Made backUp(const std::string& character);
    // A backup before a command takes the game or its saves elsewhere; a
    // failure is told, and the command goes on.
    void backUpBefore(backups::Reason reason, const std::string& character,
                      const std::string& folder, const char* title);

    // Rename…: the character's folder, its section of quarlo.ini, the
    // game's setting when it is the character the game uses, and its
    // backups, all or none. A "Success." or "Failed." text; a failure whose
    // steps could not all be put back says where things are.
    std::string rename(const std::string& from, const std::string& to);

    // Tidy Up…: the plan shown to `view`, which the user may change; a
    // backup of the character; then the chosen files to the trash, each save
    // with its co-saves, whole or not at all. A file changed or gone since
    // the plan stays, and the summary says why.
    // `keep` is the plan's first number of newest saves.
    void tidyUp(const std::string& character, CharacterView& view,
                std::size_t keep = kTidyKeepAtFirst);

    // The game's saves Steam Cloud keeps (see cloudSaves), read anew each
    // time: Steam may change its lists while Quarlo runs.
    std::vector<std::string> cloudSaves() const;
    bool cloudInUse() const;

    // Sort Loose Saves…: the plan shown to `view`, then the moves; `afterMoves`
    // runs once they are done, before the summary is shown there.
    void sortLooseSaves(SortView& view, const std::function<void()>& afterMoves);

    // What the game would load now: Plugins.txt and the Data folder.
    saves::PluginSetup pluginSetup();

    // Makes root/Saves/<name> with every level it lacks; `created` gets the
    // levels made, so that a failure later can take them away again.
    bool makeCharacterFolder(const std::string& name, std::string& path,
                             std::vector<std::string>& created);

    // One writer at a time among every Quarlo: held while a command writes
    // this game folder's settings, saves or store, and shared by whatever
    // else this process runs meanwhile; the system releases it when the
    // process ends however it ends. Null, with `refusal` a "Failed."
    // sentence saying who has it, when another holds it beyond a short
    // wait. `what` names the command to one that finds it taken.
    // Without `wait`, one try only: for a command that only reads, which
    // finishes what was cut off when it can and otherwise goes on.
    std::shared_ptr<platform::HeldLock> lockForWriting(const std::string& what,
                                                       std::string& refusal, bool wait = true);

    // What a command cut off before (killed, a power cut) left half done in
    // this game folder, finished or put back now: a "Success." or "Failed."
    // sentence each, none when nothing was left. Every front end runs it
    // when it starts on a game folder, before anything else.
    std::vector<std::string> finishInterrupted();

  private:
    void backUpLeaving(const std::string& next);
    struct RenameJob;
    bool writeJournal(const RenameJob& job);
    std::optional<std::string> renameStep(int step, RenameJob& job, bool forward);
    std::string runRename(RenameJob& job);
    std::optional<std::string> finishRename();
    void removeSettingsLeftovers();
    std::string tidyJournal();
    std::optional<std::string> finishTidy();

    platform::Platform& platform_;
    CommandView& view_;
    std::string root_;
    std::unique_ptr<backups::Store> store_;
    // Whether this game folder was looked at for what a command cut off
    // left, since the root was set.
    std::string finishedFor_;
    // The "Failed." sentence a refused lock gave load() or create(), which
    // return their outcome's text.
    std::string lastRefusal_;
};

// A profile value as the controls can show it: the leading integer of the
// text, clamped to [low, high]; `fallback` when the text holds no number.
int parseSetting(const std::string& text, int low, int high, int fallback);

// Whether a typed character name may become a save folder and a section name:
// nullptr when it may, else the "Failed." message that refuses it.
// `storedLength` is the name's length in the settings files' code page, as
// the profile counts it; nullopt when the code page cannot hold the name.
const char* refuseCharacterName(const std::string& name, std::optional<std::size_t> storedLength);

// Reads of the game's settings keep to these capacities, as the window
// always has: a value longer than its capacity reads cut.
inline constexpr int kSaveReadCapacity = 62;
inline constexpr int kSettingReadCapacity = 100;

}  // namespace quarlo::app
