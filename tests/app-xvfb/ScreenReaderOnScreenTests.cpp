#include "app/design/DSFocusRing.h"
#include "app/options/CustomSizeEditor.h"
#include "app/options/FormatChip.h"
#include "app/options/OptionsChip.h"
#include "app/options/OptionsPanel.h"
#include "app/options/QualityControl.h"
#include "app/options/SizeChip.h"
#include "app/options/ToolbarChips.h"
#include "app/preferences/AboutDialog.h"
#include "app/preferences/DefaultSizePicker.h"
#include "app/preferences/SettingsWindow.h"
#include "app/shell/BatchGrid.h"
#include "app/shell/HeroBand.h"
#include "app/shell/ImageCard.h"
#include "app/shell/MainWindow.h"
#include "app/shell/PictavoByFenwidApp.h"
#include "OnScreenTest.h"
#include "support/AccessibleEvents.h"
#include "support/Eventually.h"
#include "support/PaintedPhoto.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QPointer>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <optional>
#include <set>

namespace {

using namespace pictavo;
namespace fs = std::filesystem;

using support::eventually;
using Heard = std::vector<std::string>;

// The real window with cards, driven by keys as the X server delivers them, and what it tells
// a screen reader after each key: the objects it reports as the focus.
class ScreenReaderOnScreen : public support::OnScreenTest {
protected:
    void SetUp() override {
        support::OnScreenTest::SetUp();
        if (IsSkipped()) return;
        if (!eventually([] { return QAccessible::isActive(); }, 10000)) {
            GTEST_SKIP() << "needs the accessibility bus (at-spi2-core), which Qt did not find";
        }
    }

    fs::path photo(const char* name, int seed) {
        const fs::path path = root.path() / name;
        EXPECT_TRUE(support::paintedPhoto(400, 300, seed).save(QString::fromStdString(path.string()), nullptr, 90));
        return path;
    }

    // Opens the window with the files and waits for the first card to take the focus.
    MainWindow& open(const std::vector<fs::path>& files) {
        MainWindow& window = app.mainWindow();
        QStringList paths;
        for (const fs::path& file : files) paths << QString::fromStdString(file.string());
        app.open(paths);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        EXPECT_TRUE(eventually([&] { return window.store().items().size() == files.size(); }));
        EXPECT_TRUE(eventually([&] { return window.grid()->focusedCard() && QApplication::focusWidget(); }));
        // A focused card whose estimate arrives has it read out, and the import tells what it
        // added: either would come between the keys.
        EXPECT_TRUE(eventually([&] { return window.store().estimatedBytes().has_value(); }));
        EXPECT_TRUE(eventually([&] { return !events.shown(QAccessible::Notification).empty(); }));
        events.takeFocus();
        return window;
    }

    // The focus events the key gave rise to.
    Heard press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QWidget* active = QApplication::activeWindow();
        QTest::keyClick(active ? active->windowHandle() : app.mainWindow().windowHandle(), key, modifiers);
        // Qt hands each key to the accessibility bus's listeners before the window sees it.
        QTest::qWait(100);
        return events.takeFocus();
    }

    PictavoByFenwidApp app{engine};
    support::AccessibleEvents events;
};

