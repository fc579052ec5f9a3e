#pragma once

#include <QWidget>

namespace quarlo::ui {

class MainWindow : public QWidget {
    Q_OBJECT
  public:
    explicit MainWindow(QWidget* parent = nullptr);
};

}  // namespace quarlo::ui
