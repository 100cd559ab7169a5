#include "app/design/DSPanelPlacement.h"

#include <gtest/gtest.h>

namespace pictavo {
namespace {

using Side = DSPanelPlacement::Side;

const QRectF screen(0, 0, 1200, 1000);

// An anchor 20 tall with `below` points of room under it in `screen`, after the 4-point gap.
QRectF anchorFor(double below) { return QRectF(100, 1000 - 4 - below - 20, 80, 20); }

TEST(PanelPlacement, OpensBelowWhenItFitsElseOnTheRoomierSideAndKeepsThatSide) {
    // 300 below, 672 above, 400 of content: above.
    const QRectF anchor = anchorFor(300);
    const DSPanelPlacement first = DSPanelPlacement::place(anchor, screen, 200, 400, std::nullopt);
    EXPECT_EQ(first, (DSPanelPlacement{QRectF(100, anchor.top() - 4 - 400, 200, 400), Side::above}));
    // Smaller content would now fit below, but the panel stays above.
    EXPECT_EQ(DSPanelPlacement::place(anchor, screen, 200, 100, first.side).side, Side::above);
    EXPECT_EQ(DSPanelPlacement::place(anchor, screen, 200, 100, std::nullopt).side, Side::below);

    // 300 below, 250 above: below, cut to the room there.
    const QRectF low(100, 254, 80, 20);
    EXPECT_EQ(DSPanelPlacement::place(low, QRectF(0, 0, 1200, 578), 200, 400, std::nullopt),
              (DSPanelPlacement{QRectF(100, low.bottom() + 4, 200, 300), Side::below}));
}

TEST(PanelPlacement, CapsTheHeightAtSevenTenthsOfTheVisibleFrame) {
    const DSPanelPlacement placement = DSPanelPlacement::place(QRectF(100, 10, 80, 20), screen, 200, 5000, std::nullopt);
    EXPECT_EQ(placement.side, Side::below);
    EXPECT_DOUBLE_EQ(placement.frame.height(), 700);
}

TEST(PanelPlacement, StaysInsideTheVisibleFrame) {
    // Near the right edge: pushed in to 8 points from it.
    DSPanelPlacement placement = DSPanelPlacement::place(QRectF(1100, 10, 80, 20), screen, 300, 100, std::nullopt);
    EXPECT_DOUBLE_EQ(placement.frame.right(), 1200 - 8);
    // Near the left edge: 8 points in.
    placement = DSPanelPlacement::place(QRectF(-40, 10, 80, 20), screen, 300, 100, std::nullopt);
    EXPECT_DOUBLE_EQ(placement.frame.left(), 8);
    // Wider than the frame: the right margin wins.
    placement = DSPanelPlacement::place(QRectF(100, 10, 80, 20), screen, 1300, 100, std::nullopt);
    EXPECT_DOUBLE_EQ(placement.frame.right(), 1200 - 8);
    // An anchor partly above the frame's top still keeps the panel inside it.
    placement = DSPanelPlacement::place(QRectF(100, 0, 80, 20), QRectF(0, 50, 1200, 1000), 200, 100, std::nullopt);
    EXPECT_GE(placement.frame.top(), 50);
}

TEST(PanelPlacement, WithoutAScreenThePanelHasNoHeight) {
    const DSPanelPlacement placement = DSPanelPlacement::place(QRectF(), QRectF(), 200, 300, std::nullopt);
    EXPECT_DOUBLE_EQ(placement.frame.height(), 0);
}

} // namespace
} // namespace pictavo
