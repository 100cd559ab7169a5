#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "app/design/DSSegmentedControl.h"
#include "app/desktop/FolderAsker.h"
#include "app/export/PathBookmarks.h"
#include "app/options/CustomSizeEditor.h"
#include "app/options/DimensionField.h"
#include "app/options/FilenamePatternField.h"
#include "app/options/QualityControl.h"
#include "app/options/TokenLegend.h"
#include "app/options/WrappingText.h"
#include "app/preferences/DefaultSizePicker.h"
#include "app/preferences/SettingsFormatChoices.h"
#include "app/preferences/SettingsWindow.h"
#include "app/preferences/SettingsWindowFit.h"
#include "app/preferences/SettingsWindowFitter.h"
#include "app/preferences/UpdateController.h"
#include "app/settings/MemoryUserDefaults.h"
#include "support/TabCycle.h"
#include "support/TemporaryFolder.h"
#include "app-preferences/ScriptedUpdater.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QLineEdit>
#include <QScrollArea>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <vector>

using namespace pictavo;
namespace fs = std::filesystem;

TEST(SettingsWindowFit, KeepsTheBottomInsideLetsTheTopWinAndNeverFightsADragNorMovesAHiddenWindow) {
    const QRect visible(0, 30, 1920, 1050); // bottom edge at 1080
    EXPECT_EQ(fitWindow({100, 200, 460, 600}, visible, false, true, true).action, FitDecision::Action::stay);
    // Bottom below the visible area: moved up until the bottom sits on it, exactly.
    const FitDecision up = fitWindow({100, 700, 460, 600}, visible, false, true, true);
    EXPECT_EQ(up.action, FitDecision::Action::move);
    EXPECT_EQ(up.y, 480);
    // Exactly touching the bottom edge is inside (the off-by-one of QRect::bottom).
    EXPECT_EQ(fitWindow({100, 480, 460, 600}, visible, false, true, true).action, FitDecision::Action::stay);
    // Taller than the area: its top goes to the top.
    EXPECT_EQ(fitWindow({100, 500, 460, 1400}, visible, false, true, true).y, 30);
    EXPECT_EQ(fitWindow({100, 0, 460, 400}, visible, false, true, true).y, 30);

    const QRect low(10, 800, 460, 400);
    const FitDecision held = fitWindow(low, visible, true, true, true);
    EXPECT_EQ(held.action, FitDecision::Action::waitForRelease);
    EXPECT_EQ(held.y, 680);
    EXPECT_EQ(fitWindow(low, visible, false, false, true).action, FitDecision::Action::stay);
    EXPECT_EQ(fitWindow(low, visible, false, true, false).action, FitDecision::Action::stay);
}

TEST(SettingsWindowFit, HeightRuleCapsOnlyATallerFormAndNeverBelowAUsableHeight) {
    EXPECT_EQ(availableContentHeight(1050, 640, 600), 1010);
    EXPECT_EQ(availableContentHeight(1050, 600, 600), 1050); // frame not reported yet
    EXPECT_EQ(cappedHeight(700, 500), 500);
    EXPECT_EQ(cappedHeight(700, 700), std::nullopt);
    EXPECT_EQ(cappedHeight(std::nullopt, 500), std::nullopt);
    EXPECT_EQ(cappedHeight(700, std::nullopt), std::nullopt);
    // A room of nothing or less is a mis-reported screen, not a zero-height window.
    EXPECT_EQ(cappedHeight(700, 0), std::nullopt);
    EXPECT_EQ(cappedHeight(700, -40), std::nullopt);
    EXPECT_EQ(cappedHeight(700, 90), minimumCappedHeight);
    EXPECT_EQ(cappedHeight(120, 90), 120);
}

TEST(SettingsFormatChoices, FeaturedOnceThenTheRestWithBothDividers) {
    const auto choices = settingsFormatChoices(
        ConversionEngine(DecoderRegistry::standard(), EncoderRegistry::standard(), SourceOptimiserRegistry::standard()));
    ASSERT_GE(choices.size(), 3u);
    EXPECT_TRUE(choices[0] && choices[0]->isSameAsSource());
    EXPECT_FALSE(choices[1].has_value());
    EXPECT_EQ(std::count(choices.begin(), choices.end(), std::nullopt), 2);
    std::set<std::string> ids;
    for (const auto& choice : choices) EXPECT_TRUE(!choice || ids.insert(choice->id()).second) << "a format twice";
    EXPECT_EQ(choices[2], OutputFormat::heic());
}

