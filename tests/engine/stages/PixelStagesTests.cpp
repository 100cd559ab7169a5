#include "ImageEngine/Stages/AdjustmentStage.h"
#include "ImageEngine/Stages/AlphaStage.h"
#include "ImageEngine/Stages/ColourStage.h"
#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Stages/OrientationStage.h"
#include "ImageEngine/Stages/ResizeStage.h"

#include "support/TemporaryFolder.h"
#include "support/ConversionErrorCapture.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <array>

using namespace pictavo;
using namespace platform;
using namespace testing_support;

namespace {

// A 3 x 2 image whose red components label the pixels 1 to 6, green and blue fixed.
ImageRef labelled(ColourSpaceRef space, AlphaInfo alpha = AlphaInfo::noneSkipLast) {
    std::vector<std::uint8_t> values;
    for (std::uint8_t label = 1; label <= 6; ++label) values.insert(values.end(), {label, 40, 80, 255});
    return image8(3, 2, 4, alpha, std::move(space), values);
}

// Whether a pixel's red, green and blue are each within 2 of the expected ones.
void expectColourNear(const std::vector<int>& pixel, std::array<int, 3> expected) {
    for (std::size_t c = 0; c < expected.size(); ++c) EXPECT_NEAR(pixel[c], expected[c], 2) << "component " << c;
}

} // namespace

TEST(ResizeStage, RedrawsAtEightBitsInTheWorkingSpaceKeepsItsOwnSizeAndRefusesWhatCannotBeDrawn) {
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
    EXPECT_EQ(std::tuple(deep->width(), deep->height(), deep->bitsPerComponent(), deep->alphaInfo()),
              std::tuple(33, 17, 8, AlphaInfo::premultipliedLast));
    EXPECT_EQ(pixelAt(*deep, 0, 0), (std::vector<int>{128, 0, 0, 128}));

    auto photo = labelled(ColourSpace::sRGB());
    EXPECT_EQ(ResizeStage::resize(photo, {3, 2}), photo);
    EXPECT_EQ(ResizeStage::resize(photo, {3.4, 1.6}), photo);
    EXPECT_EQ(thrownBy([&] { ResizeStage::resize(photo, {2'000'000, 10}); }),
              ConversionError::imageTooLarge(2'000'000, 10));
    EXPECT_NE(thrownBy([&] { ResizeStage::resize(photo, {std::nan(""), 10}); }).get<ConversionError::ImageTooLarge>(),
              nullptr);
    // A side that rounds to nothing is drawn one pixel wide.
    const auto thin = ResizeStage::resize(photo, {0.2, 0.2});
    EXPECT_EQ(std::tuple(thin->width(), thin->height()), std::tuple(1, 1));
}

