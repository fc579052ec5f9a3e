#pragma once

#include <QWidget>

namespace quarlo::ui {

// The credits window: passive, a top-level window of its own (no owner, no
// modality), discarded when closed.
class AboutWindow : public QWidget {
    Q_OBJECT
  public:
    explicit AboutWindow(const QFont& font);
};

}  // namespace quarlo::ui
