#include "ShellTesting.h"

#include "app/batch/ExportedImage.h"
#include "app/design/DSPalette.h"
#include "app/shell/BatchGrid.h"
#include "app/shell/DropZone.h"
#include "app/shell/ExportButton.h"
#include "app/shell/HeroBand.h"
#include "app/shell/ImageCard.h"
#include "app/shell/RunNotice.h"
#include "support/FixedPreferences.h"

#include <QAbstractButton>
#include <QAction>
#include <QDropEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace pictavo;
using namespace shell_testing;

class MainWindowTest : public testing::Test, protected WindowScene {};

// The offscreen screen is narrower than the window's usual 1120 × 760.
TEST_F(MainWindowTest, AnEmptyWindowFitsTheScreenShowsTheDropZoneWithholdsBatchCommandsAndFollowsTheTheme) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Pictavo by Fenwid"));
    EXPECT_TRUE(window->showsDropZone());
    EXPECT_FALSE(window->exportAction()->isEnabled());
    EXPECT_FALSE(window->removeAction()->isEnabled());
    EXPECT_FALSE(window->revealAction()->isEnabled());
    EXPECT_TRUE(window->openAction()->isEnabled());
    EXPECT_EQ(window->exportButton()->text(), QStringLiteral("Export"));
    EXPECT_FALSE(window->exportButton()->isEnabled());
    EXPECT_FALSE(window->exportButton()->capsuleStyle().isFilled);

    EXPECT_EQ(window->exportAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+E")));
    EXPECT_EQ(window->revealAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+R")));
    EXPECT_EQ(window->selectAllAction()->shortcutContext(), Qt::WidgetWithChildrenShortcut);
    EXPECT_TRUE(window->removeAction()->shortcuts().contains(QKeySequence(QKeySequence::Delete)));
    window->supportAction()->trigger();
    ASSERT_EQ(services.webPages.size(), 1);
    EXPECT_TRUE(services.webPages.front().isLocalFile()) << services.webPages.front().toString().toStdString();

    const QRect available = window->screen()->availableGeometry();
    ASSERT_LT(available.width(), 1120);
    EXPECT_LE(window->width(), available.width());
    EXPECT_LE(window->height(), available.height());
    EXPECT_EQ(window->minimumSize(), QSize(720, 480));
    QCoreApplication::processEvents();
    const QRect exportButton(window->exportButton()->mapTo(window.get(), QPoint(0, 0)), window->exportButton()->size());
    EXPECT_TRUE(window->rect().contains(exportButton));

    // It redraws in a new appearance at once, the drop zone's texts with it.
    ThemeScope theme;
    const QPoint corner = window->dropZone()->mapTo(window.get(), QPoint(4, 4));
    EXPECT_EQ(window->grab().toImage().pixelColor(corner), palette::DSWindowBg().resolve(DSAppearance::light));
    theme.preferences->set(true);
    EXPECT_EQ(window->grab().toImage().pixelColor(corner), palette::DSWindowBg().resolve(DSAppearance::dark));
    const QColor title = window->dropZone()->findChild<QLabel*>()->palette().color(QPalette::WindowText);
    EXPECT_EQ(title, palette::primary().resolve(DSAppearance::dark));
}

TEST_F(MainWindowTest, ChosenImagesBecomeCardsWithEstimatesAndTheBandTotalsThem) {
    services.imagesToChoose = urlsOf({writePhoto(photos() / "a.png"), writePhoto(photos() / "b.png", 80, 60, 1)});
    window->openAction()->trigger();
    ASSERT_TRUE(eventually([&] { return window->store().items().size() == 2; }));
    ASSERT_TRUE(estimatesSettle());
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->showsDropZone());
    EXPECT_EQ(window->band()->summary().countLabel, QStringLiteral("2 IMAGES"));
    EXPECT_TRUE(std::holds_alternative<BandSummary::Bytes>(window->band()->summary().figure));
    EXPECT_TRUE(window->exportAction()->isEnabled());
    EXPECT_TRUE(window->exportButton()->capsuleStyle().isFilled);
    EXPECT_EQ(window->grid()->order().size(), 2);
    const ImageCard* card = window->grid()->card(window->store().items()[0].id);
    ASSERT_NE(card, nullptr);
    EXPECT_TRUE(card->statusText().contains(QStringLiteral("\u2192"))) << card->statusText().toStdString();
    // Its preview arrives once the card is in view.
    EXPECT_TRUE(eventually([&] { return !card->thumbnail().isNull(); }));
}

