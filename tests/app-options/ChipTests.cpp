#include "app-options/OptionsTesting.h"
#include "support/TabCycle.h"
#include "app/options/ChipLabel.h"
#include "app/options/CustomSizeEditor.h"
#include "app/options/DimensionField.h"
#include "app/options/FormatChip.h"
#include "app/design/DSSegmentedControl.h"
#include "app/options/FilenamePatternField.h"
#include "app/options/OptionLink.h"
#include "app/options/OptionSwitch.h"
#include "app/options/OptionsPanel.h"
#include "app/options/OrientationControl.h"
#include "app/options/QualityControl.h"
#include "app/options/SizeChip.h"
#include "app/options/ToolbarChips.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using namespace pictavo;
using namespace options_testing;

// The chips in a shown, active window, over a settings store of their own.
struct ChipsFixture : ::testing::Test {
    ThemeScope theme;
    Settings settings;
    QWidget window;
    ToolbarChips* chips = new ToolbarChips(
        settings.store, standardEngine(),
        [this] { return FilenameSubject::example(standardEngine(), settings.store.spec()); }, &window);

    ChipsFixture() {
        auto* row = new QHBoxLayout(&window);
        row->addWidget(chips);
        row->addStretch(1);
        window.setGeometry(100, 100, 700, 80);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    FormatChip* format() { return chips->formatChip(); }
    SizeChip* size() { return chips->sizeChip(); }
    const OutputSpec& spec() { return settings.store.spec(); }
    const OutputSpec& defaults() { return settings.store.defaultSpec(); }
    std::size_t groupCount(const auto* menu) { return menu->content().groups.size(); }
};

TEST_F(ChipsFixture, EachChipShowsItsValueWithTheFacesLookAndWords) {
    EXPECT_EQ(format()->chipLabel()->value(), "Same as source");
    EXPECT_TRUE(format()->chipLabel()->hasChevron());
    EXPECT_EQ(format()->accessibleName(), "Format");
    EXPECT_EQ(format()->accessibleDescription(), "Same as source");
    EXPECT_EQ(format()->capsuleStyle(), (DSCapsuleButtonStyle{DSCapsuleButtonStyle::Role::chip, false, true}));
    EXPECT_EQ(size()->chipLabel()->value(), "Original size");
    EXPECT_EQ(size()->accessibleName(), "Size");
    OptionsChip* options = chips->optionsChip();
    EXPECT_EQ(options->chipLabel()->value(), "Options");
    EXPECT_FALSE(options->chipLabel()->hasChevron());
    EXPECT_EQ(options->capsuleStyle().role, DSCapsuleButtonStyle::Role::quietChip);

    // The label grows with the user's text size and never wraps or shrinks.
    const QSize before = format()->chipLabel()->sizeHint();
    theme.preferences->set(false, false, false, 1.5);
    EXPECT_GT(format()->chipLabel()->sizeHint().width(), before.width());
    settings.change([](OutputSpec& spec) { spec.format = OutputFormat::jpeg2000(); });
    EXPECT_EQ(format()->chipLabel()->value(), "JPEG 2000");
    settle();
    EXPECT_GE(format()->chipLabel()->width(), format()->chipLabel()->sizeHint().width());
}

TEST_F(ChipsFixture, TheFormatMenuShowsEveryRowWholeSetsTheFormatOffersToSaveItAndClosesWithTheChips) {
    settings.change([](OutputSpec& spec) { spec.quality = QualityMode::quality(50); });
    click(format());
    ASSERT_TRUE(format()->menu()->controller().isOpen());
    EXPECT_TRUE(format()->capsuleStyle().isOpen);
    EXPECT_EQ(groupCount(format()->menu()), 3u) << "the format is the default one";
    EXPECT_EQ(format()->menu()->selection(), FormatMenu::Tag::value(OutputFormat::sameAsSource()));
    // The offscreen screen is short enough that the menu is capped and scrolls, yet every row's
    // texts show whole.
    DSMenuPanel* panel = format()->menu()->controller().window()->panel();
    ASSERT_TRUE(format()->menu()->controller().window()->scrollArea()->verticalScrollBar()->isVisible());
    ASSERT_EQ(panel->rowView(0)->row().subtitle, QStringLiteral("Optimise without converting"));
    for (std::size_t position = 0; position < panel->rowCount(); ++position) {
        EXPECT_GE(panel->rowView(position)->width(), panel->rowView(position)->sizeHint().width())
            << panel->rowView(position)->row().title.toStdString();
    }

    ASSERT_TRUE(chooseRow(format(), format()->menu(), "WebP"));
    EXPECT_FALSE(format()->menu()->isPresented());
    EXPECT_FALSE(format()->capsuleStyle().isOpen);
    EXPECT_EQ(spec().format, OutputFormat::webp());
    EXPECT_EQ(spec().quality, QualityMode::quality(50)) << "nothing else changes";
    EXPECT_EQ(format()->chipLabel()->value(), "WebP");
    EXPECT_EQ(format()->menu()->selection(), FormatMenu::Tag::value(OutputFormat::webp()));
    ASSERT_EQ(groupCount(format()->menu()), 4u);
    EXPECT_EQ(format()->menu()->content().groups[3].rows[0].subtitle, QString("New batches start as WebP"));
    EXPECT_EQ(groupCount(size()->menu()), 5u) << "only the format differs from the default";

    ASSERT_TRUE(chooseRow(format(), format()->menu(), "Save as default"));
    EXPECT_EQ(defaults().format, OutputFormat::webp());
    EXPECT_EQ(defaults().quality, SettingsStore::builtInDefaultSpec().quality) << "only the format is saved";
    EXPECT_EQ(groupCount(format()->menu()), 3u);

    // Disabled chips close their menus and open none.
    click(format());
    ASSERT_TRUE(format()->menu()->controller().isOpen());
    chips->setEnabled(false);
    EXPECT_FALSE(format()->menu()->isPresented());
    EXPECT_FALSE(format()->menu()->controller().isOpen());
    click(size());
    EXPECT_FALSE(size()->menu()->isPresented());
}

TEST_F(ChipsFixture, TheSizeMenuRemembersThePresetSavesTheSizingAloneAndOpensACustomBox) {
    settings.change([](OutputSpec& spec) { spec.format = OutputFormat::png(); });
    ASSERT_TRUE(chooseRow(size(), size()->menu(), "50%"));
    EXPECT_EQ(spec().sizing, ResizeSpec::percentage(0.5));
    EXPECT_EQ(size()->chipLabel()->value(), "50%");
    EXPECT_EQ(size()->accessibleDescription(), "50%");
    EXPECT_EQ(size()->choice(), SizeChoice::half);
    EXPECT_EQ(size()->menu()->content().groups.back().rows[0].subtitle, QString("New batches start at 50%"));

    ASSERT_TRUE(chooseRow(size(), size()->menu(), "Save as default"));
    EXPECT_EQ(defaults().sizing, ResizeSpec::percentage(0.5));
    EXPECT_EQ(defaults().format, SettingsStore::builtInDefaultSpec().format) << "the format stays as it was";
    EXPECT_EQ(groupCount(size()->menu()), 5u);

    // A change from elsewhere that the preset no longer describes forgets it.
    settings.change([](OutputSpec& spec) { spec.sizing = ResizeSpec::scale(2.0); });
    EXPECT_EQ(size()->choice(), std::nullopt);
    EXPECT_EQ(size()->chipLabel()->value(), "@2x");
    EXPECT_EQ(size()->menu()->selection(), SizeMenu::Tag::value(SizeChoice::scale2));
    settings.change([](OutputSpec& spec) { spec.sizing = ResizeSpec::original(); });
    EXPECT_EQ(size()->chipLabel()->value(), "Original size");

    // Custom… opens an empty box whose sides are typed into the sizing.
    settings.change([](OutputSpec& spec) { spec.sizing = ResizeSpec::fit(800, 600); });
    EXPECT_EQ(size()->chipLabel()->value(), "800 × 600");
    ASSERT_TRUE(chooseRow(size(), size()->menu(), QStringLiteral("Custom\u2026")));
    EXPECT_EQ(spec().sizing, ResizeSpec::original()) << "choosing Custom… starts an empty box";
    EXPECT_EQ(size()->chipLabel()->value(), "auto × auto");
    ASSERT_TRUE(eventually([&] { return size()->customContent() != nullptr; }));
    EXPECT_TRUE(size()->customEditor()->isPresented());
    CustomSizeEditor* editor = size()->customContent();
    EXPECT_TRUE(editor->widthField()->text().isEmpty());

    editor->widthField()->setFocus();
    typeText(editor->widthField(), "800");
    EXPECT_EQ(spec().sizing, ResizeSpec::fit(800, std::nullopt));
    EXPECT_EQ(size()->chipLabel()->value(), "800 × auto");
    for (int i = 0; i < 3; ++i) typeKey(editor->widthField(), Qt::Key_Backspace);
    EXPECT_EQ(spec().sizing, ResizeSpec::original());
    EXPECT_EQ(size()->chipLabel()->value(), "auto × auto") << "the remembered custom box";

    editor->heightField()->setFocus();
    typeText(editor->heightField(), "12a3");
    EXPECT_EQ(editor->heightField()->text(), "123");
    EXPECT_EQ(editor->heightField()->cursorPosition(), 3);
    EXPECT_EQ(spec().sizing, ResizeSpec::fit(std::nullopt, 123));
    editor->heightField()->selectAll();
    typeText(editor->heightField(), "0");
    EXPECT_EQ(spec().sizing, ResizeSpec::fit(std::nullopt, 1));
    EXPECT_EQ(editor->heightField()->text(), "1");
    editor->heightField()->selectAll();
    typeText(editor->heightField(), "99999999999999999999999");
    EXPECT_EQ(spec().sizing, ResizeSpec::fit(std::nullopt, 1'000'000));
    editor->heightField()->selectAll();
    typeText(editor->heightField(), "abc");
    EXPECT_EQ(spec().sizing, ResizeSpec::original());
    EXPECT_TRUE(editor->heightField()->text().isEmpty());

    // The open box follows a change made elsewhere.
    settings.change([](OutputSpec& spec) { spec.sizing = ResizeSpec::fit(640, 480); });
    EXPECT_EQ(editor->widthField()->text(), "640");
    EXPECT_EQ(editor->heightField()->text(), "480");
    typeKey(editor->heightField(), Qt::Key_Escape);
    EXPECT_TRUE(eventually([&] { return !size()->customEditor()->isPresented(); }));
}

// After Reset to Defaults the chip names the size in force, whatever custom box was open before.
TEST_F(ChipsFixture, PuttingTheDefaultsBackNamesTheOriginalSizeNotAnEmptyCustomBox) {
    for (const char* typed : {"640", ""}) {
        ASSERT_TRUE(chooseRow(size(), size()->menu(), QStringLiteral("Custom\u2026")));
        ASSERT_TRUE(eventually([&] { return size()->customContent() != nullptr; }));
        CustomSizeEditor* editor = size()->customContent();
        editor->widthField()->setFocus();
        typeText(editor->widthField(), typed);
        typeKey(editor->widthField(), Qt::Key_Escape);
        ASSERT_TRUE(eventually([&] { return !size()->customEditor()->isPresented(); }));
        EXPECT_EQ(size()->chipLabel()->value(), *typed ? "640 × auto" : "auto × auto");

        settings.store.restoreBuiltInDefaults();
        EXPECT_EQ(spec().sizing, ResizeSpec::original()) << typed;
        EXPECT_EQ(size()->chipLabel()->value(), "Original size") << typed;
        EXPECT_EQ(size()->menu()->selection(), SizeMenu::Tag::value(SizeChoice::original)) << typed;
    }
}

TEST_F(ChipsFixture, TheOptionsPanelIsMadeOnOpeningAndFollowsTheSpecificationWithoutBeingRebuilt) {
    OptionsChip* options = chips->optionsChip();
    EXPECT_EQ(options->panel(), nullptr);
    click(options);
    ASSERT_TRUE(eventually([&] { return options->panel() != nullptr; }));
    EXPECT_TRUE(options->capsuleStyle().isOpen);
    OptionsPanel* panel = options->panel();
    EXPECT_TRUE(panel->footer()->isHidden()) << "the options are the default ones";
    settings.change([](OutputSpec& spec) { spec.metadata = MetadataPolicy::keepAll; });
    EXPECT_EQ(options->panel(), panel);
    EXPECT_FALSE(panel->footer()->isHidden());
    settings.store.saveSectionAsDefault(SpecSection::options);
    EXPECT_TRUE(panel->footer()->isHidden());
    options->presenter()->setPresented(false);
    settle();
    EXPECT_EQ(options->panel(), nullptr) << "closing the pop-over destroys the panel";
}

// Opened from the keyboard, the panel starts on its first control; Tab and Shift+Tab go round
// every control in reading order, each shown with its heading; Esc hands the focus back.
TEST_F(ChipsFixture, TheOptionsPanelStartsOnItsFirstControlAndTabWalksItInReadingOrder) {
    settings.change([](OutputSpec& spec) { spec.format = OutputFormat::jpeg(); });
    settings.change([](OutputSpec& spec) { spec.quality = QualityMode::targetBytes(500000); });
    OptionsChip* chip = chips->optionsChip();
    chip->setFocus(Qt::TabFocusReason);
    typeKey(chip, Qt::Key_Space);
    ASSERT_TRUE(eventually([&] { return chip->panel() != nullptr; }));
    settle();
    OptionsPanel* panel = chip->panel();
    const DSSegmentedControl* modes = panel->qualityControl()->modes();
    QList<QWidget*> order{modes->segment(0), modes->segment(1), modes->segment(2), panel->qualityControl()->targets(),
                          panel->keepMetadataSwitch()->toggle(), panel->convertToSRGBSwitch()->toggle(),
                          panel->greyscaleSwitch()->toggle()};
    for (const TurnAction action : allTurnActions) order.append(panel->orientationControl()->button(action));
    order << panel->matteControl()->segment(0) << panel->matteControl()->segment(1)
          << panel->patternField()->field() << panel->saveAsDefaultButton();
    support::expectTabCycle(chip->presenter()->controller().window()->findChild<QScrollArea*>(), order);

    typeKey(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(eventually([&] { return chip->panel() == nullptr && QApplication::focusWidget() == chip; }));
}

} // namespace
