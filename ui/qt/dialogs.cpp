#include "ui/qt/dialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/saves_window.h"

namespace quarlo::ui {

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

std::optional<std::string> askCharacter(QWidget* parent, const std::string& title,
                                        const std::string& prompt,
                                        const std::vector<std::string>& characters) {
    QInputDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("dlgDestination"));
    dialog.setWindowTitle(q(title));
    dialog.setLabelText(q(prompt));
    QStringList items;
    for (const std::string& name : characters) {
        items << q(name);
    }
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(true);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.textValue().toStdString();
}

bool askYes(QWidget* parent, const std::string& title, const std::string& question) {
    QMessageBox box(QMessageBox::Question, q(title), q(question),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setObjectName(QStringLiteral("msgQuestion"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void tell(QWidget* parent, const std::string& title, const std::string& text) {
    const std::size_t cut = text.find("\n\n");
    const bool failed = text.rfind("Failed.", 0) == 0;
    QMessageBox box(failed ? QMessageBox::Warning : QMessageBox::Information, q(title),
                    q(text.substr(0, cut)), QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("msgMessage"));
    if (cut != std::string::npos) {
        box.setInformativeText(q(text.substr(cut + 2)));
    }
    box.exec();
}

bool confirmSortPlan(QWidget* parent, const app::SortPlan& plan) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("dlgSortPlan"));
    dialog.setWindowTitle(QString::fromUtf8(app::text::kSortLooseSaves));

    auto* intro =
        new QLabel(QStringLiteral("%1 lying directly in Saves go to their players' folders:")
                       .arg(q(app::countOf(plan.movable(), "save"))),
                   &dialog);
    auto* table = new QTableWidget(static_cast<int>(plan.groups.size()), 4, &dialog);
    table->setObjectName(QStringLiteral("tblPlan"));
    table->setHorizontalHeaderLabels(
        {QStringLiteral("Player"), QStringLiteral("Saves"), QStringLiteral("Folder"), QString()});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    for (int i = 0; i < static_cast<int>(plan.groups.size()); ++i) {
        const app::SortGroup& g = plan.groups[static_cast<std::size_t>(i)];
        table->setItem(i, 0, new QTableWidgetItem(q(g.name)));
        auto* count = new QTableWidgetItem(QString::number(g.saves.size()));
        count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(i, 1, count);
        table->setItem(i, 2, new QTableWidgetItem(g.refusal ? QString() : q(g.folder)));
        const QString note = g.refusal  ? QStringLiteral("Stays in Saves: %1").arg(g.refusal)
                             : g.exists ? QStringLiteral("Existing character")
                                        : QStringLiteral("New character");
        table->setItem(i, 3, new QTableWidgetItem(note));
    }
    table->resizeColumnsToContents();

    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(intro);
    layout->addWidget(table, 1);
    if (plan.unreadable > 0) {
        const QString verb =
            plan.unreadable == 1 ? QStringLiteral("stays") : QStringLiteral("stay");
        layout->addWidget(new QLabel(QStringLiteral("%1 cannot be read and %2 in Saves.")
                                         .arg(q(app::countOf(plan.unreadable, "save")), verb),
                                     &dialog));
    }
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* sort = buttons->addButton(QStringLiteral("Sort"), QDialogButtonBox::AcceptRole);
    sort->setObjectName(QStringLiteral("cmdSort"));
    sort->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(620, 120 + 30 * std::min<int>(static_cast<int>(plan.groups.size()), 12));
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace quarlo::ui
