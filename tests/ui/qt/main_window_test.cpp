// The main window's contract with the user: where every control sits, what it
// shows, how the focus moves, and which notification reaches which hook.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QtTest>
#include <fstream>
#include <map>
#include <memory>

#include "app/main_window.h"
#include "texts/catalogue.h"
#include "ui/design.h"
#include "ui/qt/main_window.h"
#include "ui/qt/widgets.h"
#include "ui/qt/window_font.h"

using quarlo::app::ValueLabel;
using quarlo::ui::LineLabel;
using quarlo::ui::MainWindow;

namespace {

// Counts every hook the window runs.
struct Counter {
    std::map<QString, int> runs;
    int total() const {
        int n = 0;
        for (const auto& [name, count] : runs) {
            n += count;
        }
        return n;
    }
    int operator[](const QString& name) const {
        auto it = runs.find(name);
        return it == runs.end() ? 0 : it->second;
    }
};

quarlo::app::MainHandlers counting(Counter& counter) {
    auto hook = [&counter](const char* name) {
        return [&counter, name] { ++counter.runs[QString::fromLatin1(name)]; };
    };
    return {hook("slider"),
            hook("check"),
            hook("load"),
            hook("new"),
            hook("toggle"),
            hook("run"),
            {},
            {},
            {},
            {}};
}

QRect scrollBarPart(QScrollBar* bar, QStyle::SubControl part) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.upsideDown = false;
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar);
}

