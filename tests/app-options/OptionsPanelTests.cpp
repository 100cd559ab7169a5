#include "app-options/OptionsTesting.h"
#include "app/design/DSFocusRing.h"
#include "app/design/DSPalette.h"
#include "app/design/DSSecondaryLabel.h"
#include "app/design/DSSegmentedControl.h"
#include "app/options/FilenamePatternField.h"
#include "app/options/OptionCaption.h"
#include "app/options/OptionLink.h"
#include "app/options/OptionSection.h"
#include "app/options/OptionSwitch.h"
#include "app/options/OptionsPanel.h"
#include "app/options/OptionsVisibility.h"
#include "app/options/OrientationControl.h"
#include "app/options/QualityControl.h"
#include "app/options/SpecBindings.h"
#include "app/options/TokenLegend.h"
#include "app/options/WrappingText.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

using namespace pictavo;
using namespace options_testing;

// The options panel in a shown, active window, editing a settings store's current
// specification as the options chip has it do.
struct PanelFixture : ::testing::Test {
    ThemeScope theme;
    Settings settings;
    std::optional<FilenameSubject> firstCard;
    QWidget window;
    OptionsPanel* panel = nullptr;

    PanelFixture() {
        window.setGeometry(100, 100, 308, 700);
        new QVBoxLayout(&window);
        makePanel();
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    // A new panel, as opening the pop-over again makes one.
    void makePanel() {
        delete panel;
        SettingsStore& store = settings.store;
        panel = new OptionsPanel({currentSpecBinding(store),
                                  [&store] { return !store.sectionMatchesDefault(SpecSection::options); },
                                  [&store] { store.saveSectionAsDefault(SpecSection::options); },
                                  [this, &store] {
                                      return firstCard ? *firstCard : FilenameSubject::example(standardEngine(), store.spec());
                                  }},
                                 &window);
        window.layout()->addWidget(panel);
        QObject::connect(&store, &SettingsStore::specChanged, panel, &OptionsPanel::refresh);
        QObject::connect(&store, &SettingsStore::defaultSpecChanged, panel, &OptionsPanel::refresh);
        panel->show();
        settle();
    }

    const OutputSpec& spec() { return settings.store.spec(); }
    void setFormat(const OutputFormat& format) {
        settings.change([&](OutputSpec& spec) { spec.format = format; });
    }
    QualityControl* quality() { return panel->qualityControl(); }
    void chooseSegment(DSSegmentedControl* control, int index) {
        settle();
        click(control->segment(index));
    }
};

// Which format shows which section is checked against a table in ValueTests; here, that the panel follows.
TEST_F(PanelFixture, SectionsFollowTheFormatAndTheBackgroundIsExactlyWhiteOrBlack) {
    for (const OutputFormat& format : {OutputFormat::png(), OutputFormat::jpeg(), OutputFormat::webp()}) {
        setFormat(format);
        EXPECT_EQ(panel->compressionSection()->isVisible(), OptionsVisibility::showsCompression(format)) << format.id();
        EXPECT_EQ(quality() != nullptr, OptionsVisibility::showsCompression(format)) << format.id();
        EXPECT_EQ(panel->backgroundSection()->isVisible(), OptionsVisibility::showsBackground(format)) << format.id();
    }

    // The background is exactly white or black, and any other matte selects nothing.
    setFormat(OutputFormat::jpeg());
    settings.change([](OutputSpec& spec) { spec.matte = MatteColour{0.5, 0.25, 0.0}; });
    DSSegmentedControl* matte = panel->matteControl();
    EXPECT_EQ(matte->selectedIndex(), -1);
    chooseSegment(matte, 1);
    EXPECT_EQ(spec().matte, MatteColour::black());
    chooseSegment(matte, 0);
    EXPECT_EQ(spec().matte, (MatteColour{1.0, 1.0, 1.0}));
    EXPECT_EQ(matte->selectedIndex(), 0);
}

TEST_F(PanelFixture, TheCompressionControlComesBackToItsLastNumbersUntilItIsMadeAnewAndOffersFileSizes) {
    ASSERT_NE(quality(), nullptr);
    EXPECT_EQ(quality()->modes()->selectedIndex(), 0);
    EXPECT_TRUE(quality()->losslessCaption()->isVisible());

    chooseSegment(quality()->modes(), 1);
    EXPECT_EQ(spec().quality, QualityMode::quality(80));
    EXPECT_TRUE(quality()->slider()->isVisible());
    EXPECT_EQ(quality()->number()->text(), "80");
    EXPECT_EQ(quality()->slider()->accessibleName(), "Quality");
    chooseSegment(quality()->modes(), 2);
    EXPECT_EQ(spec().quality, QualityMode::targetBytes(500'000));
    EXPECT_TRUE(quality()->targets()->isVisible());
    EXPECT_EQ(quality()->targets()->currentText(), "500 kB");

    chooseSegment(quality()->modes(), 1);
    quality()->slider()->setValue(100);
    EXPECT_EQ(spec().quality, QualityMode::quality(100));
    quality()->slider()->setFocus();
    typeKey(quality()->slider(), Qt::Key_Home);
    EXPECT_EQ(spec().quality, QualityMode::quality(1));
    quality()->slider()->setValue(35);
    EXPECT_EQ(quality()->number()->text(), "35");
    chooseSegment(quality()->modes(), 0);
    EXPECT_EQ(spec().quality, QualityMode::lossless());
    chooseSegment(quality()->modes(), 1);
    EXPECT_EQ(spec().quality, QualityMode::quality(35));

    // The mode survives a format without compression; a control made anew has forgotten 35.
    setFormat(OutputFormat::png());
    EXPECT_EQ(quality(), nullptr);
    EXPECT_EQ(spec().quality, QualityMode::quality(35));
    settings.change([](OutputSpec& spec) { spec.quality = QualityMode::lossless(); });
    setFormat(OutputFormat::jpeg());
    ASSERT_NE(quality(), nullptr);
    chooseSegment(quality()->modes(), 1);
    EXPECT_EQ(spec().quality, QualityMode::quality(80));

    // A stored number is recorded when the control appears.
    settings.change([](OutputSpec& spec) { spec.quality = QualityMode::quality(35); });
    makePanel();
    chooseSegment(quality()->modes(), 0);
    chooseSegment(quality()->modes(), 1);
    EXPECT_EQ(spec().quality, QualityMode::quality(35));
    EXPECT_EQ(quality()->number()->text(), "35");

    // Target sizes are file sizes, and an unlisted target selects none.
    settings.change([](OutputSpec& spec) { spec.quality = QualityMode::targetBytes(300'000); });
    QComboBox* targets = quality()->targets();
    QStringList items;
    for (int i = 0; i < targets->count(); ++i) items << targets->itemText(i);
    EXPECT_EQ(items, (QStringList{"200 kB", "500 kB", "1 MB", "5 MB"}));
    EXPECT_EQ(targets->currentIndex(), -1);
    EXPECT_EQ(targets->accessibleName(), "Under");
    EXPECT_EQ(spec().quality, QualityMode::targetBytes(300'000)) << "stays until the user picks one";
    targets->setFocus();
    typeKey(targets, Qt::Key_End);
    EXPECT_EQ(spec().quality, QualityMode::targetBytes(5'000'000));
    EXPECT_EQ(quality()->memory().lastTargetBytes, 5'000'000);
    chooseSegment(quality()->modes(), 0);
    chooseSegment(quality()->modes(), 2);
    EXPECT_EQ(spec().quality, QualityMode::targetBytes(5'000'000));
}

TEST_F(PanelFixture, OrientationButtonsStepTheTurnAndSayWhatItDoes) {
    OrientationControl* orientation = panel->orientationControl();
    OptionLink* reset = orientation->resetButton();
    EXPECT_FALSE(reset->isEnabled());
    EXPECT_EQ(reset->currentColour(), palette::tertiaryLabel().current());
    EXPECT_EQ(orientation->description()->text(), "Unchanged");
    // Icon-only buttons: a name to be read out and a tip to be shown are all a person has of them.
    for (const TurnAction action : allTurnActions) {
        EXPECT_FALSE(orientation->button(action)->accessibleName().isEmpty());
        EXPECT_FALSE(orientation->button(action)->toolTip().isEmpty());
        EXPECT_FALSE(orientation->button(action)->icon().isNull());
    }

    click(orientation->button(TurnAction::right));
    EXPECT_EQ(spec().adjustments.reorientation, Reorientation(1));
    EXPECT_EQ(orientation->description()->text(), "Turned right");
    EXPECT_TRUE(reset->isEnabled());
    EXPECT_EQ(reset->currentColour(), palette::secondary().current());
    click(orientation->button(TurnAction::flipHorizontally));
    EXPECT_EQ(orientation->description()->text(), "Flipped and turned left");
    click(orientation->button(TurnAction::flipVertically));
    click(orientation->button(TurnAction::left));
    EXPECT_EQ(spec().adjustments.reorientation, Reorientation(2));
    EXPECT_EQ(orientation->description()->text(), "Turned upside down");
    click(orientation->button(TurnAction::flipVertically));
    EXPECT_EQ(orientation->description()->text(), "Flipped horizontally");
    click(reset);
    EXPECT_EQ(spec().adjustments.reorientation, Reorientation::none());
    EXPECT_FALSE(reset->isEnabled());
    EXPECT_EQ(spec().adjustments.greyscale, false);
}

// Reset turns itself off: the keyboard stays on the row it was pressed in.
TEST_F(PanelFixture, ResetFromTheKeyboardLeavesTheKeyboardOnTheOrientationRow) {
    OrientationControl* orientation = panel->orientationControl();
    click(orientation->button(TurnAction::right));
    OptionLink* reset = orientation->resetButton();
    reset->setFocus(Qt::TabFocusReason);
    typeKey(reset, Qt::Key_Space);
    EXPECT_EQ(spec().adjustments.reorientation, Reorientation::none());
    EXPECT_EQ(QApplication::focusWidget(), orientation->button(TurnAction::left));
}

TEST_F(PanelFixture, SwitchesWriteTheirOwnFieldAndNothingElse) {
    const OutputSpec before = spec();
    EXPECT_FALSE(panel->keepMetadataSwitch()->isOn());
    EXPECT_EQ(panel->keepMetadataSwitch()->toggle()->accessibleName(), "Keep EXIF and GPS");
    // A screen reader hears the row's help text with the switch.
    EXPECT_EQ(panel->keepMetadataSwitch()->toggle()->accessibleDescription(), "Off removes camera, location and timestamps");
    click(panel->keepMetadataSwitch()->toggle());
    EXPECT_EQ(spec().metadata, MetadataPolicy::keepAll);
    click(panel->keepMetadataSwitch()->toggle());
    EXPECT_EQ(spec(), before);

    click(panel->convertToSRGBSwitch()->toggle());
    EXPECT_EQ(spec().colour, ColourPolicy::convertToSRGB);
    click(panel->greyscaleSwitch()->toggle());
    EXPECT_TRUE(spec().adjustments.greyscale);
    // A change from elsewhere shows without being written back.
    settings.change([](OutputSpec& spec) { spec.colour = ColourPolicy::preserve; });
    EXPECT_FALSE(panel->convertToSRGBSwitch()->isOn());
    EXPECT_TRUE(panel->greyscaleSwitch()->isOn());
}

// A switch, a link, a turn button and the naming field with the keyboard focus are ringed at 3:1
// or more against what is around them, in every appearance: the pop-over's surface, its panel
// colour over the solid glass.
TEST_F(PanelFixture, TheKeyboardFocusOfEveryKindOfControlStandsOutInEveryAppearance) {
    settings.change([](OutputSpec& spec) { spec.adjustments.reorientation = Reorientation{1, false}; });
    OrientationControl* orientation = panel->orientationControl();
    QWidget* controls[] = {panel->keepMetadataSwitch()->toggle(), orientation->resetButton(),
                           orientation->button(TurnAction::left),  orientation->button(TurnAction::flipVertically),
                           panel->patternField()->field()};
    window.setAutoFillBackground(true);
    for (const DSAppearance appearance : {DSAppearance::light, DSAppearance::dark, DSAppearance::increasedContrastLight,
                                          DSAppearance::increasedContrastDark}) {
        theme.preferences->set(isDark(appearance), isIncreasedContrast(appearance));
        const QColor glass = palette::DSGlassSolid().current(), over = palette::DSMenuPanel().current();
        const auto mix = [&](int top, int bottom) { return int(top * over.alphaF() + bottom * (1 - over.alphaF())); };
        QPalette surface = window.palette();
        surface.setColor(QPalette::Window, QColor(mix(over.red(), glass.red()), mix(over.green(), glass.green()),
                                                  mix(over.blue(), glass.blue())));
        window.setPalette(surface);
        for (QWidget* control : controls) {
            control->setFocus(Qt::TabFocusReason);
            settle();
            ASSERT_NE(DSFocusRing::shownAround(control), nullptr) << control->accessibleName().toStdString();
            const QImage shown = window.grab().toImage();
            const QPoint left = control->mapTo(&window, QPoint(0, control->height() / 2));
            const QColor ring = shown.pixelColor(left - QPoint(3, 0));
            // Nearer than the 8 points between the turn buttons.
            const QColor around = shown.pixelColor(left - QPoint(6, 0));
            EXPECT_GE(contrastRatio(ring, around), 3.0)
                << int(appearance) << " " << control->accessibleName().toStdString() << ": "
                << ring.name().toStdString() << " on " << around.name().toStdString();
        }
    }
}

TEST_F(PanelFixture, TheFooterSavesTheOptionsButNeverTheTurnOrGreyscale) {
    EXPECT_TRUE(panel->footer()->isHidden());
    settings.change([](OutputSpec& spec) {
        spec.adjustments.reorientation = Reorientation(1, true);
        spec.adjustments.greyscale = true;
    });
    EXPECT_TRUE(panel->footer()->isHidden()) << "adjustments alone are no difference";
    click(panel->keepMetadataSwitch()->toggle());
    EXPECT_TRUE(panel->footer()->isVisible());
    EXPECT_EQ(panel->saveAsDefaultButton()->text(), "Save as default");
    EXPECT_TRUE(panel->footer()->findChild<OptionCaption*>()->text() == "New batches start with these options.");
    click(panel->saveAsDefaultButton());
    EXPECT_EQ(settings.store.defaultSpec().metadata, MetadataPolicy::keepAll);
    EXPECT_EQ(settings.store.defaultSpec().adjustments, Adjustments::none());
    EXPECT_TRUE(panel->footer()->isHidden());
}

TEST_F(PanelFixture, ThePatternIsWrittenAtEveryKeystrokeAndPreviewsTheSubjectWrappedInsideThePanel) {
    FilenamePatternField* naming = panel->patternField();
    QLineEdit* field = naming->field();
    EXPECT_EQ(field->text(), "{name}.{format}");
    EXPECT_EQ(field->accessibleName(), "Filename pattern");
    EXPECT_EQ(naming->legend()->accessibleName(), "Tokens: {name}, {w}, {h}, {scale}, {quality}, {format}");
    EXPECT_EQ(naming->previewLine()->text(), QStringLiteral("For example, photo.jpg \u2192 photo.jpg"));

    field->setFocus();
    field->setCursorPosition(6);
    typeText(field, "-{w}");
    EXPECT_EQ(spec().namePattern, "{name}-{w}.{format}");
    EXPECT_EQ(field->cursorPosition(), 10) << "the field keeps its cursor while the panel follows";
    EXPECT_TRUE(field->hasFocus());
    EXPECT_EQ(naming->previewLine()->text(), QStringLiteral("For example, photo.jpg \u2192 photo-3000.jpg"));
    // Heard with the field when it takes the focus.
    EXPECT_EQ(field->accessibleDescription(), naming->previewLine()->text());

    // The first image of the batch, when there is one, is the subject; no "For example". The
    // pattern is shown as typed, never as markup.
    firstCard = FilenameSubject{"IMG_0001.PNG", OutputFormat::png(), {640, 480}, std::nullopt, std::nullopt, false};
    typeText(field, "<b>");
    EXPECT_EQ(naming->previewLine()->text(), QStringLiteral("IMG_0001.PNG \u2192 IMG_0001-640<b>.PNG"));
    field->selectAll();
    typeKey(field, Qt::Key_Backspace);
    EXPECT_EQ(spec().namePattern, "");
    EXPECT_EQ(naming->previewLine()->text(), QStringLiteral("IMG_0001.PNG \u2192 IMG_0001.PNG"));

    // A long name wraps inside the panel instead of widening it.
    const int lineHeight = panel->patternField()->previewLine()->heightForWidth(276);
    settings.change([](OutputSpec& spec) { spec.namePattern = "{name}-" + std::string(120, 'x') + "-{w}x{h}"; });
    settle();
    EXPECT_LE(panel->minimumSizeHint().width(), 308 - 2 * 16);
    EXPECT_LE(panel->width(), window.width());
    EXPECT_GE(panel->patternField()->previewLine()->heightForWidth(276), 3 * lineHeight);
    SwitchToggle* toggle = panel->keepMetadataSwitch()->toggle();
    EXPECT_LE(toggle->mapTo(&window, QPoint(toggle->width(), 0)).x(), window.width()) << "the switches stay in view";
    // The panel's height follows its width, never the captions' narrowest form.
    EXPECT_EQ(panel->minimumSizeHint().height(), 0);
    EXPECT_GE(panel->height(), panel->heightForWidth(panel->width()));
}

} // namespace
