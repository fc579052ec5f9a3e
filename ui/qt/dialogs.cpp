#include "ui/qt/dialogs.h"
#include "ui/qt/widgets.h"

#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStringList>
#include <QStyle>
#include <QTableWidget>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>
#include <thread>

#include "app/saves_window.h"
#include "app/transfer_text.h"

namespace quarlo::ui {

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// Qt's own words on an input dialog's buttons, said in the player's
// language: Qt's catalogues are not Quarlo's.
void sayButtons(QInputDialog& dialog) {
    dialog.setOkButtonText(T("OK"));
    dialog.setCancelButtonText(T("Cancel"));
}

// A Steam Cloud warning above a plan, in the colour of a warning.
void addWarning(QVBoxLayout* layout, const std::string& warning, QWidget* parent) {
    if (warning.empty()) {
        return;
    }
    auto* label = new QLabel(eachLine(warning), parent);
    label->setObjectName(QStringLiteral("lblCloudWarning"));
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("color: #a02020"));
    layout->addWidget(label);
}

// Swallows every input to every window but the ones allowed, while it lives.
class InputBlocker : public QObject {
  public:
    InputBlocker() { qApp->installEventFilter(this); }
    ~InputBlocker() override { qApp->removeEventFilter(this); }
    InputBlocker(const InputBlocker&) = delete;
    InputBlocker& operator=(const InputBlocker&) = delete;
    void allow(QWidget* widget) { allowed_ = widget; }

  protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::Shortcut:
            case QEvent::ShortcutOverride:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
            case QEvent::Close: {
                auto* widget = qobject_cast<QWidget*>(target);
                const bool inside = allowed_ != nullptr && widget != nullptr &&
                                    (widget == allowed_ || allowed_->isAncestorOf(widget));
                if (!inside) {
                    event->ignore();
                    return true;
                }
                break;
            }
            default:
                break;
        }
        return false;
    }

  private:
    QWidget* allowed_ = nullptr;
};

}  // namespace

std::optional<std::string> askCharacter(QWidget* parent, const std::string& title,
                                        const std::string& prompt,
                                        const std::vector<std::string>& characters) {
    QInputDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("dlgDestination"));
    dialog.setWindowTitle(T(title));
    dialog.setLabelText(eachLine(prompt));
    QStringList items;
    for (const std::string& name : characters) {
        items << q(name);
    }
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(true);
    sayButtons(dialog);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.textValue().toStdString();
}