TEST_F(MainWindowTest, KeysMoveTheFocusAndSelectionDrivesRemovingAndRemovingTheLastCardResetsTheBatch) {
    addPhotos(3);
    window->resize(1120, 760);
    ASSERT_TRUE(eventually([&] { return window->grid()->focusedCard().has_value(); }));
    const QList<QUuid> order = window->grid()->order();
    EXPECT_EQ(window->grid()->focusedCard(), order[0]);
    EXPECT_GE(window->grid()->columns(), 3);
    EXPECT_TRUE(window->grid()->handleKey(Qt::Key_Right, Qt::ShiftModifier));
    EXPECT_EQ(window->grid()->focusedCard(), order[1]);
    EXPECT_EQ(window->selection().value().ids, QSet<QUuid>{order[1]});
    EXPECT_TRUE(window->grid()->handleKey(Qt::Key_Right, Qt::ShiftModifier));
    EXPECT_EQ(window->selection().value().ids, (QSet<QUuid>{order[1], order[2]}));
    EXPECT_TRUE(window->grid()->handleKey(Qt::Key_Escape, Qt::NoModifier));
    EXPECT_TRUE(window->selection().value().ids.isEmpty());
    EXPECT_TRUE(window->grid()->handleKey(Qt::Key_Space, Qt::NoModifier));
    EXPECT_EQ(window->selection().value().ids, QSet<QUuid>{order[2]});
    // Delete removes it and the focus goes to the card before it, the last one left.
    window->removeAction()->trigger();
    EXPECT_EQ(window->grid()->focusedCard(), order[1]);

    window->selectAllAction()->trigger();
    EXPECT_EQ(window->removeAction()->text(), QStringLiteral("Remove 2 Images"));
    EXPECT_EQ(window->band()->summary().countLabel, QStringLiteral("2 SELECTED"));

    OutputSpec turned = settings.spec();
    turned.adjustments.reorientation = Reorientation(1);
    settings.setSpec(turned);
    destinations.setChoice(DestinationStore::Choice::askEachTime);
    window->removeAction()->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->store().items().empty());
    EXPECT_TRUE(window->showsDropZone());
    EXPECT_EQ(settings.spec(), settings.defaultSpec());
    EXPECT_EQ(destinations.choice(), destinations.defaultChoice());
}

// Delete acts on the card the keyboard is on once it has left the selection (Tab from a run's
// summary to a failed card, or Esc that emptied the selection).
TEST_F(MainWindowTest, DeleteRemovesTheCardTheKeyboardIsOnWhenItHasLeftTheSelection) {
    addPhotos(3);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ASSERT_TRUE(eventually([&] { return window->grid()->focusedCard().has_value(); }));
    const QList<QUuid> order = window->grid()->order();
    window->grid()->handleKey(Qt::Key_Right, Qt::NoModifier);
    window->grid()->handleKey(Qt::Key_Right, Qt::NoModifier);
    ASSERT_EQ(window->selection().value().ids, QSet<QUuid>{order[2]});
    window->grid()->card(order[0])->setFocus(Qt::TabFocusReason);
    settle();

    ASSERT_TRUE(window->removeAction()->isEnabled());
    window->removeAction()->trigger();
    EXPECT_EQ(window->grid()->order(), (QList<QUuid>{order[1], order[2]}));
    EXPECT_EQ(window->selection().value().ids, QSet<QUuid>{order[2]});
    EXPECT_TRUE(window->grid()->card(order[1])->hasFocus());

    window->grid()->handleKey(Qt::Key_Escape, Qt::NoModifier);
    ASSERT_TRUE(window->selection().value().ids.isEmpty());
    ASSERT_TRUE(window->removeAction()->isEnabled());
    window->removeAction()->trigger();
    EXPECT_EQ(window->grid()->order(), QList<QUuid>{order[2]});
}