namespace {

class ScriptedFolderAsker : public FolderAsker {
public:
    std::optional<fs::path> answer;
    std::optional<fs::path> ask(PanelPurpose) override {
        auto given = answer;
        answer.reset();
        return given;
    }
};

class SettingsWindowTest : public ::testing::Test {
protected:
    testing_support::TemporaryFolder root;
    MemoryUserDefaults defaults;
    PathBookmarks bookmarks;
    ScriptedFolderAsker asker;
    SettingsStore settings{defaults};
    DestinationStore destinations{defaults, bookmarks, asker};
    ScriptedUpdater updater;
    UpdateController updates{updater};
    const ConversionEngine engine{DecoderRegistry::standard(), EncoderRegistry::standard(),
                                  SourceOptimiserRegistry::standard()};
    SettingsWindow window{settings, destinations, updates, engine};

    fs::path outputFolder() {
        fs::create_directories(root.path() / "out");
        return root.path() / "out";
    }
    // As the user picks an entry of the menu.
    static void pick(QComboBox* menu, int index) {
        ASSERT_GE(index, 0);
        menu->setCurrentIndex(index);
        Q_EMIT menu->activated(index);
    }
    void pickFormat(const OutputFormat& chosen) {
        pick(window.formatPicker(), window.formatPicker()->findData(QString::fromStdString(chosen.id())));
    }
    void pickSize(SizeChoice choice) { pick(window.sizePicker(), window.sizePicker()->findText(choice.menuTitle())); }
};

} // namespace

TEST_F(SettingsWindowTest, RowsFollowTheDefaultFormatAndTogglesSaveTheirPoliciesAtOnce) {
    // Same as source keeps transparency: no background row.
    EXPECT_FALSE(window.isRowShown(window.backgroundPicker()));
    pickFormat(OutputFormat::jpeg());
    EXPECT_EQ(settings.defaultSpec().format, OutputFormat::jpeg());
    EXPECT_TRUE(window.isRowShown(window.backgroundPicker()));
    Q_EMIT window.backgroundPicker()->segmentChosen(1);
    EXPECT_EQ(settings.defaultSpec().matte, MatteColour::black());
    EXPECT_EQ(window.backgroundPicker()->selectedIndex(), 1);
    // The batch's own specification is not the settings window's to change.
    EXPECT_EQ(settings.spec().format, OutputFormat::sameAsSource());

    window.keepMetadataToggle()->click();
    window.convertToSRGBToggle()->click();
    EXPECT_EQ(settings.defaultSpec().metadata, MetadataPolicy::keepAll);
    EXPECT_EQ(settings.defaultSpec().colour, ColourPolicy::convertToSRGB);
    EXPECT_EQ(SettingsStore(defaults).defaultSpec().colour, ColourPolicy::convertToSRGB);
    window.keepMetadataToggle()->click();
    EXPECT_EQ(settings.defaultSpec().metadata, MetadataPolicy::strip);
}

