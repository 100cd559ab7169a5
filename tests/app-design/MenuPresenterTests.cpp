#include "app/design/DSMenuPresenter.h"
#include "support/AccessibleEvents.h"
#include "support/FixedPreferences.h"
#include "app-design/MenuSamples.h"
#include "app-design/Windows.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace pictavo {
namespace {

struct MenuFixture : ::testing::Test {
    ThemeScope theme;
    // Outlives the menus, which hand the screen reader back as they close.
    RecordingAnnouncer announcer;
    TriggerWindow window;
    DSMenuPresenter<int>* menu = new DSMenuPresenter<int>(window.first, 220, announcer);
    std::vector<int> chosen;
    // Whether the menu was already closed when the choice was reported.
    std::vector<bool> closedWhenChosen;

    MenuFixture() {
        menu->setContent(formats());
        menu->setSelection(1);
        menu->setOnChoose([this](const int& tag) {
            chosen.push_back(tag);
            closedWhenChosen.push_back(!menu->controller().isOpen());
        });
    }

    // `count` rows in one group, the one tagged `selected` selected, open.
    void openLongMenu(int count = 80, std::optional<int> selected = 60, const char* title = "Row",
                      std::optional<QString> subtitle = std::nullopt) {
        DSMenuContent<int> many;
        many.groups.emplace_back();
        for (int tag = 0; tag < count; ++tag) many.groups[0].rows.push_back(row(tag, title, subtitle));
        menu->setContent(many);
        menu->setSelection(selected);
        menu->setPresented(true);
    }

