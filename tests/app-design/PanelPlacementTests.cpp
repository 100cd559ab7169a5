#include "app/design/DSPanelPlacement.h"

#include <gtest/gtest.h>

namespace pictavo {
namespace {

using Side = DSPanelPlacement::Side;

// An anchor 20 tall with `above` points of room over it (after the 4-point gap) in a visible frame
// whose top is 0.
QRectF anchorWithRoomAbove(double above) { return QRectF(100, above + 4, 80, 20); }
const QRectF screen(0, 0, 1200, 1000);

// An anchor with `below` points of room under it in `screen`.
QRectF anchorFor(double below) {
    // Room below = 1000 - (bottom + 4).
    const double bottom = 1000 - 4 - below;
    return QRectF(100, bottom - 20, 80, 20);
}

TEST(PanelPlacement, OpensBelowWhenItFitsElseOnTheRoomierSide) {
    const QRectF visible(0, 0, 1200, 828);
    // 300 below, 500 above, 400 of content: above.
    QRectF anchor = anchorWithRoomAbove(500);
    ASSERT_DOUBLE_EQ(visible.bottom() - (anchor.bottom() + 4), 300);
    DSPanelPlacement placement = DSPanelPlacement::place(anchor, visible, 200, 400, std::nullopt);
    EXPECT_EQ(placement.side, Side::above);
    EXPECT_DOUBLE_EQ(placement.frame.height(), 400);
    EXPECT_DOUBLE_EQ(placement.frame.bottom(), anchor.top() - 4);

    // 300 below, 250 above: below, cut to the room there.
    const QRectF tight(0, 0, 1200, 578);
    anchor = anchorWithRoomAbove(250);
    ASSERT_DOUBLE_EQ(tight.bottom() - (anchor.bottom() + 4), 300);
    placement = DSPanelPlacement::place(anchor, tight, 200, 400, std::nullopt);
    EXPECT_EQ(placement.side, Side::below);
    EXPECT_DOUBLE_EQ(placement.frame.height(), 300);
    EXPECT_DOUBLE_EQ(placement.frame.top(), anchor.bottom() + 4);
    EXPECT_DOUBLE_EQ(placement.frame.left(), anchor.left());
}

TEST(PanelPlacement, KeepsItsSideWhilePlacedAgain) {
    const QRectF anchor = anchorFor(300);
    const DSPanelPlacement first = DSPanelPlacement::place(anchor, screen, 200, 400, std::nullopt);
    ASSERT_EQ(first.side, Side::above);
    // Smaller content would now fit below, but the panel stays above.
    const DSPanelPlacement again = DSPanelPlacement::place(anchor, screen, 200, 100, first.side);
    EXPECT_EQ(again.side, Side::above);
    EXPECT_EQ(DSPanelPlacement::place(anchor, screen, 200, 100, std::nullopt).side, Side::below);
}

TEST(PanelPlacement, CapsTheHeightAtSevenTenthsOfTheVisibleFrame) {
    const QRectF anchor(100, 10, 80, 20);
    const DSPanelPlacement placement = DSPanelPlacement::place(anchor, screen, 200, 5000, std::nullopt);
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
    const QRectF offset(0, 50, 1200, 1000);
    placement = DSPanelPlacement::place(QRectF(100, 0, 80, 20), offset, 200, 100, std::nullopt);
    EXPECT_GE(placement.frame.top(), 50);
}

TEST(PanelPlacement, WithoutAScreenThePanelHasNoHeight) {
    const DSPanelPlacement placement = DSPanelPlacement::place(QRectF(), QRectF(), 200, 300, std::nullopt);
    EXPECT_DOUBLE_EQ(placement.frame.height(), 0);
}

} // namespace
} // namespace pictavo
