#include "ui/about_window.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPixmap>

#include "ui/layout.h"
#include "ui/widgets.h"

namespace quarlo::ui {

namespace {

QFont titleFont(const QFont& windowFont) {
    QFont font(windowFont);
    // The classic face where the system still has it; elsewhere the window's
    // own face, so the title never falls to whatever the font matcher picks.
    const QString classic = QStringLiteral("MS Sans Serif");
    if (QFontDatabase::hasFamily(classic)) {
        font.setFamilies({classic});
    }
    font.setPixelSize(layout::about::kTitlePixelSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(true);
    return font;
}

QLabel* picture(const QString& name, const QString& image, const QRect& place, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setPixmap(QPixmap(image));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFocusPolicy(Qt::StrongFocus);
    label->setGeometry(place);
    return label;
}

LineLabel* line(const QString& name, const QString& text, const QRect& place, QWidget* parent) {
    auto* label = new LineLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(place);
    return label;
}

}  // namespace

AboutWindow::AboutWindow(const QFont& font) : QWidget(nullptr) {
    setObjectName(QStringLiteral("About"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About"));
    setFont(font);
    resize(layout::about::kClient);

    // Created in the order of the design, so the focus goes to Picture2 first.
    LineLabel* title = line(QStringLiteral("Label2"), QString::fromLatin1(kAboutTitleLine),
                            layout::about::Label2, this);
    title->setFont(titleFont(font));
    title->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    QLabel* upper = picture(QStringLiteral("Picture2"), QStringLiteral(":/quarlo/about-crest.png"),
                            layout::about::Picture2, this);
    line(QStringLiteral("Label1"), QString::fromLatin1(kCodeCredit), layout::about::Label1, this);
    QLabel* lower = picture(QStringLiteral("Picture1"), QStringLiteral(":/quarlo/about-scroll.png"),
                            layout::about::Picture1, this);
    line(QStringLiteral("Label3"), QString::fromLatin1(kIdeaCredit), layout::about::Label3, this);
    setTabOrder(upper, lower);
}

}  // namespace quarlo::ui
