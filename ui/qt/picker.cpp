#include "ui/qt/picker.h"
#include "ui/qt/widgets.h"

#include "platform/pads.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFrame>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <utility>
#include <vector>

namespace quarlo::ui {

namespace {

// A line of text that takes the room it is given and no more, cut with an
// ellipsis where it is longer: a long location never pushes a row off the
// screen.
class ElidedLabel : public QLabel {
  public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        painter.setFont(font());
        painter.drawText(rect(), alignment(),
                         fontMetrics().elidedText(text(), Qt::ElideRight, width()));
    }
};

// One full-screen window in large type on a dark ground, for a television or
// the Deck's screen read from the couch: no dialog, no popup, no typing.
class FullScreen : public QWidget, public app::PickerView {
  public:
    explicit FullScreen(std::function<void(int key)> onKey) : onKey_(std::move(onKey)) {
        setObjectName("picker");
        setWindowTitle("Quarlo");
        setStyleSheet("QWidget#picker { background: #101114; } QLabel { color: #e8e4da; }");
        auto* layout = new QVBoxLayout(this);
        layout_ = layout;
        layout->setContentsMargins(96, 72, 96, 72);
        layout->setSpacing(12);
        title_ = new QLabel(this);
        rows_ = new QLabel(this);
        footer_ = new QLabel(this);
        for (QLabel* label : {title_, rows_, footer_}) {
            label->setTextFormat(Qt::RichText);
            label->setWordWrap(true);
            layout->addWidget(label);
        }
        layout->insertStretch(2, 1);
        const int height = QGuiApplication::primaryScreen()
                               ? QGuiApplication::primaryScreen()->geometry().height()
                               : 800;
        // About twenty lines to a screen, whatever its size.
        QFont font = this->font();
        font.setPixelSize(std::max(18, height / 24));
        rows_->setFont(font);
        QFont small = font;
        small.setPixelSize(font.pixelSize() * 3 / 4);
        footer_->setFont(small);
        QFont big = font;
        big.setPixelSize(font.pixelSize() * 3 / 2);
        big.setBold(true);
        title_->setFont(big);
    }

    // The whole screen, with or without a window manager to ask.
    void fill() {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            setGeometry(screen->geometry());
        }
        showFullScreen();
        activateWindow();
        setFocus();
    }

