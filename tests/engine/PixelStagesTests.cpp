#include "ImageEngine/Core/ConversionError.h"
#include "ImageEngine/Core/OrientationStage.h"
#include "ImageEngine/Core/ResizeStage.h"

#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace pictavo;
using namespace platform;
using namespace testing_support;

namespace {

ConversionError thrownBy(const std::function<void()>& run) {
    try {
        run();
    } catch (const ConversionError& error) {
        return error;
    }
    ADD_FAILURE() << "no ConversionError thrown";
    return ConversionError::decodeFailed("");
}

// A 3 x 2 image whose red components label the pixels 1 to 6, green and blue fixed.
ImageRef labelled(ColourSpaceRef space, AlphaInfo alpha = AlphaInfo::noneSkipLast) {
    std::vector<std::uint8_t> values;
    for (std::uint8_t label = 1; label <= 6; ++label) values.insert(values.end(), {label, 40, 80, 255});
    return image8(3, 2, 4, alpha, std::move(space), values);
}

} // namespace

TEST(OrientationStage, TurnsUprightAndKeepsDepthAndColour) {
    auto photo = labelled(displayP3());
    EXPECT_EQ(OrientationStage::normalise(photo, 1), photo);
    auto upright = OrientationStage::normalise(photo, 6);
    ASSERT_EQ(upright->width(), 2);
    ASSERT_EQ(upright->height(), 3);
    // Turned right: the bottom-left pixel (4) comes to the top left.
    EXPECT_EQ(pixelAt(*upright, 0, 0), (std::vector<int>{4, 40, 80, 255}));
    EXPECT_EQ(pixelAt(*upright, 1, 2), (std::vector<int>{3, 40, 80, 255}));
    // Wide-gamut colour stays wide-gamut, and opaque stays opaque, under "preserve".
    EXPECT_EQ(upright->colourSpace(), displayP3());
    EXPECT_EQ(upright->alphaInfo(), AlphaInfo::noneSkipLast);

    auto deep = image16(3, 2, 1, AlphaInfo::none, ColourSpace::deviceGray(), {1, 2, 3, 4, 5, 6});
    auto turned = OrientationStage::normalise(deep, 8);
    EXPECT_EQ(turned->bitsPerComponent(), 16);
    EXPECT_EQ(pixelAt(*turned, 0, 0), std::vector<int>{3});
}

TEST(ResizeStage, ReturnsTheSameImageAtItsOwnSize) {
    auto photo = labelled(ColourSpace::sRGB());
    EXPECT_EQ(ResizeStage::resize(photo, {3, 2}), photo);
    EXPECT_EQ(ResizeStage::resize(photo, {3.4, 1.6}), photo);
}

TEST(ResizeStage, RedrawsAtEightBitsInTheWorkingSpace) {
    // Grey and CMYK come out as sRGB; a wide-gamut RGB image keeps its space.
    auto grey = filled8(40, 30, AlphaInfo::none, ColourSpace::deviceGray(), {100});
    auto fromGrey = ResizeStage::resize(grey, {20, 15});
    EXPECT_TRUE(fromGrey->colourSpace()->isSRGB());
    EXPECT_EQ(fromGrey->alphaInfo(), AlphaInfo::noneSkipLast);
    EXPECT_EQ(pixelAt(*fromGrey, 19, 14), (std::vector<int>{100, 100, 100, 255}));

    auto cmyk = filled8(40, 30, AlphaInfo::none, nullptr, {0, 255, 255, 0});
    auto fromCMYK = ResizeStage::resize(cmyk, {10, 7});
    EXPECT_TRUE(fromCMYK->colourSpace()->isSRGB());
    EXPECT_EQ(pixelAt(*fromCMYK, 9, 6), (std::vector<int>{255, 0, 0, 255}));

    auto wide = ResizeStage::resize(labelled(displayP3()), {6, 4});
    EXPECT_EQ(wide->colourSpace(), displayP3());

    // 16-bit straight alpha comes out premultiplied at 8 bits, exactly the size asked.
    std::vector<std::uint16_t> deepValues;
    for (int i = 0; i < 50 * 50; ++i) deepValues.insert(deepValues.end(), {65535, 0, 0, 32768});
    auto deep = ResizeStage::resize(image16(50, 50, 4, AlphaInfo::last, ColourSpace::sRGB(), deepValues), {33, 17});
    EXPECT_EQ(deep->width(), 33);
    EXPECT_EQ(deep->height(), 17);
    EXPECT_EQ(deep->bitsPerComponent(), 8);
    EXPECT_EQ(deep->alphaInfo(), AlphaInfo::premultipliedLast);
    EXPECT_EQ(pixelAt(*deep, 0, 0), (std::vector<int>{128, 0, 0, 128}));
}

TEST(ResizeStage, RefusesSizesTheEngineCannotDraw) {
    auto photo = labelled(ColourSpace::sRGB());
    EXPECT_EQ(thrownBy([&] { ResizeStage::resize(photo, {2'000'000, 10}); }),
              ConversionError::imageTooLarge(2'000'000, 10));
    EXPECT_NE(thrownBy([&] { ResizeStage::resize(photo, {std::nan(""), 10}); }).get<ConversionError::ImageTooLarge>(),
              nullptr);
    // A side that rounds to nothing is drawn one pixel wide.
    auto thin = ResizeStage::resize(photo, {0.2, 0.2});
    EXPECT_EQ(thin->width(), 1);
    EXPECT_EQ(thin->height(), 1);
}
