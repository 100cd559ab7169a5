#include "ShellTesting.h"

#include "app/shell/BatchGrid.h"
#include "app/shell/ImageCard.h"

#include <QAccessible>

#include <gtest/gtest.h>

namespace {

using namespace pictavo;
using namespace shell_testing;

class CardAccessibilityTest : public testing::Test, protected WindowScene {
protected:
    QAccessibleInterface* cardInterface(const QUuid& id) {
        return QAccessible::queryAccessibleInterface(window->grid()->card(id));
    }
};

// Every interface under the window, walked from its root as a screen reader walks it.
void collect(QAccessibleInterface* node, QList<QAccessibleInterface*>& found, int depth = 0) {
    if (!node || depth > 40) return;
    found.append(node);
    for (int index = 0; index < node->childCount(); ++index) collect(node->child(index), found, depth + 1);
}

TEST_F(CardAccessibilityTest, CardsAreButtonsInTheWindowsTreeSelectedWithTheGridAndPressingOneClicksIt) {
    addPhotos(3);
    ASSERT_TRUE(eventually([&] { return window->grid()->focusedCard().has_value(); }));
    const QList<QUuid> order = window->grid()->order();
    const BatchItem& first = window->store().items()[0];

    QList<QAccessibleInterface*> tree;
    collect(QAccessible::queryAccessibleInterface(window.get()), tree);
    QList<QAccessibleInterface*> cards;
    for (QAccessibleInterface* node : tree) {
        if (qobject_cast<ImageCard*>(node->object())) cards.append(node);
    }
    ASSERT_EQ(cards.size(), 3) << "every card is reachable from the window";
    QAccessibleInterface* card = cardInterface(order[0]);
    EXPECT_TRUE(cards.contains(card));
    EXPECT_EQ(card->role(), QAccessible::Button);
    EXPECT_EQ(card->text(QAccessible::Name), first.displayName);
    EXPECT_EQ(card->text(QAccessible::Description), first.accessibilityDescription());
    EXPECT_TRUE(card->state().selectable);
    EXPECT_FALSE(card->state().selected);

    // The grid's selection, however made, is the card's selected state, which its value
    // begins with, as a screen reader reads no selected state of a button.
    EXPECT_TRUE(window->grid()->handleKey(Qt::Key_Space, Qt::NoModifier));
    EXPECT_TRUE(card->state().selected);
    EXPECT_EQ(card->text(QAccessible::Description), QStringLiteral("selected, ") + first.accessibilityDescription());
    EXPECT_TRUE(window->grid()->handleKey(Qt::Key_Escape, Qt::NoModifier));
    EXPECT_FALSE(card->state().selected);

    // Pressing comes first and is a plain click: it selects, and never removes.
    QAccessibleInterface* third = cardInterface(order[2]);
    ASSERT_NE(third->actionInterface(), nullptr);
    const QStringList actions = third->actionInterface()->actionNames();
    ASSERT_FALSE(actions.isEmpty());
    EXPECT_EQ(actions.front(), QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(actions.contains(QStringLiteral("Remove")));
    EXPECT_FALSE(actions.contains(QStringLiteral("Copy Details"))) << "only a failed card has a report";
    third->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(window->selection().value().ids, QSet<QUuid>{order[2]});
    EXPECT_EQ(window->grid()->focusedCard(), order[2]);
    EXPECT_TRUE(third->state().selected);
    EXPECT_EQ(window->store().items().size(), 3u);
}

TEST_F(CardAccessibilityTest, RemoveTakesOutThatCardAloneAndCopyDetailsCopiesAFailedCardsReport) {
    addPhotos(3);
    const QList<QUuid> order = window->grid()->order();
    window->selectAllAction()->trigger();
    cardInterface(order[1])->actionInterface()->doAction(QStringLiteral("Remove"));
    EXPECT_EQ(window->grid()->order(), (QList<QUuid>{order[0], order[2]})) << "whatever else is selected";
    EXPECT_EQ(window->selection().value().ids, (QSet<QUuid>{order[0], order[2]}));

    // A PNG cut short: its header admits it, its pixels fail the estimate.
    const fs::path cut = writePhoto(photos() / "cut.png", 200, 150);
    fs::resize_file(cut, fs::file_size(cut) / 2);
    window->importFiles(urlsOf({cut}));
    ASSERT_TRUE(eventually([&] {
        return window->store().items().size() == 3 && window->store().items()[2].isFailed();
    }));
    const BatchItem failed = window->store().items()[2];
    ASSERT_TRUE(failed.detailsOfTheFailure.has_value());
    QAccessibleInterface* card = cardInterface(failed.id);
    EXPECT_EQ(card->text(QAccessible::Description), std::get<BatchItem::Failed>(failed.state).reason);
    EXPECT_TRUE(card->actionInterface()->actionNames().contains(QStringLiteral("Copy Details")));
    card->actionInterface()->doAction(QStringLiteral("Copy Details"));
    EXPECT_EQ(services.copied, QStringList{*failed.detailsOfTheFailure});
    // A card with nothing to copy ignores the action.
    cardInterface(order[0])->actionInterface()->doAction(QStringLiteral("Copy Details"));
    EXPECT_EQ(services.copied.size(), 1);
}

} // namespace