TEST_F(SettingsWindowTest, ChoosingAFolderSetsBothChoicesCancellingChangesNothingAndResetKeepsIt) {
    EXPECT_FALSE(window.isRowShown(window.chooseFolderButton()->parentWidget()));
    Q_EMIT window.savePicker()->activated(1);
    EXPECT_EQ(destinations.defaultChoice(), DestinationStore::Choice::chosenFolder);
    EXPECT_EQ(destinations.choice(), DestinationStore::Choice::besideOriginal);
    EXPECT_TRUE(window.isRowShown(window.chooseFolderButton()->parentWidget()));
    EXPECT_EQ(window.folderText()->text(), "Choose a folder to save into");

    Q_EMIT window.savePicker()->activated(0);
    window.chooseFolderButton()->click(); // cancelled
    EXPECT_EQ(destinations.defaultChoice(), DestinationStore::Choice::besideOriginal);
    EXPECT_EQ(destinations.choice(), DestinationStore::Choice::besideOriginal);

    const fs::path folder = outputFolder();
    asker.answer = folder;
    window.chooseFolderButton()->click();
    EXPECT_EQ(destinations.choice(), DestinationStore::Choice::chosenFolder);
    EXPECT_EQ(destinations.defaultChoice(), DestinationStore::Choice::chosenFolder);
    EXPECT_EQ(window.savePicker()->currentIndex(), 1);
    EXPECT_EQ(window.folderText()->text(), DestinationStore::abbreviatedPath(folder));
    // The button says the folder, which only shows beside it.
    EXPECT_EQ(window.chooseFolderButton()->accessibleDescription(), DestinationStore::abbreviatedPath(folder));

    // Reset puts the defaults back and leaves the updates choice and the folder.
    window.convertToSRGBToggle()->click();
    window.automaticUpdatesToggle()->click();
    OutputSpec current = settings.spec();
    current.metadata = MetadataPolicy::keepAll;
    settings.setSpec(current);

    window.resetButton()->click();
    EXPECT_EQ(settings.defaultSpec(), SettingsStore::builtInDefaultSpec());
    EXPECT_EQ(settings.spec(), SettingsStore::builtInDefaultSpec());
    EXPECT_EQ(destinations.defaultChoice(), DestinationStore::Choice::besideOriginal);
    EXPECT_EQ(destinations.choice(), DestinationStore::Choice::besideOriginal);
    EXPECT_FALSE(window.isRowShown(window.chooseFolderButton()->parentWidget()));
    EXPECT_TRUE(updates.automaticallyChecksForUpdates());
    EXPECT_TRUE(window.automaticUpdatesToggle()->isChecked());
    // The folder chosen before is still there when the folder choice comes back.
    Q_EMIT window.savePicker()->activated(1);
    EXPECT_EQ(window.folderText()->text(), DestinationStore::abbreviatedPath(folder));
}

TEST_F(SettingsWindowTest, SizeRowEditsAndSavesTheDefaultSizingOnly) {
    window.show();
    DefaultSizePicker* size = window.sizePicker();
    EXPECT_EQ(size->currentText(), "Original size");
    EXPECT_FALSE(window.isRowShown(window.dimensionsRow()));

    pickSize(SizeChoice::half);
    EXPECT_EQ(settings.defaultSpec().sizing, SizeChoice(SizeChoice::half).resize());
    EXPECT_EQ(SettingsStore(defaults).defaultSpec().sizing, SizeChoice(SizeChoice::half).resize());
    EXPECT_EQ(settings.spec().sizing, ResizeSpec::original());
    // A default saved elsewhere that the remembered preset no longer describes.
    OutputSpec saved = settings.defaultSpec();
    saved.sizing = ResizeSpec::scale(2);
    settings.setDefaultSpec(saved);
    EXPECT_EQ(size->currentText(), "@2x");

    // "Custom…" starts from the original size with both fields empty, and stays selected.
    pickSize(SizeChoice::custom);
    EXPECT_EQ(settings.defaultSpec().sizing, ResizeSpec::original());
    EXPECT_TRUE(size->showsCustom());
    EXPECT_TRUE(window.isRowShown(window.dimensionsRow()));
    DimensionField* width = window.dimensionsRow()->widthField();
    EXPECT_TRUE(width->text().isEmpty());
    EXPECT_TRUE(window.dimensionsRow()->heightField()->text().isEmpty());
    QTest::keyClicks(width, "800");
    EXPECT_EQ(settings.defaultSpec().sizing, ResizeSpec::fit(800, std::nullopt));
    EXPECT_EQ(SettingsStore(defaults).defaultSpec().sizing, ResizeSpec::fit(800, std::nullopt));
    EXPECT_EQ(settings.spec().sizing, ResizeSpec::original());
    width->selectAll();
    QTest::keyClick(width, Qt::Key_Backspace);
    EXPECT_EQ(settings.defaultSpec().sizing, ResizeSpec::original());
    EXPECT_TRUE(size->showsCustom());

    // Reset forgets the remembered preset: the original size reads as such again.
    window.resetButton()->click();
    EXPECT_EQ(size->currentText(), "Original size");
    EXPECT_FALSE(window.isRowShown(window.dimensionsRow()));
}

