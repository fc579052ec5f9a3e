// The window wired to the program's logic and the real platform, against a
// game folder in a temporary home: start-up fills the window before it is
// shown, and each control reaches the command behind it.

#include <QFile>
#include <QListWidget>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/main_window.h"
#include "platform/platform.h"
#include "ui/qt/main_window.h"
#include "ui/qt/widgets.h"

using quarlo::ui::LineLabel;
using quarlo::ui::MainWindow;

class StartupTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir home;
    QByteArray savedHome;
    QByteArray savedConfig;
    QString gameFolder;

    std::unique_ptr<quarlo::platform::Platform> platform;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<quarlo::app::Main> main;

    QString shown(const char* label) {
        return window->findChild<LineLabel*>(QString::fromLatin1(label))->text();
    }

    QByteArray gameFile() {
        QFile file(gameFolder + "/oblivion.ini");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

  private slots:
    void initTestCase() {
        QVERIFY(home.isValid());
        savedHome = qgetenv("HOME");
        savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        qunsetenv("XDG_CONFIG_HOME");
    }

    void cleanupTestCase() {
        qputenv("HOME", savedHome);
        if (!savedConfig.isEmpty()) {
            qputenv("XDG_CONFIG_HOME", savedConfig);
        }
    }

    void init() {
        gameFolder = home.path() + "/Documents/My Games/Oblivion";
        QDir(gameFolder).removeRecursively();
        QVERIFY(QDir().mkpath(gameFolder + "/Saves/Aldric"));
        QVERIFY(QDir().mkpath(gameFolder + "/Saves/Brynja"));
        const QString samples = QStringLiteral(QUARLO_TESTDATA_DIR);
        QVERIFY(QFile::copy(samples + "/oblivion-sample.ini", gameFolder + "/oblivion.ini"));
        QVERIFY(QFile::copy(samples + "/quarlo-sample.ini", gameFolder + "/quarlo.ini"));
        QFile::setPermissions(gameFolder + "/oblivion.ini", QFile::ReadOwner | QFile::WriteOwner);
        QFile::setPermissions(gameFolder + "/quarlo.ini", QFile::ReadOwner | QFile::WriteOwner);

        platform = std::make_unique<quarlo::platform::Platform>(quarlo::platform::createPlatform());
        window = std::make_unique<MainWindow>();
        main = std::make_unique<quarlo::app::Main>(*platform, *window);
        window->setHandlers(quarlo::app::handlersFor(*main));
        main->startUp();
    }

    void cleanup() {
        main.reset();
        window.reset();
        platform.reset();
    }

    void startUpFillsTheWindowBeforeItShows() {
        QVERIFY(!window->isVisible());
        QCOMPARE(shown("lblMode"), QStringLiteral("Automatic Mode."));
        QCOMPARE(shown("lblActive"), QStringLiteral("Aldric"));
        auto* list = window->findChild<QListWidget*>(QStringLiteral("lstLoad"));
        QStringList names;
        for (int i = 0; i < list->count(); ++i) {
            names << list->item(i)->text();
        }
        QVERIFY2(names.contains("Aldric") && names.contains("Brynja"), qPrintable(names.join(',')));
        // The game's difficulty is adopted for the active character.
        QCOMPARE(window->sliderValue(), 65);
        QCOMPARE(shown("lblDiff"), QStringLiteral("65"));
        QCOMPARE(window->checkValue(), 1);
    }

    void controlsReachTheirCommands() {
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        auto* list = window->findChild<QListWidget*>(QStringLiteral("lstLoad"));
        const auto brynja = list->findItems(QStringLiteral("Brynja"), Qt::MatchExactly);
        QCOMPARE(brynja.size(), 1);
        list->setCurrentItem(brynja.front());
        QTest::keyClick(list, Qt::Key_L, Qt::AltModifier);
        QTRY_COMPARE(shown("lblActive"), QStringLiteral("Brynja"));
        // Brynja has no settings of her own yet, so loading her also set the
        // slider to the default, and that change wrote the status lines last.
        QCOMPARE(window->sliderValue(), 50);
        QCOMPARE(shown("lblOp"), QStringLiteral("Change Difficulty."));
        QCOMPARE(shown("lblOutcome"), QStringLiteral("Success."));
        QVERIFY(gameFile().contains("SLocalSavePath=Saves\\Brynja\\\r\n"));

        auto* slider = window->findChild<QScrollBar*>(QStringLiteral("scrDiff"));
        const int before = window->sliderValue();
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Right);
        QCOMPARE(shown("lblOp"), QStringLiteral("Change Difficulty."));
        QCOMPARE(shown("lblDiff"), QString::number(before + 1));
        QVERIFY(gameFile().contains("iDifficultyLevel=" + QByteArray::number(before + 1)));

        QTest::keyClick(window.get(), Qt::Key_T, Qt::AltModifier);
        QTRY_COMPARE(shown("lblMode"), QStringLiteral("Root Dir Mode."));
        QTest::keyClick(window.get(), Qt::Key_T, Qt::AltModifier);
        QTRY_COMPARE(shown("lblMode"), QStringLiteral("Automatic Mode."));
    }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
