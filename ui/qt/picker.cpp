#include "ui/qt/picker.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <utility>
#include <vector>

namespace quarlo::ui {

namespace {

// One full-screen window in large type on a dark ground, for a television or
// the Deck's screen read from the couch: no dialog, no popup, no typing.
class FullScreen : public QWidget, public app::PickerView {
  public:
    explicit FullScreen(std::function<void(int key)> onKey) : onKey_(std::move(onKey)) {
        setObjectName("picker");
        setWindowTitle("Quarlo");
        setStyleSheet("QWidget#picker { background: #101114; } QLabel { color: #e8e4da; }");
        auto* layout = new QVBoxLayout(this);
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
        title_->setText("Play as");
        QString html = "<table cellspacing='0' cellpadding='10' width='100%'>";
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const app::CharacterLine& r = rows[i];
            QString facts;
            if (!r.level.empty()) {
                facts = QString::fromUtf8("Level %1 \xC2\xB7 %2 \xC2\xB7 %3")
                            .arg(QString::fromStdString(r.level),
                                 QString::fromStdString(r.location).toHtmlEscaped(),
                                 QString::fromStdString(r.saved));
            } else {
                facts = "no saves yet";
            }
            const bool on = i == highlighted;
            html += QString(
                        "<tr style='%1'><td><b>%2</b>%3</td><td align='right' "
                        "style='color:%5'>%4</td></tr>")
                        .arg(on ? "background:#d9b45a; color:#101114" : "",
                             QString::fromStdString(r.name).toHtmlEscaped(),
                             r.active ? " &nbsp;(now)" : "", facts, on ? "#101114" : "#a9a392");
        }
        rows_->setText(html + "</table>");
        QString footer = QString::fromUtf8(
            "\xE2\x86\x91 \xE2\x86\x93 choose &nbsp;\xC2\xB7&nbsp; Enter play &nbsp;\xC2\xB7&nbsp; "
            "Esc keep the current character");
        if (secondsLeft) {
            footer += QString("<br>Starting with the current character in %1 s").arg(*secondsLeft);
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
                    "Press any key.");
    window.fill();
    loop.exec();
}

}  // namespace quarlo::ui
