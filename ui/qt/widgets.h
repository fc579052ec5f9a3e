#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QStyledItemDelegate>

#include <string>
#include <string_view>

#include "texts/catalogue.h"

class QFontMetrics;

namespace quarlo::ui {

// A text of Quarlo's own in the language in use.
inline QString T(std::string_view english) {
    return QString::fromStdString(texts::tr(english));
}
// Each line of a text of Quarlo's own (notes joined by line breaks).
inline QString eachLine(const std::string& text) {
    return QString::fromStdString(texts::trLines(text));
}

// What one line `width` pixels wide shows of `text` in `metrics`' font, by the
// rule both front ends share (design::firstLineThatFits).
QString firstLine(const QString& text, const QFontMetrics& metrics, int width);

// A label one line high: a longer text shows only the words that fit on its
// first line, never part of a second one. Texts are shown as typed (a folder
// name that looks like markup is still just a name).
class LineLabel : public QLabel {
    Q_OBJECT
  public:
    LineLabel(const QString& text, QWidget* parent);

    void setLineText(const QString& text);
    // The whole text, of which the label shows the first line.
    const QString& lineText() const { return full_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void refit();

    QString full_;
};

// A command button that also clicks on Enter while it has the focus, without
// becoming the window's default button: Enter elsewhere presses nothing.
class CommandButton : public QPushButton {
    Q_OBJECT
  public:
    CommandButton(const QString& caption, QWidget* parent);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// A check box the program may grey (a stored value of 2) but the user only
// toggles between off and on: a click on a greyed box turns it on.
class TwoStateCheckBox : public QCheckBox {
    Q_OBJECT
  public:
    explicit TwoStateCheckBox(QWidget* parent);

  protected:
    void nextCheckState() override;
};

// Rows of one fixed height, so that a list shows a whole number of them.
class FixedRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    FixedRowDelegate(int rowHeight, QObject* parent);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  private:
    int rowHeight_;
};

}  // namespace quarlo::ui
