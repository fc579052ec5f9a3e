#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>
#include "texts/catalogue.h"

#include "platform/save_files.h"
#include "platform/trash.h"
#include "saves/character_saves.h"
#include "saves/transfer.h"

namespace quarlo::app {

// One file Tidy Up… would send to the trash, with its co-saves.
struct TidyItem {
    enum class Kind {
        old,         // a save of the character older than its newest N
        stray,       // a co-save whose save is gone
        unloadable,  // a file the game cannot load: cut or damaged
    };
    Kind kind = Kind::old;
    std::string fileName;              // the save, or the stray co-save
    std::vector<std::string> coSaves;  // those that go with a save
    std::string facts;                 // "Level 12, Imperial City, 2006-03-01 18:22" or why
    std::optional<platform::FileStamp> stamp = {};  // the file as the plan saw it
    // Whether it goes: old saves and strays at first, unloadable files only
    // when ticked.
    bool chosen = true;
    friend bool operator==(const TidyItem&, const TidyItem&) = default;
};

// What Tidy Up… would do, shown before anything moves.
struct TidyPlan {
    std::size_t keep = 10;        // the newest saves of the character that stay
    std::size_t kept = 0;         // saves that stay: the newest, the game's own, others'
    std::vector<TidyItem> items;  // the old saves oldest first, then strays, then unloadable
    // What Steam Cloud would do to it, "" where it keeps none of the saves.
    std::string warning;
    std::size_t chosen() const;
};

inline constexpr std::size_t kTidyKeepAtFirst = 10;

// The plan for one character's folder: of the character's saves (by the
// stamp of when it was made, as the Saves window tells it), those older than
// its newest `keep` by the save time in their headers; never the game's own
// autosave and quicksave nor a ".bak" of the game's, never a link nor another
// character's save. Then the co-saves whose save is gone (`names` is every
// name of the folder but folders, links included, so that a save that is a
// link keeps its co-saves), each a regular file, then the files that cannot
// be read as saves, not chosen. `stampOf` gives each regular file's version
// now, nullopt for anything else.
TidyPlan planTidy(
    const std::vector<saves::SaveEntry>& saves, const std::vector<std::string>& names,
    std::size_t keep,
    const std::function<std::optional<platform::FileStamp>(const std::string&)>& stampOf,
    const std::function<std::string(std::string_view)>& ansiToUtf8,
    const games::SaveFormat& format = games::oblivion().saves);

// What Tidy Up… did with a plan.
struct Tidied {
    std::vector<saves::TransferResult> saves;  // of the chosen saves still as planned
    std::size_t straysGone = 0;                // co-saves without their save that went
    std::vector<std::string> left;             // "Save 2.ess: it changed since the plan."
};

// The version of each file the backup made first holds, by name: what a
// file must still be, right before it goes, for the backup to hold it.
using BackedUp = std::map<std::string, platform::FileStamp>;

// What is about to go to the trash, group by group (a save with its
// co-saves), with the versions each file must be.
using TidyGroups = std::vector<std::vector<platform::Trash::Expected>>;

// Sends what the plan chose to the trash, through the character's folder
// opened once (never its path again, so a folder swapped for a link meanwhile
// sends nothing of that link's): each file checked again first (a file
// changed or gone since the plan stays, and a co-save whose save is back);
// each save with the co-saves the folder holds now, all of them in the
// backup at the version it holds (a co-save written since the backup keeps
// its save where it is); `beforeMoving` is given every group before anything
// moves (to write them down; false stops it), then the groups go as
// batches, each file checked by the trash once more right before it goes.
// What went is read from the folder afterwards, not taken from the trash's
// word.
Tidied tidyAway(platform::Trash& trash, const platform::OpenFolder& folder, const TidyPlan& plan,
                const BackedUp& backedUp,
                const std::function<bool(const TidyGroups&)>& beforeMoving = {},
                const saves::Progress& progress = {},
                const games::SaveFormat& format = games::oblivion().saves);

// What the plan does as it is chosen: "2 of 3 go to the trash, …".
std::string tidyIntro(const TidyPlan& plan);

// An item's file with its co-saves counted: "A.ess (and 2 co-saves)".
std::string tidyItemFile(const TidyItem& item);

// The plan as lines of text, for a front end that shows it as a message;
// `say` puts each of its texts in the player's language.
std::string tidyPlanText(const TidyPlan& plan,
                         const std::function<std::string(std::string_view)>& say = {});

// What Rename… and Tidy Up… ask of their front end.
class CharacterView {
  public:
    virtual ~CharacterView() = default;
    // A name typed by the user, `initial` shown first; nullopt on Cancel.
    virtual std::optional<std::string> askName(const std::string& title, const std::string& prompt,
                                               const std::string& initial) = 0;
    virtual bool confirm(const std::string& title, const std::string& question) = 0;
    // Shows the plan, which the user may change (an item's `chosen`, and
    // `keep`, for which `replan` gives the new plan); true when the user
    // goes ahead with it as it then is.
    virtual bool confirmTidy(TidyPlan& plan,
                             const std::function<TidyPlan(std::size_t keep)>& replan) = 0;
    virtual void showMessage(const std::string& title, const std::string& text) = 0;
    // Saves or characters changed: other windows showing them are stale.
    virtual void savesChanged() = 0;
    virtual void runWithProgress(const std::string& title,
                                 const std::function<void(const saves::Progress&)>& work) = 0;
};

namespace text {
inline constexpr const char* kTidyUp = N_("Tidy Up\xE2\x80\xA6");
inline constexpr const char* kNothingToTidy = N_("Failed. Nothing To Tidy Up.");
inline constexpr const char* kOlderThanNewest = N_("older than the newest");
inline constexpr const char* kSaveIsGone = N_("its save is gone");
}  // namespace text

}  // namespace quarlo::app