TEST_F(ScreenReaderOnScreen, AnOpenMenuIsReadRowByRowAndHandsTheReaderBackToItsTrigger) {
    MainWindow& window = open({photo("photo.jpg", 1)});
    ASSERT_EQ(press(Qt::Key_Tab), Heard{R"(button "Format" "Same as source" [focused])"});

    // Opening reads the selected row, each move the next; Esc goes back to the chip.
    EXPECT_EQ(press(Qt::Key_Space),
              Heard{R"(menu item "Same as source, Optimise without converting" "selected, 1 of 13" [focused selected])"});
    EXPECT_EQ(press(Qt::Key_Down), Heard{R"(menu item "HEIC, Lossy, transparency" "2 of 13" [focused])"});
    EXPECT_EQ(press(Qt::Key_Down), Heard{R"(menu item "JPEG, Lossy, no transparency" "3 of 13" [focused])"});
    EXPECT_EQ(press(Qt::Key_Escape), Heard{R"(button "Format" "Same as source" [focused])"});

    // Choosing is heard as the chip's new value.
    ASSERT_EQ(press(Qt::Key_Tab), Heard{R"(button "Size" "Original size" [focused])"});
    EXPECT_EQ(press(Qt::Key_Space), Heard{R"(menu item "Original size" "selected, 1 of 9" [focused selected])"});
    EXPECT_EQ(press(Qt::Key_Down), Heard{R"(menu item "50%" "2 of 9" [focused])"});
    EXPECT_EQ(press(Qt::Key_Return), Heard{R"(button "Size" "50%" [focused])"});

    // The band's destination menu, down to the row that replaces the originals.
    window.band()->destinationButton()->setFocus(Qt::BacktabFocusReason);
    events.takeFocus();
    press(Qt::Key_Space);
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_EQ(press(Qt::Key_Down),
              Heard{R"(menu item "Replace the originals, Originals go to the Trash, so this can be undone" "4 of 4" [focused])"});
    EXPECT_EQ(press(Qt::Key_Escape), Heard{R"(button "Destination" "Saving beside each original" [focused])"});
    EXPECT_TRUE(window.close());
}

// Only the card reads, whatever its estimate says.
std::vector<std::string> names(const Heard& heard) {
    std::vector<std::string> named;
    for (const std::string& said : heard) named.push_back(said.substr(0, said.find("\" \"") + 1));
    return named;
}

