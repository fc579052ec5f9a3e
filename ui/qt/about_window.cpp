#include "ui/qt/about_window.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPixmap>

#include "app/language.h"
#include "ui/design.h"
#include "ui/qt/layout.h"
#include "ui/qt/widgets.h"

namespace quarlo::ui {

namespace {

QFont titleFont(const QFont& windowFont) {
    QFont font(windowFont);
    // The classic face where the system still has it; elsewhere the window's
    // own face, so the title never falls to whatever the font matcher picks.
    const QString classic = QString::fromLatin1(design::kAboutTitleFace);
    if (QFontDatabase::hasFamily(classic)) {
        font.setFamilies({classic});
    }
    // Points at the design's 96 dpi, as pixels, so the title scales with the
    // rest of the window.
    font.setPixelSize((design::kAboutTitleCentipoints * layout::kDesignDpi + 3600) / 7200);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(true);
    return font;
}

QLabel* picture(const char* name, const QString& image, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setPixmap(QPixmap(image));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFocusPolicy(Qt::StrongFocus);
    label->setGeometry(layout::aboutRect(name));
    return label;
}

LineLabel* line(const char* name, QWidget* parent) {
    const design::Control& c = design::aboutControl(name);
    auto* label = new LineLabel(T(c.text), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(layout::rect(c));
    return label;
}

}  // namespace

AboutWindow::AboutWindow(const QFont& font) : QWidget(nullptr) {
    setObjectName(QStringLiteral("About"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(T("About"));
    setFont(font);
    resize(layout::size(design::kAboutClient));

    // Created in the order of the design, so the focus goes to Picture2 first.
    LineLabel* title = line("Label2", this);
    title->setFont(titleFont(font));
    title->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    QLabel* upper = picture("Picture2", QStringLiteral(":/quarlo/about-crest.png"), this);
    line("Label1", this);
    QLabel* lower = picture("Picture1", QStringLiteral(":/quarlo/about-scroll.png"), this);
    line("Label3", this);
    setTabOrder(upper, lower);

    const auto& language = design::kAboutLanguageControls;
    auto* caption = new LineLabel(T(language[0].text), this);
    caption->setObjectName(QString::fromLatin1(language[0].name));
    caption->setGeometry(layout::rect(language[0]));
    auto* choice = new QComboBox(this);
    choice->setObjectName(QString::fromLatin1(language[1].name));
    choice->setGeometry(layout::rect(language[1]));
    for (const app::LanguageChoice& c : app::languageChoices()) {
        choice->addItem(QString::fromStdString(c.name), QString::fromStdString(c.code));
    }
    choice->setCurrentIndex(static_cast<int>(app::keptLanguageChoice()));
    auto* note = new LineLabel(QString(), this);
    note->setObjectName(QString::fromLatin1(language[2].name));
    note->setGeometry(layout::rect(language[2]));
    setTabOrder(lower, choice);
    connect(choice, &QComboBox::activated, note, [note](int index) {
        note->setLineText(
            QString::fromStdString(app::keepLanguageChoice(static_cast<std::size_t>(index))));
    });
}

}  // namespace quarlo::ui
