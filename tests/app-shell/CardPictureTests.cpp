#include "app/shell/CardFrame.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace pictavo;

// A card's picture at a screen's pixel ratio (2 under a scale of 2): the whole thumbnail, not a
// magnified corner of it, and no corner of the picture standing out of the card's rounded frame.
TEST(CardPicture, ShowsTheWholeThumbnailInsideBothRoundedTopCornersAtEveryPixelRatio) {
    // Red on the left, blue on the right: a picture drawn twice too large shows only red.
    QImage thumbnail(240, 120, QImage::Format_RGB32);
    thumbnail.fill(Qt::blue);
    for (int y = 0; y < thumbnail.height(); ++y) {
        for (int x = 0; x < thumbnail.width() / 2; ++x) thumbnail.setPixelColor(x, y, Qt::red);
    }
    for (const double ratio : {1.0, 2.0}) {
        const QImage drawn = CardFrame::picture(thumbnail, QSize(120, 60), ratio, Qt::white, Qt::lightGray);
        ASSERT_EQ(drawn.size(), QSize(120, 60) * ratio) << ratio;
        EXPECT_EQ(drawn.devicePixelRatio(), ratio);
        const int width = drawn.width(), height = drawn.height();
        EXPECT_EQ(drawn.pixelColor(width / 4, height / 2), QColor(Qt::red)) << ratio;
        EXPECT_EQ(drawn.pixelColor(3 * width / 4, height / 2), QColor(Qt::blue)) << ratio;
        EXPECT_EQ(drawn.pixelColor(width / 2, int(2 * ratio)).alpha(), 255) << ratio;
        EXPECT_EQ(drawn.pixelColor(0, 0).alpha(), 0) << "top left at " << ratio;
        EXPECT_EQ(drawn.pixelColor(width - 1, 0).alpha(), 0) << "top right at " << ratio;
        EXPECT_EQ(drawn.pixelColor(width - int(3 * ratio), int(3 * ratio)).alpha(), 0) << "top right at " << ratio;
        // The side runs straight on from where the corner's mask ends.
        const int cornerRows = int(std::ceil(CardFrame::radius * ratio)) + 1;
        EXPECT_GE(drawn.pixelColor(width - 1, cornerRows - 1).alpha(), 224) << ratio;
        EXPECT_GE(drawn.pixelColor(0, cornerRows - 1).alpha(), 224) << ratio;
        // The bottom corners are the lower area's to cover.
        EXPECT_EQ(drawn.pixelColor(width - 1, height - 1).alpha(), 255) << ratio;
    }
}

} // namespace