bool askYes(QWidget* parent, const std::string& title, const std::string& question) {
    QMessageBox box(QMessageBox::Question, T(title), eachLine(question),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setObjectName(QStringLiteral("msgQuestion"));
    box.setDefaultButton(QMessageBox::Yes);
    box.button(QMessageBox::Yes)->setText(T("&Yes"));
    box.button(QMessageBox::No)->setText(T("&No"));
    return box.exec() == QMessageBox::Yes;
}

void tell(QWidget* parent, const std::string& title, const std::string& text) {
    const std::size_t cut = text.find("\n\n");
    const bool failed = text.rfind("Failed.", 0) == 0;
    if (cut == std::string::npos) {
        QMessageBox box(failed ? QMessageBox::Warning : QMessageBox::Information, T(title),
                        eachLine(text), QMessageBox::Ok, parent);
        box.setObjectName(QStringLiteral("msgMessage"));
        box.button(QMessageBox::Ok)->setText(T("OK"));
        box.exec();
        return;
    }
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("dlgReport"));
    dialog.setWindowTitle(T(title));
    auto* icon = new QLabel(&dialog);
    const QStyle::StandardPixmap kind =
        failed ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxInformation;
    const int side = dialog.style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    icon->setPixmap(dialog.style()->standardIcon(kind).pixmap(side, side));
    auto* heading = new QLabel(eachLine(text.substr(0, cut)), &dialog);
    heading->setObjectName(QStringLiteral("lblHeading"));
    heading->setWordWrap(true);
    heading->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* details = new QPlainTextEdit(eachLine(text.substr(cut + 2)), &dialog);
    details->setObjectName(QStringLiteral("txtDetails"));
    details->setReadOnly(true);
    details->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(T("OK"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(heading, 1);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(top);
    layout->addWidget(details, 1);
    layout->addWidget(buttons);
    // Wide enough for a save's file name and its reason on one line, and as
    // tall as the lines need up to a screenful.
    const QFontMetrics metrics(details->font());
    const int lines = static_cast<int>(details->document()->blockCount());
    resizeToFit(&dialog, metrics.averageCharWidth() * 100,
                std::min(160 + metrics.lineSpacing() * (lines + 1), 600));
    dialog.exec();
}

namespace {

// The Restore list's view: a table and a line, over the logic's rows.
class RestoreList : public QDialog, public app::BackupsView {
  public:
    RestoreList(QWidget* parent, app::BackupsSource source, std::function<void()> savesChanged)
        : QDialog(parent),
          logic_(std::move(source), *this),
          savesChanged_(std::move(savesChanged)) {
        setObjectName(QStringLiteral("dlgRestore"));
        table_ = new QTableWidget(0, 4, this);
        table_->setObjectName(QStringLiteral("tblBackups"));
        table_->setHorizontalHeaderLabels({T("Made"), T("Why"), T("Saves"), T("Newest save")});
        table_->setSelectionBehavior(QAbstractItemView::SelectRows);
        table_->setSelectionMode(QAbstractItemView::SingleSelection);
        table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table_->verticalHeader()->hide();
        table_->horizontalHeader()->setStretchLastSection(true);
        size_ = new QLabel(this);
        size_->setObjectName(QStringLiteral("lblStoreSize"));
        auto* buttons = new QDialogButtonBox(this);
        QPushButton* restore = buttons->addButton(T("&Restore"), QDialogButtonBox::ActionRole);
        restore->setObjectName(QStringLiteral("cmdRestore"));
        QPushButton* remove = buttons->addButton(T("Re&move"), QDialogButtonBox::ActionRole);
        remove->setObjectName(QStringLiteral("cmdRemove"));
        buttons->addButton(QDialogButtonBox::Close)->setText(T("Close"));
        connect(restore, &QPushButton::clicked, this, [this] { logic_.onRestore(); });
        connect(remove, &QPushButton::clicked, this, [this] { logic_.onRemove(); });
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(table_, 1);
        layout->addWidget(size_);
        layout->addWidget(buttons);
        logic_.onOpen();
        resizeToFit(this, 760, 420);
    }

    void setTitle(const std::string& title) override { setWindowTitle(T(title)); }
    void setRows(const std::vector<app::BackupRow>& rows) override {
        table_->setRowCount(static_cast<int>(rows.size()));
        for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
            const app::BackupRow& r = rows[static_cast<std::size_t>(i)];
            const QDateTime made(QDate(r.made.year, r.made.month, r.made.day),
                                 QTime(r.made.hour, r.made.minute, r.made.second), Qt::UTC);
            table_->setItem(
                i, 0,
                new QTableWidgetItem(QLocale().toString(made.toLocalTime(), QLocale::ShortFormat)));
            table_->setItem(i, 1, new QTableWidgetItem(T(r.reason)));
            auto* count = new QTableWidgetItem(q(r.saves));
            count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(i, 2, count);
            table_->setItem(i, 3, new QTableWidgetItem(T(r.newest)));
        }
        table_->resizeColumnsToContents();
        if (!rows.empty()) {
            table_->selectRow(0);
        }
    }
    void setStoreSize(const std::string& text) override { size_->setText(T(text)); }
    int selectedRow() const override {
        const auto rows = table_->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.front().row();
    }
    bool confirm(const std::string& title, const std::string& question) override {
        return askYes(this, title, question);
    }
    void showMessage(const std::string& title, const std::string& text) override {
        tell(this, title, text);
    }
    void runWithProgress(const std::string& title,
                         const std::function<void(const saves::Progress&)>& work) override {
        ui::runWithProgress(this, title, work);
    }
    void savesChanged() override {
        if (savesChanged_) {
            savesChanged_();
        }
    }

  private:
    app::BackupsWindow logic_;
    std::function<void()> savesChanged_;
    QTableWidget* table_ = nullptr;
    QLabel* size_ = nullptr;
};

}  // namespace

void showRestoreList(QWidget* parent, app::BackupsSource source,
                     const std::function<void()>& savesChanged) {
    RestoreList dialog(parent, std::move(source), savesChanged);
    dialog.exec();
}

void runWithProgress(QWidget* parent, const std::string& title,
                     const std::function<void(const saves::Progress&)>& work) {
    std::atomic<std::size_t> done{0};
    std::atomic<std::size_t> total{0};
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
    // Until the work is done no window takes a command, a key or a click,
    // nor closes: the work runs on what they show.
    InputBlocker blocker;
    QEventLoop loop;
    std::thread worker([&] {
        work([&](std::size_t d, std::size_t t) {
            done = d;
            total = t;
            return !cancel.load();
        });
        finished = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QProgressDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("dlgProgress"));
    dialog.setWindowTitle(T(title));
    dialog.setLabelText(T("Working\u2026"));
    dialog.setCancelButtonText(T("Cancel"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(500);
    blocker.allow(&dialog);
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&] {
        cancel = true;
        dialog.setLabelText(T("Stopping after this save\u2026"));
        dialog.show();
    });
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &dialog, [&] {
        if (cancel) {
            return;
        }
        const std::size_t t = total;
        dialog.setMaximum(static_cast<int>(std::max<std::size_t>(t, 1)));
        dialog.setValue(static_cast<int>(std::min(done.load(), t)));
        dialog.setLabelText(T(texts::format(N_("{1} of {2} saves done."),
                                            {std::to_string(done.load()), std::to_string(t)})));
    });
    timer.start(50);
    if (!finished) {
        loop.exec();
    }
    worker.join();
}

bool confirmSortPlan(QWidget* parent, const app::SortPlan& plan) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("dlgSortPlan"));
    dialog.setWindowTitle(T(app::text::kSortLooseSaves));

    const std::size_t moving = plan.movable();
    auto* intro = new QLabel(
        q(texts::format(
            texts::trn("{1} save lying directly in Saves goes to its player's folder:",
                       "{1} saves lying directly in Saves go to their players' folders:", moving),
            {std::to_string(moving)})),
        &dialog);
    auto* table = new QTableWidget(static_cast<int>(plan.groups.size()), 4, &dialog);
    table->setObjectName(QStringLiteral("tblPlan"));
    table->setHorizontalHeaderLabels({T("Player"), T("Saves"), T("Folder"), QString()});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    for (int i = 0; i < static_cast<int>(plan.groups.size()); ++i) {
        const app::SortGroup& g = plan.groups[static_cast<std::size_t>(i)];
        table->setItem(i, 0, new QTableWidgetItem(T(app::groupName(g))));
        auto* count = new QTableWidgetItem(QString::number(g.saves.size()));
        count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(i, 1, count);
        table->setItem(i, 2, new QTableWidgetItem(g.refusal ? QString() : q(g.folder)));
        QString note = g.refusal  ? T("Stays in Saves: %1").arg(g.refusal)
                       : g.exists ? T("Existing character")
                                  : T("New character");
        if (!g.staying.empty()) {
            note += QStringLiteral("; ") + T(app::stayingText(g));
        }
        table->setItem(i, 3, new QTableWidgetItem(note));
    }
    table->resizeColumnsToContents();

    auto* layout = new QVBoxLayout(&dialog);
    addWarning(layout, plan.warning, &dialog);
    layout->addWidget(intro);
    layout->addWidget(table, 1);
    if (plan.unreadable > 0) {
        layout->addWidget(new QLabel(
            q(texts::format(
                texts::trn("{1} save cannot be read and stays in Saves.",
                           "{1} saves cannot be read and stay in Saves.", plan.unreadable),
                {std::to_string(plan.unreadable)})),
            &dialog));
    }
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* sort = buttons->addButton(T("Sort"), QDialogButtonBox::AcceptRole);
    sort->setObjectName(QStringLiteral("cmdSort"));
    sort->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel)->setText(T("Cancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    resizeToFit(&dialog, 620,
                120 + 30 * std::min<int>(static_cast<int>(plan.groups.size()), 12) +
                    (plan.warning.empty() ? 0 : 120));
    return dialog.exec() == QDialog::Accepted;
}

