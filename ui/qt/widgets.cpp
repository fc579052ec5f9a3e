#include "ui/qt/widgets.h"

#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>

#include "ui/design.h"

namespace quarlo::ui {

QString firstLine(const QString& text, const QFontMetrics& metrics, int width) {
    const QByteArray utf8 = text.toUtf8();
    const std::string shown = design::firstLineThatFits(
        std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), width,
        [&metrics](std::string_view piece) {
            return metrics.horizontalAdvance(
                QString::fromUtf8(piece.data(), static_cast<qsizetype>(piece.size())));
        });
    return QString::fromStdString(shown);
}

LineLabel::LineLabel(const QString& text, QWidget* parent) : QLabel(parent), full_(text) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setWordWrap(false);
    refit();
}

void LineLabel::setLineText(const QString& text) {
    full_ = text;
    refit();
}

void LineLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    refit();
}

void LineLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        refit();
    }
}

void LineLabel::refit() {
    const QString shown = firstLine(full_, fontMetrics(), contentsRect().width());
    if (shown != text()) {
        setText(shown);
    }
}

CommandButton::CommandButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
    setAutoDefault(false);
    setDefault(false);
}

void CommandButton::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (!event->isAutoRepeat()) {
            click();
        }
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

TwoStateCheckBox::TwoStateCheckBox(QWidget* parent) : QCheckBox(parent) {}

void TwoStateCheckBox::nextCheckState() {
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

FixedRowDelegate::FixedRowDelegate(int rowHeight, QObject* parent)
    : QStyledItemDelegate(parent), rowHeight_(rowHeight) {}

QSize FixedRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(rowHeight_);
    return size;
}

}  // namespace quarlo::ui
