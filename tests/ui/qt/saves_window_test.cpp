// lstLoad's context menu and the Saves windows it opens: one per character,
// in front when asked for again, and the list, its selection and the main
// window's hooks untouched.

#include <QApplication>
#include <QContextMenuEvent>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "backups/store.h"
#include "platform/file_system.h"
#include "platform/save_files.h"
#include "tests/support/fake_saves_view.h"
#include "tests/support/native.h"
#include "tests/support/save_writer.h"
#include "tests/support/temp_dir.h"
#include "texts/catalogue.h"
#include "ui/qt/dialogs.h"
#include "ui/qt/main_window.h"
#include "ui/qt/saves_window.h"

using quarlo::ui::MainWindow;
using quarlo::ui::SavesWindow;

class SavesWindowTest : public QObject {
    Q_OBJECT

  private:
    // Ann and Bob, in the test's folder.
    struct Characters : quarlo::app::Characters {
        SavesWindowTest& test;
        explicit Characters(SavesWindowTest& t) : test(t) {}
        std::vector<std::string> names() const override { return {"Ann", "Bob"}; }
        quarlo::app::CharacterFolder prepareFolder(const std::string& name) override {
            return {test.dir->at(name), nullptr, false};
        }
        bool gameIsRunning() const override { return false; }
    } characters{*this};
    std::unique_ptr<quarlo::test::TempDir> dir;
    std::unique_ptr<quarlo::platform::SaveFiles> files;
    std::unique_ptr<MainWindow> window;
    std::vector<std::string> opened;
    int mainHooks = 0;

    QListWidget* list() { return window->findChild<QListWidget*>(QStringLiteral("lstLoad")); }