TEST_F(SettingsWindowTest, CompressionAndNamingRowsEditTheDefaultQualityOfLossyFormatsAndThePattern) {
    window.show();
    QualityControl* compression = window.compressionControl();
    // Same as source may well be lossy.
    EXPECT_TRUE(window.isRowShown(compression));
    Q_EMIT compression->modes()->segmentChosen(1);
    EXPECT_EQ(settings.defaultSpec().quality, QualityMode::quality(80));
    compression->slider()->setValue(55);
    EXPECT_EQ(settings.defaultSpec().quality, QualityMode::quality(55));
    EXPECT_EQ(SettingsStore(defaults).defaultSpec().quality, QualityMode::quality(55));
    EXPECT_EQ(settings.spec().quality, QualityMode::lossless());

    pickFormat(OutputFormat::png());
    EXPECT_FALSE(window.isRowShown(compression));
    // A change saved elsewhere shows in the control.
    OutputSpec saved = settings.defaultSpec();
    saved.quality = QualityMode::quality(30);
    settings.setDefaultSpec(saved);
    EXPECT_EQ(compression->slider()->value(), 30);

    FilenamePatternField* naming = window.namingField();
    EXPECT_TRUE(window.isRowShown(naming));
    EXPECT_EQ(naming->field()->text(), "{name}.{format}");
    naming->field()->selectAll();
    QTest::keyClicks(naming->field(), "{name}-small.{format}");
    EXPECT_EQ(settings.defaultSpec().namePattern, "{name}-small.{format}");
    EXPECT_EQ(SettingsStore(defaults).defaultSpec().namePattern, "{name}-small.{format}");
    EXPECT_EQ(settings.spec().namePattern, "{name}.{format}");
    EXPECT_EQ(naming->previewLine()->text(),
              FilenameSubject::example(engine, settings.defaultSpec()).preview("{name}-small.{format}"));

    // The example follows the default format.
    pickFormat(OutputFormat::webp());
    EXPECT_TRUE(naming->previewLine()->text().contains("photo-small.webp")) << naming->previewLine()->text().toStdString();
}

TEST_F(SettingsWindowTest, UpdatesSectionFollowsTheController) {
    EXPECT_TRUE(window.checkForUpdatesButton()->isEnabled());
    window.checkForUpdatesButton()->click();
    EXPECT_EQ(updater.checks, 1);
    Q_EMIT updater.canCheckChanged(false);
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.checkForUpdatesButton()->isEnabled());

    ScriptedUpdater noFeed;
    noFeed.available = false;
    UpdateController unavailable(noFeed);
    SettingsWindow without(settings, destinations, unavailable, engine);
    EXPECT_FALSE(without.checkForUpdatesButton()->isEnabled());
    EXPECT_FALSE(without.automaticUpdatesToggle()->isEnabled());
    const auto captions = without.findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(captions.begin(), captions.end(), [](QLabel* label) {
        return label->text() == "This build has no update feed, so it never looks for updates.";
    }));
}

TEST_F(SettingsWindowTest, TakesItsOwnHeightUnlessTheScreenIsShorter) {
    EXPECT_EQ(window.width(), SettingsWindow::fixedWidth);
    EXPECT_TRUE(window.testAttribute(Qt::WA_QuitOnClose) == false);
    const int content = *window.contentHeight();
    window.setScreenHeight(content + 100);
    EXPECT_EQ(window.height(), content);
    EXPECT_EQ(window.scrollArea()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    window.setScreenHeight(content - 100);
    EXPECT_EQ(window.height(), content - 100);
    EXPECT_EQ(window.scrollArea()->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    window.setScreenHeight(std::nullopt);
    EXPECT_EQ(window.height(), content);
}

TEST_F(SettingsWindowTest, AShownWindowFitsItsScreenAndGrowsWithItsRows) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto expectedHeight = [this] {
        const int room = window.screen()->availableGeometry().height() -
                         (window.frameGeometry().height() - window.geometry().height());
        return cappedHeight(window.contentHeight(), room).value_or(*window.contentHeight());
    };
    QTest::qWait(300);
    const int before = *window.contentHeight();
    EXPECT_EQ(window.height(), expectedHeight());
    Q_EMIT window.savePicker()->activated(1);
    QTest::qWait(300);
    EXPECT_GT(*window.contentHeight(), before);
    EXPECT_EQ(window.height(), expectedHeight());
}

TEST_F(SettingsWindowTest, ARowThatAppearsMakesTheWindowTallerAndEveryOtherRowKeepsItsHeight) {
    // Room for the whole form, as on a screen of usual height.
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(300);
    window.setScreenHeight(*window.contentHeight() + 400);
    QCoreApplication::processEvents();
    FilenamePatternField* naming = window.namingField();
    const auto heights = [&] {
        return std::vector<int>{window.formatPicker()->height(), window.sizePicker()->height(),
                                window.compressionControl()->height(), naming->height(),
                                naming->field()->height(), naming->legend()->height(),
                                naming->previewLine()->height(), window.savePicker()->height()};
    };
    const std::vector<int> before = heights();
    const int windowBefore = window.height();
    ASSERT_GT(naming->height(), 0);

    pickSize(SizeChoice::custom);
    QTest::qWait(300);
    ASSERT_TRUE(window.dimensionsRow()->isVisible());
    EXPECT_EQ(heights(), before);
    EXPECT_GT(naming->height(), 0);
    EXPECT_GE(window.height(), windowBefore + window.dimensionsRow()->height());

    // And back: the row goes, the window shrinks to the form again.
    pickSize(SizeChoice::half);
    QTest::qWait(300);
    EXPECT_EQ(heights(), before);
    EXPECT_EQ(window.height(), windowBefore);
}

TEST_F(SettingsWindowTest, TheDimensionsRowKeepsWidthSignAndHeightTogetherAtItsStart) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    pickSize(SizeChoice::custom);
    QCoreApplication::processEvents();
    CustomSizeEditor* row = window.dimensionsRow();
    ASSERT_TRUE(row->isVisible());
    const auto area = [&](QWidget* widget) { return QRect(widget->mapTo(&window, QPoint(0, 0)), widget->size()); };
    const QRect width = area(row->widthField()), height = area(row->heightField());
    QLabel* sign = nullptr;
    for (QLabel* label : row->findChildren<QLabel*>())
        if (label->text() == QStringLiteral("\u00D7")) sign = label;
    ASSERT_NE(sign, nullptr);
    const QRect times = area(sign);
    // One row, 8 apart, in reading order, starting where the other fields of the form start:
    // the sign takes its own width, no more.
    EXPECT_EQ(times.width(), sign->sizeHint().width());
    EXPECT_EQ(times.left() - width.right() - 1, CustomSizeEditor::spacing);
    EXPECT_EQ(height.left() - times.right() - 1, CustomSizeEditor::spacing);
    EXPECT_EQ(width.left(), area(window.sizePicker()).left());
    EXPECT_EQ(width.center().y(), height.center().y());
}

