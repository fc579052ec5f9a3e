#include "ui/qt/main_window.h"

#include "ui/qt/dialogs.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <algorithm>
#include <limits>
#include <utility>

#include "app/main_window.h"
#include "ui/design.h"
#include "ui/qt/about_window.h"
#include "ui/qt/layout.h"
#include "ui/qt/widgets.h"
#include "ui/qt/window_font.h"

namespace quarlo::ui {

namespace {

void run(const std::function<void()>& hook) {
    if (hook) {
        hook();
    }
}

// Names and places a control as the design has it.
template <typename Widget>
Widget* place(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(layout::mainRect(name));
    return widget;
}

QString caption(const char* name) {
    return T(design::mainControl(name).text);
}

CommandButton* button(const char* name, QWidget* parent) {
    return place(new CommandButton(caption(name), parent), name);
}

LineLabel* label(const char* name, QWidget* parent) {
    return place(new LineLabel(caption(name), parent), name);
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("Quarlo"));
    setWindowIcon(QIcon(QStringLiteral(":/quarlo/quarlo-64.png")));
    setFont(dialogFont(QApplication::font(), *style()));
    resize(layout::size(design::kMainClient));

    // Created in the order of the table so that the focus chain, set below,
    // starts from a predictable order.
    txtNew_ = place(new QLineEdit(this), "txtNew");
    txtNew_->setMaxLength(std::numeric_limits<int>::max());
    cmdNew_ = button("cmdNew", this);

    lstLoad_ = place(new QListWidget(this), "lstLoad");
    lstLoad_->setSelectionMode(QAbstractItemView::SingleSelection);
    lstLoad_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstLoad_->setSortingEnabled(false);
    lstLoad_->setUniformItemSizes(true);
    lstLoad_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstLoad_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    const int rowHeight =
        std::max(lstLoad_->fontMetrics().height(),
                 (lstLoad_->height() - 2 * lstLoad_->frameWidth()) / design::kListRows);
    lstLoad_->setItemDelegate(new FixedRowDelegate(rowHeight, lstLoad_));

    cmdLoad_ = button("cmdLoad", this);
    cmdRun_ = button("cmdRun", this);
    cmdToggle_ = button("cmdToggle", this);
    cmdAbout_ = button("cmdAbout", this);

    label("Label2", this);
    lblActive_ = label("lblActive", this);
    label("lblStatus", this);
    lblOp_ = label("lblOp", this);
    label("lblStat1", this);
    lblOutcome_ = label("lblOutcome", this);
    label("Label3", this);
    lblMode_ = label("lblMode", this);
    label("Label4", this);
    lblDiff_ = label("lblDiff", this);

    scrDiff_ = place(new QScrollBar(Qt::Horizontal, this), "scrDiff");
    scrDiff_->setRange(design::kSlider.minimum, design::kSlider.maximum);
    scrDiff_->setSingleStep(design::kSlider.arrowStep);
    scrDiff_->setPageStep(design::kSlider.pageStep);
    scrDiff_->setValue(design::kSlider.minimum);
    // One notification per move: none while the thumb is dragged, one when
    // it is let go somewhere new.
    scrDiff_->setTracking(false);
    // Qt reverses a scroll bar's keys by default; the right arrow key must
    // raise the difficulty, as the right arrow button does.
    scrDiff_->setInvertedControls(false);
    scrDiff_->setFocusPolicy(Qt::StrongFocus);

    label("Label1", this);
    // The box alone: its caption would not fit, Label1 names it instead.
    Check1_ = place(new TwoStateCheckBox(this), "Check1");
    Check1_->setAccessibleName(caption("Check1"));
    Check1_->setFocusPolicy(Qt::StrongFocus);

    QWidget* const focusOrder[] = {cmdNew_, txtNew_,    cmdLoad_, lstLoad_, cmdAbout_,
                                   cmdRun_, cmdToggle_, Check1_,  scrDiff_};
    for (std::size_t i = 1; i < std::size(focusOrder); ++i) {
        setTabOrder(focusOrder[i - 1], focusOrder[i]);
    }
    cmdNew_->setFocus();

    connect(scrDiff_, &QScrollBar::valueChanged, this, [this] { run(handlers_.sliderChanged); });
    connect(Check1_, &QCheckBox::clicked, this, [this] { run(handlers_.checkClicked); });
    connect(cmdLoad_, &QPushButton::clicked, this, [this] { run(handlers_.loadClicked); });
    connect(cmdNew_, &QPushButton::clicked, this, [this] { run(handlers_.newClicked); });
    connect(cmdToggle_, &QPushButton::clicked, this, [this] { run(handlers_.toggleClicked); });
    connect(cmdRun_, &QPushButton::clicked, this, [this] { run(handlers_.runClicked); });
    connect(cmdAbout_, &QPushButton::clicked, this, &MainWindow::showAbout);