TEST_F(ScreenReaderOnScreen, TheCardsKeepTheFocusFromTheKeyboardAndTheirMenuOpensOnItsFirstItem) {
    MainWindow& window = open({photo("first.jpg", 1), photo("second.jpg", 2), photo("third.jpg", 3)});
    ASSERT_EQ(press(Qt::Key_Tab), Heard{R"(button "Format" "Same as source" [focused])"});
    EXPECT_EQ(names(press(Qt::Key_Backtab, Qt::ShiftModifier)), Heard{R"(button "first.jpg")"});
    EXPECT_EQ(names(support::AccessibleEvents::focusedObjects()), Heard{R"(button "first.jpg")"});

    // The Menu key (as the X server's keyboard hands it over: a request for the focused
    // widget's menu) and Shift+F10 open the card's menu on its first item; Esc goes back. The
    // menu holds the keys in a loop of its own until it closes.
    for (const bool menuKey : {true, false}) {
        Heard opened;
        QObject step;
        QTimer::singleShot(300, &step, [&] {
            opened = events.takeFocus();
            if (QWidget* menu = QApplication::activePopupWidget()) QTest::keyClick(menu->windowHandle(), Qt::Key_Escape);
        });
        if (menuKey) {
            QWidget* card = QApplication::focusWidget();
            QContextMenuEvent request(QContextMenuEvent::Keyboard, card->rect().center(), card->mapToGlobal(card->rect().center()));
            QCoreApplication::sendEvent(card, &request);
        } else {
            QTest::keyClick(window.windowHandle(), Qt::Key_F10, Qt::ShiftModifier);
        }
        QTest::qWait(400);
        // Read again after the window's activation that follows the menu's opening.
        ASSERT_FALSE(opened.empty());
        EXPECT_EQ(opened, Heard(opened.size(), R"(menu item "Remove first.jpg" "" [focused])")) << menuKey;
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        EXPECT_EQ(names(events.takeFocus()), Heard{R"(button "first.jpg")"}) << menuKey;
        EXPECT_EQ(names(support::AccessibleEvents::focusedObjects()), Heard{R"(button "first.jpg")"}) << menuKey;
    }

    // Removed with Delete, the card hands the focus to the one that takes its place, which is
    // read out with what went.
    press(Qt::Key_Space);
    ASSERT_EQ(window.selection().value().ids.size(), 1);
    const Heard removed = names(press(Qt::Key_Delete));
    ASSERT_EQ(removed.size(), 2u);
    EXPECT_EQ(removed[0], R"(button "second.jpg")");
    EXPECT_TRUE(removed[1].starts_with(R"(label "first.jpg removed from the batch, second.jpg, )")) << removed[1];
    EXPECT_EQ(window.store().items().size(), 2u);
    EXPECT_TRUE(window.close());
}

TEST_F(ScreenReaderOnScreen, EveryPanelIsNamedAndAboutStartsOnOneNamedFocusThatTabWalks) {
    MainWindow& window = open({photo("first.jpg", 1)});
    events.takeFocus();
    AboutDialog::open(&window);
    const QPointer<AboutDialog> about = window.findChild<AboutDialog*>();
    ASSERT_NE(about, nullptr);
    // No window manager gives it the keyboard here.
    about->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(about));
    const std::string version = "label \"Version " + QApplication::applicationVersion().toStdString() + "\"";
    EXPECT_TRUE(eventually([&] { return names(support::AccessibleEvents::focusedObjects()) == Heard{version}; }, 5000))
        << testing::PrintToString(support::AccessibleEvents::focusedObjects());
    // The credits arrive whole (when the dialog is made, and again when it takes its palette),
    // not as a flood of insertions that a screen reader reads before the focus.
    EXPECT_LE(events.count(QAccessible::TextInserted), 2u);
    events.takeFocus();
    EXPECT_EQ(names(press(Qt::Key_Tab)), Heard{R"(label "Credits")"});
    EXPECT_EQ(names(support::AccessibleEvents::focusedObjects()), Heard{R"(label "Credits")"});
    EXPECT_NE(DSFocusRing::shownAround(QApplication::focusWidget()), nullptr);
    EXPECT_EQ(names(press(Qt::Key_Tab)), Heard{version});
    press(Qt::Key_Escape);
    EXPECT_TRUE(eventually([&] { return !about; }, 5000));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    // The pop-overs are named by what they hold.
    window.chips()->optionsChip()->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Space);
    OptionsPanel* panel = window.chips()->optionsChip()->panel();
    EXPECT_EQ(support::AccessibleEvents::said(panel->window()).substr(0, 16), R"(filler "Options")");
    // Closed lists show no items: neither the hidden target sizes nor the settings' sizes.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(panel->qualityControl()->targets())->childCount(), 0);
    press(Qt::Key_Escape);
    SizeChip* size = window.chips()->sizeChip();
    size->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Space);
    press(Qt::Key_End);
    press(Qt::Key_Return);
    ASSERT_NE(size->customContent(), nullptr);
    EXPECT_EQ(support::AccessibleEvents::said(size->customContent()->window()).substr(0, 20), R"(filler "Custom size")");
    press(Qt::Key_Escape);
    press(Qt::Key_Comma, Qt::ControlModifier);
    SettingsWindow* settings = nullptr;
    for (QWidget* shown : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<SettingsWindow*>(shown); found && found->isVisible()) settings = found;
    }
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(settings->sizePicker())->childCount(), 0);
    settings->close();
    EXPECT_TRUE(window.close());
}

