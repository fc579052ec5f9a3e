#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <string>

#include "app/controls.h"
#include "ui/qt/about_window.h"
#include "ui/qt/saves_window.h"

class QLineEdit;
class QMenuBar;
class QListWidget;
class QScrollBar;

namespace quarlo::ui {

class CommandButton;
class LineLabel;
class TwoStateCheckBox;

// The main window: twenty controls at fixed places. It holds no behaviour of
// its own; each notification the program handles runs one hook.
class MainWindow : public QWidget, public app::MainControls {
    Q_OBJECT
  public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    void setHandlers(app::MainHandlers handlers);

    // The About window while it is open, else null.
    AboutWindow* aboutWindow() const { return about_; }
    // The Saves window of one list entry while it is open, else null.
    SavesWindow* savesWindow(const std::string& entry) const;

    // lstLoad's context menu commands for one entry.
    void showSaves(const std::string& entry);
    void openFolder(const std::string& entry);
    void sortLooseSaves();
    void backUp(const std::string& entry);
    void showBackups(const std::string& entry);
    void renameCharacter(const std::string& entry);
    void tidyUp(const std::string& entry);
    void carry(const std::string& entry);
    // Every open Saves window reads its folder again; the list too when a
    // character folder was made.
    void refreshSaves(bool charactersAdded);

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
    void setSliderRange(int low, int high) override;
    void setTitle(const std::string& title) override;
    void setGames(const std::vector<app::GameEntry>& entries) override;
    // The Game menu while there is one, else null.
    QMenuBar* gameMenuBar() const { return menuBar_; }
    int checkValue() const override;
    void setCheckValue(int value) override;
    void showNotice(const std::string& title, const std::string& text) override;
    void runWithProgress(const std::string& title,
                         const std::function<void(const saves::Progress&)>& work) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void showAbout();
    // The context menu of one lstLoad entry ("" for the empty part of the
    // list), opened without touching the selection.
    void popUpEntryMenu(const std::string& entry, const QPoint& globalPos);
    void popUpSelectedEntryMenu();
    LineLabel* valueLabel(app::ValueLabel label) const;

    app::MainHandlers handlers_;
    QPointer<AboutWindow> about_;
    std::map<std::string, QPointer<SavesWindow>> saves_;
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
    QMenuBar* menuBar_ = nullptr;
};

}  // namespace quarlo::ui
