#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include "texts/catalogue.h"

#include "app/transfer_text.h"
#include "saves/character_saves.h"
#include "saves/co_save.h"
#include "saves/plugins.h"
#include "saves/transfer.h"

#include <memory>

#include "platform/save_files.h"

namespace quarlo::platform {
class Trash;
}  // namespace quarlo::platform

namespace quarlo::app {

// One line of the Saves window's table, as text, with the save time left for
// the front end to write in the user's locale.
// The facts come first; the file name, long in real folders, last.
struct SaveRow {
    std::string file;                        // "Save 12.ess"
    std::string player;                      // the player's name; "" when unreadable
    std::string level;                       // "" when unreadable
    std::string location;                    // the cell's name
    std::string played;                      // "h:mm"
    std::optional<saves::SystemTime> saved;  // local time; none when unreadable
    std::string plugins;                     // "12", or "12, 2 missing"
    // Why the file is no save the game can load, or what is special about
    // it: the game's backup, another character's, a link.
    std::string note;
    friend bool operator==(const SaveRow&, const SaveRow&) = default;
};

// One plugin a save needs, in load order, and how it stands now.
struct PluginLine {
    std::string name;   // UTF-8
    std::string state;  // "active", "installed, not active", "not installed", or ""
    friend bool operator==(const PluginLine&, const PluginLine&) = default;
};

// What the Saves window's logic needs of its window. Selecting a row from
// here must not notify: the logic shows that row's screenshot itself.
class SavesView {
  public:
    virtual ~SavesView() = default;
    virtual void setTitle(const std::string& title) = 0;
    virtual void setRows(const std::vector<SaveRow>& rows) = 0;
    // -1 selects none.
    virtual void selectRow(int row) = 0;
    // width * height * 3 bytes of RGB, top row first, no padding.
    virtual void showScreenshot(std::uint32_t width, std::uint32_t height,
                                const std::string& rgb) = 0;
    virtual void clearScreenshot() = 0;
    // The selected save's plugins, beside its screenshot.
    virtual void showPlugins(const std::vector<PluginLine>& plugins) = 0;
    // Why the plugins' states are not shown, once for the window; "" when
    // they are.
    virtual void setPluginNote(const std::string& note) = 0;
    // Under the plugins, the selected save's notes in full and what its
    // co-saves say, a line each; none for no save.
    virtual void showDetails(const std::vector<std::string>& lines) = 0;