TEST_F(ScreenReaderOnScreen, TheEndOfAnExportIsReadOutStaysWithinReachAndLeadsToTheFailedCard) {
    // A PNG cut short: its header admits it, its pixels fail.
    const fs::path cut = photo("cut.png", 2);
    fs::resize_file(cut, fs::file_size(cut) / 2);
    MainWindow& window = open({photo("first.jpg", 1), cut});
    QWidget* chip = window.chips()->formatChip();
    chip->setFocus(Qt::TabFocusReason);
    QTest::qWait(100);
    events.takeFocus();

    // Ctrl+E on the chip: the run disables it, and the keyboard waits on the run's progress. As
    // the run ends, the keyboard goes back to the chip, and then a notification tells how the run
    // went, which a screen reader reads out wherever its focus is.
    QTest::keyClick(window.windowHandle(), Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(eventually([&] { return !window.store().isExporting(); }, 20000));
    ASSERT_TRUE(eventually([&] { return !events.shown(QAccessible::Notification).empty(); }, 5000));
    QTest::qWait(200);
    EXPECT_EQ(events.shown(QAccessible::Notification).size(), 1u);
    EXPECT_EQ(names(events.takeHeard()),
              (Heard{R"(progress bar "Export progress")", R"(button "Format")", R"(notification "1 saved, 1 failed")"}));
    QWidget* summary = window.band()->summaryStop();
    EXPECT_EQ(support::AccessibleEvents::said(summary), R"(label "1 saved, 1 failed" "" [])");
    EXPECT_EQ(QApplication::focusWidget(), chip);

    // Tab reaches the summary again, then the band's links in reading order, and leads on
    // to the failed card; Shift+Tab goes back the same way.
    Heard heard;
    for (int tab = 0; tab < 10 && QApplication::focusWidget() != summary; ++tab) heard = press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), summary);
    EXPECT_EQ(heard, Heard{R"(label "1 saved, 1 failed" "" [focused])"});
    EXPECT_EQ(names(press(Qt::Key_Tab)), Heard{R"(button "Reveal")"});
    EXPECT_EQ(names(press(Qt::Key_Tab)), Heard{R"(button "Destination")"});
    EXPECT_EQ(names(press(Qt::Key_Tab)), Heard{R"(button "cut.png")"});
    EXPECT_EQ(names(press(Qt::Key_Backtab, Qt::ShiftModifier)), Heard{R"(button "Destination")"});
    EXPECT_EQ(names(press(Qt::Key_Backtab, Qt::ShiftModifier)), Heard{R"(button "Reveal")"});
    EXPECT_EQ(names(press(Qt::Key_Backtab, Qt::ShiftModifier)), Heard{R"(label "1 saved, 1 failed")"});

    // Once there, the grid's stop is the card the user goes on to choose.
    window.grid()->card(window.grid()->order()[0])->setFocus(Qt::TabFocusReason);
    for (int tab = 0; tab < 10 && QApplication::focusWidget() != summary; ++tab) press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), summary);
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    EXPECT_EQ(names(press(Qt::Key_Tab)), Heard{R"(button "first.jpg")"});
    EXPECT_TRUE(window.close());
}

// A window manager (started here for each test alone) gives the keyboard back once a panel has
// gone; an application that is busy just then (as one is while a screen reader questions it)
// misses that, and no window of its own holds the keyboard afterwards.
class UnderAWindowManager : public ScreenReaderOnScreen {
protected:
    void SetUp() override {
        ScreenReaderOnScreen::SetUp();
        if (IsSkipped()) return;
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (openbox.isEmpty() || xdotool.isEmpty()) GTEST_SKIP() << "needs openbox and xdotool";
        manager.start(openbox, {QStringLiteral("--sm-disable")});
        ASSERT_TRUE(manager.waitForStarted(5000));
        QTest::qWait(500);
    }
    void TearDown() override {
        manager.terminate();
        manager.waitForFinished(5000);
    }

    // Keys through the X server, as a user's arrive.
    void keys(const QStringList& arguments) { QProcess::startDetached(xdotool, arguments); }

