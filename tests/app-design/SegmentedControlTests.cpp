#include "app/design/DSPalette.h"
#include "app/design/DSSecondaryLabel.h"
#include "app/design/DSSegmentedControl.h"
#include "app/design/DSSegments.h"
#include "support/FixedPreferences.h"
#include "app-design/Windows.h"

#include <QAccessible>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace pictavo {
namespace {

enum class Quality { lossless, quality, fileSize };

const DSSegments<Quality> qualities{{QStringLiteral("Lossless"), Quality::lossless},
                                    {QStringLiteral("Quality"), Quality::quality},
                                    {QStringLiteral("File size"), Quality::fileSize}};

TEST(Segments, SelectionIsTheFirstOptionWithTheValue) {
    EXPECT_EQ(qualities.indexOf(Quality::quality), 1);
    const DSSegments<int> twice{{QStringLiteral("A"), 1}, {QStringLiteral("B"), 1}};
    EXPECT_EQ(twice.indexOf(1), 0);
    EXPECT_EQ(twice.indexOf(2), -1);
    EXPECT_EQ(qualities.tagAt(2), Quality::fileSize);
    EXPECT_EQ(qualities.tagAt(3), std::nullopt);
    EXPECT_EQ(qualities.tagAt(-1), std::nullopt);
}

// The compression control, shown in a window of its own.
struct CompressionWindow {
    QWidget window;
    DSSegmentedControl* control = new DSSegmentedControl(QStringLiteral("Compression"), &window);

    explicit CompressionWindow(int selected) {
        window.setGeometry(100, 100, 330, 60);
        control->setGeometry(10, 10, 300, control->sizeHint().height());
        control->setSegments(qualities.titles());
        control->setSelectedIndex(selected);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

TEST(SegmentedControl, ShowsTitlesInEqualSegmentsAndReportsPicks) {
    ThemeScope theme;
    CompressionWindow scene(qualities.indexOf(Quality::lossless));
    QWidget& window = scene.window;
    DSSegmentedControl* control = scene.control;

    EXPECT_EQ(control->accessibleName(), QStringLiteral("Compression"));
    // A screen reader meets a segment as a radio button, told what its control is for.
    control->setToolTip(QStringLiteral("Keep every pixel, hold a quality, or hold a file size"));
    QAccessibleInterface* segment = QAccessible::queryAccessibleInterface(control->segment(0));
    EXPECT_EQ(segment->role(), QAccessible::RadioButton);
    EXPECT_EQ(segment->text(QAccessible::Description), "Compression: Keep every pixel, hold a quality, or hold a file size");
    EXPECT_TRUE(segment->state().checked);
    EXPECT_EQ(control->segment(0)->font().pixelSize(), 13);
    EXPECT_EQ(control->segment(0)->width(), control->segment(2)->width());
    EXPECT_TRUE(control->segment(0)->isChecked());
    // The selected segment is filled for the appearance.
    const auto selectedFill = [control] { return pixelAt(*control->segment(0), QPoint(4, control->segment(0)->height() / 2)); };
    EXPECT_NEAR(selectedFill().alphaF(), 0.2, 0.01);
    theme.preferences->set(true);
    EXPECT_NEAR(selectedFill().alphaF(), 0.36, 0.01);

    QSignalSpy chosen(control, &DSSegmentedControl::segmentChosen);
    click(control->segment(2));
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.first().first().toInt(), 2);
    EXPECT_EQ(control->selectedIndex(), 2);
    EXPECT_FALSE(control->segment(0)->isChecked());

    control->setSelectedIndex(-1);
    for (int index = 0; index < 3; ++index) EXPECT_FALSE(control->segment(index)->isChecked());

    // As on Qt's own controls, a focus the keyboard gave draws the ring, and a click, even after a Tab, none.
    TriggerWindow::activate(window);
    const auto ringShows = [](DSSegmentButton* segment) {
        const QImage focused = segment->grab().toImage();
        segment->clearFocus();
        return focused != segment->grab().toImage();
    };
    click(control->segment(0));
    typeKey(&window, Qt::Key_Tab);
    ASSERT_TRUE(control->segment(1)->hasFocus());
    EXPECT_TRUE(ringShows(control->segment(1)));
    click(control->segment(0));
    ASSERT_TRUE(control->segment(0)->hasFocus());
    EXPECT_FALSE(ringShows(control->segment(0)));
}

// The ring of a segment the keyboard is on stands out at 3:1 or more from the segment and the
// track, in light and dark, selected or not.
TEST(SegmentedControl, TheKeyboardRingStandsOutInEveryAppearance) {
    ThemeScope theme;
    CompressionWindow scene(-1);
    QWidget& window = scene.window;
    DSSegmentedControl* control = scene.control;
    TriggerWindow::activate(window);
    typeKey(&window, Qt::Key_Tab);
    int focused = 0;
    while (control->segment(focused) && !control->segment(focused)->hasFocus()) ++focused;
    DSSegmentButton* segment = control->segment(focused);
    ASSERT_NE(segment, nullptr);
    for (const bool dark : {false, true}) {
        for (const int selected : {-1, focused}) {
            theme.preferences->set(dark);
            QPalette background = window.palette();
            background.setColor(QPalette::Window, palette::DSWindowBg().current());
            window.setPalette(background);
            window.setAutoFillBackground(true);
            control->setSelectedIndex(selected);
            settle();
            const QImage shown = window.grab().toImage();
            const QPoint left = segment->mapTo(&window, QPoint(0, segment->height() / 2));
            const QColor ring = shown.pixelColor(left + QPoint(1, 0));
            for (const QColor& around : {shown.pixelColor(left + QPoint(5, 0)), shown.pixelColor(left - QPoint(1, 0))}) {
                EXPECT_GE(contrastRatio(ring, around), 3.0) << (dark ? "dark " : "light ") << selected << " "
                                                            << ring.name().toStdString() << " on "
                                                            << around.name().toStdString();
            }
        }
    }
}

TEST(SegmentedControl, NewTitlesKeepUnchangedSegments) {
    DSSegmentedControl control(QStringLiteral("Metadata"));
    control.setSegments(qualities.titles());
    control.setSelectedIndex(2);
    DSSegmentButton* first = control.segment(0);
    DSSegmentButton* second = control.segment(1);
    control.setSegments({QStringLiteral("Lossless"), QStringLiteral("Target")});
    EXPECT_EQ(control.count(), 2);
    EXPECT_EQ(control.segment(0), first);
    EXPECT_EQ(control.segment(1), second);
    EXPECT_EQ(second->text(), QStringLiteral("Target"));
    EXPECT_EQ(control.selectedIndex(), -1) << "the selected segment went away";
}

} // namespace
} // namespace pictavo
