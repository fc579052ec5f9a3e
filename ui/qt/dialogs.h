#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/sort_saves.h"

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
// The first paragraph is the message, the rest its details.
void tell(QWidget* parent, const std::string& title, const std::string& text);

// "dlgSortPlan": the plan as a table, with Sort and Cancel.
bool confirmSortPlan(QWidget* parent, const app::SortPlan& plan);

}  // namespace quarlo::ui
