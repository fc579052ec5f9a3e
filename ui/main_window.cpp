#include "ui/main_window.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <algorithm>
#include <limits>
#include <utility>

#include "app/main.h"
#include "ui/about_window.h"
#include "ui/layout.h"
#include "ui/widgets.h"
#include "ui/window_font.h"

namespace quarlo::ui {

namespace {

constexpr int kSliderPageStep = 10;

void run(const std::function<void()>& hook) {
    if (hook) {
        hook();
    }
}

template <typename Widget>
Widget* place(Widget* widget, const char* name, const QRect& where) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(where);
    return widget;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("Quarlo"));
    setWindowIcon(QIcon(QStringLiteral(":/quarlo/quarlo-64.png")));
    setFont(dialogFont(QApplication::font(), *style()));
    resize(layout::kMainClient);

    // Created in the order of the table so that the focus chain, set below,
    // starts from a predictable order.
    txtNew_ = place(new QLineEdit(this), "txtNew", layout::txtNew);
    txtNew_->setMaxLength(std::numeric_limits<int>::max());
    cmdNew_ =
        place(new CommandButton(QStringLiteral("&New Character"), this), "cmdNew", layout::cmdNew);

    lstLoad_ = place(new QListWidget(this), "lstLoad", layout::lstLoad);
    lstLoad_->setSelectionMode(QAbstractItemView::SingleSelection);
    lstLoad_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstLoad_->setSortingEnabled(false);
    lstLoad_->setUniformItemSizes(true);
    lstLoad_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstLoad_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    const int rowHeight =
        std::max(lstLoad_->fontMetrics().height(),
                 (layout::lstLoad.height() - 2 * lstLoad_->frameWidth()) / layout::kListRows);
    lstLoad_->setItemDelegate(new FixedRowDelegate(rowHeight, lstLoad_));

    cmdLoad_ = place(new CommandButton(QStringLiteral("&Load Character"), this), "cmdLoad",
                     layout::cmdLoad);
    cmdRun_ = place(new CommandButton(QStringLiteral("&Run Game"), this), "cmdRun", layout::cmdRun);
    cmdToggle_ = place(new CommandButton(QStringLiteral("&Toggle Dir Mode"), this), "cmdToggle",
                       layout::cmdToggle);
    cmdAbout_ =
        place(new CommandButton(QStringLiteral("About"), this), "cmdAbout", layout::cmdAbout);

    const QString none = QString::fromLatin1(app::text::kNone);
    place(new LineLabel(QStringLiteral("Active Save:"), this), "Label2", layout::Label2);
    lblActive_ = place(new LineLabel(none, this), "lblActive", layout::lblActive);
    place(new LineLabel(QStringLiteral("Last Operation:"), this), "lblStatus", layout::lblStatus);
    lblOp_ = place(new LineLabel(none, this), "lblOp", layout::lblOp);
    place(new LineLabel(QStringLiteral("Outcome of Op:"), this), "lblStat1", layout::lblStat1);
    lblOutcome_ = place(new LineLabel(none, this), "lblOutcome", layout::lblOutcome);
    place(new LineLabel(QStringLiteral("Dir Listing Mode:"), this), "Label3", layout::Label3);
    lblMode_ = place(new LineLabel(none, this), "lblMode", layout::lblMode);
    place(new LineLabel(QStringLiteral("Game Difficulty:"), this), "Label4", layout::Label4);
    lblDiff_ = place(new LineLabel(QStringLiteral("xxx"), this), "lblDiff", layout::lblDiff);

    scrDiff_ = place(new QScrollBar(Qt::Horizontal, this), "scrDiff", layout::scrDiff);
    scrDiff_->setRange(0, 100);
    scrDiff_->setSingleStep(1);
    scrDiff_->setPageStep(kSliderPageStep);
    scrDiff_->setValue(0);
    // One notification per move: none while the thumb is dragged, one when
    // it is let go somewhere new.
    scrDiff_->setTracking(false);
    // Qt reverses a scroll bar's keys by default; the right arrow key must
    // raise the difficulty, as the right arrow button does.
    scrDiff_->setInvertedControls(false);
    scrDiff_->setFocusPolicy(Qt::StrongFocus);

    place(new LineLabel(QStringLiteral("Rename Screenshots:"), this), "Label1", layout::Label1);
    // The box alone: its caption would not fit, Label1 names it instead.
    Check1_ = place(new TwoStateCheckBox(this), "Check1", layout::Check1);
    Check1_->setAccessibleName(QStringLiteral("Screenrename"));
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
}

MainWindow::~MainWindow() = default;

void MainWindow::setHandlers(Handlers handlers) {
    handlers_ = std::move(handlers);
}

MainWindow::Handlers MainWindow::handlersFor(app::Main& main) {
    return Handlers{
        [&main] { main.onSliderChanged(); }, [&main] { main.onCheckClicked(); },
        [&main] { main.onLoadClicked(); },   [&main] { main.onNewClicked(); },
        [&main] { main.onToggleClicked(); }, [&main] { main.onRunClicked(); },
    };
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
    valueLabel(label)->setLineText(QString::fromStdString(text));
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
