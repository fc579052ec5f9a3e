#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>

#include "app/controls.h"
#include "ui/about_window.h"

class QLineEdit;
class QListWidget;
class QScrollBar;

namespace quarlo::app {
class Main;
}

namespace quarlo::ui {

class CommandButton;
class LineLabel;
class TwoStateCheckBox;

// The main window: twenty controls at fixed places. It holds no behaviour of
// its own; each notification the program handles runs one hook.
class MainWindow : public QWidget, public app::MainControls {
    Q_OBJECT
  public:
    // What the controls' notifications run. An empty hook runs nothing.
    struct Handlers {
        std::function<void()> sliderChanged;
        std::function<void()> checkClicked;
        std::function<void()> loadClicked;
        std::function<void()> newClicked;
        std::function<void()> toggleClicked;
        std::function<void()> runClicked;
    };

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    void setHandlers(Handlers handlers);
    // The hooks that hand each notification to the program's logic.
    static Handlers handlersFor(app::Main& main);

    // The About window while it is open, else null.
    AboutWindow* aboutWindow() const { return about_; }

    // app::MainControls
    void setLabel(app::ValueLabel label, const std::string& text) override;
    void clearList() override;
    void hideList() override;
    void showList() override;
    void appendToList(const std::string& entry) override;
    std::string selectedListText() const override;
    std::string newNameText() const override;
    int sliderValue() const override;
    void setSliderValue(int value) override;
    int checkValue() const override;
    void setCheckValue(int value) override;

  private:
    void showAbout();
    LineLabel* valueLabel(app::ValueLabel label) const;

    Handlers handlers_;
    QPointer<AboutWindow> about_;
    bool listHadFocus_ = false;

    QLineEdit* txtNew_;
    CommandButton* cmdNew_;
    QListWidget* lstLoad_;
    CommandButton* cmdLoad_;
    CommandButton* cmdRun_;
    CommandButton* cmdToggle_;
    CommandButton* cmdAbout_;
    LineLabel* lblActive_;
    LineLabel* lblOp_;
    LineLabel* lblOutcome_;
    LineLabel* lblMode_;
    LineLabel* lblDiff_;
    QScrollBar* scrDiff_;
    TwoStateCheckBox* Check1_;
};

}  // namespace quarlo::ui
