#include "ImageEngine/Core/EncodeConcurrency.h"

#include <gtest/gtest.h>

#include <limits>

using pictavo::EncodeConcurrency;

namespace {
constexpr std::uint64_t GiB = 1024ULL * 1024 * 1024;
}

TEST(EncodeConcurrency, WidthIsTheSmallerOfMemoryAndProcessorsWithAFloorOfTwo) {
    EXPECT_EQ(EncodeConcurrency::width(16 * GiB, 10), 6);
    EXPECT_EQ(EncodeConcurrency::width(8 * GiB, 8), 3);
    EXPECT_EQ(EncodeConcurrency::width(64 * GiB, 12), 10);
    EXPECT_EQ(EncodeConcurrency::width(4 * GiB, 16), 2);
    EXPECT_EQ(EncodeConcurrency::width(64 * GiB, 1), 2);
    EXPECT_EQ(EncodeConcurrency::width(64 * GiB, 0), 2);
    EXPECT_EQ(EncodeConcurrency::width(0, 64), 2);
    EXPECT_EQ(EncodeConcurrency::width(~0ULL, 1'000'000), 1'000'000 - 2);
    EXPECT_EQ(EncodeConcurrency::width(~0ULL, std::numeric_limits<std::int64_t>::min()), 2);
}

TEST(EncodeConcurrency, PixelBudgetSharesMemoryBetweenTheConversions) {
    EXPECT_EQ(EncodeConcurrency::pixelBudget(16 * GiB, 6), 572'662'306);
    EXPECT_EQ(EncodeConcurrency::pixelBudget(4 * GiB, 2), 429'496'729);
    EXPECT_EQ(EncodeConcurrency::pixelBudget(~0ULL, 0), EncodeConcurrency::pixelBudget(~0ULL, 1));
    EXPECT_GT(EncodeConcurrency::pixelBudget(), 0);
}
