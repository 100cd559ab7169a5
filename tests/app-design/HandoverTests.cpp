#include "app/design/DSMenuPresenter.h"
#include "app/design/DSPanelHandover.h"
#include "support/FixedPreferences.h"
#include "app-design/MenuSamples.h"
#include "app-design/Windows.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace pictavo {
namespace {

struct HandoverFixture : ::testing::Test {
    ThemeScope theme;
    // Outlives the menus, which hand the screen reader back as they close.
    RecordingAnnouncer announcer;
    TriggerWindow window;
    DSMenuPresenter<int>* first = new DSMenuPresenter<int>(window.first, 200, announcer);
    DSMenuPresenter<int>* second = new DSMenuPresenter<int>(window.second, 200, announcer);

    HandoverFixture() {
        first->setContent(formats());
        second->setContent(formats());
    }
    ~HandoverFixture() override { DSPanelHandover::shared().removeReleaseMonitor(); }
};

TEST_F(HandoverFixture, APressOnAnotherTriggerReleasedThereOpensItsMenu) {
    first->setPresented(true);
    press(window.second);
    EXPECT_FALSE(first->controller().isOpen());
    EXPECT_FALSE(first->isPresented());
    EXPECT_FALSE(second->isPresented()) << "opening waits for the release";
    EXPECT_TRUE(DSPanelHandover::shared().isReleaseArmed());
    release(window.second);
    EXPECT_FALSE(DSPanelHandover::shared().isReleaseArmed());
    settle();
    EXPECT_TRUE(second->isPresented());
    EXPECT_TRUE(second->controller().isOpen());

    // The right button hands over too.
    click(window.first, Qt::RightButton);
    settle();
    EXPECT_TRUE(first->controller().isOpen());
}

TEST_F(HandoverFixture, APressDraggedOffTheTriggerOnADisabledOneOrOnTheMenusOwnOnlyCloses) {
    first->setPresented(true);
    press(window.second);
    release(window.plain);
    settle();
    EXPECT_FALSE(first->controller().isOpen());
    EXPECT_FALSE(second->isPresented());
    EXPECT_FALSE(DSPanelHandover::shared().isReleaseArmed());

    window.second->setEnabled(false);
    first->setPresented(true);
    click(window.second);
    settle();
    EXPECT_FALSE(second->isPresented());

    QSignalSpy clicked(window.first, &QAbstractButton::clicked);
    first->setPresented(true);
    click(window.first);
    settle();
    EXPECT_FALSE(first->controller().isOpen());
    EXPECT_FALSE(first->isPresented());
    EXPECT_EQ(clicked.count(), 0) << "the press that closed the menu is not delivered";
}

TEST_F(HandoverFixture, DoubleClickingATriggerOpensAndClosesItsMenu) {
    QObject::connect(window.first, &QAbstractButton::clicked, first, [this] { first->setPresented(!first->isPresented()); });
    QTest::mouseDClick(window.window.windowHandle(), Qt::LeftButton, {}, centreInWindow(window.first));
    settle();
    EXPECT_FALSE(first->isPresented()) << "the second press closes the menu, and its double click goes with it";
    EXPECT_FALSE(window.first->isDown());
}

TEST_F(HandoverFixture, HitTestFollowsRegistrationOrderAndSkipsHiddenAndGoneAnchors) {
    DSPanelHandover& handover = DSPanelHandover::shared();
    const QPointF inFirst = window.first->mapToGlobal(window.first->rect().center());
    // A trigger on top of the first, registered later.
    auto* overlapping = new QPushButton(&window.window);
    overlapping->setGeometry(window.first->geometry());
    overlapping->show();
    int activated = 0;
    DSPanelAnchor anchor(overlapping, [&activated] { ++activated; });
    std::optional<DSPanelHandover::Hit> hit = handover.hitTest(nullptr, inFirst);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->id, window.first);
    hit = handover.hitTest(window.first, inFirst);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->id, overlapping);
    hit->activate();
    EXPECT_EQ(activated, 1);
    // Updating the anchor replaces its activation.
    anchor.setActivation([&activated] { activated += 10; });
    hit = handover.hitTest(window.first, inFirst);
    ASSERT_TRUE(hit);
    hit->activate();
    EXPECT_EQ(activated, 11);

    overlapping->hide();
    EXPECT_FALSE(handover.hitTest(window.first, inFirst)) << "a hidden anchor is never hit";

    const QPointF inSecond = window.second->mapToGlobal(window.second->rect().center());
    delete window.second;
    window.second = nullptr;
    EXPECT_FALSE(handover.hitTest(nullptr, inSecond)) << "a gone anchor is forgotten";
}

} // namespace
} // namespace pictavo