TEST(OrientationAndAdjustmentStages, UprightTheSourceApplyTheUsersTurnNotItsInverseAndGreyOnlyImagesWithoutAlpha) {
    auto photo = labelled(displayP3());
    // The turns themselves are the platform filter's; here only that the stages ask for them.
    EXPECT_EQ(OrientationStage::normalise(photo, 1), photo);
    auto upright = OrientationStage::normalise(photo, 6);
    EXPECT_EQ(upright->width(), 2);
    // Turned right: the bottom-left pixel (4) comes to the top left.
    EXPECT_EQ(pixelAt(*upright, 0, 0), (std::vector<int>{4, 40, 80, 255}));
    EXPECT_EQ(AdjustmentStage::reorient(photo, Reorientation::none()), photo);
    // Turned left: the top-right pixel (3) comes to the top left.
    auto left = AdjustmentStage::reorient(photo, Reorientation(3, false));
    EXPECT_EQ(left->width(), 2);
    EXPECT_EQ(pixelAt(*left, 0, 0), (std::vector<int>{3, 40, 80, 255}));
    // Flipped and turned left (orientation 5) is a transpose: pixel 4 comes beside pixel 1.
    auto transposed = AdjustmentStage::reorient(photo, Reorientation(3, true));
    EXPECT_EQ(pixelAt(*transposed, 1, 0), (std::vector<int>{4, 40, 80, 255}));

    auto red = filled8(4, 4, AlphaInfo::none, ColourSpace::sRGB(), {255, 0, 0});
    auto collapsed = AdjustmentStage::greyscale(red, true);
    EXPECT_EQ(std::tuple(collapsed->componentsPerPixel(), collapsed->alphaInfo(), collapsed->colourSpace()->model()),
              std::tuple(1, AlphaInfo::none, ColourModel::monochrome));
    EXPECT_NEAR(pixelAt(*collapsed, 3, 3)[0], 127, 1);

    EXPECT_EQ(AdjustmentStage::greyscale(red, false)->alphaInfo(), AlphaInfo::noneSkipLast);

    // With alpha: a grey-looking RGBA image that keeps its alpha, even when collapsing.
    auto translucent = filled8(4, 4, AlphaInfo::last, displayP3(), {0, 255, 0, 51});
    auto grey = AdjustmentStage::greyscale(translucent, true);
    EXPECT_EQ(grey->alphaInfo(), AlphaInfo::premultipliedLast);
    const auto pixel = pixelAt(*grey, 1, 1);
    EXPECT_EQ(pixel[3], 51);
    EXPECT_EQ(pixel[0], pixel[1]);

    auto deep = image16(1, 1, 3, AlphaInfo::none, ColourSpace::sRGB(), {65535, 65535, 65535});
    EXPECT_EQ(AdjustmentStage::greyscale(deep, false)->bitsPerComponent(), 8);
}

TEST(AlphaStage, TellsAlphaFromVisibleTransparencyAndFlattensOverTheMatteInTheWorkingSpace) {
    EXPECT_FALSE(AlphaStage::hasAlpha(*labelled(ColourSpace::sRGB(), AlphaInfo::noneSkipLast)));
    EXPECT_FALSE(AlphaStage::hasAlpha(*filled8(1, 1, AlphaInfo::none, nullptr, {1, 2, 3})));
    EXPECT_FALSE(AlphaStage::hasAlpha(*image8(1, 1, 4, AlphaInfo::noneSkipFirst, nullptr, {0, 1, 2, 3})));
    for (auto info : {AlphaInfo::premultipliedLast, AlphaInfo::premultipliedFirst, AlphaInfo::last, AlphaInfo::first})
        EXPECT_TRUE(AlphaStage::hasAlpha(*labelled(ColourSpace::sRGB(), info)));

    // Alpha 255 everywhere: alpha, but nothing to see through.
    const auto opaque = filled8(300, 3600, AlphaInfo::last, ColourSpace::sRGB(), {1, 2, 3, 255});
    EXPECT_FALSE(AlphaStage::hasVisibleTransparency(*opaque));
    // One pixel at 254 in the last rows is found.
    std::vector<std::uint8_t> values(*opaque->buffer());
    values[values.size() - 1] = 254;
    EXPECT_TRUE(AlphaStage::hasVisibleTransparency(*image8(300, 3600, 4, AlphaInfo::last, ColourSpace::sRGB(), values)));
    // 16-bit alpha is judged at 8 bits: 65534 is opaque, 65000 is not.
    EXPECT_FALSE(AlphaStage::hasVisibleTransparency(*image16(2, 1, 2, AlphaInfo::last, nullptr, {5, 65535, 5, 65534})));
    EXPECT_TRUE(AlphaStage::hasVisibleTransparency(*image16(2, 1, 2, AlphaInfo::first, nullptr, {65535, 5, 65000, 5})));
    std::vector<std::uint8_t> wide(2'000'000 * 2, 255);
    wide[wide.size() - 1] = 0;
    EXPECT_TRUE(AlphaStage::hasVisibleTransparency(*image8(2'000'000, 1, 2, AlphaInfo::last, nullptr, wide)));

    auto halfRed = filled8(2, 2, AlphaInfo::last, ColourSpace::sRGB(), {255, 0, 0, 128});
    auto flat = AlphaStage::flatten(halfRed, MatteColour::white());
    EXPECT_EQ(flat->alphaInfo(), AlphaInfo::noneSkipLast);
    EXPECT_FALSE(AlphaStage::hasAlpha(*flat));
    EXPECT_EQ(pixelAt(*flat, 1, 1), (std::vector<int>{255, 127, 127, 255}));

    auto withoutAlpha = labelled(ColourSpace::sRGB());
    EXPECT_EQ(AlphaStage::flatten(withoutAlpha, MatteColour::white()), withoutAlpha);

    // A wide-gamut image keeps its space; the matte, given in sRGB, is matched into it.
    auto clear = filled8(1, 1, AlphaInfo::premultipliedLast, displayP3(), {0, 0, 0, 0});
    auto onRed = AlphaStage::flatten(clear, MatteColour{1, 0, 0});
    EXPECT_EQ(onRed->colourSpace(), displayP3());
    const auto pixel = pixelAt(*onRed, 0, 0);
    EXPECT_NEAR(pixel[0], 234, 2);
    EXPECT_NEAR(pixel[1], 51, 2);
    // Out-of-range matte components are clamped, never wrapped.
    const auto onClamped =
        AlphaStage::flatten(filled8(1, 1, AlphaInfo::last, nullptr, {0, 0, 0, 0}), MatteColour{7, -3, std::nan("")});
    EXPECT_EQ(pixelAt(*onClamped, 0, 0), (std::vector<int>{255, 0, 0, 255}));
}

