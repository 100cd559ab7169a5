#include "ImageEngine/Encoding/IconLadder.h"

#include <gtest/gtest.h>

using namespace pictavo;

TEST(IconLadder, BelongsToTheTwoIconFormatsOnly) {
    EXPECT_EQ(IconLadder::forFormat(OutputFormat::icns()), IconLadder::macOS());
    EXPECT_EQ(IconLadder::forFormat(OutputFormat::ico()), IconLadder::windows());
    EXPECT_FALSE(IconLadder::forFormat(OutputFormat::png()));
    EXPECT_FALSE(IconLadder::forFormat(OutputFormat::sameAsSource()));
    EXPECT_EQ(IconLadder::macOS().pixelSizes, (std::vector<std::int64_t>{1024, 512, 256, 128, 64, 32, 16}));
    EXPECT_EQ(IconLadder::windows().pixelSizes, (std::vector<std::int64_t>{256, 48, 32, 16}));
}

TEST(IconLadder, SmallestIsTheLeastSizeOrZero) {
    EXPECT_EQ(IconLadder::macOS().smallest(), 16);
    EXPECT_EQ((IconLadder{{32, 8, 64}}.smallest()), 8);
    EXPECT_EQ(IconLadder{}.smallest(), 0);
    EXPECT_NE((IconLadder{{16, 32}}), (IconLadder{{32, 16}}));
}
