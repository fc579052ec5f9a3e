#include "ui/main_window.h"

namespace quarlo::ui {

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Quarlo"));
    resize(246, 223);
}

}  // namespace quarlo::ui
