#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include "texts/catalogue.h"

#include "saves/character_saves.h"
#include "saves/transfer.h"

namespace quarlo::app {

// The saves of one character among the loose ones, and where they go. A
// character is a player's name and the key that tells characters apart
// (Oblivion's stamp of when it was made, the later games' id): two
// characters of one name are two groups.
struct SortGroup {
    std::string name;    // the player's name, UTF-8, as most of its saves spell it
    std::string folder;  // what the plan shows: "Saves\<name>\" or "Saves\<name> (2)\"
    bool exists = false;
    std::string folderName;       // the character folder: "<name>" or "<name> (2)"
    std::uint64_t character = 0;  // its key
    // When the character was made: Oblivion's stamp; for the later games,
    // which keep none, its first save here.
    saves::SystemTime started;
    bool sharesName = false;  // another group has the same name
    // A "Failed." text when the name cannot be a character; those saves stay.
    const char* refusal = nullptr;
    std::vector<saves::SaveEntry> saves;  // newest first
    // Saves whose name (or a co-save's) the folder holds already: they stay.
    std::vector<saves::SaveEntry> staying;
};

// What Sort Loose Saves… would do, shown before anything moves.
struct SortPlan {
    std::vector<SortGroup> groups;  // by name, without regard to case
    std::size_t unreadable = 0;     // saves whose header gives no name; they stay
    // What Steam Cloud would do to it, "" where it keeps none of the saves.
    std::string warning = {};
    std::size_t movable() const;  // saves of the groups without a refusal
};

// A character folder that is there already: the names of its files and the
// character most of its saves are of (none without a readable save).
struct ExistingFolder {
    std::vector<std::string> files;
    std::optional<std::uint64_t> character;
};

// Groups the saves lying directly in Saves by character: the player's name
// in their headers (names that differ only in letter case together, as they
// would share a folder) and the key that tells characters apart. Each
// group goes to Saves\<name>\, the second and later of one name to
// Saves\<name> (2)\ and on, and a folder of such a name that holds the same
// character's saves already is that character's. `refuse` gives a folder
// name's refusal or nullptr; `existing` what a folder of that name holds,
// nullopt when there is none, asked once a name.
SortPlan planSort(const std::vector<saves::SaveEntry>& loose,
                  const std::function<std::string(std::string_view)>& ansiToUtf8,
                  const std::function<const char*(const std::string&)>& refuse,
                  const std::function<std::optional<ExistingFolder>(const std::string&)>& existing);

// "2006-03-01": when a character was made, as the plan tells two characters
// of one name apart.
std::string startedText(const saves::SystemTime& stamp);

// The plan as lines of text, for a front end that shows it as a message.
std::string planText(const SortPlan& plan,
                     const std::function<std::string(std::string_view)>& say = {});

// "1 save stays in Saves (its name is taken in Saves\Ann\)".
std::string stayingText(const SortGroup& group);
// The group's player, with the day it was started where another shares the
// name: "Ann (started 2024-01-02)".
std::string groupName(const SortGroup& group);

// What Sort Loose Saves… needs of its front end.
class SortView {
  public:
    virtual ~SortView() = default;
    // Shows the plan; true when the user goes ahead.
    virtual bool confirmSort(const SortPlan& plan) = 0;
    virtual void showSortMessage(const std::string& text) = 0;
    // Saves moved: open Saves windows are stale.
    virtual void savesChanged() = 0;
    // As SavesView::runWithProgress.
    virtual void runWithProgress(const std::string& title,
                                 const std::function<void(const saves::Progress&)>& work) = 0;
};

namespace text {
inline constexpr const char* kSortLooseSaves = N_("Sort Loose Saves\xE2\x80\xA6");
inline constexpr const char* kNoLooseSaves =
    N_("Failed. No Loose Saves.\n\nSaves holds no save files of its own.");
inline constexpr const char* kNothingToSort = N_("Failed. Nothing To Sort.");
inline constexpr const char* kGameUsesSaves =
    N_("The game still uses Saves itself, which these saves have left: load their character to "
       "play on with them.");
}  // namespace text

}  // namespace quarlo::app