TEST(ColourStage, ConvertsToSRGBUnlessItAlreadyIsOrColourIsPreserved) {
    auto srgb = labelled(ColourSpace::sRGB());
    EXPECT_EQ(ColourStage::apply(ColourPolicy::convertToSRGB, srgb), srgb);
    // A profile that is sRGB, read from a file, counts as sRGB.
    auto tagged = labelled(ColourSpace::fromICC(ColourSpace::sRGB()->iccData()));
    EXPECT_EQ(ColourStage::apply(ColourPolicy::convertToSRGB, tagged), tagged);

    auto p3 = image8(1, 1, 3, AlphaInfo::none, displayP3(), {200, 100, 50});
    EXPECT_EQ(ColourStage::apply(ColourPolicy::preserve, p3), p3);
    auto converted = ColourStage::apply(ColourPolicy::convertToSRGB, p3);
    EXPECT_TRUE(converted->colourSpace()->isSRGB());
    expectColourNear(pixelAt(*converted, 0, 0), {216, 93, 31});

    auto adobe = image16(1, 1, 4, AlphaInfo::last, adobeRGB(), {100 * 257, 150 * 257, 200 * 257, 65535});
    auto fromAdobe = ColourStage::apply(ColourPolicy::convertToSRGB, adobe);
    EXPECT_EQ(fromAdobe->alphaInfo(), AlphaInfo::premultipliedLast);
    expectColourNear(pixelAt(*fromAdobe, 0, 0), {66, 151, 203});

    // Untagged RGB has no space of its own: it is drawn as sRGB.
    auto untagged = image8(1, 1, 3, AlphaInfo::none, nullptr, {1, 2, 3});
    EXPECT_EQ(pixelAt(*ColourStage::apply(ColourPolicy::convertToSRGB, untagged), 0, 0), (std::vector<int>{1, 2, 3, 255}));

    // CMYK and tagged RGB become sRGB before encoders without a colour space.
    const auto cmykProfile = ColourSpace::fromICC(readFile("/usr/share/color/icc/ghostscript/default_cmyk.icc"));
    ASSERT_TRUE(cmykProfile);
    auto cmyk = image8(2, 1, 4, AlphaInfo::none, cmykProfile, {0, 0, 0, 0, 0, 0, 0, 255});
    EXPECT_TRUE(ColourStage::needsSRGBWithoutColourSpace(*cmyk));
    auto fromCMYK = ColourStage::apply(ColourPolicy::convertToSRGB, cmyk);
    EXPECT_TRUE(fromCMYK->colourSpace()->isSRGB());
    // Paper white stays white; full black ink alone is the dark grey the press profile's own
    // (perceptual) rendering makes of it, about (44, 41, 42).
    const auto white = pixelAt(*fromCMYK, 0, 0);
    const auto black = pixelAt(*fromCMYK, 1, 0);
    for (int c = 0; c < 3; ++c) {
        EXPECT_GE(white[c], 250);
        EXPECT_LE(black[c], 48);
    }

    EXPECT_TRUE(ColourStage::needsSRGBWithoutColourSpace(*filled8(1, 1, AlphaInfo::none, nullptr, {0, 0, 0, 0})));
    EXPECT_TRUE(ColourStage::needsSRGBWithoutColourSpace(*labelled(displayP3())));
    EXPECT_FALSE(ColourStage::needsSRGBWithoutColourSpace(*labelled(ColourSpace::sRGB())));
    EXPECT_FALSE(ColourStage::needsSRGBWithoutColourSpace(*labelled(nullptr)));
    EXPECT_FALSE(ColourStage::needsSRGBWithoutColourSpace(*filled8(1, 1, AlphaInfo::none, ColourSpace::deviceGray(), {9})));
}

