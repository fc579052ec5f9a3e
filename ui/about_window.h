#pragma once

#include <QWidget>

namespace quarlo::ui {

inline constexpr const char* kAboutTitleLine = "A Quarlo";
inline constexpr const char* kCodeCredit = "Code by: Quarlo developers";
inline constexpr const char* kIdeaCredit = "Idea by: Quarlo players";

// The credits window: passive, a top-level window of its own (no owner, no
// modality), discarded when closed.
class AboutWindow : public QWidget {
    Q_OBJECT
  public:
    explicit AboutWindow(const QFont& font);
};

}  // namespace quarlo::ui
