#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "saves/character_saves.h"
#include "saves/transfer.h"

namespace quarlo::app {

// The saves of one player name among the loose ones, and where they go.
struct SortGroup {
    std::string name;    // the player's name, UTF-8, as the newest save spells it
    std::string folder;  // what the plan shows: "Saves\<name>\"
    bool exists = false;
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
    std::size_t movable() const;    // saves of the groups without a refusal
};

// Groups the saves lying directly in Saves by the player name in their
// headers, names that differ only in letter case together, as they would
// share a folder. `refuse` gives a name's refusal or nullptr; `folderFiles`
// the names of the files in a name's folder, nullopt when it has none yet,
// read once for each name.
SortPlan planSort(
    const std::vector<saves::SaveEntry>& loose,
    const std::function<std::string(std::string_view)>& ansiToUtf8,
    const std::function<const char*(const std::string&)>& refuse,
    const std::function<std::optional<std::vector<std::string>>(const std::string&)>& folderFiles);

// The plan as lines of text, for a front end that shows it as a message.
std::string planText(const SortPlan& plan);

// "1 save stays in Saves (its name is taken in Saves\Ann\)".
std::string stayingText(const SortGroup& group);

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
inline constexpr const char* kSortLooseSaves = "Sort Loose Saves\xE2\x80\xA6";
inline constexpr const char* kNoLooseSaves =
    "Failed. No Loose Saves.\n\nSaves holds no save files of its own.";
inline constexpr const char* kNothingToSort = "Failed. Nothing To Sort.";
inline constexpr const char* kGameUsesSaves =
    "The game still uses Saves itself, which these saves have left: load their character to "
    "play on with them.";
}  // namespace text

}  // namespace quarlo::app