TEST(ColourStage, DrawsForAnEightBitRGBIntakeOnlyWhatItCannotReadAsItStands) {
    // Three or four bytes of RGB with straight alpha or a spare byte go through as the very image.
    for (const auto& taken : {labelled(displayP3()), labelled(displayP3(), AlphaInfo::last),
                              image8(1, 1, 3, AlphaInfo::none, ColourSpace::sRGB(), {1, 2, 3})}) {
        EXPECT_TRUE(ColourStage::isTakenAsItIs(EncoderIntake::rgb8, *taken));
        EXPECT_EQ(ColourStage::forIntake(EncoderIntake::rgb8, taken), taken);
    }
    auto grey = filled8(2, 2, AlphaInfo::none, ColourSpace::deviceGray(), {200});
    EXPECT_EQ(ColourStage::forIntake(EncoderIntake::anyPixels, grey), grey);

    // Grey and untagged pixels become sRGB, wide-gamut RGB keeps its space, sixteen bits become eight.
    auto fromGrey = ColourStage::forIntake(EncoderIntake::rgb8, grey);
    EXPECT_TRUE(fromGrey->colourSpace()->isSRGB());
    EXPECT_EQ(fromGrey->alphaInfo(), AlphaInfo::noneSkipLast);
    EXPECT_NEAR(pixelAt(*fromGrey, 1, 1)[0], 200, 1);
    auto deep = image16(1, 1, 4, AlphaInfo::noneSkipLast, displayP3(), {65535, 0, 32896, 65535});
    auto fromDeep = ColourStage::forIntake(EncoderIntake::rgb8, deep);
    EXPECT_EQ(fromDeep->bitsPerComponent(), 8);
    EXPECT_EQ(fromDeep->colourSpace()->iccData(), displayP3()->iccData());
    EXPECT_TRUE(ColourStage::isTakenAsItIs(EncoderIntake::rgb8, *fromDeep));

    // Premultiplied colour is straightened, rounded to nearest; a clear pixel keeps black.
    auto premultiplied = image8(2, 1, 4, AlphaInfo::premultipliedLast, ColourSpace::sRGB(), {60, 30, 10, 128, 0, 0, 0, 0});
    auto straight = ColourStage::forIntake(EncoderIntake::rgb8, premultiplied);
    EXPECT_EQ(straight->alphaInfo(), AlphaInfo::last);
    EXPECT_EQ(pixelAt(*straight, 0, 0), (std::vector<int>{120, 60, 20, 128}));
    EXPECT_EQ(pixelAt(*straight, 1, 0), (std::vector<int>{0, 0, 0, 0}));
}
