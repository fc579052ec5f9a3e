#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/controls.h"
#include "app/game.h"
#include "app/sort_saves.h"
#include "catalogue/path_log.h"
#include "platform/platform.h"

namespace quarlo::app {

// The main window's state and behaviour, without any widget: start-up, the
// character list and active save, the per-character settings and the commands
// behind the buttons. The front end calls one handler per control event.
class Main : public Characters {
  public:
    Main(platform::Platform& platform, MainControls& controls);

    // The games found here, for the Game menu; how to make a game's platform
    // (its prefix, its programs) and keep the choice. Set before startUp;
    // without it the window knows the one game its platform was made for.
    void setGames(std::vector<platform::FoundGame> found,
                  std::function<platform::Platform(const games::Game&)> make,
                  std::function<bool(std::string_view)> remember);

    // Runs before the window is first shown.
    void startUp();

    // The Game menu: the game of the entry chosen takes the window's place
    // as at a start; one Quarlo cannot switch is said, never loaded.
    void onGameChosen(std::size_t entry);

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

    // "Rename…" and "Tidy Up…" of lstLoad's menu, for one entry.
    void onRename(const std::string& entry, CharacterView& view);
    void onTidyUp(const std::string& entry, CharacterView& view);
    void onCarry(const std::string& entry, CharacterView& view);

    // What a Saves window's commands need.
    std::vector<std::string> names() const override { return characterNames_; }
    CharacterFolder prepareFolder(const std::string& name) override {
        return game_.prepareFolder(name, characterNames_);
    }
    bool gameIsRunning() const override { return game_.gameIsRunning(); }
    std::shared_ptr<platform::HeldLock> lockForWriting(const std::string& what,
                                                       std::string& refusal) override {
        return game_.lockForWriting(what, refusal);
    }

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
    const std::string& rootFolder() const { return game_.root(); }
    Game& game() { return game_; }
    const std::string& activeSave() const { return activeSaveName_; }
    const std::string& launcherPath() const { return launcherPath_; }
    const std::string& newCharacterPath() const { return newCharacterPath_; }
    const std::vector<std::string>& folderPaths() const { return folderPaths_; }

    std::string gameSettingsPath() const { return game_.gameSettingsPath(); }
    std::string programSettingsPath() const { return game_.programSettingsPath(); }

  private:
    // The names in saves, in the game folder's edition's code page from now on.
    void readNamesInItsCodePage();
    void showGames();
    std::string readGame(const char* section, const char* key, const char* def, int capacity);
    std::string readCharacter(const char* key, const char* def, int capacity);
    bool writeCharacter(const char* key, const std::string& value);
    void setOutcome(const char* op, const char* outcome);
    // Held for a handler that writes, and for every handler it runs in turn
    // (a switch restores the character's settings): one writer at a time
    // among every Quarlo. `ok` is false while another holds the game folder;
    // nothing is written then.
    class Holding {
      public:
        Holding(Main& main, const char* op);
        ~Holding();
        Holding(const Holding&) = delete;
        Holding& operator=(const Holding&) = delete;
        bool ok() const { return main_.refused_.empty(); }

      private:
        Main& main_;
    };
    int holding_ = 0;
    std::shared_ptr<platform::HeldLock> held_;
    std::string refused_;

    platform::Platform& platform_;
    MainControls& controls_;
    ViewOf<MainControls> view_;
    Game game_;

    catalogue::PathLog pathLog_;
    std::vector<std::string> folderPaths_;
    std::vector<std::int32_t> parentIndexes_;
    std::vector<std::string> fileNames_;

    bool directoryMode_ = false;
    std::vector<std::string> characterNames_;
    std::string newCharacterPath_;
    std::string activeSaveName_;
    std::string launcherPath_;
    std::vector<platform::FoundGame> found_;
    std::function<platform::Platform(const games::Game&)> makePlatform_;
    std::function<bool(std::string_view)> rememberGame_;
    // The text of the last outcome that is no constant of its own.
    std::string failure_;
    int readBufferLength_ = 0;
};

// The hooks that hand each of the main window's notifications to `main`.
MainHandlers handlersFor(Main& main);

// The game a window starts on: the one last chosen (a key) where it is
// found here, or wherever nothing is found; else Oblivion where it is found
// or nothing is; else the first game found that Quarlo can switch.
const games::Game& windowGame(const std::vector<platform::FoundGame>& found,
                              std::string_view remembered);

// "Quarlo", or "Quarlo - Skyrim Special Edition" where more than Oblivion
// is served.
std::string windowTitle(const games::Game& game, const std::vector<platform::FoundGame>& found);

}  // namespace quarlo::app