void dragTo(QScrollBar* bar, QPoint to) {
    QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(bar->mapToGlobal(to)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &move);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<MainWindow> window;
    Counter counter;

    template <typename T = QWidget>
    T* control(const char* name) {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        if (!found) {
            qFatal("no control %s", name);
        }
        return found;
    }

    void showActive() {
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

  private slots:
    void init() {
        counter = Counter{};
        window = std::make_unique<MainWindow>();
        window->setHandlers(counting(counter));
    }

    void cleanup() {
        if (window->aboutWindow()) {
            window->aboutWindow()->close();
        }
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void windowFrame() {
        QCOMPARE(window->windowTitle(), QStringLiteral("Quarlo"));
        QCOMPARE(window->size(), QSize(246, 223));
        QVERIFY(window->windowIcon().availableSizes().contains(QSize(64, 64)));
        QVERIFY(window->isWindow());
        const Qt::WindowFlags flags = window->windowFlags();
        QVERIFY(!(flags & Qt::MSWindowsFixedSizeDialogHint));
        QVERIFY(window->maximumSize().width() > 246);
    }

    void geometry_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QRect>("place");
        auto row = [](const char* name, const char* kind, int x, int y, int w, int h) {
            QTest::newRow(name) << QString::fromLatin1(kind) << QRect(x, y, w, h);
        };
        row("txtNew", "QLineEdit", 8, 8, 137, 19);
        row("cmdNew", "QPushButton", 152, 8, 89, 17);
        row("lstLoad", "QListWidget", 8, 32, 137, 82);
        row("cmdLoad", "QPushButton", 152, 32, 89, 17);
        row("cmdRun", "QPushButton", 152, 48, 89, 17);
        row("cmdToggle", "QPushButton", 152, 80, 89, 17);
        row("cmdAbout", "QPushButton", 152, 96, 89, 17);
        row("Label2", "QLabel", 8, 120, 81, 17);
        row("lblActive", "QLabel", 88, 120, 129, 17);
        row("lblStatus", "QLabel", 8, 136, 81, 17);
        row("lblOp", "QLabel", 88, 136, 129, 17);
        row("lblStat1", "QLabel", 8, 152, 81, 17);
        row("lblOutcome", "QLabel", 88, 152, 153, 17);
        row("Label3", "QLabel", 8, 168, 81, 17);
        row("lblMode", "QLabel", 88, 168, 153, 17);
        row("Label4", "QLabel", 8, 184, 81, 17);
        row("lblDiff", "QLabel", 88, 184, 25, 17);
        row("scrDiff", "QScrollBar", 120, 184, 121, 17);
        row("Label1", "QLabel", 8, 200, 113, 17);
        row("Check1", "QCheckBox", 120, 200, 17, 17);
    }

    void geometry() {
        QFETCH(QString, kind);
        QFETCH(QRect, place);
        QWidget* widget = control(QTest::currentDataTag());
        QVERIFY(widget->inherits(kind.toLatin1().constData()));
        QCOMPARE(widget->parentWidget(), window.get());
        QCOMPARE(widget->geometry(), place);
    }

    void twentyControls() {
        int controls = 0;
        for (QObject* child : window->children()) {
            controls += child->isWidgetType() ? 1 : 0;
        }
        QCOMPARE(controls, 20);
    }

    void resizingMovesNothing() {
        showActive();
        std::map<QString, QRect> before;
        for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            before[child->objectName()] = child->geometry();
        }
        for (QSize size : {QSize(600, 500), QSize(120, 90)}) {
            window->resize(size);
            QCoreApplication::processEvents();
            for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                QCOMPARE(child->geometry(), before[child->objectName()]);
            }
        }
    }

    // The Game menu above the client area: every control one bar lower, the
    // window one bar taller; its entries choose, and without it all is as
    // before.
    void gameMenuKeepsTheClientArea() {
        std::map<QString, QRect> before;
        for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            before[child->objectName()] = child->geometry();
        }
        std::vector<std::size_t> chosen;
        quarlo::app::MainHandlers handlers = counting(counter);
        handlers.gameChosen = [&](std::size_t i) { chosen.push_back(i); };
        window->setHandlers(handlers);
        window->setGames({{"Oblivion", true, true}, {"Skyrim Special Edition", false, true}});
        QVERIFY(window->gameMenuBar() != nullptr);
        const int bar = window->gameMenuBar()->height();
        QVERIFY(bar > 0);
        QCOMPARE(window->size(), QSize(246, 223 + bar));
        for (const auto& [name, place] : before) {
            QCOMPARE(control(name.toLatin1().constData())->geometry(), place.translated(0, bar));
        }
        const auto actions = window->gameMenuBar()->actions().front()->menu()->actions();
        QCOMPARE(actions.size(), 2);
        QVERIFY(actions[0]->isChecked());
        actions[1]->trigger();
        QCOMPARE(chosen, std::vector<std::size_t>{1});
        window->setGames({});
        QVERIFY(window->gameMenuBar() == nullptr);
        QCOMPARE(window->size(), QSize(246, 223));
        for (const auto& [name, place] : before) {
            QCOMPARE(control(name.toLatin1().constData())->geometry(), place);
        }
    }

    void initialTexts_data() {
        QTest::addColumn<QString>("text");
        auto row = [](const char* name, const char* text) {
            QTest::newRow(name) << QString::fromLatin1(text);
        };
        row("cmdNew", "&New Character");
        row("cmdLoad", "&Load Character");
        row("cmdRun", "&Run Game");
        row("cmdToggle", "&Toggle Dir Mode");
        row("cmdAbout", "About");
        row("Label2", "Active Save:");
        row("lblStatus", "Last Operation:");
        row("lblStat1", "Outcome of Op:");
        row("Label3", "Dir Listing Mode:");
        row("Label4", "Game Difficulty:");
        row("Label1", "Rename Screenshots:");
        row("lblActive", "[none]");
        row("lblOp", "[none]");
        row("lblOutcome", "[none]");
        row("lblMode", "[none]");
        row("lblDiff", "xxx");
    }

    // The whole text shows: every fixed text fits its control in the
    // window's font.
    void initialTexts() {
        QFETCH(QString, text);
        QWidget* widget = control(QTest::currentDataTag());
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            QCOMPARE(button->text(), text);
            QVERIFY(!button->isDefault());
            QVERIFY(!button->autoDefault());
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const QRect inside =
                button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            QString plain = text;
            plain.remove(u'&');
            QVERIFY2(button->fontMetrics().horizontalAdvance(plain) <= inside.width(),
                     qPrintable(plain));
            QVERIFY(button->fontMetrics().height() <= inside.height() + 2);
        } else {
            auto* label = qobject_cast<LineLabel*>(widget);
            QVERIFY(label);
            QCOMPARE(label->lineText(), text);
            QCOMPARE(label->text(), text);
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        }
    }

    void emptyInputs() {
        QCOMPARE(control<QLineEdit>("txtNew")->text(), QString());
        QCOMPARE(control<QListWidget>("lstLoad")->count(), 0);
        QCOMPARE(window->checkValue(), 0);
        QCOMPARE(window->newNameText(), std::string());
        QCOMPARE(window->selectedListText(), std::string());
        auto* slider = control<QScrollBar>("scrDiff");
        QCOMPARE(slider->orientation(), Qt::Horizontal);
        QCOMPARE(slider->minimum(), 0);
        QCOMPARE(slider->maximum(), 100);
        QCOMPARE(slider->singleStep(), 1);
    }

    // Every message the program writes shows whole in its label.
    void messagesFit_data() {
        namespace t = quarlo::app::text;
        QTest::addColumn<int>("label");
        QTest::addColumn<QString>("text");
        auto row = [](ValueLabel label, const char* text) {
            QTest::newRow(text) << static_cast<int>(label) << QString::fromLatin1(text);
        };
        for (const char* op : t::kOperations) {
            row(ValueLabel::Op, op);
        }
        for (const char* outcome : t::kOutcomes) {
            row(ValueLabel::Outcome, outcome);
        }
        row(ValueLabel::Op, t::kNone);
        row(ValueLabel::Outcome, t::kNone);
        row(ValueLabel::Mode, t::kAutomaticMode);
        row(ValueLabel::Mode, t::kRootDirMode);
        row(ValueLabel::Active, t::kNone);
        row(ValueLabel::Active, "ERROR");
        row(ValueLabel::Diff, "100");
        row(ValueLabel::Diff, "0");
    }

    void messagesFit() {
        QFETCH(int, label);
        QFETCH(QString, text);
        window->setLabel(static_cast<ValueLabel>(label), text.toStdString());
        const char* names[] = {"lblActive", "lblOp", "lblOutcome", "lblMode", "lblDiff"};
        auto* shown = control<LineLabel>(names[label]);
        QCOMPARE(shown->text(), text);
        QVERIFY(shown->fontMetrics().horizontalAdvance(text) <= shown->width());
    }

    // In every language Quarlo installs, each caption and each status text
    // shows whole in its control, at a font still legible.
    void everyCatalogueFits() {
        QStringList tooLong;
        for (const quarlo::texts::Language& l : quarlo::texts::languages()) {
            std::string why;
            std::ifstream in(
                std::string(QUARLO_LOCALE_DIR) + "/" + l.code + "/LC_MESSAGES/quarlo.mo",
                std::ios::binary);
            const std::string bytes{std::istreambuf_iterator<char>(in), {}};
            auto catalogue = quarlo::texts::parseMo(bytes, why);
            QVERIFY2(std::string(l.code) == "en" || catalogue, l.code);
            quarlo::texts::use(l.code, std::move(catalogue));
            MainWindow shown;
            // Sized for what it shows: a text too long for its control even
            // at the smallest legible size fails here.
            const QFontMetrics metrics(shown.font());
            for (const quarlo::ui::TextFit& fit : quarlo::ui::textsToFit(*shown.style())) {
                if (metrics.horizontalAdvance(fit.text) > fit.width) {
                    tooLong << QString::fromLatin1(l.code) + ": " + fit.text;
                }
            }
        }
        QVERIFY2(tooLong.isEmpty(), qPrintable(tooLong.join(QStringLiteral(" | "))));
        quarlo::texts::use("en", std::nullopt);
    }

    void fontIsLegible() {
        const QFontInfo info(window->font());
        QVERIFY2(info.pixelSize() >= 9, qPrintable(info.family()));
        QVERIFY(info.pixelSize() <= 11);
        QCOMPARE(control("lblOutcome")->font(), window->font());
        QCOMPARE(control("cmdNew")->font(), window->font());
    }

    // A label is one line: words that do not fit are hidden, a single word
    // too wide is cut, nothing after a line break shows, markup stays text.
    void firstLineOnly_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("words") << QStringLiteral(
            "Failed. Could Not Write Settings. The file is read-only and stays so.");
        QTest::newRow("one long word")
            << QStringLiteral("Aldricthewanderer_of_the_long_northern_roads_beyond_the_hills");
        QTest::newRow("long word then more") << QStringLiteral(
            "Aldricthewanderer_of_the_long_northern_roads_beyond_the_hills and more");
        QTest::newRow("line break") << QStringLiteral("Aldric\nBrynja");
        QTest::newRow("markup") << QStringLiteral("<b>Aldric</b> & <i>Brynja</i>");
        QTest::newRow("leading spaces")
            << QStringLiteral("   Leading spaces then words that go on past the edge of the label");
    }

    void firstLineOnly() {
        QFETCH(QString, text);
        window->setLabel(ValueLabel::Outcome, text.toStdString());
        auto* label = control<LineLabel>("lblOutcome");
        QCOMPARE(label->lineText(), text);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(label->wordWrap(), false);
        const QString shown = label->text();
        const QFontMetrics metrics = label->fontMetrics();
        const int width = label->width();

        QVERIFY(text.startsWith(shown));
        QVERIFY(!shown.contains(u'\n'));
        const QString rest = text.mid(shown.size());
        QVERIFY(rest.isEmpty() || rest.front() == u' ' || rest.front() == u'\n');
        if (metrics.horizontalAdvance(shown) > width) {
            // Only a single word may be wider than the label.
            QVERIFY(!shown.trimmed().contains(u' '));
        } else if (!rest.isEmpty() && rest.front() == u' ') {
            // The next word would not have fitted.
            const qsizetype next = rest.indexOf(u' ', rest.indexOf(QRegularExpression("\\S")));
            const QString longer = text.left(shown.size() + (next < 0 ? rest.size() : next));
            QVERIFY2(metrics.horizontalAdvance(longer) > width, qPrintable(longer));
        }
    }

    void labelsRefitWhenRewritten() {
        window->setLabel(ValueLabel::Outcome, "Failed. Could Not Write Settings. Twice over.");
        window->setLabel(ValueLabel::Outcome, "Success.");
        QCOMPARE(control<LineLabel>("lblOutcome")->text(), QStringLiteral("Success."));
    }

    void initialFocusOnNew() {
        showActive();
        QCOMPARE(QApplication::focusWidget(), control("cmdNew"));
    }

    void focusOrder() {
        showActive();
        const char* order[] = {"cmdNew", "txtNew",    "cmdLoad", "lstLoad", "cmdAbout",
                               "cmdRun", "cmdToggle", "Check1",  "scrDiff", "cmdNew"};
        for (std::size_t i = 1; i < std::size(order); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(order[i]));
        }
        for (std::size_t i = std::size(order) - 1; i > 0; --i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
            QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(order[i - 1]));
        }
        QCOMPARE(counter.total(), 0);
    }

    void labelsTakeNoFocus() {
        for (auto* label : window->findChildren<QLabel*>()) {
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        }
    }

    // Alt+N, Alt+L, Alt+R and Alt+T press their buttons from any control.
    void accessKeys_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("hook");
        const std::pair<Qt::Key, const char*> keys[] = {
            {Qt::Key_N, "new"}, {Qt::Key_L, "load"}, {Qt::Key_R, "run"}, {Qt::Key_T, "toggle"}};
        for (const char* from : {"txtNew", "cmdNew", "lstLoad", "cmdAbout", "Check1", "scrDiff"}) {
            for (const auto& [key, hook] : keys) {
                QTest::addRow("%s Alt+%c", from, static_cast<char>(key))
                    << QString::fromLatin1(from) << static_cast<int>(key)
                    << QString::fromLatin1(hook);
            }
        }
    }

    void accessKeys() {
        QFETCH(QString, from);
        QFETCH(int, key);
        QFETCH(QString, hook);
        showActive();
        window->appendToList("Aldric");
        QWidget* start = control(from.toLatin1().constData());
        start->setFocus();
        QCOMPARE(QApplication::focusWidget(), start);
        QTest::keyClick(start, static_cast<Qt::Key>(key), Qt::AltModifier);
        // An access key presses the button visibly before it clicks.
        QTRY_COMPARE(counter[hook], 1);
        QCOMPARE(counter.total(), 1);
        QCOMPARE(window->aboutWindow(), nullptr);
    }

    void enterInTextBoxRunsNothing() {
        showActive();
        auto* text = control<QLineEdit>("txtNew");
        text->setFocus();
        QTest::keyClicks(text, QStringLiteral("Brynja"));
        QTest::keyClick(text, Qt::Key_Return);
        QTest::keyClick(text, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(text, Qt::Key_Escape);
        QCOMPARE(counter.total(), 0);
        QCOMPARE(window->newNameText(), std::string("Brynja"));
        QVERIFY(window->isVisible());
        QCOMPARE(window->aboutWindow(), nullptr);
    }

    void buttonsClickOnSpaceAndEnter_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("space") << static_cast<int>(Qt::Key_Space);
        QTest::newRow("return") << static_cast<int>(Qt::Key_Return);
        QTest::newRow("enter") << static_cast<int>(Qt::Key_Enter);
    }

    void buttonsClickOnSpaceAndEnter() {
        QFETCH(int, key);
        showActive();
        auto* button = control("cmdLoad");
        button->setFocus();
        QTest::keyClick(button, static_cast<Qt::Key>(key));
        QCOMPARE(counter["load"], 1);
        QCOMPARE(counter.total(), 1);
    }

    void buttonsByMouse_data() {
        QTest::addColumn<QString>("hook");
        QTest::newRow("cmdNew") << "new";
        QTest::newRow("cmdLoad") << "load";
        QTest::newRow("cmdRun") << "run";
        QTest::newRow("cmdToggle") << "toggle";
    }

    void buttonsByMouse() {
        QFETCH(QString, hook);
        showActive();
        QTest::mouseClick(control(QTest::currentDataTag()), Qt::LeftButton);
        QCOMPARE(counter[hook], 1);
        QCOMPARE(counter.total(), 1);
    }

    void sliderKeysAndClicks() {
        showActive();
        auto* bar = control<QScrollBar>("scrDiff");
        window->setSliderValue(50);
        QCOMPARE(counter.total(), 0);
        bar->setFocus();

        QTest::keyClick(bar, Qt::Key_Right);
        QCOMPARE(window->sliderValue(), 51);
        QCOMPARE(counter["slider"], 1);
        QTest::keyClick(bar, Qt::Key_Left);
        QTest::keyClick(bar, Qt::Key_Left);
        QCOMPARE(window->sliderValue(), 49);
        QCOMPARE(counter["slider"], 3);

        QTest::mouseClick(bar, Qt::LeftButton, {},
                          scrollBarPart(bar, QStyle::SC_ScrollBarAddLine).center());
        QCOMPARE(window->sliderValue(), 50);
        QCOMPARE(counter["slider"], 4);
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          scrollBarPart(bar, QStyle::SC_ScrollBarSubLine).center());
        QCOMPARE(window->sliderValue(), 49);
        QCOMPARE(counter["slider"], 5);

        // A click in the track moves it once.
        const QRect track = scrollBarPart(bar, QStyle::SC_ScrollBarAddPage);
        QVERIFY(track.isValid());
        QTest::mouseClick(bar, Qt::LeftButton, {}, track.center());
        QVERIFY(window->sliderValue() > 49);
        QCOMPARE(counter["slider"], 6);

        QCOMPARE(counter.total(), 6);
    }

    void sliderAtItsEndsDoesNotNotify() {
        showActive();
        auto* bar = control<QScrollBar>("scrDiff");
        window->setSliderValue(100);
        bar->setFocus();
        QTest::keyClick(bar, Qt::Key_Right);
        QCOMPARE(window->sliderValue(), 100);
        QCOMPARE(counter.total(), 0);
    }

    void sliderDragNotifiesOnceAtRelease() {
        showActive();
        auto* bar = control<QScrollBar>("scrDiff");
        window->setSliderValue(20);
        const QPoint grip = scrollBarPart(bar, QStyle::SC_ScrollBarSlider).center();
        QTest::mousePress(bar, Qt::LeftButton, {}, grip);
        QVERIFY(bar->isSliderDown());
        for (int dx : {10, 25, 40, 15, 30}) {
            dragTo(bar, grip + QPoint(dx, 0));
            QCOMPARE(counter.total(), 0);
        }
        QVERIFY(bar->sliderPosition() != 20);
        QCOMPARE(window->sliderValue(), 20);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, grip + QPoint(30, 0));
        QCOMPARE(counter["slider"], 1);
        QCOMPARE(counter.total(), 1);
        QVERIFY(window->sliderValue() > 20);
    }

    void sliderDragBackToStartDoesNotNotify() {
        showActive();
        auto* bar = control<QScrollBar>("scrDiff");
        window->setSliderValue(60);
        const QPoint grip = scrollBarPart(bar, QStyle::SC_ScrollBarSlider).center();
        QTest::mousePress(bar, Qt::LeftButton, {}, grip);
        dragTo(bar, grip + QPoint(-30, 0));
        dragTo(bar, grip);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, grip);
        QCOMPARE(window->sliderValue(), 60);
        QCOMPARE(counter.total(), 0);
    }

    void programmaticChangesDoNotNotify() {
        window->setSliderValue(77);
        QCOMPARE(window->sliderValue(), 77);
        window->setCheckValue(1);
        QCOMPARE(window->checkValue(), 1);
        window->setCheckValue(2);
        QCOMPARE(window->checkValue(), 2);
        window->setCheckValue(0);
        QCOMPARE(window->checkValue(), 0);
        QCOMPARE(counter.total(), 0);
    }

    void checkBoxToggles_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("off") << 0 << 1;
        QTest::newRow("on") << 1 << 0;
        QTest::newRow("greyed") << 2 << 1;
    }

    void checkBoxToggles() {
        QFETCH(int, before);
        QFETCH(int, after);
        showActive();
        auto* box = control<QCheckBox>("Check1");
        window->setCheckValue(before);
        QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
        QCOMPARE(window->checkValue(), after);
        QCOMPARE(counter["check"], 1);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Space);
        QCOMPARE(window->checkValue(), after == 1 ? 0 : 1);
        QCOMPARE(counter["check"], 2);
        QCOMPARE(counter.total(), 2);
    }

    void userNeverGreysTheBox() {
        showActive();
        auto* box = control<QCheckBox>("Check1");
        window->setCheckValue(2);
        for (int i = 0; i < 5; ++i) {
            QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
            QVERIFY(window->checkValue() != 2);
        }
    }

    void captionBesideTheBoxDoesNotToggle() {
        showActive();
        QTest::mouseClick(control("Label1"), Qt::LeftButton);
        QCOMPARE(window->checkValue(), 0);
        QCOMPARE(counter.total(), 0);
    }

    void listShowsSixRows() {
        showActive();
        auto* list = control<QListWidget>("lstLoad");
        for (int i = 0; i < 6; ++i) {
            window->appendToList("Character " + std::to_string(i));
        }
        QCoreApplication::processEvents();
        const int row = list->sizeHintForRow(0);
        QVERIFY(row > 0);
        const int visible = list->viewport()->height() / row;
        QCOMPARE(visible, 6);
        QVERIFY(!list->verticalScrollBar()->isVisible());
        window->appendToList("Character 6");
        QCoreApplication::processEvents();
        QVERIFY(list->verticalScrollBar()->isVisible());
    }

    void listKeepsOrderAndSelectsOnly() {
        showActive();
        auto* list = control<QListWidget>("lstLoad");
        for (const char* name : {"Zed", "Aldric", "Brynja"}) {
            window->appendToList(name);
        }
        QCOMPARE(list->item(0)->text(), QStringLiteral("Zed"));
        QCOMPARE(list->item(2)->text(), QStringLiteral("Brynja"));
        QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);

        const QPoint second = list->visualItemRect(list->item(1)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
        QCOMPARE(window->selectedListText(), std::string("Aldric"));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second);
        QCOMPARE(window->selectedListText(), std::string("Aldric"));
        QVERIFY(!list->isPersistentEditorOpen(list->item(1)));
        QCOMPARE(counter.total(), 0);
        QCOMPARE(control<LineLabel>("lblOp")->text(), QStringLiteral("[none]"));

        window->clearList();
        QCOMPARE(list->count(), 0);
        QCOMPARE(window->selectedListText(), std::string());
    }

    void listHandsBackTheNameItWasGiven() {
        // Folder names are bytes; one that is not UTF-8 must come back as it
        // went in, or the program would look for another folder.
        const std::string latin1 = "Bj\xF6rn";
        window->appendToList(latin1);
        window->appendToList("Ærin");
        auto* list = control<QListWidget>("lstLoad");
        list->setCurrentRow(0);
        QCOMPARE(window->selectedListText(), latin1);
        list->setCurrentRow(1);
        QCOMPARE(window->selectedListText(), std::string("Ærin"));
        QCOMPARE(list->item(1)->text(), QStringLiteral("Ærin"));
    }

    // Refreshing the list hides and shows it; a list that had the focus
    // keeps it, so loading from the keyboard does not lose the place.
    void refreshKeepsTheListsFocus() {
        showActive();
        auto* list = control("lstLoad");
        list->setFocus();
        window->hideList();
        QVERIFY(!list->isVisible());
        window->showList();
        QVERIFY(list->isVisible());
        QCOMPARE(QApplication::focusWidget(), list);

        control("cmdLoad")->setFocus();
        window->hideList();
        window->showList();
        QCOMPARE(QApplication::focusWidget(), control("cmdLoad"));
    }

    void textBoxHasNoLimit() {
        const QString longName(40000, u'x');
        control<QLineEdit>("txtNew")->setText(longName);
        QCOMPARE(window->newNameText().size(), std::size_t{40000});
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
