#include "ImageEngine/Decoding/WebKitSnapshots.h"
#include "support/ConversionErrorCapture.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

using namespace pictavo;
using testing_support::pixelAt;
using testing_support::thrownBy;
using Pixel = std::vector<int>;

namespace {

// A snapshot of one colour (red, green, blue), in the browser's blue-green-red-alpha bytes.
BrowserRenderProtocol::Snapshot filled(std::uint32_t width, std::uint32_t height, Pixel colour) {
    BrowserRenderProtocol::Snapshot snapshot{width, height, {}};
    for (std::uint32_t i = 0; i < width * height; ++i)
        for (int byte : {colour[2], colour[1], colour[0], colour[3]})
            snapshot.pixels.push_back(static_cast<std::uint8_t>(byte));
    return snapshot;
}

Pixel combined(Pixel overWhite, Pixel overBlack) {
    const WebKitSnapshots snapshots{filled(1, 1, overWhite), filled(1, 1, overBlack)};
    return pixelAt(*snapshots.combine(1, 1), 0, 0);
}

TEST(WebKitSnapshots, ColourAndAlphaComeFromTheDifferenceOverWhiteAndBlack) {
    EXPECT_EQ(combined({255, 0, 0, 255}, {255, 0, 0, 255}), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(combined({255, 255, 255, 255}, {0, 0, 0, 255}), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(combined({128, 128, 128, 255}, {0, 0, 0, 255}), (Pixel{0, 0, 0, 127}));
    // The black photograph brighter in one channel: that difference counts as none.
    EXPECT_EQ(combined({200, 100, 50, 255}, {210, 90, 50, 255}), (Pixel{210, 90, 50, 245}));
    // The photographs' own alpha is not read.
    EXPECT_EQ(combined({255, 0, 0, 0}, {255, 0, 0, 0}), (Pixel{255, 0, 0, 255}));
}

TEST(WebKitSnapshots, LargerSnapshotsAreCutToTheirTopLeftCorner) {
    auto overWhite = filled(302, 201, {255, 255, 255, 255});
    auto overBlack = filled(302, 201, {0, 0, 0, 255});
    // One opaque green pixel inside the kept corner, one outside it.
    for (auto* snapshot : {&overWhite, &overBlack})
        for (const std::size_t pixel : {std::size_t{200} * 302 + 300, std::size_t{200} * 302 + 301})
            std::copy_n(std::array<std::uint8_t, 3>{0, 255, 0}.begin(), 3, snapshot->pixels.begin() + pixel * 4);
    const auto image = WebKitSnapshots{overWhite, overBlack}.combine(301, 200);
    ASSERT_EQ(std::tuple(image->width(), image->height()), std::tuple(301, 200));
    EXPECT_EQ(image->alphaInfo(), platform::AlphaInfo::premultipliedLast);
    EXPECT_EQ(pixelAt(*image, 300, 199), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(pixelAt(*WebKitSnapshots{overWhite, overBlack}.combine(302, 201), 300, 200), (Pixel{0, 255, 0, 255}));
}

TEST(WebKitSnapshots, SnapshotsTooSmallUnequalOrUnreadableAreRefused) {
    const auto white = filled(300, 200, {255, 255, 255, 255});
    EXPECT_EQ(thrownBy([&] { WebKitSnapshots{white, white}.combine(301, 200); }),
              ConversionError::renderFailed(RenderFailure::browserRenderedWrongSize(300, 200, 301, 200)));
    EXPECT_EQ(thrownBy([&] { WebKitSnapshots{white, filled(300, 201, {0, 0, 0, 255})}.combine(300, 200); }),
              ConversionError::renderFailed(RenderFailure::browserRenderedWrongSize(300, 200, 300, 200)));
    auto cut = white;
    cut.pixels.pop_back();
    EXPECT_EQ(thrownBy([&] { WebKitSnapshots{white, cut}.combine(300, 200); }),
              ConversionError::renderFailed(RenderFailure::browser("could not read the browser's pixels")));
}

} // namespace
