#include "app/design/DSCapsuleButton.h"
#include "app/design/DSFocusRing.h"
#include "app/design/DSPalette.h"
#include "support/FixedPreferences.h"
#include "app-design/Windows.h"

#include <QAccessible>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace pictavo {
namespace {

// Two filled accent buttons, the second inside a scrolling view that shows only its top.
struct RingWindow {
    QWidget window;
    DSCapsuleButton* button;
    QScrollArea* scroll;
    DSCapsuleButton* scrolled;

    RingWindow()
        : button(new DSCapsuleButton(QStringLiteral("Export"),
                                     DSCapsuleButtonStyle{DSCapsuleButtonStyle::Role::primary, false, true}, &window)),
          scroll(new QScrollArea(&window)) {
        window.setGeometry(100, 100, 400, 300);
        button->setGeometry(40, 40, 120, 32);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->setGeometry(40, 150, 200, 40);
        auto* content = new QWidget;
        content->resize(200, 200);
        scrolled = new DSCapsuleButton(QStringLiteral("Inside"),
                                       DSCapsuleButtonStyle{DSCapsuleButtonStyle::Role::primary, false, true}, content);
        scrolled->setGeometry(20, 20, 120, 32);
        scroll->setWidget(content);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        TriggerWindow::activate(window);
    }

    QColor at(QPoint point) { return window.grab().toImage().pixelColor(point); }
};

// The ring stands outside the capsule with a gap, so it shows on a button filled with the
// accent, and goes when the focus does; under increased contrast it is black.
TEST(FocusRing, ShowsOutsideAFilledCapsuleWhileItHasTheKeyboardFocus) {
    ThemeScope theme;
    RingWindow scene;
    const QColor accent = palette::DSAccent().resolve(DSAppearance::light);
    const int middle = 40 + 16;
    // Just outside the capsule's left edge: the gap, then the band.
    const QPoint gap(39, middle), band(37, middle), beyond(35, middle);
    // The window gave its first control the focus as it opened.
    scene.button->clearFocus();
    settle();
    const QColor background = scene.at(band);
    ASSERT_NE(background, accent);

    scene.button->setFocus(Qt::TabFocusReason);
    settle();
    QWidget* ring = DSFocusRing::shownAround(scene.button);
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(scene.at(band), accent);
    EXPECT_NE(scene.at(gap), accent);
    EXPECT_EQ(scene.at(beyond), background);
    // The capsule itself is drawn as ever.
    EXPECT_EQ(scene.at(QPoint(45, middle)), accent);

    // Screen readers do not meet the ring as a part of the window.
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&scene.window);
    ASSERT_NE(window, nullptr);
    for (int i = 0; i < window->childCount(); ++i) EXPECT_NE(window->child(i)->object(), ring);
    EXPECT_EQ(window->childCount(), 2);

    theme.preferences->set(false, true);
    settle();
    EXPECT_EQ(scene.at(band), palette::DSKeyboardRing().resolve(DSAppearance::increasedContrastLight));
    theme.preferences->set(false);

    scene.button->clearFocus();
    settle();
    EXPECT_EQ(DSFocusRing::shownAround(scene.button), nullptr);
    EXPECT_EQ(scene.at(band), background);
}

// Inside a scrolling view the ring is cut where the view ends, and it moves as the view scrolls.
TEST(FocusRing, FollowsAControlThatScrollsAndIsCutByTheView) {
    ThemeScope theme;
    RingWindow scene;
    const QColor accent = palette::DSAccent().resolve(DSAppearance::light);
    scene.scrolled->setFocus(Qt::TabFocusReason);
    settle();
    QWidget* ring = DSFocusRing::shownAround(scene.scrolled);
    ASSERT_NE(ring, nullptr);
    const QRect view(scene.scroll->viewport()->mapTo(&scene.window, QPoint(0, 0)), scene.scroll->viewport()->size());
    EXPECT_TRUE(view.contains(ring->geometry())) << "the ring stays inside the view";
    // Left of the button, inside the view.
    const int left = 40 + 20;
    EXPECT_EQ(scene.at(QPoint(left - 3, 150 + 20 + 16)), accent);

    scene.scroll->verticalScrollBar()->setValue(10);
    settle();
    EXPECT_EQ(scene.at(QPoint(left - 3, 150 + 20 + 16 - 10)), accent);
    EXPECT_TRUE(view.contains(ring->geometry()));
}

} // namespace
} // namespace pictavo