// The Edit menu's row, read while the menu bar holds the keyboard to show it, names what it
// removes once the menu bar has handed the keyboard back to the card.
TEST_F(MainWindowTest, TheEditMenusRemoveNamesWhatItRemovesWhileTheMenuBarHoldsTheKeyboard) {
    addPhotos(5);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ASSERT_TRUE(eventually([&] { return window->grid()->focusedCard().has_value(); }));
    settle();
    const QList<QUuid> order = window->grid()->order();
    const auto name = [&](int at) { return window->store().items()[std::size_t(at)].displayName; };
    BatchGrid* grid = window->grid();
    ImageCard* first = grid->card(order[0]);
    ASSERT_TRUE(first->hasFocus());
    const auto openEditMenu = [&] {
        QWidget* card = QApplication::focusWidget();
        window->menuBar()->setFocus(Qt::MenuBarFocusReason);
        settle();
        return card;
    };

    // Nothing selected: the row is there for the card the keyboard is on, as Delete is.
    QWidget* card = openEditMenu();
    EXPECT_TRUE(window->removeAction()->isEnabled());
    EXPECT_EQ(window->removeAction()->text(), QStringLiteral("Remove ") + name(0));
    card->setFocus(Qt::MenuBarFocusReason);
    settle();

    // p1 and p2 selected, the keyboard on p3 outside them.
    grid->handleKey(Qt::Key_Space, Qt::NoModifier);
    grid->handleKey(Qt::Key_Right, Qt::ShiftModifier);
    grid->handleKey(Qt::Key_Right, Qt::ShiftModifier);
    grid->handleKey(Qt::Key_Space, Qt::NoModifier);
    ASSERT_EQ(window->selection().value().ids, (QSet<QUuid>{order[0], order[1]}));
    card = openEditMenu();
    EXPECT_EQ(window->removeAction()->text(), QStringLiteral("Remove ") + name(2));
    card->setFocus(Qt::MenuBarFocusReason);
    settle();
    window->removeAction()->trigger();
    EXPECT_EQ(grid->order(), (QList<QUuid>{order[0], order[1], order[3], order[4]}));

    // Back on a selected card, the row takes the selection and says so.
    grid->handleKey(Qt::Key_Left, Qt::ShiftModifier);
    ASSERT_TRUE(grid->card(order[1])->hasFocus());
    card = openEditMenu();
    EXPECT_EQ(window->removeAction()->text(), QStringLiteral("Remove 2 Images"));
    card->setFocus(Qt::MenuBarFocusReason);

    // The band's link names the selection and takes it, though a click leaves the keyboard on
    // a card outside it.
    grid->card(order[3])->setFocus(Qt::TabFocusReason);
    settle();
    QAbstractButton* link = nullptr;
    for (QWidget* stop : window->band()->tabStops()) {
        if (auto* button = qobject_cast<QAbstractButton*>(stop); button && button->text() == QStringLiteral("Remove 2")) link = button;
    }
    ASSERT_NE(link, nullptr);
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(grid->order(), (QList<QUuid>{order[3], order[4]}));
}

// After a finished run every card is written: exporting again into another folder, or over the
// originals, writes nothing, and the band (which its notification reads out) says so rather
// than word the last run's count with the new destination.
TEST_F(MainWindowTest, ExportingAgainElsewhereWritesNothingAndSaysSo) {
    const std::vector<fs::path> originals = addPhotos(2);
    folderAsker.answers = {output()};
    ASSERT_TRUE(destinations.chooseFolder());
    window->exportAction()->trigger();
    ASSERT_TRUE(exportEnds());
    const auto doneText = [&] {
        QCoreApplication::processEvents();
        const auto* done = std::get_if<BandSummary::Done>(&window->band()->summary().figure);
        return done ? done->text : QString();
    };
    ASSERT_TRUE(doneText().startsWith(QStringLiteral("2 saved into ")));

    const fs::path elsewhere = root.path() / "elsewhere";
    fs::create_directories(elsewhere);
    folderAsker.answers = {elsewhere};
    ASSERT_TRUE(destinations.chooseFolder());
    window->exportAction()->trigger();
    ASSERT_TRUE(exportEnds());
    EXPECT_TRUE(fs::is_empty(elsewhere));
    EXPECT_EQ(doneText(), QStringLiteral("0 saved into ") + DestinationStore::abbreviatedPath(elsewhere));

    const auto written = fs::last_write_time(originals[0]);
    destinations.setHasConfirmedReplace(true);
    destinations.setChoice(DestinationStore::Choice::replaceOriginal);
    window->exportAction()->trigger();
    ASSERT_TRUE(exportEnds());
    EXPECT_EQ(doneText(), QStringLiteral("0 saved over each original"));
    EXPECT_EQ(fs::last_write_time(originals[0]), written);
}

