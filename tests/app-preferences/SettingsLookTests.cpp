#include "app-preferences/ScriptedUpdater.h"
#include "support/FixedPreferences.h"
#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "app/design/DSFocusRing.h"
#include "app/design/DSSecondaryLabel.h"
#include "app/desktop/FolderAsker.h"
#include "app/export/DestinationStore.h"
#include "app/export/PathBookmarks.h"
#include "app/options/CustomSizeEditor.h"
#include "app/options/DimensionField.h"
#include "app/preferences/DefaultSizePicker.h"
#include "app/preferences/SettingsWindow.h"
#include "app/preferences/UpdateController.h"
#include "app/settings/MemoryUserDefaults.h"
#include "app/settings/SettingsStore.h"
#include "app/shell/ApplicationPalette.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QScrollArea>
#include <QStyleOptionButton>

#include <gtest/gtest.h>

namespace {

using namespace pictavo;

class NoFolders : public FolderAsker {
public:
    std::optional<std::filesystem::path> ask(PanelPurpose) override { return std::nullopt; }
};

// A build with no update feed, whose settings window says so in a caption.
struct NoFeed : ScriptedUpdater {
    NoFeed() { available = false; }
};

// The settings window as the application shows it: over the application's palette, which
// follows the theme, and with the folder row and the no-updates caption on view.
class SettingsLookTest : public testing::Test {
protected:
    SettingsLookTest() {
        destinations.setDefaultChoice(DestinationStore::Choice::chosenFolder);
        window.show();
    }
    ~SettingsLookTest() override { QApplication::setPalette(saved); }

    QLabel* caption() const {
        for (QLabel* label : window.findChildren<QLabel*>())
            if (label->text().startsWith(QStringLiteral("This build has no update feed"))) return label;
        return nullptr;
    }

    // The window as it is drawn, in its own pixels.
    QImage drawn() { return window.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    static QRect areaOf(const QWidget* widget, const QWidget* in) {
        return QRect(widget->mapTo(in, QPoint(0, 0)), widget->size());
    }

    // The colour most of an area is drawn in: what text or a control sits on.
    static QColor backgroundOf(const QImage& image, const QRect& area) {
        QMap<QRgb, int> counts;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) ++counts[image.pixel(x, y)];
        QRgb most = 0;
        int best = -1;
        for (auto it = counts.begin(); it != counts.end(); ++it)
            if (it.value() > best) best = it.value(), most = it.key();
        return QColor(most);
    }

    // The strongest contrast any pixel of the area makes with the background.
    static double strongestContrast(const QImage& image, const QRect& area, const QColor& background) {
        double strongest = 1;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                strongest = std::max(strongest, contrastRatio(QColor(image.pixel(x, y)), background));
        return strongest;
    }

    QPalette saved = QApplication::palette();
    ThemeScope theme;
    ApplicationPalette follower;
    MemoryUserDefaults defaults;
    PathBookmarks bookmarks;
    NoFolders asker;
    SettingsStore settings{defaults};
    DestinationStore destinations{defaults, bookmarks, asker};
    NoFeed updater;
    UpdateController updates{updater};
    const ConversionEngine engine{DecoderRegistry::standard(), EncoderRegistry::standard(),
                                  SourceOptimiserRegistry::standard()};
    SettingsWindow window{settings, destinations, updates, engine};
};

struct Appearance {
    bool dark, increasedContrast;
    const char* name;
};

constexpr Appearance appearances[] = {
    {false, false, "light"}, {true, false, "dark"}, {false, true, "increased contrast light"},
    {true, true, "increased contrast dark"}};

TEST_F(SettingsLookTest, TheFolderAndTheCaptionReadAtLeastFourAndAHalfToOneInEveryAppearance) {
    ASSERT_NE(caption(), nullptr);
    ASSERT_TRUE(window.isRowShown(window.chooseFolderButton()->parentWidget()));
    for (const Appearance& appearance : appearances) {
        theme.preferences->set(appearance.dark, appearance.increasedContrast);
        QCoreApplication::processEvents();
        const QImage image = drawn();
        for (QLabel* text : {window.folderText(), caption()}) {
            const QRect area = areaOf(text, &window);
            const QColor background = backgroundOf(image, area);
            const QColor colour = text->palette().color(text->foregroundRole());
            EXPECT_GE(contrastRatio(colour, background), 4.5)
                << appearance.name << ": " << text->text().toStdString() << " in " << colour.name().toStdString()
                << " on " << background.name().toStdString();
            // The glyphs are drawn in that colour, not only told of it.
            EXPECT_GE(strongestContrast(image, area, background), 4.5) << appearance.name;
        }
    }
}

TEST_F(SettingsLookTest, AnUncheckedBoxStandsOutFromTheWindowInEveryAppearance) {
    for (const Appearance& appearance : appearances) {
        theme.preferences->set(appearance.dark, appearance.increasedContrast);
        QCoreApplication::processEvents();
        for (QCheckBox* toggle : {window.keepMetadataToggle(), window.convertToSRGBToggle()}) {
            ASSERT_FALSE(toggle->isChecked());
            const QImage image = drawn();
            QStyleOptionButton option;
            option.initFrom(toggle);
            const QRect box = toggle->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, toggle);
            const QRect area = box.translated(toggle->mapTo(&window, QPoint(0, 0)));
            const QColor background = backgroundOf(image, areaOf(toggle, &window));
            // Non-text contrast: a control's outline needs 3:1 to be seen.
            EXPECT_GE(strongestContrast(image, area, background), 3.0)
                << appearance.name << ": " << toggle->text().toStdString();
        }
    }
}

// Every control Tab reaches in the window is ringed at 3:1 or more against the window around it,
// in every appearance; the style's own focus frame, a hairline, changes far less than that.
TEST_F(SettingsLookTest, TheKeyboardFocusOfEveryPlainControlStandsOutInEveryAppearance) {
    window.sizePicker()->setCurrentIndex(window.sizePicker()->findText(SizeChoice(SizeChoice::custom).menuTitle()));
    Q_EMIT window.sizePicker()->activated(window.sizePicker()->currentIndex());
    ASSERT_TRUE(window.isRowShown(window.dimensionsRow()));
    QWidget* controls[] = {window.formatPicker(),        window.sizePicker(),          window.dimensionsRow()->widthField(),
                           window.keepMetadataToggle(),  window.convertToSRGBToggle(), window.savePicker(),
                           window.chooseFolderButton(),  window.resetButton()};
    window.activateWindow();
    for (const Appearance& appearance : appearances) {
        theme.preferences->set(appearance.dark, appearance.increasedContrast);
        QCoreApplication::processEvents();
        for (QWidget* control : controls) {
            control->setFocus(Qt::TabFocusReason);
            QCoreApplication::processEvents();
            ASSERT_NE(DSFocusRing::shownAround(control), nullptr) << control->metaObject()->className();
            const QImage image = drawn();
            const QPoint left = control->mapTo(&window, QPoint(0, control->height() / 2));
            const QColor ring = image.pixelColor(left - QPoint(3, 0));
            const QColor around = image.pixelColor(left - QPoint(6, 0));
            EXPECT_GE(contrastRatio(ring, around), 3.0)
                << appearance.name << " " << control->metaObject()->className() << ": " << ring.name().toStdString()
                << " on " << around.name().toStdString();
        }
    }
}

} // namespace
