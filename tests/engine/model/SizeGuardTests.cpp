#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Model/DeclaredSize.h"
#include "ImageEngine/Model/RenderTarget.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace pictavo;

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

// The sides a size guard put into its error, or nothing when it did not throw.
std::optional<std::pair<double, double>> refusedSides(const std::function<void()>& check) {
    try {
        check();
    } catch (const ConversionError& error) {
        const auto* tooLarge = error.get<ConversionError::ImageTooLarge>();
        if (!tooLarge) throw;
        return std::pair{tooLarge->declaredWidth, tooLarge->declaredHeight};
    }
    return std::nullopt;
}

} // namespace

TEST(DeclaredSize, AcceptsZeroOrAtLeastOnePixelUpToAMillionInWholeAndFractionalPixels) {
    EXPECT_EQ(DeclaredSize::pixels({0, 0}), (PixelDimensions{0, 0}));
    EXPECT_EQ(DeclaredSize::pixels({-0.0, 3}), (PixelDimensions{0, 3}));
    EXPECT_EQ(DeclaredSize::pixels({0.5, 10}), (PixelDimensions{1, 10}));
    EXPECT_EQ(DeclaredSize::pixels({2.5, 10.49}), (PixelDimensions{3, 10}));
    EXPECT_EQ(DeclaredSize::pixels({1'000'000.4, 1}), (PixelDimensions{1'000'000, 1}));

    // A refusal names the sides as they were declared.
    for (const platform::Size sides : {platform::Size{0.4, 10}, {1'000'000.5, 1}, {10, -1}, {infinity, 10}})
        EXPECT_EQ(refusedSides([&] { DeclaredSize::pixels(sides); }), std::pair(sides.width, sides.height));
    EXPECT_TRUE(refusedSides([] { DeclaredSize::pixels({10, std::nan("")}); }));
    EXPECT_TRUE(refusedSides([] { DeclaredSize::pixels({1e300, 10}); }));

    for (std::int64_t side : {std::int64_t{0}, std::int64_t{1'000'000}})
        EXPECT_TRUE(DeclaredSize::usable(side)) << side;
    for (std::int64_t side : {std::int64_t{1'000'001}, std::int64_t{-1}, std::numeric_limits<std::int64_t>::min()})
        EXPECT_FALSE(DeclaredSize::usable(side)) << side;
    for (double side : {0.0, 0.5}) EXPECT_TRUE(DeclaredSize::usable(side)) << side;
    for (double side : {0.3, -0.1, std::nan(""), -infinity}) EXPECT_FALSE(DeclaredSize::usable(side)) << side;
}

TEST(RenderTarget, RaisesTinySidesToOnePixelChecksTheBudgetAndRefusesSidesThatCannotBeDrawn) {
    EXPECT_EQ(RenderTarget::pixels({0.2, 0.2}, 4), (PixelDimensions{1, 1}));
    EXPECT_EQ(RenderTarget::pixels({0, 7.5}, 1000), (PixelDimensions{1, 8}));
    EXPECT_EQ(RenderTarget::pixels({1000, 1000}, 4'000'000), (PixelDimensions{1000, 1000}));
    EXPECT_EQ(refusedSides([] { RenderTarget::pixels({999.6, 1000.4}, 3'999'999); }), (std::pair{1000.0, 1000.0}));
    EXPECT_EQ(refusedSides([] { RenderTarget::pixels({0.2, 0.2}, 3); }), (std::pair{1.0, 1.0}));
    EXPECT_EQ(refusedSides([] { RenderTarget::pixels({1'000'000, 1'000'000}, -1); }),
              (std::pair{1'000'000.0, 1'000'000.0}));
    // The largest drawable square fits a large enough budget without overflow.
    EXPECT_EQ(RenderTarget::pixels({1'000'000, 1'000'000}, std::numeric_limits<std::int64_t>::max()),
              (PixelDimensions{1'000'000, 1'000'000}));

    const auto budget = std::numeric_limits<std::int64_t>::max();
    for (const platform::Size sides : {platform::Size{-1, 10}, {10, 1'000'000.5}, {infinity, 10}})
        EXPECT_EQ(refusedSides([&] { RenderTarget::pixels(sides, budget); }), std::pair(sides.width, sides.height));
    EXPECT_TRUE(refusedSides([&] { RenderTarget::pixels({std::nan(""), 10}, budget); }));
    EXPECT_TRUE(refusedSides([&] { RenderTarget::pixels({1e308, 1e308}, budget); }));
}
