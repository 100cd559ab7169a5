#include "app/design/DSMenuPresenter.h"
#include "app/design/DSPanelPresenter.h"
#include "support/FixedPreferences.h"
#include "app-design/MenuSamples.h"
#include "app-design/Windows.h"

#include <QLabel>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace pictavo {
namespace {

// A place that pastes on a middle press, as a text field on this desktop does.
struct PasteTarget : QWidget {
    using QWidget::QWidget;
    std::vector<Qt::MouseButton> pressed;

protected:
    void mousePressEvent(QMouseEvent* event) override { pressed.push_back(event->button()); }
};

struct PanelFollowingFixture : ::testing::Test {
    ThemeScope theme;
    TriggerWindow window;
    PasteTarget* target = new PasteTarget(&window.window);
    DSMenuPresenter<int>* menu = new DSMenuPresenter<int>(window.first, 220);
    DSPanelPresenter* popover =
        new DSPanelPresenter(window.second, 308, [] { return new QLabel(QStringLiteral("Reset")); });

    PanelFollowingFixture() {
        target->setGeometry(300, 200, 150, 60);
        target->show();
        menu->setContent(formats());
    }
};

TEST_F(PanelFollowingFixture, AMiddlePressReachesTheWidgetUnderItAndLeavesThePanelOpen) {
    for (DSPresenter* presenter : {static_cast<DSPresenter*>(menu), static_cast<DSPresenter*>(popover)}) {
        presenter->setPresented(true);
        target->pressed.clear();
        press(target, Qt::MiddleButton);
        release(target, Qt::MiddleButton);
        EXPECT_EQ(target->pressed, std::vector<Qt::MouseButton>{Qt::MiddleButton});
        EXPECT_TRUE(presenter->isPresented());
        // The left button still closes it and goes no further.
        press(target);
        release(target);
        settle();
        EXPECT_FALSE(presenter->isPresented());
        EXPECT_EQ(target->pressed, std::vector<Qt::MouseButton>{Qt::MiddleButton});
    }
}

TEST_F(PanelFollowingFixture, AnOpenPanelMovesWithItsTriggersWindow) {
    menu->setPresented(true);
    QWidget* shownMenu = menu->controller().window();
    ASSERT_NE(shownMenu, nullptr);
    const QPoint menuFromTrigger = shownMenu->pos() - window.first->mapToGlobal(QPoint(0, 0));
    window.window.move(window.window.pos() + QPoint(37, 23));
    settle();
    EXPECT_EQ(shownMenu->pos() - window.first->mapToGlobal(QPoint(0, 0)), menuFromTrigger);
    menu->setPresented(false);

    popover->setPresented(true);
    QWidget* shownPopover = popover->controller().window();
    ASSERT_NE(shownPopover, nullptr);
    const QPoint popoverFromTrigger = shownPopover->pos() - window.second->mapToGlobal(QPoint(0, 0));
    // Resized from its top left corner, the window moves the trigger along.
    window.window.setGeometry(window.window.geometry().adjusted(-50, -10, 0, 0));
    settle();
    EXPECT_EQ(shownPopover->pos() - window.second->mapToGlobal(QPoint(0, 0)), popoverFromTrigger);
    EXPECT_TRUE(popover->isPresented());
}

} // namespace
} // namespace pictavo