bool confirmTidyPlan(QWidget* parent, app::TidyPlan& plan,
                     const std::function<app::TidyPlan(std::size_t keep)>& replan) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("dlgTidyPlan"));
    dialog.setWindowTitle(T(app::text::kTidyUp));
    auto* layout = new QVBoxLayout(&dialog);
    addWarning(layout, plan.warning, &dialog);

    auto* keepRow = new QHBoxLayout;
    auto* keepLabel = new QLabel(T("&Keep the newest"), &dialog);
    auto* keep = new QSpinBox(&dialog);
    keep->setObjectName(QStringLiteral("spnKeep"));
    keep->setRange(0, 9999);
    keep->setValue(static_cast<int>(plan.keep));
    keepLabel->setBuddy(keep);
    keepRow->addWidget(keepLabel);
    keepRow->addWidget(keep);
    keepRow->addWidget(new QLabel(
        T("saves of the character; the game's autosave and quicksave always stay."), &dialog));
    keepRow->addStretch(1);
    layout->addLayout(keepRow);

    auto* intro = new QLabel(&dialog);
    intro->setObjectName(QStringLiteral("lblTidyIntro"));
    intro->setWordWrap(true);
    layout->addWidget(intro);
    auto* table = new QTableWidget(0, 3, &dialog);
    table->setObjectName(QStringLiteral("tblTidy"));
    table->setHorizontalHeaderLabels({T("File"), T("Why"), T("Facts")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setStretchLastSection(true);
    // Real file names are long: cut in the middle, where they repeat least.
    table->setTextElideMode(Qt::ElideMiddle);
    table->setWordWrap(false);
    layout->addWidget(table, 1);

    const auto why = [&plan](const app::TidyItem& item) {
        switch (item.kind) {
            case app::TidyItem::Kind::old:
                return T("Older than the newest %1").arg(plan.keep);
            case app::TidyItem::Kind::stray:
                return T("Co-save without its save");
            case app::TidyItem::Kind::unloadable:
                break;
        }
        return T("The game cannot load it");
    };
    const auto fill = [&] {
        const QSignalBlocker quiet(table);
        table->setRowCount(static_cast<int>(plan.items.size()));
        for (int i = 0; i < static_cast<int>(plan.items.size()); ++i) {
            const app::TidyItem& item = plan.items[static_cast<std::size_t>(i)];
            const QString file = T(app::tidyItemFile(item));
            auto* name = new QTableWidgetItem(file);
            name->setToolTip(file);
            name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
            name->setCheckState(item.chosen ? Qt::Checked : Qt::Unchecked);
            table->setItem(i, 0, name);
            table->setItem(i, 1, new QTableWidgetItem(why(item)));
            table->setItem(i, 2, new QTableWidgetItem(T(item.facts)));
        }
        table->resizeColumnsToContents();
        // The facts keep room of their own beside the longest names.
        table->setColumnWidth(
            0, std::min(table->columnWidth(0), table->fontMetrics().averageCharWidth() * 52));
    };
    const auto tell = [&] { intro->setText(T(app::tidyIntro(plan))); };
    QObject::connect(table, &QTableWidget::itemChanged, &dialog, [&](QTableWidgetItem* item) {
        if (item->column() == 0 && item->row() < static_cast<int>(plan.items.size())) {
            plan.items[static_cast<std::size_t>(item->row())].chosen =
                item->checkState() == Qt::Checked;
            tell();
        }
    });
    QObject::connect(keep, &QSpinBox::valueChanged, &dialog, [&](int value) {
        plan = replan(static_cast<std::size_t>(value));
        fill();
        tell();
    });
    fill();
    tell();

    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* tidy = buttons->addButton(T("&Tidy Up"), QDialogButtonBox::AcceptRole);
    tidy->setObjectName(QStringLiteral("cmdTidy"));
    tidy->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel)->setText(T("Cancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    resizeToFit(&dialog, 820, 520);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<std::string> askName(QWidget* parent, const std::string& title,
                                   const std::string& prompt, const std::string& initial) {
    QInputDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("dlgName"));
    dialog.setWindowTitle(T(title));
    dialog.setLabelText(eachLine(prompt));
    dialog.setTextValue(q(initial));
    sayButtons(dialog);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.textValue().toStdString();
}

void resizeToFit(QWidget* window, int width, int height) {
    QScreen* screen =
        window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        window->resize(width, height);
        return;
    }
    // Room for the frame and title bar the window manager adds.
    constexpr int kFrameWidth = 16;
    constexpr int kFrameHeight = 48;
    const QRect room = screen->availableGeometry();
    window->resize(std::min(width, room.width() - kFrameWidth),
                   std::min(height, room.height() - kFrameHeight));
}

}  // namespace quarlo::ui