    void show(const std::vector<app::CharacterLine>& rows, std::size_t highlighted,
              std::optional<int> secondsLeft) override {
        title_->setText(T("Play as"));
        rows_->hide();
        // A row a character: its newest screenshot, its name, its facts.
        delete list_;
        list_ = new QWidget(this);
        auto* lines = new QVBoxLayout(list_);
        lines->setContentsMargins(0, 0, 0, 0);
        lines->setSpacing(rows_->font().pixelSize() / 4);
        const int tall = rows_->font().pixelSize() * 5 / 2;
        // As many rows as fit between the title and the footer, the
        // highlighted one among them.
        const int screen = QGuiApplication::primaryScreen()
                               ? QGuiApplication::primaryScreen()->geometry().height()
                               : 800;
        const int room =
            screen - 2 * 72 - title_->font().pixelSize() * 3 - footer_->font().pixelSize() * 4;
        const auto fit = static_cast<std::size_t>(
            std::max(1, room / (tall + tall / 5 + rows_->font().pixelSize() / 4)));
        const std::size_t first = highlighted >= fit ? highlighted - fit + 1 : 0;
        for (std::size_t i = first; i < rows.size() && i < first + fit; ++i) {
            const app::CharacterLine& r = rows[i];
            const bool on = i == highlighted;
            auto* row = new QFrame(list_);
            row->setObjectName("row");
            row->setStyleSheet(on ? "QFrame#row { background: #d9b45a; } QLabel { color: #101114; }"
                                  : "QFrame#row { background: transparent; }");
            auto* across = new QHBoxLayout(row);
            across->setContentsMargins(tall / 5, tall / 10, tall / 5, tall / 10);
            auto* shot = new QLabel(row);
            shot->setFixedSize(tall * 4 / 3, tall);
            if (r.screenshot && r.screenshot->width > 0 && r.screenshot->height > 0) {
                const QImage image(
                    reinterpret_cast<const uchar*>(r.screenshot->rgb.data()),
                    static_cast<int>(r.screenshot->width), static_cast<int>(r.screenshot->height),
                    static_cast<int>(r.screenshot->width * 3), QImage::Format_RGB888);
                shot->setPixmap(QPixmap::fromImage(
                    image.scaled(shot->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
            }
            across->addWidget(shot);
            auto* name = new QLabel(row);
            name->setTextFormat(Qt::RichText);
            name->setFont(rows_->font());
            name->setText("<b>" + QString::fromStdString(r.name).toHtmlEscaped() + "</b>" +
                          (r.active ? " &nbsp;" + T("(now)") : QString()));
            across->addWidget(name, 1);
            auto* facts = new ElidedLabel(row);
            facts->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            facts->setFont(rows_->font());
            facts->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            facts->setStyleSheet(on ? "color: #101114" : "color: #a9a392");
            facts->setText(
                (r.level.empty()
                     ? T("no saves yet")
                     : QString::fromStdString(texts::trf("Level {1} \xC2\xB7 {2} \xC2\xB7 {3}",
                                                         {r.level, r.location, r.saved}))) +
                (r.uncarried ? QString::fromUtf8(" \xC2\xB7 ") + T(app::text::kNotCarried)
                             : QString()));
            across->addWidget(facts, 2);
            lines->addWidget(row);
        }
        lines->addStretch(1);
        layout_->insertWidget(2, list_, 1);
        QString footer =
            T("\xE2\x86\x91 \xE2\x86\x93 or the pad: choose &nbsp;\xC2\xB7&nbsp; Enter or A: play "
              "&nbsp;\xC2\xB7&nbsp; Esc or B: keep the current character");
        if (secondsLeft) {
            footer += "<br>" + QString::fromStdString(
                                   texts::trf("Starting with the current character in {1} s",
                                              {std::to_string(*secondsLeft)}));
        }
        footer_->setText(footer);
    }

    void showText(const QString& title, const QString& text, const QString& footer) {
        title_->setText(title.toHtmlEscaped());
        rows_->setText(text.toHtmlEscaped().replace("\n", "<br>"));
        footer_->setText(footer);
    }

  protected:
    void keyPressEvent(QKeyEvent* event) override { onKey_(event->key()); }

  private:
    std::function<void(int)> onKey_;
    QVBoxLayout* layout_ = nullptr;
    QWidget* list_ = nullptr;
    QLabel* title_;
    QLabel* rows_;
    QLabel* footer_;
};

}  // namespace

QtScreens::QtScreens(char* program) : program_(program) {}
QtScreens::~QtScreens() = default;

void QtScreens::ensureApplication() {
    // Only the program's name: the rest is the command line's, and the
    // game's arguments after "--" must not be taken for Qt's (-platform,
    // -style, ...).
    static int argc = 1;
    if (QApplication::instance() == nullptr) {
        static char* argv[] = {program_, nullptr};
        // Qt takes the launcher's startup notice for its first window and
        // removes it from the environment; the game started after the picker
        // gets the environment it was given.
        static constexpr const char* kKept[] = {"DESKTOP_STARTUP_ID", "XDG_ACTIVATION_TOKEN"};
        std::vector<std::pair<const char*, QByteArray>> kept;
        for (const char* name : kKept) {
            if (qEnvironmentVariableIsSet(name)) {
                kept.emplace_back(name, qgetenv(name));
            }
        }
        application_ = std::make_unique<QApplication>(argc, argv);
        for (const auto& [name, value] : kept) {
            qputenv(name, value);
        }
    }
}

void QtScreens::pick(app::Picker& picker) {
    ensureApplication();
    QEventLoop loop;
    FullScreen window([&](int key) {
        switch (key) {
            case Qt::Key_Up:
                picker.key(app::Picker::Key::up);
                break;
            case Qt::Key_Down:
                picker.key(app::Picker::Key::down);
                break;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                picker.key(app::Picker::Key::enter);
                break;
            case Qt::Key_Escape:
                picker.key(app::Picker::Key::escape);
                break;
            default:
                break;
        }
        if (picker.done()) {
            loop.quit();
        }
    });
    picker.start(window);
    if (picker.done()) {
        return;
    }
    // The pads, heard between frames; the keys as ever.
    const auto pads = platform::openPads();
    QElapsedTimer clock;
    clock.start();
    QTimer frame;
    QObject::connect(&frame, &QTimer::timeout, [&] {
        for (const platform::PadPress press : pads->poll(clock.elapsed())) {
            picker.pad(press);
        }
        if (picker.done()) {
            loop.quit();
        }
    });
    if (pads) {
        frame.start(16);
    }
    QTimer second;
    QObject::connect(&second, &QTimer::timeout, [&] {
        picker.tick();
        if (picker.done()) {
            loop.quit();
        }
    });
    second.start(1000);
    window.fill();
    loop.exec();
}

void QtScreens::showFailure(const std::string& text) {
    ensureApplication();
    QEventLoop loop;
    FullScreen window([&](int) { loop.quit(); });
    const QString all = QString::fromStdString(text);
    const int cut = all.indexOf('\n');
    window.showText(cut < 0 ? all : all.left(cut), cut < 0 ? QString() : all.mid(cut).trimmed(),
                    T("Press any key."));
    window.fill();
    loop.exec();
}

}  // namespace quarlo::ui
