#include "ImageEngine/Encoding/IconLadder.h"

#include <gtest/gtest.h>

using namespace pictavo;

TEST(IconLadder, BelongsToTheTwoIconFormatsOnlyAndKnowsItsSmallestSide) {
    EXPECT_EQ(IconLadder::forFormat(OutputFormat::icns()), IconLadder::macOS());
    EXPECT_EQ(IconLadder::forFormat(OutputFormat::ico()), IconLadder::windows());
    EXPECT_FALSE(IconLadder::forFormat(OutputFormat::png()));
    EXPECT_FALSE(IconLadder::forFormat(OutputFormat::sameAsSource()));
    // The Apple ladder's sizes are checked through the stage that draws them.
    EXPECT_EQ(IconLadder::windows().pixelSizes, (std::vector<std::int64_t>{256, 48, 32, 16}));
    EXPECT_EQ((IconLadder{{32, 8, 64}}.smallest()), 8);
    EXPECT_EQ(IconLadder{}.smallest(), 0);
}
