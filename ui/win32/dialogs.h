#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/backups_window.h"
#include "app/sort_saves.h"
#include "app/tidy.h"
#include "platform/win32/win32_api.h"
#include "saves/transfer.h"

// The small modal dialogs of the save commands, each owned by the window that
// asks, and the context menu's pop-up. Every one is a hook, so tests answer
// in place of a user and nothing waits for a click.
namespace quarlo::ui::win32 {

struct Dialogs {
    // One of `characters` in an editable drop-down list, or a typed name;
    // nullopt on Cancel or Escape.
    std::function<std::optional<std::string>(HWND owner, const std::string& title,
                                             const std::string& prompt,
                                             const std::vector<std::string>& characters)>
        askCharacter;
    // Yes (the default) or No; true for Yes.
    std::function<bool(HWND owner, const std::string& title, const std::string& question)> askYes;
    // A warning when the text begins "Failed.", else information. A text of
    // more than one paragraph shows its first above the rest, which scrolls
    // in a wide box.
    std::function<void(HWND owner, const std::string& title, const std::string& text)> tell;
    // The plan of Sort Loose Saves…, with Sort and Cancel; true for Sort.
    std::function<bool(HWND owner, const app::SortPlan& plan)> confirmSortPlan;
    // Runs `work` on a thread of its own while no window of the program takes
    // input (all keep painting); from half a second on shows the saves done
    // of those to do, with Cancel, which asks the work to stop after the save
    // it is at. Returns when the work is done.
    std::function<void(HWND owner, const std::string& title,
                       const std::function<void(const saves::Progress&)>& work)>
        runWithProgress;
    // The Restore list of one character, modal: its backups newest first, the
    // store's size, and Restore, Remove and Close; `savesChanged` runs after a
    // restore changed the character's folder.
    std::function<void(HWND owner, app::BackupsSource source,
                       const std::function<void()>& savesChanged)>
        showRestoreList;
    // Shows a pop-up menu at a screen point; the chosen item's id, 0 for none.
    std::function<UINT(HMENU menu, POINT at, HWND owner)> popUpMenu;
    // One line of text, `initial` in it and selected; nullopt on Cancel.
    std::function<std::optional<std::string>(HWND owner, const std::string& title,
                                             const std::string& prompt, const std::string& initial)>
        askName = {};
    // The plan of Tidy Up…, each file with a box to tick and the number of
    // newest saves to keep, for which `replan` gives the new plan; true for
    // Tidy Up, `plan` then as the user left it.
    std::function<bool(HWND owner, app::TidyPlan& plan,
                       const std::function<app::TidyPlan(std::size_t keep)>& replan)>
        confirmTidyPlan = {};
};

// Moves and sizes a top-level window so that it lies within the work area
// of its monitor, keeping its size where there is room.
void fitToWorkArea(HWND window);

// The real dialogs and menu.
Dialogs systemDialogs();

}  // namespace quarlo::ui::win32