    // Presses `opening`, then answers the panel it opens: types `typed` and presses Return, or
    // presses Esc when nothing is to be typed; the application is busy as the panel goes. The
    // panel may hold the keys in a loop of its own, so they are sent from timers, and a panel
    // still open at the end is cancelled: the test cannot hang.
    void answerPanel(const QStringList& opening, const std::optional<fs::path>& typed) {
        QPointer<QWidget> panel;
        bool answered = false;
        QObject steps;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &steps, [&] {
            if (panel || !QApplication::activeModalWidget()) return;
            panel = QApplication::activeModalWidget();
            panel->installEventFilter(&busy);
            QTimer::singleShot(500, &steps, [&] {
                if (typed) keys({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), QString::fromStdString(typed->string())});
            });
            QTimer::singleShot(2500, &steps, [&] {
                keys({QStringLiteral("key"), typed ? QStringLiteral("Return") : QStringLiteral("Escape")});
            });
            QTimer::singleShot(3000, &steps, [&] { answered = true; });
            QTimer::singleShot(8000, &steps, [&] {
                if (auto* dialog = qobject_cast<QDialog*>(panel.data())) dialog->reject();
            });
        });
        watch.start(100);
        keys(opening);
        EXPECT_TRUE(eventually([&] { return answered && !QApplication::activeModalWidget(); }, 15000));
        QTest::qWait(600);
    }

    struct BusyAsThePanelGoes : QObject {
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Hide) {
                QGuiApplication::sync();
                QThread::msleep(400);
            }
            return false;
        }
    } busy;
    QProcess manager;
    QString xdotool;
};

TEST_F(UnderAWindowManager, TheOpenPanelHandsTheKeyboardBackToTheControlThatHadIt) {
    MainWindow& window = open({photo("first.jpg", 1)});
    ASSERT_EQ(press(Qt::Key_Tab), Heard{R"(button "Format" "Same as source" [focused])"});
    for (int round = 1; round <= 2; ++round) {
        const fs::path added = photo(("added" + std::to_string(round) + ".jpg").c_str(), round + 1);
        answerPanel({QStringLiteral("key"), QStringLiteral("ctrl+o")}, added);
        ASSERT_TRUE(eventually([&] { return window.store().items().size() == std::size_t(round + 1); }, 10000)) << round;
        QTest::qWait(500);
        ASSERT_EQ(names(support::AccessibleEvents::focusedObjects()), Heard{R"(button "Format")"}) << round;
        ASSERT_EQ(QApplication::focusWidget(), window.chips()->formatChip()) << round;
    }
    EXPECT_TRUE(window.close());
}

TEST_F(UnderAWindowManager, EveryFolderPanelAndAnExportStartedFromAChipHandTheKeyboardBack) {
    MainWindow& window = open({photo("first.jpg", 1)});
    const fs::path chosen = root.path() / "chosen";
    fs::create_directory(chosen);
    const auto expectFocusOn = [&](QWidget* control, const std::string& heard, const char* panel) {
        EXPECT_EQ(QApplication::activeWindow(), control->window()) << panel;
        EXPECT_EQ(QApplication::focusWidget(), control) << panel;
        EXPECT_EQ(names(support::AccessibleEvents::focusedObjects()), Heard{heard}) << panel;
    };

    // The band's "In a folder…", accepted, then cancelled (its menu opens on the row chosen).
    QAbstractButton* destination = window.band()->destinationButton();
    for (const bool accepted : {true, false}) {
        destination->setFocus(Qt::TabFocusReason);
        QStringList menuKeys{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("200"), QStringLiteral("space")};
        if (accepted) menuKeys << QStringLiteral("Down");
        answerPanel(menuKeys << QStringLiteral("Return"), accepted ? std::optional(chosen) : std::nullopt);
        expectFocusOn(destination, R"(button "Destination")", accepted ? "in a folder" : "in a folder, cancelled");
    }
    EXPECT_TRUE(destination->text().endsWith(QString::fromStdString(chosen.filename().string())))
        << destination->text().toStdString();

    // Settings' "Choose…", over the settings window.
    keys({QStringLiteral("key"), QStringLiteral("ctrl+comma")});
    SettingsWindow* settings = nullptr;
    ASSERT_TRUE(eventually([&] {
        settings = qobject_cast<SettingsWindow*>(QApplication::activeWindow());
        return settings != nullptr;
    }, 5000));
    for (const bool accepted : {true, false}) {
        settings->chooseFolderButton()->setFocus(Qt::TabFocusReason);
        answerPanel({QStringLiteral("key"), QStringLiteral("space")}, accepted ? std::optional(chosen) : std::nullopt);
        expectFocusOn(settings->chooseFolderButton(), R"(button "Choose…")", accepted ? "settings" : "settings, cancelled");
    }
    settings->close();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    // "Ask each time", then Ctrl+E on a chip: cancelled, then a run into the folder chosen. The
    // run disables the chips; meanwhile the keyboard waits on its progress, and it goes back
    // to the chip when the run ends.
    destination->setFocus(Qt::TabFocusReason);
    for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Down, Qt::Key_Return}) press(key);
    ASSERT_EQ(destination->text(), QStringLiteral("Asking each time"));
    QWidget* chip = window.chips()->formatChip();
    std::set<QWidget*> duringRun;
    QObject::connect(&window.store(), &BatchStore::itemChanged, &window, [&] {
        if (window.store().isExporting()) duringRun.insert(window.focusWidget());
    });
    for (const bool accepted : {false, true}) {
        chip->setFocus(Qt::TabFocusReason);
        events.takeHeard();
        answerPanel({QStringLiteral("key"), QStringLiteral("ctrl+e")}, accepted ? std::optional(chosen) : std::nullopt);
        ASSERT_TRUE(eventually([&] { return !window.store().isExporting(); }, 20000));
        QTest::qWait(800);
        expectFocusOn(chip, R"(button "Format")", accepted ? "ask each time" : "ask each time, cancelled");
    }
    // How the run went is told last, after the focus the window's return brought.
    const Heard heard = names(events.takeHeard());
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back(), R"(notification "1 saved into )" + chosen.string() + "\"");
    EXPECT_TRUE(fs::exists(chosen / "first.jpg"));
    EXPECT_EQ(duringRun, std::set<QWidget*>{window.band()->progressStop()});
    // The band names the folder the files went into.
    EXPECT_TRUE(window.band()->texts().contains(QStringLiteral("1 saved into ") + QString::fromStdString(chosen.string())))
        << window.band()->texts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(window.close());
}