    // The context menu: the right button on an entry, the Menu key or
    // Shift+F10 on the selected one. The list's own handling of the right
    // button would select the entry first, so that button never reaches it.
    lstLoad_->installEventFilter(this);
    lstLoad_->viewport()->installEventFilter(this);
}

MainWindow::~MainWindow() = default;

void MainWindow::setHandlers(app::MainHandlers handlers) {
    handlers_ = std::move(handlers);
}

void MainWindow::showAbout() {
    if (!about_) {
        // No parent: the About window is a top-level window of its own that
        // neither stays above this one nor keeps the program alive after it.
        about_ = new AboutWindow(font());
    }
    about_->show();
    about_->raise();
    about_->activateWindow();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lstLoad_->viewport()) {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
                if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
                    return true;
                }
                break;
            case QEvent::ContextMenu: {
                auto* menuEvent = static_cast<QContextMenuEvent*>(event);
                if (menuEvent->reason() != QContextMenuEvent::Mouse) {
                    popUpSelectedEntryMenu();
                } else if (QListWidgetItem* item = lstLoad_->itemAt(menuEvent->pos())) {
                    popUpEntryMenu(item->data(Qt::UserRole).toByteArray().toStdString(),
                                   menuEvent->globalPos());
                } else {
                    popUpEntryMenu({}, menuEvent->globalPos());
                }
                return true;
            }
            default:
                break;
        }
    } else if (watched == lstLoad_) {
        if (event->type() == QEvent::ContextMenu) {
            popUpSelectedEntryMenu();
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
                popUpSelectedEntryMenu();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::popUpSelectedEntryMenu() {
    const QList<QListWidgetItem*> selected = lstLoad_->selectedItems();
    if (selected.isEmpty()) {
        popUpEntryMenu({},
                       lstLoad_->viewport()->mapToGlobal(lstLoad_->viewport()->rect().center()));
        return;
    }
    const QRect place = lstLoad_->visualItemRect(selected.front());
    popUpEntryMenu(selected.front()->data(Qt::UserRole).toByteArray().toStdString(),
                   lstLoad_->viewport()->mapToGlobal(place.center()));
}

void MainWindow::popUpEntryMenu(const std::string& entry, const QPoint& globalPos) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("mnuEntry"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (!entry.empty()) {
        menu->addAction(T(app::text::kMenuShowSaves), this, [this, entry] { showSaves(entry); });
        menu->addAction(T(app::text::kMenuOpenFolder), this, [this, entry] { openFolder(entry); });
        menu->addSeparator();
        menu->addAction(T(app::text::kMenuBackUp), this, [this, entry] { backUp(entry); });
        menu->addAction(T(app::text::kMenuRestore), this, [this, entry] { showBackups(entry); });
        menu->addSeparator();
        menu->addAction(T(app::text::kMenuRename), this, [this, entry] { renameCharacter(entry); });
        menu->addAction(T(app::text::kMenuTidyUp), this, [this, entry] { tidyUp(entry); });
        menu->addAction(T(app::text::kMenuCarry), this, [this, entry] { carry(entry); });
        menu->addSeparator();
    }
    menu->addAction(T(app::text::kMenuSortLooseSaves), this, [this] { sortLooseSaves(); });
    // Not exec(): the menu runs in the program's own event loop.
    menu->popup(globalPos);
}

SavesWindow* MainWindow::savesWindow(const std::string& entry) const {
    const auto it = saves_.find(entry);
    return it == saves_.end() ? nullptr : it->second.data();
}

void MainWindow::showSaves(const std::string& entry) {
    QPointer<SavesWindow>& window = saves_[entry];
    if (!window) {
        if (!handlers_.savesOf) {
            saves_.erase(entry);
            return;
        }
        // No parent, as the About window: one per character, each a
        // top-level window of its own.
        window = new SavesWindow(handlers_.savesOf(entry), font());
        connect(window, &SavesWindow::savesMoved, this, &MainWindow::refreshSaves);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

namespace {

// The sort's questions and answers as dialogs above the main window.
class SortDialogs : public app::SortView {
  public:
    explicit SortDialogs(MainWindow& window) : window_(window) {}
    bool confirmSort(const app::SortPlan& plan) override { return confirmSortPlan(&window_, plan); }
    void showSortMessage(const std::string& text) override {
        tell(&window_, app::text::kSortLooseSaves, text);
    }
    void savesChanged() override { window_.refreshSaves(false); }
    void runWithProgress(const std::string& title,
                         const std::function<void(const saves::Progress&)>& work) override {
        ui::runWithProgress(&window_, title, work);
    }

  private:
    MainWindow& window_;
};

}  // namespace

namespace {

// Rename…'s and Tidy Up…'s questions and answers as dialogs above the main
// window.
class CharacterDialogs : public app::CharacterView {
  public:
    explicit CharacterDialogs(MainWindow& window) : window_(window) {}
    std::optional<std::string> askName(const std::string& title, const std::string& prompt,
                                       const std::string& initial) override {
        return ui::askName(&window_, title, prompt, initial);
    }
    bool confirm(const std::string& title, const std::string& question) override {
        return askYes(&window_, title, question);
    }
    bool confirmTidy(app::TidyPlan& plan,
                     const std::function<app::TidyPlan(std::size_t keep)>& replan) override {
        return confirmTidyPlan(&window_, plan, replan);
    }
    void showMessage(const std::string& title, const std::string& text) override {
        tell(&window_, title, text);
    }
    void savesChanged() override { window_.refreshSaves(false); }
    void runWithProgress(const std::string& title,
                         const std::function<void(const saves::Progress&)>& work) override {
        ui::runWithProgress(&window_, title, work);
    }

  private:
    MainWindow& window_;
};

}  // namespace

void MainWindow::renameCharacter(const std::string& entry) {
    if (handlers_.rename) {
        CharacterDialogs dialogs(*this);
        handlers_.rename(entry, dialogs);
        // The old name's Saves window would show a folder that is gone.
        const bool listed =
            !lstLoad_->findItems(QString::fromStdString(entry), Qt::MatchExactly).isEmpty();
        if (SavesWindow* window = savesWindow(entry); window != nullptr && !listed) {
            window->close();
        }
    }
}

void MainWindow::tidyUp(const std::string& entry) {
    if (handlers_.tidyUp) {
        CharacterDialogs dialogs(*this);
        handlers_.tidyUp(entry, dialogs);
    }
}

void MainWindow::carry(const std::string& entry) {
    if (handlers_.carry) {
        CharacterDialogs dialogs(*this);
        handlers_.carry(entry, dialogs);
    }
}

void MainWindow::sortLooseSaves() {
    if (handlers_.sortLooseSaves) {
        SortDialogs dialogs(*this);
        handlers_.sortLooseSaves(dialogs);
    }
}

namespace {

// "Back Up"'s progress and summary as dialogs above the main window.
class BackupDialogs : public app::BackupView {
  public:
    explicit BackupDialogs(QWidget& window) : window_(window) {}
    void showMessage(const std::string& title, const std::string& text) override {
        tell(&window_, title, text);
    }
    void runWithProgress(const std::string& title,
                         const std::function<void(const saves::Progress&)>& work) override {
        ui::runWithProgress(&window_, title, work);
    }

  private:
    QWidget& window_;
};

}  // namespace

void MainWindow::backUp(const std::string& entry) {
    if (handlers_.backUp) {
        BackupDialogs dialogs(*this);
        handlers_.backUp(entry, dialogs);
    }
}

void MainWindow::showBackups(const std::string& entry) {
    if (handlers_.backupsOf) {
        showRestoreList(this, handlers_.backupsOf(entry), [this] { refreshSaves(false); });
    }
}

void MainWindow::showNotice(const std::string& title, const std::string& text) {
    tell(this, title, text);
}

void MainWindow::runWithProgress(const std::string& title,
                                 const std::function<void(const saves::Progress&)>& work) {
    ui::runWithProgress(this, title, work);
}

void MainWindow::refreshSaves(bool charactersAdded) {
    if (charactersAdded && handlers_.refreshList) {
        handlers_.refreshList();
    }
    for (const auto& [entry, window] : saves_) {
        if (window) {
            window->refresh();
        }
    }
}

void MainWindow::openFolder(const std::string& entry) {
    if (handlers_.openFolder) {
        handlers_.openFolder(entry);
    }
}

LineLabel* MainWindow::valueLabel(app::ValueLabel label) const {
    switch (label) {
        case app::ValueLabel::Active:
            return lblActive_;
        case app::ValueLabel::Op:
            return lblOp_;
        case app::ValueLabel::Outcome:
            return lblOutcome_;
        case app::ValueLabel::Mode:
            return lblMode_;
        case app::ValueLabel::Diff:
            return lblDiff_;
    }
    return lblOutcome_;
}

void MainWindow::setLabel(app::ValueLabel label, const std::string& text) {
    // The character's name is the player's; every other value Quarlo's own.
    valueLabel(label)->setLineText(label == app::ValueLabel::Active ||
                                           label == app::ValueLabel::Diff
                                       ? QString::fromStdString(text)
                                       : T(text));
}

void MainWindow::clearList() {
    lstLoad_->clear();
}

void MainWindow::hideList() {
    // Qt hands the focus of a hidden widget on to the next one; the list gets
    // it back when it reappears, so a load from the keyboard keeps the place.
    listHadFocus_ = lstLoad_->hasFocus();
    lstLoad_->hide();
}

void MainWindow::showList() {
    lstLoad_->show();
    if (listHadFocus_) {
        lstLoad_->setFocus();
        listHadFocus_ = false;
    }
}

void MainWindow::appendToList(const std::string& entry) {
    auto* item = new QListWidgetItem(QString::fromStdString(entry));
    // A folder name need not be valid UTF-8; the selection hands back the
    // bytes it came with, not their displayed form.
    item->setData(Qt::UserRole, QByteArray::fromStdString(entry));
    lstLoad_->addItem(item);
}

std::string MainWindow::selectedListText() const {
    const QList<QListWidgetItem*> selected = lstLoad_->selectedItems();
    if (selected.isEmpty()) {
        return {};
    }
    return selected.front()->data(Qt::UserRole).toByteArray().toStdString();
}

std::string MainWindow::newNameText() const {
    return txtNew_->text().toStdString();
}

int MainWindow::sliderValue() const {
    return scrDiff_->value();
}

void MainWindow::setSliderRange(int low, int high) {
    const QSignalBlocker quiet(scrDiff_);
    scrDiff_->setRange(low, high);
    // A page a tenth of the scale, as 10 of Oblivion's 100; at least a step.
    scrDiff_->setPageStep(std::max(1, (high - low) / 10));
}

void MainWindow::setTitle(const std::string& title) {
    setWindowTitle(QString::fromStdString(title));
}

void MainWindow::setGames(const std::vector<app::GameEntry>& entries) {
    if (entries.empty()) {
        if (menuBar_ != nullptr) {
            const int height = menuBar_->height();
            delete menuBar_;
            menuBar_ = nullptr;
            for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                child->move(child->pos() - QPoint(0, height));
            }
            resize(width(), this->height() - height);
        }
        return;
    }
    if (menuBar_ == nullptr) {
        // Above the controls: every one keeps its place in the client area
        // below the bar, and the window grows by the bar.
        menuBar_ = new QMenuBar(this);
        menuBar_->setNativeMenuBar(false);
        menuBar_->addMenu(T("&Game"));
        const int height = menuBar_->sizeHint().height();
        for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (child != menuBar_ && !child->isWindow()) {
                child->move(child->pos() + QPoint(0, height));
            }
        }
        menuBar_->setGeometry(0, 0, width(), height);
        resize(width(), this->height() + height);
        menuBar_->show();
    }
    QMenu* menu = menuBar_->actions().front()->menu();
    menu->clear();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        QAction* action = menu->addAction(T(entries[i].label));
        action->setCheckable(true);
        action->setChecked(entries[i].chosen);
        connect(action, &QAction::triggered, this, [this, i] {
            // A Saves window reads the folders of the game it opened on.
            for (auto& [entry, window] : saves_) {
                if (window) {
                    window->close();
                }
            }
            saves_.clear();
            if (handlers_.gameChosen) {
                handlers_.gameChosen(i);
            }
        });
    }
}

void MainWindow::setSliderValue(int value) {
    const QSignalBlocker quiet(scrDiff_);
    scrDiff_->setValue(value);
}

int MainWindow::checkValue() const {
    switch (Check1_->checkState()) {
        case Qt::Checked:
            return 1;
        case Qt::PartiallyChecked:
            return 2;
        case Qt::Unchecked:
            break;
    }
    return 0;
}

void MainWindow::setCheckValue(int value) {
    const QSignalBlocker quiet(Check1_);
    Check1_->setCheckState(value == 1   ? Qt::Checked
                           : value == 2 ? Qt::PartiallyChecked
                                        : Qt::Unchecked);
}

}  // namespace quarlo::ui