    int savesWindowsOpen() {
        int open = 0;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            open += qobject_cast<SavesWindow*>(top) && top->isVisible() ? 1 : 0;
        }
        return open;
    }

    QMenu* menu() {
        auto* m = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        return m != nullptr && m->objectName() == QStringLiteral("mnuEntry") ? m : nullptr;
    }

    // Chooses a command of the menu that is open, as a click on it would.
    bool choose(const QString& command) {
        QMenu* m = menu();
        if (m == nullptr) {
            return false;
        }
        for (QAction* action : m->actions()) {
            if (action->text() == command) {
                action->trigger();
                m->close();
                return true;
            }
        }
        return false;
    }

    // Runs `act` on the next modal dialog once it is up.
    void answer(std::function<void(QWidget*)> act) {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [timer, act] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                timer->stop();
                timer->deleteLater();
                act(modal);
            }
        });
        timer->start(10);
    }

    // The right button on a row of the list.
    void rightClick(int row) {
        QWidget* viewport = list()->viewport();
        const QPoint at = list()->visualItemRect(list()->item(row)).center();
        QTest::mouseClick(viewport, Qt::RightButton, {}, at);
        if (menu() == nullptr) {
            // Where the test's mouse events bypass the window system, the
            // context menu event it would add is sent by hand.
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
            QApplication::sendEvent(viewport, &event);
        }
    }

  private slots:
    void init() {
        dir = std::make_unique<quarlo::test::TempDir>();
        files = quarlo::test::nativeSaveFiles();
        for (const char* character : {"Ann", "Bob"}) {
            std::filesystem::create_directories(dir->at(character));
        }
        quarlo::test::SaveShape shape;
        shape.width = 8;
        shape.height = 6;
        quarlo::test::writeBytes(dir->at("Ann/Save 1.ess"), quarlo::test::saveBytes(shape));
        quarlo::test::writeBytes(dir->at("Ann/Save 2.ess"), quarlo::test::saveBytes(shape));
        opened.clear();
        mainHooks = 0;

        window = std::make_unique<MainWindow>();
        quarlo::app::MainHandlers hooks;
        auto count = [this] { ++mainHooks; };
        hooks.sliderChanged = hooks.checkClicked = hooks.loadClicked = hooks.newClicked =
            hooks.toggleClicked = hooks.runClicked = count;
        hooks.openFolder = [this](const std::string& entry) { opened.push_back(entry); };
        hooks.savesOf = [this](const std::string& entry) {
            return quarlo::app::SavesSource{entry, dir->at(entry), files.get(), {}, &characters};
        };
        window->setHandlers(hooks);
        window->appendToList("Ann");
        window->appendToList("Bob");
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    void cleanup() {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (qobject_cast<SavesWindow*>(top)) {
                top->close();
            }
        }
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(savesWindowsOpen(), 0);
        files.reset();
        dir.reset();
    }

    void rightButtonOpensOneWindowPerCharacterWithoutSelecting() {
        list()->setCurrentRow(1);  // Bob
        rightClick(0);
        QVERIFY(menu());
        QVERIFY(choose(QStringLiteral("Show &Saves\u2026")));
        SavesWindow* ann = window->savesWindow("Ann");
        QVERIFY(ann);
        QVERIFY(QTest::qWaitForWindowExposed(ann));
        QCOMPARE(ann->windowTitle(), QStringLiteral("Saves of Ann"));
        QVERIFY(ann->isWindow());
        QCOMPARE(ann->parentWidget(), nullptr);
        QCOMPARE(ann->windowModality(), Qt::NonModal);
        QCOMPARE(ann->table()->rowCount(), 2);
        QCOMPARE(ann->table()->columnCount(), 8);
        QCOMPARE(ann->table()->horizontalHeaderItem(4)->text(), QStringLiteral("Saved"));
        QCOMPARE(ann->table()->horizontalHeaderItem(7)->text(), QStringLiteral("File"));
        QCOMPARE(ann->table()->item(0, 1)->text(), QStringLiteral("12"));
        // Sized for real names within a 1280 x 800 screen, every column in view.
        QVERIFY(ann->width() <= 1280 && ann->height() <= 800);
        QVERIFY(!ann->table()->horizontalScrollBar()->isVisible());
        QCOMPARE(ann->picture()->pixmap().size(), QSize(8, 6));

        // Asked again: the same window, in front.
        window->activateWindow();
        rightClick(0);
        QVERIFY(choose(QStringLiteral("Show &Saves\u2026")));
        QCOMPARE(window->savesWindow("Ann"), ann);
        QCOMPARE(savesWindowsOpen(), 1);
        QVERIFY(QTest::qWaitForWindowActive(ann));

        // The selected entry from the keyboard: another character, another
        // window.
        list()->setFocus();
        QTest::keyClick(list(), Qt::Key_F10, Qt::ShiftModifier);
        QVERIFY(choose(QStringLiteral("Show &Saves\u2026")));
        SavesWindow* bob = window->savesWindow("Bob");
        QVERIFY(bob && bob != ann);
        QCOMPARE(bob->windowTitle(), QStringLiteral("Saves of Bob"));
        QCOMPARE(bob->table()->rowCount(), 0);
        QCOMPARE(savesWindowsOpen(), 2);

        QCOMPARE(list()->currentRow(), 1);
        QCOMPARE(window->selectedListText(), std::string("Bob"));
        QCOMPARE(mainHooks, 0);
        QVERIFY(opened.empty());

        // Closed, it is made anew on the next ask.
        ann->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(window->savesWindow("Ann"), nullptr);
    }

    void openFolderFromTheMenuKeyOnTheSelectedEntry() {
        list()->setFocus();
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(1, 1),
                              list()->mapToGlobal(QPoint(1, 1)));
        // Nothing selected: only the command that needs no entry.
        QApplication::sendEvent(list(), &key);
        QVERIFY(menu());
        QCOMPARE(menu()->actions().size(), 1);
        QCOMPARE(menu()->actions().front()->text(), QStringLiteral("Sort &Loose Saves\u2026"));
        menu()->close();
        list()->setCurrentRow(0);
        QApplication::sendEvent(list(), &key);
        QVERIFY(choose(QStringLiteral("&Open Folder")));
        QCOMPARE(opened, std::vector<std::string>{"Ann"});
        QCOMPARE(savesWindowsOpen(), 0);
        QCOMPARE(list()->currentRow(), 0);
        QCOMPARE(mainHooks, 0);
    }

    // Both of Ann's saves, picked with the keyboard, go to Bob through the
    // button and its dialogs; Bob's open window shows them at once.
    void moveToFromTheButtonRefreshesTheOtherWindow() {
        window->showSaves("Bob");
        SavesWindow* bob = window->savesWindow("Bob");
        QVERIFY(bob);
        QCOMPARE(bob->table()->rowCount(), 0);
        window->showSaves("Ann");
        SavesWindow* ann = window->savesWindow("Ann");
        QVERIFY(ann && QTest::qWaitForWindowActive(ann));
        ann->table()->setFocus();
        QTest::keyClick(ann->table(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(ann->selectedRows(), (std::vector<int>{0, 1}));

        QStringList offered;
        QString summary;
        answer([&](QWidget* dialog) {
            QCOMPARE(dialog->objectName(), QStringLiteral("dlgDestination"));
            auto* input = qobject_cast<QInputDialog*>(dialog);
            offered = input->comboBoxItems();
            input->setTextValue(QStringLiteral("Bob"));
            answer([&](QWidget* box) {
                summary = qobject_cast<QMessageBox*>(box)->text();
                qobject_cast<QDialog*>(box)->accept();
            });
            input->accept();
        });
        ann->findChild<QPushButton*>(QStringLiteral("cmdMoveTo"))->click();
        QCOMPARE(offered, QStringList{QStringLiteral("Bob")});
        QCOMPARE(summary, QStringLiteral("Success. 2 saves moved to Bob."));
        QCOMPARE(ann->table()->rowCount(), 0);
        QCOMPARE(bob->table()->rowCount(), 2);
        QVERIFY(std::filesystem::exists(dir->at("Bob/Save 1.ess")));
        QCOMPARE(mainHooks, 0);
    }

    // Work that will take over half a second shows its progress while no window takes
    // a click; Cancel stops it after the save it is at. A summary with a line
    // for each save comes in a wide box of its own.
    void longWorkShowsProgressAndStopsOnCancel() {
        std::size_t reached = 0;
        answer([&](QWidget* dialog) {
            QCOMPARE(dialog->objectName(), QStringLiteral("dlgProgress"));
            QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdLoad")),
                              Qt::LeftButton);
            dialog->findChild<QPushButton*>()->click();
        });
        quarlo::ui::runWithProgress(window.get(), "Move To\u2026", quarlo::test::slowWork(reached));
        QVERIFY(reached > 0 && reached < 1000);
        QCOMPARE(mainHooks, 0);

        QString heading;
        int width = 0;
        answer([&](QWidget* dialog) {
            QCOMPARE(dialog->objectName(), QStringLiteral("dlgReport"));
            heading = dialog->findChild<QLabel*>(QStringLiteral("lblHeading"))->text();
            width = dialog->width();
            qobject_cast<QDialog*>(dialog)->accept();
        });
        quarlo::ui::tell(window.get(), "Sort Loose Saves\u2026",
                         "Failed. 1 save moved into 1 character; 1 not moved.\n\nSave 2.ess: not "
                         "moved; Bob has a file of that name already.");
        QCOMPARE(heading, QStringLiteral("Failed. 1 save moved into 1 character; 1 not moved."));
        QVERIFY(width >= 500);
    }

    // A report, a question and their buttons in the player's language, not
    // in Qt's English; the names in them as they are.
    void aReportAndAQuestionAreSaidInThePlayersLanguage() {
        std::ifstream in(std::string(QUARLO_LOCALE_DIR) + "/ru/LC_MESSAGES/quarlo.mo",
                         std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        std::string why;
        auto catalogue = quarlo::texts::parseMo(bytes, why);
        QVERIFY2(catalogue, why.c_str());
        quarlo::texts::use("ru", std::move(catalogue));
        QString heading;
        QString details;
        QString ok;
        answer([&](QWidget* dialog) {
            heading = dialog->findChild<QLabel*>(QStringLiteral("lblHeading"))->text();
            details =
                dialog->findChild<QPlainTextEdit*>(QStringLiteral("txtDetails"))->toPlainText();
            ok = dialog->findChild<QPushButton*>()->text();
            qobject_cast<QDialog*>(dialog)->accept();
        });
        quarlo::ui::tell(window.get(), "Move To\u2026",
                         "Failed. 0 saves moved to Bob; 1 not moved.\n\nSave 2.ess: not moved; Bob "
                         "has a file of that name already.");
        QCOMPARE(heading, QString::fromStdString(
                              quarlo::texts::tr("Failed. 0 saves moved to Bob; 1 not moved.")));
        QVERIFY(!heading.startsWith(QStringLiteral("Failed.")));
        QVERIFY(details.startsWith(QStringLiteral("Save 2.ess: ")) && details.contains("Bob") &&
                !details.contains(QStringLiteral("not moved")));
        QCOMPARE(ok, QString::fromStdString(quarlo::texts::tr("OK")));
        QStringList buttons;
        answer([&](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            buttons << box->button(QMessageBox::Yes)->text()
                    << box->button(QMessageBox::No)->text();
            box->button(QMessageBox::No)->click();
        });
        QVERIFY(
            !quarlo::ui::askYes(window.get(), "Delete", "Move 1 save (no co-saves) to the trash?"));
        quarlo::texts::use("en", std::nullopt);
        QCOMPARE(buttons, (QStringList{QStringLiteral("&Да"), QStringLiteral("&Нет")}));
    }

    // lstLoad's menu on an entry offers Back Up and Restore…; the Restore
    // list shows a character's backups with the store's size.
    void backUpAndRestoreListFromTheMenu() {
        std::vector<std::string> backedUp;
        quarlo::app::MainHandlers hooks;
        hooks.backUp = [&](const std::string& entry, quarlo::app::BackupView&) {
            backedUp.push_back(entry);
        };
        auto fs = quarlo::test::nativeFileSystem();
        quarlo::backups::Store store(*files, *fs, dir->at("store"));
        const std::string game = dir->str();
        store.backUp(game, "Ann", dir->at("Ann"), quarlo::backups::Reason::byHand, {});
        hooks.backupsOf = [&](const std::string& entry) {
            return quarlo::app::BackupsSource{entry,       game,    dir->at(entry), &store,
                                              files.get(), nullptr, nullptr,        {}};
        };
        window->setHandlers(hooks);
        list()->setCurrentRow(0);
        list()->setFocus();
        QTest::keyClick(list(), Qt::Key_F10, Qt::ShiftModifier);
        QVERIFY(choose(QStringLiteral("&Back Up")));
        QCOMPARE(backedUp, std::vector<std::string>{"Ann"});
        int rows = 0;
        QString size;
        answer([&](QWidget* dialog) {
            QCOMPARE(dialog->objectName(), QStringLiteral("dlgRestore"));
            rows = dialog->findChild<QTableWidget*>(QStringLiteral("tblBackups"))->rowCount();
            size = dialog->findChild<QLabel*>(QStringLiteral("lblStoreSize"))->text();
            qobject_cast<QDialog*>(dialog)->reject();
        });
        QTest::keyClick(list(), Qt::Key_F10, Qt::ShiftModifier);
        QVERIFY(choose(QStringLiteral("&Restore\u2026")));
        QCOMPARE(rows, 1);
        QVERIFY(size.startsWith(QStringLiteral("Backups take ")));
    }

    // Rename… asks for the name in a line of text; Tidy Up… shows its plan,
    // whose number of saves to keep plans anew and whose boxes leave a file
    // out.
    void renameAndTidyUpFromTheMenu() {
        std::optional<std::string> named;
        std::optional<quarlo::app::TidyPlan> taken;
        std::vector<std::size_t> replanned;
        quarlo::app::MainHandlers hooks;
        hooks.rename = [&](const std::string& entry, quarlo::app::CharacterView& view) {
            named = view.askName("Rename", "New name for " + entry + ":", entry);
        };
        hooks.tidyUp = [&](const std::string&, quarlo::app::CharacterView& view) {
            const auto replan = [&](std::size_t keep) {
                replanned.push_back(keep);
                quarlo::app::TidyPlan plan;
                plan.keep = keep;
                for (std::size_t i = 0; i < 4 - std::min<std::size_t>(keep, 4); ++i) {
                    plan.items.push_back({quarlo::app::TidyItem::Kind::old,
                                          "Save " + std::to_string(i) + ".ess",
                                          {},
                                          "Level 1"});
                }
                return plan;
            };
            quarlo::app::TidyPlan plan = replan(1);
            if (view.confirmTidy(plan, replan)) {
                taken = plan;
            }
        };
        window->setHandlers(hooks);
        list()->setCurrentRow(0);
        list()->setFocus();
        answer([&](QWidget* dialog) {
            QCOMPARE(dialog->objectName(), QStringLiteral("dlgName"));
            auto* input = qobject_cast<QInputDialog*>(dialog);
            QCOMPARE(input->textValue(), QStringLiteral("Ann"));
            input->setTextValue(QStringLiteral("Anna"));
            input->accept();
        });
        QTest::keyClick(list(), Qt::Key_F10, Qt::ShiftModifier);
        QVERIFY(choose(QStringLiteral("Re&name\u2026")));
        QCOMPARE(named, std::optional<std::string>("Anna"));

        int rows = 0;
        answer([&](QWidget* dialog) {
            QCOMPARE(dialog->objectName(), QStringLiteral("dlgTidyPlan"));
            QVERIFY(dialog->width() <= dialog->screen()->availableGeometry().width());
            dialog->findChild<QSpinBox*>(QStringLiteral("spnKeep"))->setValue(2);
            auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("tblTidy"));
            rows = table->rowCount();
            table->item(0, 0)->setCheckState(Qt::Unchecked);
            qobject_cast<QDialog*>(dialog)->accept();
        });
        QTest::keyClick(list(), Qt::Key_F10, Qt::ShiftModifier);
        QVERIFY(choose(QStringLiteral("&Tidy Up\u2026")));
        QCOMPARE(replanned, (std::vector<std::size_t>{1, 2}));
        QCOMPARE(rows, 2);
        QVERIFY(taken.has_value());
        QCOMPARE(taken->keep, std::size_t{2});
        QCOMPARE(taken->chosen(), std::size_t{1});
        QVERIFY(!taken->items[0].chosen);
    }

    // However small the screen, the Saves window fits it, each plugin's
    // state shows whole, and the selected save's co-saves are told.
    void theSavesWindowFitsAndShowsPluginsAndCoSavesWhole() {
        quarlo::test::SaveShape shape;
        shape.plugins = {"A Plugin With A Name Far Longer Than The Column Has Room For.esp"};
        quarlo::test::writeBytes(dir->at("Bob/Long.ess"), quarlo::test::saveBytes(shape));
        quarlo::test::writeBytes(dir->at("Bob/Long.obse"),
                                 quarlo::test::obseBytes(21, 4, 0x010201A0, {0x1400}));
        quarlo::app::MainHandlers hooks;
        hooks.savesOf = [this](const std::string& entry) {
            quarlo::app::SavesSource source{entry, dir->at(entry), files.get(), {}};
            source.plugins = [] { return quarlo::saves::PluginSetup{true, "", {}, {}}; };
            return source;
        };
        window->setHandlers(hooks);
        window->showSaves("Bob");
        SavesWindow* bob = window->savesWindow("Bob");
        QVERIFY(bob && QTest::qWaitForWindowActive(bob));
        const QRect room = bob->screen()->availableGeometry();
        QVERIFY(bob->frameGeometry().width() <= room.width());
        QVERIFY(bob->frameGeometry().height() <= room.height());
        QTableWidget* plugins = bob->plugins();
        QCOMPARE(plugins->item(0, 1)->text(), QStringLiteral("not installed"));
        QVERIFY(plugins->columnWidth(1) >=
                plugins->fontMetrics().horizontalAdvance(plugins->item(0, 1)->text()));
        QVERIFY(plugins->columnWidth(0) + plugins->columnWidth(1) <= plugins->viewport()->width());
        QCOMPARE(bob->details()->text(),
                 QStringLiteral("Long.obse: script extender 21.4, game 1.2.0416, no extender "
                                "plugin stored data."));
    }

    void f5ReadsTheFolderAgain() {
        window->showSaves("Bob");
        SavesWindow* bob = window->savesWindow("Bob");
        QVERIFY(bob && QTest::qWaitForWindowActive(bob));
        QCOMPARE(bob->table()->rowCount(), 0);
        quarlo::test::writeBytes(dir->at("Bob/Quick.ess"),
                                 quarlo::test::saveBytes(quarlo::test::SaveShape{}));
        QTest::keyClick(bob, Qt::Key_F5);
        QCOMPARE(bob->table()->rowCount(), 1);
        QCOMPARE(bob->table()->item(0, 7)->text(), QStringLiteral("Quick.ess"));
        QCOMPARE(bob->picture()->pixmap().size(), QSize(4, 3));
    }
};

QTEST_MAIN(SavesWindowTest)
#include "saves_window_test.moc"