TEST_F(MainWindowTest, DropsAreCopiesNoticeWhenNothingReadsAndFilesOpenedFromOutsideJoin) {
    const fs::path photo = writePhoto(photos() / "dropped.png");
    const fs::path text = root.write("notes.txt", {'h', 'i'});
    QMimeData data;
    data.setUrls(urlsOf({photo}));
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    EXPECT_TRUE(window->dropZone()->isTargeted());
    bool imported = false;
    QObject::connect(window.get(), &MainWindow::importFinished, [&] { imported = true; });
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    EXPECT_FALSE(window->dropZone()->isTargeted());
    ASSERT_TRUE(eventually([&] { return imported; }));
    EXPECT_EQ(window->store().items().size(), 1u);
    // What each import did is told, files it found in the batch already included.
    EXPECT_EQ(window->batchNews()->accessibleName(), "1 image added.");
    imported = false;
    window->acceptDrop(urlsOf({photo, writePhoto(photos() / "second.png"), text}));
    ASSERT_TRUE(eventually([&] { return imported; }));
    EXPECT_EQ(window->batchNews()->accessibleName(),
              "1 image added; 1 was already in the batch; 1 file could not be read.");
    imported = false;
    window->acceptDrop(urlsOf({photo}));
    ASSERT_TRUE(eventually([&] { return imported; }));
    EXPECT_EQ(window->batchNews()->accessibleName(), "Nothing added: 1 image is already in the batch.");

    // Only unreadable files: the drop is refused, yet the import runs and leaves its notice.
    imported = false;
    EXPECT_FALSE(window->acceptDrop(urlsOf({text})));
    ASSERT_TRUE(eventually([&] { return imported; }));
    EXPECT_EQ(window->notice(), MainWindow::nothingReadable);
    EXPECT_TRUE(window->band()->texts().contains(MainWindow::nothingReadable));
    EXPECT_EQ(window->batchNews()->accessibleName(), MainWindow::nothingReadable);

    // Files opened from outside join the batch too.
    openedFiles.append(urlsOf({writePhoto(photos() / "opened.png")}));
    ASSERT_TRUE(eventually([&] { return window->store().items().size() == 3; }));
    EXPECT_TRUE(openedFiles.pending().isEmpty());
}

TEST_F(MainWindowTest, ExportsIntoTheChosenFolderAsksBeforeQuittingAndCardsDragOutTheirConversionOrExport) {
    addPhotos(2);
    const QList<QUuid> order = window->grid()->order();
    // Before the export a card carries its conversion, made among the private temporary files.
    std::unique_ptr<QMimeData> converted(window->grid()->dragData(order[0]));
    ASSERT_NE(converted, nullptr);
    const QList<QUrl> urls = converted->urls();
    ASSERT_EQ(urls.size(), 1);
    const fs::path file = urls.front().toLocalFile().toStdString();
    EXPECT_EQ(file.filename(), "photo 0.png");
    EXPECT_EQ(file.parent_path().parent_path(), ExportedImage::dragsFolder());
    EXPECT_TRUE(file.string().starts_with((root.path() / "runtime").string())) << file;
    EXPECT_TRUE(fs::is_regular_file(file));

    folderAsker.answers = {output()};
    ASSERT_TRUE(destinations.chooseFolder());
    window->exportAction()->trigger();
    ASSERT_TRUE(window->store().isExporting());
    EXPECT_FALSE(window->exportAction()->isEnabled());
    // Quitting during the export asks first.
    EXPECT_FALSE(window->close());
    EXPECT_EQ(services.quitQuestions, 1);
    EXPECT_TRUE(window->isVisible());
    ASSERT_TRUE(exportEnds());
    QCoreApplication::processEvents();
    EXPECT_TRUE(fs::exists(output() / "photo 0.png"));
    EXPECT_TRUE(fs::exists(output() / "photo 1.png"));
    const auto* done = std::get_if<BandSummary::Done>(&window->band()->summary().figure);
    ASSERT_NE(done, nullptr);
    const QString said = done->text;
    EXPECT_TRUE(said.startsWith(QStringLiteral("2 saved into "))) << said.toStdString();
    EXPECT_TRUE(window->revealAction()->isEnabled());
    window->revealAction()->trigger();
    ASSERT_EQ(services.revealed.size(), 1u);
    EXPECT_EQ(services.revealed.front().size(), 2u);
    std::unique_ptr<QMimeData> exported(window->grid()->dragData(order[1]));
    ASSERT_NE(exported, nullptr);
    EXPECT_EQ(exported->urls(), urlsOf({output() / "photo 1.png"}));
    // Once the exported file has gone there is nothing to drag.
    fs::remove(output() / "photo 1.png");
    EXPECT_EQ(window->grid()->dragData(order[1]), nullptr);

    // Choosing another destination afterwards does not rewrite what the finished run did.
    destinations.setChoice(DestinationStore::Choice::replaceOriginal);
    QCoreApplication::processEvents();
    EXPECT_EQ(std::get<BandSummary::Done>(window->band()->summary().figure).text, said);
    EXPECT_EQ(window->exportButton()->text(), QStringLiteral("Replace 2 Images"));
    EXPECT_TRUE(window->close()) << "with no export running, closing asks nothing";
    EXPECT_EQ(services.quitQuestions, 1);
}

