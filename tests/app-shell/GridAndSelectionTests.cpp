#include "app/shell/CardSelection.h"
#include "app/shell/GridGeometry.h"

#include <gtest/gtest.h>

namespace {

using namespace pictavo;
using namespace pictavo::CardSelection;

TEST(GridGeometry, ColumnsOfAtLeast240PointsFillTheWidth) {
    struct Case {
        double width;
        int columns;
        double cardWidth;
    };
    for (const Case& c : {Case{200, 1, 200}, Case{495, 1, 495}, Case{496, 2, 240}, Case{1072, 4, 256},
                          Case{0, 1, 0}}) {
        EXPECT_EQ(GridGeometry::columnsFor(c.width), c.columns) << c.width;
        EXPECT_DOUBLE_EQ(GridGeometry::cardWidth(c.width, c.columns), c.cardWidth) << c.width;
    }
    EXPECT_EQ(GridGeometry::columnsFor(1000), 3);
    EXPECT_NEAR(GridGeometry::cardWidth(1000, 3), 322.67, 0.01);
}

QList<QUuid> cards(int count) {
    QList<QUuid> order;
    for (int i = 0; i < count; ++i) order.append(QUuid::createUuid());
    return order;
}

TEST(CardSelection, ClicksSelectToggleAndExtendFromTheAnchor) {
    const QList<QUuid> order = cards(5); // A B C D E
    Selection selection;
    click(selection, order[0], ClickMode::plain, order);
    EXPECT_EQ(selection.ids, QSet<QUuid>{order[0]});
    click(selection, order[2], ClickMode::toggle, order);
    EXPECT_EQ(selection.anchor, order[2]);
    click(selection, order[4], ClickMode::extend, order);
    // A stays, B does not join, the anchor stays on C.
    EXPECT_EQ(selection.ids, (QSet<QUuid>{order[0], order[2], order[3], order[4]}));
    EXPECT_EQ(selection.anchor, order[2]);
    EXPECT_EQ(selection.focus, order[4]);

    // Escape keeps the anchor, so the next Shift-click extends from it.
    clearIds(selection);
    EXPECT_TRUE(selection.ids.isEmpty());
    click(selection, order[1], ClickMode::extend, order);
    EXPECT_EQ(selection.ids, (QSet<QUuid>{order[1], order[2]}));

    // Without an anchor, or with its card gone, Shift-click acts as a plain click.
    Selection fresh;
    click(fresh, order[3], ClickMode::extend, order);
    EXPECT_EQ(fresh.ids, QSet<QUuid>{order[3]});
    EXPECT_EQ(fresh.anchor, order[3]);
    fresh.anchor = QUuid::createUuid();
    click(fresh, order[1], ClickMode::extend, order);
    EXPECT_EQ(fresh.ids, QSet<QUuid>{order[1]});

    // Ctrl toggles even with Shift; toggling the only card empties the selection but keeps the anchor.
    EXPECT_EQ(clickMode(Qt::ControlModifier | Qt::ShiftModifier), ClickMode::toggle);
    EXPECT_EQ(clickMode(Qt::ShiftModifier), ClickMode::extend);
    EXPECT_EQ(clickMode(Qt::NoModifier), ClickMode::plain);
    click(fresh, order[1], ClickMode::toggle, order);
    EXPECT_TRUE(fresh.ids.isEmpty());
    EXPECT_EQ(fresh.anchor, order[1]);
}

TEST(CardSelection, ArrowsMoveByCardsAndRowsWithoutWrapping) {
    // Ten cards in four columns.
    EXPECT_EQ(arrowTarget(10, 5, 4, Arrow::down), 9);
    EXPECT_EQ(arrowTarget(10, 6, 4, Arrow::down), 9); // the last card: row 1 is not the last row
    EXPECT_EQ(arrowTarget(10, 9, 4, Arrow::down), std::nullopt);
    EXPECT_EQ(arrowTarget(10, 2, 4, Arrow::up), std::nullopt);
    EXPECT_EQ(arrowTarget(10, 6, 4, Arrow::up), 2);
    EXPECT_EQ(arrowTarget(10, 0, 4, Arrow::left), std::nullopt);
    EXPECT_EQ(arrowTarget(10, 9, 4, Arrow::right), std::nullopt);
    EXPECT_EQ(arrowTarget(10, 3, 4, Arrow::right), 4);
    // Eight cards in four columns: Down from the last row goes nowhere.
    EXPECT_EQ(arrowTarget(8, 4, 4, Arrow::down), std::nullopt);
    // Without a column count only left and right move.
    EXPECT_EQ(arrowTarget(8, 4, std::nullopt, Arrow::down), std::nullopt);
    EXPECT_EQ(arrowTarget(8, 4, std::nullopt, Arrow::left), 3);
    EXPECT_EQ(arrowTarget(8, -1, 4, Arrow::left), std::nullopt);
}

TEST(CardSelection, ShiftArrowsAddAndNeverMoveTheAnchor) {
    const QList<QUuid> order = cards(4);
    Selection selection;
    click(selection, order[0], ClickMode::plain, order);
    for (int i = 1; i <= 3; ++i) moveTo(selection, order[i], true);
    moveTo(selection, order[2], true);
    EXPECT_EQ(selection.ids.size(), 4);
    EXPECT_EQ(selection.anchor, order[0]);
    EXPECT_EQ(selection.focus, order[2]);
    moveTo(selection, order[1], false);
    EXPECT_EQ(selection.ids, QSet<QUuid>{order[1]});
    EXPECT_EQ(selection.anchor, order[0]);

    toggle(selection, order[1]);
    EXPECT_TRUE(selection.ids.isEmpty());
    selectAll(selection, order);
    EXPECT_EQ(selection.ids.size(), 4);
    EXPECT_EQ(selection.focus, order[1]);
}

} // namespace
