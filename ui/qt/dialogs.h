#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/backups_window.h"
#include "app/sort_saves.h"
#include "app/tidy.h"
#include "saves/transfer.h"

class QWidget;

// The small modal dialogs of the save commands, each above the window that
// asks. Object names let tests find them.
namespace quarlo::ui {

// "dlgDestination": a list of characters that also takes a typed name.
std::optional<std::string> askCharacter(QWidget* parent, const std::string& title,
                                        const std::string& prompt,
                                        const std::vector<std::string>& characters);

// "msgQuestion": Yes (the default) or No.
bool askYes(QWidget* parent, const std::string& title, const std::string& question);

// "msgMessage": a warning when the text begins "Failed.", else information.
// A text of one paragraph is a message box; a longer one, such as a summary
// with a line for each save, is "dlgReport": the first paragraph above the
// rest in a wide text box that scrolls, and OK.
void tell(QWidget* parent, const std::string& title, const std::string& text);

// "dlgRestore": the Restore list of one character, modal: its backups newest
// first (made, why, saves, the newest save), the store's size, and Restore,
// Remove and Close. `savesChanged` runs after a restore changed the folder.
void showRestoreList(QWidget* parent, app::BackupsSource source,
                     const std::function<void()>& savesChanged);

// "dlgProgress": runs `work` on a thread of its own while every window keeps
// painting and none takes input; from half a second on shows the saves done
// of those to do, with Cancel, which asks the work to stop after the save it
// is at.
void runWithProgress(QWidget* parent, const std::string& title,
                     const std::function<void(const saves::Progress&)>& work);

// "dlgSortPlan": the plan as a table, with Sort and Cancel.
bool confirmSortPlan(QWidget* parent, const app::SortPlan& plan);

// "dlgTidyPlan": the plan as a table with a box to tick for each file, the
// number of newest saves to keep ("spnKeep"), and Tidy Up and Cancel.
bool confirmTidyPlan(QWidget* parent, app::TidyPlan& plan,
                     const std::function<app::TidyPlan(std::size_t keep)>& replan);

// "dlgName": one line of text, `initial` in it and selected; nullopt on
// Cancel.
std::optional<std::string> askName(QWidget* parent, const std::string& title,
                                   const std::string& prompt, const std::string& initial);

// Gives a window `wanted` as its first size, or less where the screen it
// is on has not the room: its frame and all stay within the available area.
void resizeToFit(QWidget* window, int width, int height);

}  // namespace quarlo::ui