    // The rows the user has selected, in ascending order.
    virtual std::vector<int> selectedRows() const = 0;
    // Where Move To… or Copy To… puts the saves: one of `characters`, or a
    // name the user typed; nullopt when the user cancelled.
    virtual std::optional<std::string> askDestination(
        const std::string& title, const std::string& prompt,
        const std::vector<std::string>& characters) = 0;
    // A question with a yes and a no; true for yes.
    virtual bool confirm(const std::string& title, const std::string& question) = 0;
    virtual void showMessage(const std::string& title, const std::string& text) = 0;
    // Saves went into or out of folders, so other windows showing them are
    // stale; `charactersAdded` when a character folder was made as well.
    virtual void savesChanged(bool charactersAdded) = 0;
    // Runs `work` and returns when it is done. A front end runs it off the
    // window's thread, keeps every window painting but none taking commands,
    // and from about half a second on shows the progress `work` reports,
    // with a Cancel that makes the progress answer false.
    virtual void runWithProgress(const std::string& title,
                                 const std::function<void(const saves::Progress&)>& work) = 0;
};

// A character folder made ready to take saves, or the reason it cannot be.
struct CharacterFolder {
    std::string folder;
    const char* refusal = nullptr;  // a "Failed." text; folder is "" then
    bool created = false;
};

// What the Saves window's commands ask of the program around it.
class Characters {
  public:
    virtual ~Characters() = default;
    // The entries lstLoad lists, in its order.
    virtual std::vector<std::string> names() const = 0;
    // An entry's folder, or a new name's folder made by the rules of New
    // (without switching the game to it).
    virtual CharacterFolder prepareFolder(const std::string& name) = 0;
    virtual bool gameIsRunning() const = 0;
    // Held while a command writes saves or backups: null, `refusal` then a
    // "Failed." sentence, while another Quarlo is changing the game folder.
    virtual std::shared_ptr<platform::HeldLock> lockForWriting(const std::string& what,
                                                               std::string& refusal) {
        (void)what;
        refusal.clear();
        return std::make_shared<platform::HeldLock>();
    }
};

// The lock for a window's command that writes (none is needed without
// `characters`); null once `view` has been shown why it is not given.
template <typename View>
std::shared_ptr<platform::HeldLock> lockOrSay(Characters* characters, const std::string& title,
                                              View& view) {
    std::string refusal;
    auto writing = characters != nullptr ? characters->lockForWriting(title, refusal)
                                         : std::make_shared<platform::HeldLock>();
    if (!writing) {
        view.showMessage(title, refusal);
    }
    return writing;
}

// Where one character's saves are and how to read them.
struct SavesSource {
    std::string name;    // the list entry, as lstLoad shows it
    std::string folder;  // root/Saves/<entry>
    platform::SaveFiles* files = nullptr;
    // Header text to UTF-8; when empty, bytes read as Latin-1.
    std::function<std::string(std::string_view)> ansiToUtf8;
    // For moving, copying and deleting; without them those commands refuse.
    Characters* characters = nullptr;
    platform::Trash* trash = nullptr;
    // What the game would load now, read when the window opens and on F5;
    // without it only the plugins' count is shown.
    std::function<saves::PluginSetup()> plugins = {};
    // The game's saves Steam Cloud keeps, as paths below Saves, read when
    // the window opens and on F5; none without it.
    std::function<std::vector<std::string>()> cloud = {};
    // Whether Steam Cloud is in use for the game: where it is, the window
    // says of a character's folder that the cloud does not keep it.
    std::function<bool()> cloudInUse = {};
    // The game whose saves these are.
    const games::Game* game = &games::oblivion();
};

// Texts of the Saves window's commands.
namespace text {
inline constexpr const char* kMoveTo = N_("Move To\xE2\x80\xA6");
inline constexpr const char* kCopyTo = N_("Copy To\xE2\x80\xA6");
inline constexpr const char* kDelete = N_("Delete");
inline constexpr const char* kChooseSave = N_("Failed. Choose a Save.");
inline constexpr const char* kSameCharacter = N_("Failed. Choose Another Character.");
inline constexpr const char* kSavesInUse =
    N_("Failed. Game Is Running.\n\nThe game may be writing these saves. Quit the game, then try "
       "again.");
inline constexpr const char* kNotAvailable = N_("Failed. Not Available Here.");
}  // namespace text

// "h:mm" of a play time in milliseconds, minutes cut, not rounded, as a clock
// shows them.
std::string formatPlayTime(std::uint32_t milliseconds);

// The table row of one save, its texts converted to UTF-8. `character` is
// the character most saves of the folder are of: a save of another is marked.
SaveRow rowFor(const saves::SaveEntry& entry,
               const std::function<std::string(std::string_view)>& ansiToUtf8,
               const std::optional<std::uint64_t>& character = std::nullopt,
               const saves::PluginSetup& setup = {});

// Texts of the notes.
namespace text {
inline constexpr const char* kGamesBackup = N_("The game's backup");
inline constexpr const char* kAnotherCharacters = N_("Another character's");
inline constexpr const char* kLink = N_("A link");
inline constexpr const char* kCoSaveCutShort = N_("Co-save cut short.");
inline constexpr const char* kNotACoSave = N_("Not a co-save.");
inline constexpr const char* kNoSaveTime =
    N_("The game keeps no time in its saves: Saved shows when each file was last written.");
}  // namespace text

// A co-save's facts as the Saves window says them, one line:
// "Save 1.obse: script extender 21.4, game 1.2.0416, 2 plugins stored data".
std::string coSaveLine(const std::string& fileName, const saves::CoSaveFacts& facts,
                       const std::function<std::string(std::string_view)>& ansiToUtf8);

// A character's saves as the Saves window reads them: each save's row (its
// note with what its co-saves and Steam Cloud add), its co-saves' facts and
// its plugins; the window's note above them. The command line's `saves`
// reads the same.
struct ListedSaves {
    std::vector<saves::SaveEntry> saves;
    std::vector<SaveRow> rows;
    std::vector<std::vector<std::pair<std::string, saves::CoSaveFacts>>> coSaves;
    std::vector<std::string> cloud;
    saves::PluginSetup plugins;
    std::string note;
};
ListedSaves listSavesOf(const SavesSource& source);

// The plugins one save needs, in load order (its full plugins, then its
// light ones), as UTF-8, each with how it stands now.
std::vector<PluginLine> pluginLines(const saves::SaveEntry& entry, const SavesSource& source,
                                    const saves::PluginSetup& setup);

// The Saves window of one character: it reads the folder when it opens and
// when asked again, and the screenshot of the selected save. Its commands
// move, copy or send to the trash the selected saves, each with its
// co-saves; nothing else writes.
class SavesWindow {
  public:
    SavesWindow(SavesSource source, SavesView& view);

    void onOpen();
    // F5: reads the folder again, keeping the selected save selected while it
    // is still there.
    void onRefresh();
    // The user selected a row (-1 for none).
    void onSelect(int row);
    void onMoveTo();
    void onCopyTo();
    void onDelete();

    const SavesSource& source() const { return source_; }
    const std::vector<saves::SaveEntry>& saves() const { return saves_; }

  private:
    void load(const std::string& keepSelected);
    void transfer(bool move);
    std::vector<saves::SaveEntry> selectedSaves() const;
    // Whether the user goes on where Steam Cloud keeps saves of the game.
    // Of the chosen saves, those Steam Cloud keeps: what a move or a delete
    // of them says first; and the question itself.
    std::string cloudWarningFor(const std::vector<saves::SaveEntry>& chosen) const;
    bool goesOnDespiteCloud(const std::string& title, const std::vector<saves::SaveEntry>& chosen);

    SavesSource source_;
    SavesView& view_;
    std::vector<saves::SaveEntry> saves_;
    // Each save's co-saves as read with the list, by name; the notes shown.
    std::vector<std::vector<std::pair<std::string, saves::CoSaveFacts>>> coSaves_;
    std::vector<std::string> notes_;
    std::vector<std::string> cloud_;
    saves::PluginSetup plugins_;
    int selected_ = -1;
};

}  // namespace quarlo::app
