// The About window: one at most, in front when asked for again, built anew
// after it was closed, independent of the main window.

#include <QApplication>
#include <QComboBox>
#include <QTemporaryDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

#include "platform/platform.h"
#include "ui/design.h"
#include "ui/qt/about_window.h"
#include "ui/qt/main_window.h"
#include "ui/qt/widgets.h"

using quarlo::ui::AboutWindow;
using quarlo::ui::LineLabel;
using quarlo::ui::MainWindow;

class AboutWindowTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<MainWindow> window;

    QPushButton* aboutButton() {
        return window->findChild<QPushButton*>(QStringLiteral("cmdAbout"));
    }

    int aboutWindowsOpen() {
        int open = 0;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            open += qobject_cast<AboutWindow*>(top) && top->isVisible() ? 1 : 0;
        }
        return open;
    }

    static void discardClosed() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    AboutWindow* pressAbout() {
        QTest::mouseClick(aboutButton(), Qt::LeftButton);
        AboutWindow* about = window->aboutWindow();
        if (about && !QTest::qWaitForWindowExposed(about)) {
            return nullptr;
        }
        return about;
    }

  private slots:
    void init() {
        window = std::make_unique<MainWindow>();
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    void cleanup() {
        if (window->aboutWindow()) {
            window->aboutWindow()->close();
        }
        window.reset();
        discardClosed();
        QCOMPARE(aboutWindowsOpen(), 0);
    }

    void closedUntilPressed() {
        QCOMPARE(window->aboutWindow(), nullptr);
        QCOMPARE(aboutWindowsOpen(), 0);
    }

    void opensAsIndependentWindow() {
        AboutWindow* about = pressAbout();
        QVERIFY(about);
        QCOMPARE(about->windowTitle(), QStringLiteral("About"));
        QCOMPARE(about->size(), QSize(216, 198));
        QVERIFY(about->isWindow());
        QCOMPARE(about->parentWidget(), nullptr);
        QCOMPARE(about->windowModality(), Qt::NonModal);
        QVERIFY(!(about->windowFlags() & Qt::WindowStaysOnTopHint));
        QVERIFY(about->testAttribute(Qt::WA_DeleteOnClose));
        QVERIFY(window->isEnabled());
    }

    void secondPressBringsTheSameWindowToFront() {
        AboutWindow* first = pressAbout();
        QVERIFY(first);
        QVERIFY(QTest::qWaitForWindowActive(first));
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));

        AboutWindow* second = pressAbout();
        QCOMPARE(second, first);
        QCOMPARE(aboutWindowsOpen(), 1);
        QVERIFY(QTest::qWaitForWindowActive(first));
    }

    void closingDiscardsAndNextPressBuildsAnew() {
        QPointer<AboutWindow> first = pressAbout();
        QVERIFY(first);
        first->move(first->pos() + QPoint(40, 30));
        first->close();
        discardClosed();
        QVERIFY(first.isNull());
        QCOMPARE(window->aboutWindow(), nullptr);

        AboutWindow* again = pressAbout();
        QVERIFY(again);
        QCOMPARE(aboutWindowsOpen(), 1);
        QCOMPARE(again->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 QString::fromLatin1(quarlo::ui::design::kCodeCredit));
    }

    void geometry_data() {
        QTest::addColumn<QRect>("place");
        QTest::newRow("Label2") << QRect(8, 16, 201, 17);
        QTest::newRow("Picture2") << QRect(160, 40, 53, 53);
        QTest::newRow("Label1") << QRect(16, 56, 137, 17);
        QTest::newRow("Picture1") << QRect(160, 96, 53, 53);
        QTest::newRow("Label3") << QRect(16, 112, 137, 17);
    }

    void geometry() {
        QFETCH(QRect, place);
        AboutWindow* about = pressAbout();
        QVERIFY(about);
        auto* control = about->findChild<QLabel*>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(control);
        QCOMPARE(control->geometry(), place);
        about->resize(400, 300);
        QCoreApplication::processEvents();
        QCOMPARE(control->geometry(), place);
    }

    void contents() {
        AboutWindow* about = pressAbout();
        QVERIFY(about);
        auto* title = about->findChild<LineLabel*>(QStringLiteral("Label2"));
        QCOMPARE(title->text(), QStringLiteral("A Quarlo"));
        QVERIFY(title->alignment() & Qt::AlignHCenter);
        QVERIFY(title->font().underline());
        QCOMPARE(title->font().weight(), QFont::Normal);
        QCOMPARE(QFontInfo(title->font()).pixelSize(), 13);

        for (const char* name : {"Label1", "Label3"}) {
            auto* credit = about->findChild<LineLabel*>(QString::fromLatin1(name));
            QCOMPARE(credit->font(), window->font());
            QCOMPARE(credit->text(), credit->lineText());
            QVERIFY(credit->fontMetrics().horizontalAdvance(credit->text()) <= credit->width());
        }
        QVERIFY(about->findChild<QLabel*>(QStringLiteral("Label1"))->text().startsWith("Code by:"));
        QVERIFY(about->findChild<QLabel*>(QStringLiteral("Label3"))->text().startsWith("Idea by:"));

        for (const char* name : {"Picture1", "Picture2"}) {
            auto* picture = about->findChild<QLabel*>(QString::fromLatin1(name));
            QCOMPARE(picture->pixmap().size(), QSize(50, 50));
            QCOMPARE(picture->alignment(), Qt::AlignLeft | Qt::AlignTop);
        }
        QVERIFY(about->windowIcon().isNull());
    }

    void focusGoesToThePictures() {
        AboutWindow* about = pressAbout();
        QVERIFY(about);
        QVERIFY(QTest::qWaitForWindowActive(about));
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Picture2"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Picture1"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cboLanguage"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Picture2"));
        for (const char* name : {"Label1", "Label2", "Label3"}) {
            QCOMPARE(about->findChild<QLabel*>(QString::fromLatin1(name))->focusPolicy(),
                     Qt::NoFocus);
        }
    }

    // The language chosen is kept in Quarlo's own settings for its next
    // start, and the window says so.
    void languageChosenIsKeptForTheNextStart() {
        QTemporaryDir config;
        const QByteArray was = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        AboutWindow* about = pressAbout();
        QVERIFY(about);
        auto* choice = about->findChild<QComboBox*>(QStringLiteral("cboLanguage"));
        QVERIFY(choice);
        QCOMPARE(choice->count(), 8);
        QCOMPARE(choice->currentIndex(), 0);
        const int german = choice->findData(QStringLiteral("de"));
        QCOMPARE(choice->itemText(german), QStringLiteral("Deutsch"));
        emit choice->activated(german);
        QCOMPARE(quarlo::platform::rememberedLanguage(), std::string("de"));
        QCOMPARE(about->findChild<LineLabel*>(QStringLiteral("lblLanguageNote"))->lineText(),
                 QStringLiteral("Quarlo speaks it from its next start."));
        emit choice->activated(0);
        QCOMPARE(quarlo::platform::rememberedLanguage(), std::string());
        qputenv("XDG_CONFIG_HOME", was);
    }

    void mainWindowStaysUsable() {
        int loads = 0;
        quarlo::app::MainHandlers hooks;
        hooks.loadClicked = [&loads] { ++loads; };
        window->setHandlers(hooks);
        QVERIFY(pressAbout());
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdLoad")),
                          Qt::LeftButton);
        QCOMPARE(loads, 1);
    }

    // Runs the application's own event loop: the program ends when its last
    // window closes, and the About window counts as one.
    void programRunsUntilTheLastWindowCloses() {
        QVERIFY(QApplication::quitOnLastWindowClosed());
        QVERIFY(pressAbout());
        bool runningWithAboutOnly = false;
        QTimer closeMain;
        closeMain.setSingleShot(true);
        connect(&closeMain, &QTimer::timeout, window.get(), [this] { window->close(); });
        QTimer closeAbout;
        closeAbout.setSingleShot(true);
        connect(&closeAbout, &QTimer::timeout, qApp, [this, &runningWithAboutOnly] {
            runningWithAboutOnly = !window->isVisible();
            window->aboutWindow()->close();
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        closeMain.start(0);
        closeAbout.start(100);
        watchdog.start(5000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(runningWithAboutOnly);
    }
};

QTEST_MAIN(AboutWindowTest)
#include "about_window_test.moc"