TEST_F(MainWindowTest, ACancelledAskOrReplaceStartsNoRunAndAMissingFolderOffersToChooseOne) {
    addPhotos(1);
    destinations.setChoice(DestinationStore::Choice::askEachTime);
    bool flickered = false;
    QObject::connect(&window->store(), &BatchStore::isExportingChanged, [&](bool) { flickered = true; });
    window->requestExport();
    EXPECT_EQ(folderAsker.asked, 1);
    EXPECT_FALSE(window->store().exportSummary().has_value());
    EXPECT_EQ(services.folderOffers, 0);

    destinations.setChoice(DestinationStore::Choice::replaceOriginal);
    window->requestExport();
    EXPECT_EQ(services.replaceQuestions, 1);
    EXPECT_FALSE(destinations.hasConfirmedReplace());

    destinations.setChoice(DestinationStore::Choice::chosenFolder);
    window->requestExport();
    EXPECT_EQ(services.folderOffers, 1);
    EXPECT_FALSE(flickered) << "no run started";

    // "Choose Folder…" asks for the folder after the alert, then exports into it.
    services.chooseFolderAnswer = true;
    folderAsker.answers = {output()};
    window->requestExport();
    ASSERT_TRUE(eventually([&] { return fs::exists(output() / "photo 0.png"); }));
    ASSERT_TRUE(exportEnds());
}

TEST_F(MainWindowTest, OnlyCardsNearTheViewHoldPreviewsSoMemoryStaysBounded) {
    addPhotos(60);
    window->resize(1120, 760);
    QCoreApplication::processEvents();
    BatchGrid* grid = window->grid();
    const QList<QUuid> order = grid->order();
    ImageCard* first = grid->card(order.front());
    ImageCard* last = grid->card(order.back());
    ASSERT_TRUE(eventually([&] { return !first->thumbnail().isNull(); }));
    EXPECT_TRUE(last->thumbnail().isNull()) << "far below the view, nothing is asked for";
    // The first card takes the focus, and the view shows it, a moment after the grid shows.
    ASSERT_TRUE(eventually([&] { return first->hasFocus(); }));

    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
    ASSERT_TRUE(eventually([&] { return !last->thumbnail().isNull(); }));
    EXPECT_TRUE(first->thumbnail().isNull()) << "far above the view, the preview is let go";

    // Back at the top the loader's cache answers at once.
    grid->verticalScrollBar()->setValue(0);
    EXPECT_FALSE(first->thumbnail().isNull());
}

// After "Replace the originals" the originals are in the Trash: a card that had not yet shown
// its picture shows that of the file that took the original's place, as written, the turn
// already in it and not turned again.
TEST_F(MainWindowTest, ACardFirstSeenAfterItsOriginalWasReplacedShowsTheFileThatTookItsPlace) {
    addPhotos(60);
    window->resize(1120, 760);
    QCoreApplication::processEvents();
    BatchGrid* grid = window->grid();
    ImageCard* first = grid->card(grid->order().front());
    ImageCard* last = grid->card(grid->order().back());
    ASSERT_TRUE(eventually([&] { return !first->thumbnail().isNull(); }));
    ASSERT_TRUE(last->thumbnail().isNull());

    OutputSpec turned = settings.spec();
    turned.adjustments.reorientation = Reorientation(1);
    settings.setSpec(turned);
    destinations.setHasConfirmedReplace(true);
    destinations.setChoice(DestinationStore::Choice::replaceOriginal);
    window->exportAction()->trigger();
    ASSERT_TRUE(exportEnds());
    ASSERT_TRUE(last->item().originalWasReplaced);

    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
    ASSERT_TRUE(eventually([&] { return !last->thumbnail().isNull(); }, 20000)) << "the card stays blank";
    // The photo was 123 by 48 pixels; turned a quarter, it stands upright.
    EXPECT_EQ(last->thumbnail().size(), QSize(48, 123));
    grid->verticalScrollBar()->setValue(0);
    ASSERT_TRUE(eventually([&] { return first->thumbnail().size() == QSize(48, 64); }));
}

} // namespace
