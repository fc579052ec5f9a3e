#include "ui/qt/saves_window.h"
#include "ui/qt/widgets.h"

#include <QColor>
#include <QDateTime>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "ui/qt/dialogs.h"

namespace quarlo::ui {

namespace {

// The facts first; the file name, long in real folders, last, taking what
// width is left.
enum Column { kPlayer, kLevel, kLocation, kPlayed, kSaved, kPlugins, kNote, kFile, kColumns };

// The save time in the user's locale; nothing for a time no calendar has.
QString savedText(const std::optional<saves::SystemTime>& t) {
    if (!t) {
        return {};
    }
    const QDate date(t->year, t->month, t->day);
    const QTime time(t->hour, t->minute, t->second);
    if (!date.isValid() || !time.isValid()) {
        return {};
    }
    return QLocale().toString(QDateTime(date, time), QLocale::ShortFormat);
}

// The command's text with its first letter as the Alt key that presses it.
QString withMnemonic(const char* text) {
    return QStringLiteral("&") + T(text);
}

QTableWidgetItem* cell(const std::string& text, Qt::Alignment align = Qt::AlignLeft) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setTextAlignment(align | Qt::AlignVCenter);
    return item;
}

}  // namespace

SavesWindow::SavesWindow(app::SavesSource source, const QFont& font)
    : QWidget(nullptr), logic_(std::move(source), *this) {
    setObjectName(QStringLiteral("Saves"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(font);

    table_ = new QTableWidget(0, kColumns, this);
    table_->setObjectName(QStringLiteral("lstSaves"));
    table_->setHorizontalHeaderLabels({T("Player"), T("Level"), T("Location"), T("Played"),
                                       T("Saved"), T("Plugins"), T("Note"), T("File")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Shift and Ctrl pick several saves for the commands below.
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSortingEnabled(false);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    // Rows as high as the font, so a real folder shows many of them.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 6);
    // The file name takes the width the facts leave and is cut in the
    // middle, where real names repeat least.
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setTextElideMode(Qt::ElideMiddle);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("picScreenshot"));
    picture_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The screenshot at its natural size: the table takes what room is left.
    picture_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    // The selected save's plugins in load order, under its screenshot.
    plugins_ = new QTableWidget(0, 2, this);
    plugins_->setObjectName(QStringLiteral("tblPlugins"));
    plugins_->setHorizontalHeaderLabels({T("Plugin"), T("Now")});
    plugins_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    plugins_->setSelectionMode(QAbstractItemView::NoSelection);
    plugins_->setFocusPolicy(Qt::NoFocus);
    plugins_->verticalHeader()->hide();
    plugins_->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
    // The state whole, the name cut in the middle where it must be.
    plugins_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    plugins_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    plugins_->setTextElideMode(Qt::ElideMiddle);
    plugins_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    plugins_->setFixedWidth(256);
    // The selected save's notes in full and its co-saves, under its plugins.
    details_ = new QLabel(this);
    details_->setObjectName(QStringLiteral("lblDetails"));
    details_->setWordWrap(true);
    details_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    details_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    details_->setFixedWidth(256);
    pluginNote_ = new QLabel(this);
    pluginNote_->setObjectName(QStringLiteral("lblPluginNote"));
    pluginNote_->setWordWrap(true);
    pluginNote_->hide();

    auto* moveTo = new QPushButton(withMnemonic(app::text::kMoveTo), this);
    moveTo->setObjectName(QStringLiteral("cmdMoveTo"));
    auto* copyTo = new QPushButton(withMnemonic(app::text::kCopyTo), this);
    copyTo->setObjectName(QStringLiteral("cmdCopyTo"));
    auto* remove = new QPushButton(withMnemonic(app::text::kDelete), this);
    remove->setObjectName(QStringLiteral("cmdDelete"));

    auto* side = new QVBoxLayout;
    side->addWidget(picture_, 0, Qt::AlignTop);
    side->addWidget(plugins_, 1);
    side->addWidget(details_);
    auto* top = new QHBoxLayout;
    top->addWidget(table_, 1);
    top->addLayout(side);
    auto* commands = new QHBoxLayout;
    commands->addWidget(moveTo);
    commands->addWidget(copyTo);
    commands->addWidget(remove);
    commands->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(pluginNote_);
    layout->addLayout(commands);

    connect(table_, &QTableWidget::itemSelectionChanged, this, [this] {
        // The screenshot of the save last clicked, while it is among those
        // selected.
        const std::vector<int> rows = selectedRows();
        const int current = table_->currentRow();
        const bool inSelection = std::find(rows.begin(), rows.end(), current) != rows.end();
        logic_.onSelect(inSelection ? current : rows.empty() ? -1 : rows.front());
    });
    connect(moveTo, &QPushButton::clicked, this, [this] { logic_.onMoveTo(); });
    connect(copyTo, &QPushButton::clicked, this, [this] { logic_.onCopyTo(); });
    connect(remove, &QPushButton::clicked, this, [this] { logic_.onDelete(); });
    auto* del = new QShortcut(QKeySequence(QKeySequence::Delete), table_);
    del->setContext(Qt::WidgetShortcut);
    connect(del, &QShortcut::activated, this, [this] { logic_.onDelete(); });
    auto* refresh = new QShortcut(QKeySequence(Qt::Key_F5), this);
    refresh->setContext(Qt::WindowShortcut);
    connect(refresh, &QShortcut::activated, this, [this] { logic_.onRefresh(); });

    logic_.onOpen();
    // Large enough for real names, and never more than the screen has room
    // for.
    resizeToFit(this, 1180, 620);
}

void SavesWindow::fitColumns() {
    // Each fact as wide as its widest text, within reason; the file name
    // the rest.
    const QFontMetrics metrics(table_->font());
    for (int column = 0; column < kFile; ++column) {
        table_->resizeColumnToContents(column);
        const int most =
            column == kLocation ? metrics.averageCharWidth() * 36 : metrics.averageCharWidth() * 24;
        table_->setColumnWidth(column, std::min(table_->columnWidth(column), most));
    }
}

void SavesWindow::setTitle(const std::string& title) {
    setWindowTitle(T(title));
}

void SavesWindow::setRows(const std::vector<app::SaveRow>& rows) {
    const QSignalBlocker quiet(table_);
    table_->clearContents();
    table_->setRowCount(static_cast<int>(rows.size()));
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const app::SaveRow& r = rows[static_cast<std::size_t>(i)];
        table_->setItem(i, kFile, cell(r.file));
        const std::string notes = texts::trEach(r.note, "; ");
        QTableWidgetItem* note = cell(notes);
        // Two notes may not fit the column: the whole text on hovering, and
        // under the plugins for the selected save.
        note->setToolTip(QString::fromStdString(notes));
        table_->setItem(i, kNote, note);
        table_->setItem(i, kPlugins, cell(texts::tr(r.plugins)));
        table_->setItem(i, kPlayer, cell(r.player));
        table_->setItem(i, kLevel, cell(r.level, Qt::AlignRight));
        table_->setItem(i, kLocation, cell(r.location));
        table_->setItem(i, kPlayed, cell(r.played, Qt::AlignRight));
        auto* saved = new QTableWidgetItem(savedText(r.saved));
        table_->setItem(i, kSaved, saved);
    }
    fitColumns();
}

void SavesWindow::selectRow(int row) {
    const QSignalBlocker quiet(table_);
    if (row < 0) {
        table_->clearSelection();
        return;
    }
    table_->setCurrentCell(row, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    table_->scrollTo(table_->model()->index(row, 0));
}

void SavesWindow::showScreenshot(std::uint32_t width, std::uint32_t height,
                                 const std::string& rgb) {
    // The bytes are tightly packed rows; QImage's own copy outlives them.
    const QImage image(reinterpret_cast<const uchar*>(rgb.data()), static_cast<int>(width),
                       static_cast<int>(height), static_cast<qsizetype>(width) * 3,
                       QImage::Format_RGB888);
    picture_->setPixmap(QPixmap::fromImage(image.copy()));
    picture_->setFixedSize(static_cast<int>(width), static_cast<int>(height));
}

void SavesWindow::clearScreenshot() {
    picture_->clear();
}

void SavesWindow::showPlugins(const std::vector<app::PluginLine>& plugins) {
    plugins_->setRowCount(static_cast<int>(plugins.size()));
    for (int i = 0; i < static_cast<int>(plugins.size()); ++i) {
        const app::PluginLine& p = plugins[static_cast<std::size_t>(i)];
        plugins_->setItem(i, 0, cell(p.name));
        auto* state = cell(texts::tr(p.state));
        if (p.state != "active" && !p.state.empty()) {
            state->setForeground(QColor(0xB0, 0x20, 0x20));
        }
        plugins_->setItem(i, 1, state);
        plugins_->item(i, 0)->setToolTip(QString::fromStdString(p.name));
    }
}

void SavesWindow::showDetails(const std::vector<std::string>& lines) {
    QStringList text;
    for (const std::string& line : lines) {
        text << T(line);
    }
    details_->setText(text.join(QLatin1Char('\n')));
    details_->setVisible(!lines.empty());
}

void SavesWindow::setPluginNote(const std::string& note) {
    pluginNote_->setText(eachLine(note));
    pluginNote_->setVisible(!note.empty());
}

std::vector<int> SavesWindow::selectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::optional<std::string> SavesWindow::askDestination(const std::string& title,
                                                       const std::string& prompt,
                                                       const std::vector<std::string>& characters) {
    return askCharacter(this, title, prompt, characters);
}

bool SavesWindow::confirm(const std::string& title, const std::string& question) {
    return askYes(this, title, question);
}

void SavesWindow::showMessage(const std::string& title, const std::string& text) {
    tell(this, title, text);
}

void SavesWindow::savesChanged(bool charactersAdded) {
    emit savesMoved(charactersAdded);
}

void SavesWindow::runWithProgress(const std::string& title,
                                  const std::function<void(const saves::Progress&)>& work) {
    ui::runWithProgress(this, title, work);
}

}  // namespace quarlo::ui
