#include "ui/widgets.h"

#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>

namespace quarlo::ui {

QString firstLine(const QString& text, const QFontMetrics& metrics, int width) {
    qsizetype end = 0;
    while (end < text.size() && text[end] != u'\n' && text[end] != u'\r') {
        ++end;
    }
    const QString line = text.left(end);
    if (metrics.horizontalAdvance(line) <= width) {
        return line;
    }
    // Break after the last word that still fits; a word is a run of
    // non-spaces, and leading spaces belong to the first one.
    qsizetype fitting = -1;
    qsizetype firstWordEnd = -1;
    bool inWord = false;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        const bool space = i == line.size() || line[i] == u' ';
        if (space && inWord) {
            if (firstWordEnd < 0) {
                firstWordEnd = i;
            }
            if (metrics.horizontalAdvance(line.left(i)) > width) {
                break;
            }
            fitting = i;
        }
        inWord = !space;
    }
    if (fitting >= 0) {
        return line.left(fitting);
    }
    return firstWordEnd >= 0 ? line.left(firstWordEnd) : QString();
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