TEST_F(UnderAWindowManager, TheFolderARunAsksForWhenTheOriginalsFolderRefusesHandsTheKeyboardBack) {
    // A folder even root may not write into, so that the run asks for another.
    const fs::path locked = root.path() / "locked";
    fs::create_directory(locked);
    const fs::path original = photo("locked/first.jpg", 1);
    const QString chattr = QStandardPaths::findExecutable(QStringLiteral("chattr"));
    const QString lockedName = QString::fromStdString(locked.string());
    if (chattr.isEmpty() || QProcess::execute(chattr, {QStringLiteral("+i"), lockedName}) != 0) {
        GTEST_SKIP() << "needs chattr and a file system that keeps the immutable flag";
    }
    struct Unlock {
        QString chattr, folder;
        ~Unlock() { QProcess::execute(chattr, {QStringLiteral("-i"), folder}); }
    } unlock{chattr, lockedName};
    MainWindow& window = open({original});
    // Beside each original, whatever an earlier test of this program left as the default.
    window.band()->destinationButton()->setFocus(Qt::TabFocusReason);
    for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Home, Qt::Key_Return}) press(key);
    ASSERT_EQ(window.band()->destinationButton()->text(), QStringLiteral("Saving beside each original"));
    const fs::path chosen = root.path() / "chosen";
    fs::create_directory(chosen);
    QWidget* chip = window.chips()->formatChip();
    chip->setFocus(Qt::TabFocusReason);
    answerPanel({QStringLiteral("key"), QStringLiteral("ctrl+e")}, chosen);
    ASSERT_TRUE(eventually([&] { return !window.store().isExporting(); }, 20000));
    QTest::qWait(500);
    // The band names the folder the file went into, not the originals' folder that refused it.
    EXPECT_TRUE(window.band()->texts().contains(QStringLiteral("1 saved into ") + QString::fromStdString(chosen.string())))
        << window.band()->texts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(QApplication::activeWindow(), &window);
    EXPECT_EQ(QApplication::focusWidget(), chip);
    EXPECT_EQ(names(support::AccessibleEvents::focusedObjects()), Heard{R"(button "Format")"});
    EXPECT_TRUE(window.close());
}

} // namespace