TEST_F(SettingsWindowTest, EscapeAndControlWCloseTheWindowWhereverTheFocusIs) {
    for (const QKeyCombination keys : {QKeyCombination(Qt::Key_Escape), QKeyCombination(Qt::CTRL | Qt::Key_W)}) {
        for (QWidget* focus : {static_cast<QWidget*>(window.formatPicker()),
                               static_cast<QWidget*>(window.namingField()->field())}) {
            window.show();
            window.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
            focus->setFocus();
            QTest::keyClick(QApplication::focusWidget(), keys.key(), keys.keyboardModifiers());
            EXPECT_FALSE(window.isVisible()) << QKeySequence(keys).toString().toStdString() << " in "
                                             << focus->metaObject()->className();
            // Nothing was typed into the field on the way.
            EXPECT_EQ(settings.defaultSpec().namePattern, "{name}.{format}");
        }
    }
}

// The window opens on its first row; Tab and Shift+Tab go round every row in reading order, rows
// that appear included, each shown with its group's heading in a window shorter than the form.
TEST_F(SettingsWindowTest, OpensOnTheFormatRowAndTabWalksTheRowsInReadingOrder) {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(QApplication::focusWidget(), window.formatPicker());
    pickFormat(OutputFormat::jpeg());
    pickSize(SizeChoice::custom);
    pick(window.savePicker(), 1);
    // A screen shorter than the real one: the window no longer follows the real one, which it
    // would do a moment after any resize, however far the walk has gone.
    delete window.findChild<SettingsWindowFitter*>();
    window.setScreenHeight(*window.contentHeight() / 2);
    window.formatPicker()->setFocus();
    const DSSegmentedControl* modes = window.compressionControl()->modes();
    QList<QWidget*> order{window.formatPicker(), window.sizePicker(), window.dimensionsRow()->widthField(),
                          window.dimensionsRow()->heightField(), modes->segment(0), modes->segment(1),
                          modes->segment(2), window.keepMetadataToggle(), window.convertToSRGBToggle(),
                          window.namingField()->field(), window.backgroundPicker()->segment(0),
                          window.backgroundPicker()->segment(1), window.savePicker(), window.chooseFolderButton(),
                          window.automaticUpdatesToggle(), window.checkForUpdatesButton(), window.resetButton()};
    order.removeIf([](const QWidget* row) { return !row->isVisible() || !row->isEnabled(); });
    support::expectTabCycle(window.scrollArea(), order);
}
