#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/backups_window.h"
#include "app/sort_saves.h"
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

}  // namespace quarlo::ui