    DSMenuWindow* menuWindow() { return menu->controller().window(); }
    DSMenuRowView* rowView(std::size_t position) { return menuWindow()->panel()->rowView(position); }
};

TEST_F(MenuFixture, OpensBelowItsTriggerWithTheSelectionHighlightedAndAnnouncedAndEscapeDismissesIt) {
    QSignalSpy presented(menu, &DSPresenter::presentedChanged);
    menu->setPresented(true);
    ASSERT_TRUE(menu->controller().isOpen());
    DSMenuWindow* shown = menuWindow();
    EXPECT_TRUE(shown->isVisible());
    EXPECT_TRUE(shown->windowFlags().testFlag(Qt::ToolTip)) << "a menu window never takes the focus";
    EXPECT_TRUE(shown->testAttribute(Qt::WA_ShowWithoutActivating));
    const QRect trigger(window.first->mapToGlobal(QPoint(0, 0)), window.first->size());
    EXPECT_EQ(shown->geometry(), QRect(trigger.left(), trigger.bottom() + 1 + 4, 220, shown->fittingHeight()));
    EXPECT_EQ(shown->parentWidget(), &window.window);

    EXPECT_EQ(menu->controller().highlighted(), 1);
    EXPECT_TRUE(rowView(0)->row().isSelected);
    EXPECT_TRUE(rowView(0)->row().isHighlighted);
    EXPECT_TRUE(rowView(0)->isChecked());
    EXPECT_EQ(rowView(0)->accessibleName(), QStringLiteral("PNG, Lossless"));
    EXPECT_FALSE(rowView(1)->row().isSelected);
    EXPECT_EQ(announcer.spoken, QStringList{QStringLiteral("PNG, Lossless, selected, 1 of 5")});
    EXPECT_TRUE(QApplication::activeWindow() == &window.window) << "the trigger's window keeps the focus";

    typeKey(&window.window, Qt::Key_Escape);
    EXPECT_FALSE(menu->controller().isOpen());
    EXPECT_FALSE(menu->isPresented());
    EXPECT_TRUE(chosen.empty());
    EXPECT_EQ(presented.count(), 2);
    EXPECT_EQ(announcer.spoken.last(), QStringLiteral("back")) << "to the trigger, which kept the keyboard";
}

TEST_F(MenuFixture, KeyboardMovesTheHighlightAndReturnChooses) {
    menu->setPresented(true);
    typeKey(&window.window, Qt::Key_Down);
    EXPECT_EQ(menu->controller().highlighted(), 2);
    EXPECT_TRUE(rowView(1)->row().isHighlighted);
    EXPECT_FALSE(rowView(0)->row().isHighlighted);
    EXPECT_EQ(announcer.spoken.last(), QStringLiteral("JPEG, 2 of 5"));
    typeKey(&window.window, Qt::Key_End);
    EXPECT_EQ(menu->controller().highlighted(), 5);
    typeKey(&window.window, Qt::Key_Down);
    EXPECT_EQ(menu->controller().highlighted(), 1);
    typeKey(&window.window, Qt::Key_Up);
    typeKey(&window.window, Qt::Key_Home);
    EXPECT_EQ(menu->controller().highlighted(), 1);
    QTest::keyClick(window.window.windowHandle(), 'e');
    EXPECT_EQ(menu->controller().highlighted(), 4) << "accents do not count";

    typeKey(&window.window, Qt::Key_Return);
    EXPECT_EQ(chosen, std::vector<int>{4});
    EXPECT_EQ(closedWhenChosen, std::vector<bool>{true});
    EXPECT_FALSE(menu->isPresented());
    EXPECT_FALSE(menu->controller().hasKeyMonitor());
    settle();
    EXPECT_EQ(menu->controller().window(), nullptr);
}

TEST_F(MenuFixture, MenuKeysComeBeforeShortcutsButCommandShortcutsPassThrough) {
    QAction plainShortcut(&window.window);
    plainShortcut.setShortcut(QKeySequence(Qt::Key_Down));
    QAction commandShortcut(&window.window);
    commandShortcut.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    window.window.addAction(&plainShortcut);
    window.window.addAction(&commandShortcut);
    QSignalSpy plainTriggered(&plainShortcut, &QAction::triggered);
    QSignalSpy commandTriggered(&commandShortcut, &QAction::triggered);
    QSignalSpy buttonClicked(window.first, &QAbstractButton::clicked);

    menu->setPresented(true);
    typeKey(&window.window, Qt::Key_Down);
    EXPECT_EQ(plainTriggered.count(), 0);
    EXPECT_EQ(menu->controller().highlighted(), 2);
    typeKey(&window.window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(commandTriggered.count(), 1);
    EXPECT_TRUE(menu->controller().isOpen());
    // Space chooses; the focused trigger button never sees it.
    typeKey(&window.window, Qt::Key_Space);
    EXPECT_EQ(chosen, std::vector<int>{2});
    EXPECT_EQ(buttonClicked.count(), 0);

    // With the menu closed the keys reach the window again.
    typeKey(&window.window, Qt::Key_Down);
    EXPECT_EQ(plainTriggered.count(), 1);
}

TEST_F(MenuFixture, ReturnWithNothingHighlightedKeepsTheMenuOpenAndReportsASelectionNoRowCarries) {
    menu->setSelection(std::nullopt);
    menu->setPresented(true);
    EXPECT_TRUE(announcer.spoken.isEmpty());
    typeKey(&window.window, Qt::Key_Return);
    EXPECT_TRUE(menu->controller().isOpen());
    EXPECT_TRUE(chosen.empty());
    menu->setPresented(false);

    menu->setSelection(42);
    menu->setPresented(true);
    EXPECT_EQ(menu->controller().scrollRequest(), std::nullopt);
    typeKey(&window.window, Qt::Key_Return);
    EXPECT_EQ(chosen, std::vector<int>{42});
}

TEST_F(MenuFixture, AClickElsewhereClosesTheMenuAndGoesNoFurther) {
    QSignalSpy plainClicked(window.plain, &QAbstractButton::clicked);
    menu->setPresented(true);
    click(window.plain);
    EXPECT_FALSE(menu->controller().isOpen());
    EXPECT_FALSE(menu->isPresented());
    EXPECT_EQ(plainClicked.count(), 0);
    click(window.plain);
    EXPECT_EQ(plainClicked.count(), 1);
}

TEST_F(MenuFixture, HoveringHighlightsWithoutSpeakingOrScrolling) {
    menu->setPresented(true);
    const qsizetype spokenBefore = announcer.spoken.size();
    // The pointer comes into the window over the card's margin first.
    QTest::mouseMove(menuWindow()->windowHandle(), QPoint(2, 2));
    for (const std::size_t position : {1, 2}) {
        QTest::mouseMove(menuWindow()->windowHandle(), centreInWindow(rowView(position)));
        EXPECT_EQ(menu->controller().highlighted(), int(position) + 1);
    }
    EXPECT_EQ(announcer.spoken.size(), spokenBefore);
    // The next keyboard move starts from the hovered row.
    typeKey(&window.window, Qt::Key_Down);
    EXPECT_EQ(menu->controller().highlighted(), 4);
}

TEST_F(MenuFixture, ContentAndSelectionFollowTheOwnerWhileOpen) {
    menu->setPresented(true);
    menu->setSelection(2);
    EXPECT_TRUE(rowView(1)->row().isSelected);
    EXPECT_FALSE(rowView(0)->row().isSelected);
    DSMenuContent<int> fewer{{{std::nullopt, {row(2, "JPEG"), row(3, "PDF")}}}};
    menu->setContent(fewer);
    EXPECT_EQ(menuWindow()->panel()->rowCount(), 2u);
    EXPECT_EQ(menu->controller().highlighted(), 1) << "the highlight stays though no row carries it";
}

TEST_F(MenuFixture, ScreenReadersMeetRowsAsMenuItemsTheChosenOneSelectedAndCanPressThem) {
    menu->setPresented(true);
    QAccessibleInterface* png = QAccessible::queryAccessibleInterface(rowView(0));
    QAccessibleInterface* pdf = QAccessible::queryAccessibleInterface(rowView(2));
    ASSERT_NE(png, nullptr);
    ASSERT_NE(pdf, nullptr);
    EXPECT_EQ(png->role(), QAccessible::MenuItem);
    EXPECT_EQ(pdf->role(), QAccessible::MenuItem);
    EXPECT_EQ(png->text(QAccessible::Name), QStringLiteral("PNG, Lossless"));
    EXPECT_EQ(png->childCount(), 0);
    EXPECT_EQ(support::AccessibleEvents::said(menuWindow()), R"(menu "First" "" [])") << "named as its trigger";
    EXPECT_EQ(support::AccessibleEvents::said(png), R"(menu item "PNG, Lossless" "selected, 1 of 5" [focused selected])")
        << "highlighted";
    EXPECT_EQ(support::AccessibleEvents::said(pdf), R"(menu item "PDF" "3 of 5" [])");
    EXPECT_TRUE(png->state().selected);
    EXPECT_FALSE(png->state().checkable) << "not a check box";
    EXPECT_FALSE(png->state().checked);
    EXPECT_FALSE(pdf->state().selected);

    menu->setSelection(3);
    EXPECT_FALSE(png->state().selected);
    EXPECT_TRUE(pdf->state().selected);

    QAccessibleInterface* jpeg = QAccessible::queryAccessibleInterface(rowView(1));
    ASSERT_NE(jpeg->actionInterface(), nullptr);
    EXPECT_EQ(jpeg->actionInterface()->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
    jpeg->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(chosen, std::vector<int>{2});
    EXPECT_FALSE(menu->isPresented());
}

TEST_F(MenuFixture, ADisabledOrUnshownTriggerOpensNothing) {
    menu->setPresented(true);
    window.first->setEnabled(false);
    EXPECT_FALSE(menu->controller().isOpen());
    EXPECT_FALSE(menu->isPresented());
    menu->setPresented(true);
    EXPECT_FALSE(menu->isPresented());
    EXPECT_FALSE(menu->controller().isOpen());

    // A trigger in no shown window stays presented, with nothing open.
    QWidget hidden;
    auto* trigger = new QPushButton(&hidden);
    auto* other = new DSMenuPresenter<int>(trigger, 200, announcer);
    other->setContent(formats());
    other->setPresented(true);
    EXPECT_TRUE(other->isPresented());
    EXPECT_FALSE(other->controller().isOpen());
}

TEST_F(MenuFixture, FocusMovingToAnotherWindowClosesTheMenu) {
    menu->setPresented(true);
    QWidget other;
    other.setGeometry(300, 450, 200, 100);
    other.show();
    TriggerWindow::activate(other);
    settle();
    EXPECT_FALSE(menu->controller().isOpen());
    EXPECT_FALSE(menu->isPresented());
}

TEST_F(MenuFixture, KeysOfOtherWindowsPassUntouched) {
    QWidget other;
    other.setGeometry(300, 450, 200, 100);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    menu->setPresented(true);
    typeKey(&other, Qt::Key_Down);
    typeKey(&other, Qt::Key_Escape);
    EXPECT_EQ(menu->controller().highlighted(), 1);
    EXPECT_TRUE(menu->controller().isOpen());
}

TEST_F(MenuFixture, OpeningAgainWhileOpenClosesTheFirstSilently) {
    QSignalSpy presented(menu, &DSPresenter::presentedChanged);
    menu->setPresented(true);
    DSMenuWindow* first = menuWindow();
    bool dismissed = false;
    menu->controller().showPanel(formats(), 3, [](const int&) {}, [&dismissed] { dismissed = true; }, 220);
    EXPECT_NE(menuWindow(), first);
    EXPECT_FALSE(dismissed);
    EXPECT_EQ(presented.count(), 1);
    EXPECT_EQ(menu->controller().highlighted(), 3);
}

TEST_F(MenuFixture, ALongMenuOpensCappedAndScrolledToTheSelectionAndStaysWhereTheUserScrollsIt) {
    openLongMenu();
    const QRect available = window.window.screen()->availableGeometry();
    EXPECT_LE(menuWindow()->height(), int(0.7 * available.height()) + 1);
    EXPECT_GT(menuWindow()->scrollArea()->verticalScrollBar()->value(), 0);
    const auto inView = [this](std::size_t position) {
        QWidget* viewport = menuWindow()->scrollArea()->viewport();
        return viewport->rect().contains(QRect(rowView(position)->mapTo(viewport, QPoint(0, 0)), rowView(position)->size()));
    };
    EXPECT_TRUE(inView(60));
    // A keyboard move scrolls only as far as needed.
    typeKey(&window.window, Qt::Key_End);
    EXPECT_TRUE(inView(79));

    // Scrolled by the user, it stays put under the pointer: coming from the trigger's window, the
    // press enters the row, which highlights it before the release chooses it.
    QScrollBar* bar = menuWindow()->scrollArea()->verticalScrollBar();
    bar->setValue(0);
    QTest::mouseMove(window.window.windowHandle(), centreInWindow(window.first));
    press(rowView(2));
    EXPECT_EQ(menu->controller().highlighted(), 2);
    EXPECT_EQ(bar->value(), 0);
    release(rowView(2));
    EXPECT_EQ(chosen, std::vector<int>{2});
    EXPECT_EQ(closedWhenChosen, std::vector<bool>{true});
    EXPECT_FALSE(menu->isPresented());
}

TEST_F(MenuFixture, ACappedMenuMakesRoomForItsScrollBarBesideTheRowsTexts) {
    openLongMenu(40, 1, "Same as source", QStringLiteral("Optimise without converting"));
    QCoreApplication::processEvents();
    QScrollArea* scroll = menuWindow()->scrollArea();
    QScrollBar* bar = scroll->verticalScrollBar();
    ASSERT_TRUE(bar->isVisible()) << "the menu is capped";
    EXPECT_EQ(scroll->viewport()->width(), 220) << "the rows keep the menu's width";
    EXPECT_EQ(menuWindow()->width(), 220 + bar->width());
    // The bar lies inside the card, and it and the rows scroll under the card's round corners,
    // not past them.
    EXPECT_TRUE(menuWindow()->contentsRect().contains(QRect(bar->mapTo(menuWindow(), QPoint(0, 0)), bar->size())));
    EXPECT_FALSE(scroll->mask().contains(QPoint(0, 0)));
    EXPECT_FALSE(scroll->mask().contains(QPoint(scroll->width() - 1, scroll->height() - 1)));
    for (std::size_t position = 0; position < 40; ++position) {
        EXPECT_GE(rowView(position)->width(), rowView(position)->sizeHint().width()) << "row " << position;
    }
    const QRect available = window.window.screen()->availableGeometry();
    EXPECT_LE(menuWindow()->geometry().right(), available.right());

    // A menu that fits has no scroll bar and no room for one.
    menu->setPresented(false);
    menu->setContent(formats());
    menu->setPresented(true);
    QCoreApplication::processEvents();
    EXPECT_FALSE(menuWindow()->scrollArea()->verticalScrollBar()->isVisible());
    EXPECT_EQ(menuWindow()->width(), 220);
}

TEST(MenuPanel, DrawsGroupsWithSeparatorsHeadingsAndRowStates) {
    DSMenuPanel panel;
    panel.setGroups({{std::nullopt, {{QStringLiteral("Delete"), std::nullopt, QStringLiteral("⌫"), true,
                                      QStringLiteral("Delete, ⌫"), QStringLiteral("1 of 1"), false, true}}},
                     {QStringLiteral("more formats"), {}}});
    panel.resize(240, panel.sizeHint().height());
    // One row, a separator and a heading, in that order.
    const QList<QWidget*> items = panel.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(items.size(), 3);
    const auto* heading = qobject_cast<QLabel*>(items[2]);
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(heading->text(), QStringLiteral("MORE FORMATS"));
    EXPECT_EQ(panel.rowCount(), 1u);

    // Restyling keeps the row widget; a new text rebuilds it.
    DSMenuRowView* before = panel.rowView(0);
    auto groups = panel.groups();
    groups[0].rows[0].isSelected = true;
    panel.setGroups(groups);
    EXPECT_EQ(panel.rowView(0), before);
    EXPECT_TRUE(before->isChecked());
}

} // namespace
} // namespace pictavo
