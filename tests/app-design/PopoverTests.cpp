#include "app/design/DSPanelPresenter.h"
#include "support/FixedPreferences.h"
#include "app-design/Windows.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace pictavo {
namespace {

// Pop-over content: a text field above a block whose height the test changes.
struct Content : QWidget {
    QLineEdit* field = new QLineEdit(this);
    QWidget* block = new QWidget(this);

    Content() {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(16, 16, 16, 16);
        layout->addWidget(field);
        layout->addWidget(block);
        block->setFixedHeight(100);
    }
};

struct PopoverFixture : ::testing::Test {
    ThemeScope theme;
    TriggerWindow window;
    int made = 0;
    QPointer<Content> content;
    DSPanelPresenter* popover = new DSPanelPresenter(window.first, 308, [this] {
        ++made;
        content = new Content;
        return content.data();
    });

    DSPopoverWindow* shown() { return popover->controller().window(); }
};

TEST_F(PopoverFixture, OpensBelowItsTriggerTakesTheFocusAndIsHandedOverToASecondTrigger) {
    popover->setPresented(true);
    ASSERT_NE(shown(), nullptr);
    EXPECT_EQ(made, 1);
    EXPECT_FALSE(shown()->windowFlags().testFlag(Qt::ToolTip));
    const QRect trigger(window.first->mapToGlobal(QPoint(0, 0)), window.first->size());
    EXPECT_EQ(shown()->geometry().top(), trigger.bottom() + 1 + 4);
    EXPECT_EQ(shown()->width(), 308);
    EXPECT_EQ(shown()->height(), shown()->fittingHeight());
    EXPECT_EQ(shown()->height(), DSPopoverWindow::arrowHeight + content->sizeHint().height());
    // The arrow's apex is over the middle of the trigger.
    EXPECT_DOUBLE_EQ(shown()->arrowLeft() + DSPopoverWindow::arrowWidth / 2.0, window.first->width() / 2.0);

    ASSERT_TRUE(QTest::qWaitForWindowActive(shown()));
    settle();
    EXPECT_TRUE(popover->isPresented()) << "the focus moving into the panel keeps it open";
    content->field->setFocus();
    QTest::keyClicks(content->field, QStringLiteral("120"));
    EXPECT_EQ(content->field->text(), QStringLiteral("120"));

    // A press on a second trigger hands the panel over to it.
    bool otherMade = false;
    auto* other = new DSPanelPresenter(window.second, 200, [&otherMade] {
        otherMade = true;
        return new QWidget;
    });
    click(window.second);
    settle();
    EXPECT_FALSE(popover->isPresented());
    EXPECT_TRUE(other->isPresented());
    EXPECT_TRUE(otherMade);
}

TEST_F(PopoverFixture, ClicksAndListsInsideAreThePanelsAndEscapeOrAClickOutsideDismiss) {
    QSignalSpy presented(popover, &DSPresenter::presentedChanged);
    popover->setPresented(true);
    ASSERT_TRUE(QTest::qWaitForWindowActive(shown()));
    click(content->field);
    EXPECT_TRUE(content->field->hasFocus());
    EXPECT_TRUE(popover->isPresented());
    // A list opened from inside the panel counts as the panel.
    auto* choice = new QComboBox(content);
    choice->addItems({QStringLiteral("White"), QStringLiteral("Black")});
    content->layout()->addWidget(choice);
    settle();
    choice->showPopup();
    QWidget* list = choice->view()->window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list));
    const QRect second = choice->view()->visualRect(choice->model()->index(1, 0));
    QTest::mouseClick(list->windowHandle(), Qt::LeftButton, {}, choice->view()->viewport()->mapTo(list, second.center()));
    settle();
    EXPECT_EQ(choice->currentIndex(), 1);
    EXPECT_TRUE(popover->isPresented());
    typeKey(shown(), Qt::Key_Escape);
    EXPECT_EQ(shown(), nullptr);
    EXPECT_FALSE(popover->isPresented());
    EXPECT_EQ(presented.count(), 2);

    popover->setPresented(true);
    ASSERT_TRUE(QTest::qWaitForWindowActive(shown()));
    click(window.plain);
    EXPECT_FALSE(popover->isPresented());
    EXPECT_EQ(shown(), nullptr);
}

TEST_F(PopoverFixture, FollowsItsContentsHeightUpToACapAndKeepsTheArrowOverANarrowTrigger) {
    window.first->resize(16, 30);
    popover->setPresented(true);
    EXPECT_DOUBLE_EQ(shown()->arrowLeft(), 10) << "ten points in, however narrow the trigger";
    const int before = shown()->height();
    content->block->setFixedHeight(160);
    settle();
    EXPECT_EQ(shown()->height(), before + 60);
    EXPECT_TRUE(popover->isPresented());

    // Content taller than the screen allows is capped and scrolls.
    content->block->setFixedHeight(3000);
    settle();
    EXPECT_LE(shown()->height(), int(0.7 * window.window.screen()->availableGeometry().height()) + 1);
    EXPECT_GT(shown()->fittingHeight(), shown()->height());
}

TEST_F(PopoverFixture, ClearingTheFlagOrLosingTheTriggerClosesWithoutASecondDismissal) {
    QSignalSpy presented(popover, &DSPresenter::presentedChanged);
    popover->setPresented(true);
    popover->setPresented(false);
    EXPECT_EQ(shown(), nullptr);
    EXPECT_EQ(presented.count(), 2);
    // Each opening makes the content afresh.
    popover->setPresented(true);
    EXPECT_EQ(made, 2);

    // Hiding or disabling the trigger closes it.
    window.first->setEnabled(false);
    EXPECT_FALSE(popover->isPresented());
    EXPECT_EQ(shown(), nullptr);
    window.first->setEnabled(true);
    popover->setPresented(true);
    window.first->hide();
    EXPECT_FALSE(popover->isPresented());
    EXPECT_EQ(shown(), nullptr);
}

} // namespace
} // namespace pictavo
