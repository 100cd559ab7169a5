#include "platform/pixels/Image.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using namespace platform;
using testing_support::profileBytes;

TEST(ColourSpace, RecognisesSRGBFromAnyCopyOfItsProfileAndNoOtherSpace) {
    auto fromFile = ColourSpace::fromICC(profileBytes(cmsCreate_sRGBProfile()));
    ASSERT_TRUE(fromFile);
    EXPECT_TRUE(fromFile->isSRGB());
    EXPECT_EQ(fromFile->model(), ColourModel::rgb);
    EXPECT_TRUE(ColourSpace::sRGB()->isSRGB());
    EXPECT_FALSE(ColourSpace::deviceGray()->isSRGB());
    // Display P3 primaries with the sRGB curve: an RGB space that must be converted.
    auto wide = ColourSpace::fromICC(testing_support::displayP3()->iccData());
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->model(), ColourModel::rgb);
    EXPECT_FALSE(wide->isSRGB());
}

TEST(ColourSpace, ProfilesMadeHereDoNotDependOnTheClock) {
    // Header bytes 24-35: the creation date, six big-endian 16-bit numbers.
    const Bytes date{0x07, 0xCE, 0, 2, 0, 9, 0, 6, 0, 49, 0, 0};
    for (const auto& space : {ColourSpace::sRGB(), ColourSpace::deviceGray()}) {
        const auto& icc = space->iccData();
        ASSERT_GE(icc.size(), 36u);
        EXPECT_EQ(Bytes(icc.begin() + 24, icc.begin() + 36), date);
        EXPECT_TRUE(ColourSpace::fromICC(icc));
    }
}

TEST(ColourSpace, RefusesBytesThatAreNoProfile) {
    EXPECT_FALSE(ColourSpace::fromICC(Bytes(10, 0)));
    EXPECT_FALSE(ColourSpace::fromICC(Bytes(4096, 0x41)));
    // A well-formed profile whose data colour space is no signature lcms2 knows.
    auto unknownSpace = profileBytes(cmsCreate_sRGBProfile());
    const std::uint8_t unknownSignature[] = {0xAE, 0xB8, 0x1F, 0xDF};
    std::copy_n(unknownSignature, 4, unknownSpace.begin() + 16);
    EXPECT_FALSE(ColourSpace::fromICC(unknownSpace));
}

TEST(Image, RefusesBuffersThatDoNotHoldTheDescribedPixels) {
    auto pixels = std::make_shared<const Bytes>(4 * 3 * 2);
    EXPECT_TRUE(Image::make(3, 2, 8, 4, AlphaInfo::last, ColourSpace::sRGB(), pixels, 12));
    // Width, height, bits and row bytes that the buffer cannot hold or no image has.
    for (const auto& [width, height, bits, rowBytes] : {std::tuple<std::int64_t, std::int64_t, int, std::size_t>{3, 3, 8, 12},
                                                        {3, 2, 8, 11}, {3, 2, 12, 12}, {0, 2, 8, 12}, {INT64_MAX, 2, 8, 12}})
        EXPECT_FALSE(Image::make(width, height, bits, 4, AlphaInfo::last, ColourSpace::sRGB(), pixels, rowBytes)) << width;

    auto image = Image::make(3, 2, 8, 4, AlphaInfo::noneSkipLast, nullptr, pixels, 12);
    EXPECT_FALSE(image->hasAlphaChannel());
    EXPECT_EQ(image->colourComponents(), 3);
}

TEST(Image, NamesWhereAlphaAndColourSitAmongTheComponents) {
    auto pixels = std::make_shared<const Bytes>(4 * 3 * 2);
    auto layout = [&](AlphaInfo alpha, int components) {
        const auto image = Image::make(3, 2, 8, components, alpha, nullptr, pixels, 12);
        return std::make_pair(image->alphaComponent(), image->firstColourComponent());
    };
    EXPECT_EQ(layout(AlphaInfo::none, 3), std::make_pair(-1, 0));
    EXPECT_EQ(layout(AlphaInfo::last, 4), std::make_pair(3, 0));
    EXPECT_EQ(layout(AlphaInfo::premultipliedLast, 2), std::make_pair(1, 0));
    EXPECT_EQ(layout(AlphaInfo::first, 4), std::make_pair(0, 1));
    EXPECT_EQ(layout(AlphaInfo::premultipliedFirst, 4), std::make_pair(0, 1));
    EXPECT_EQ(layout(AlphaInfo::noneSkipLast, 4), std::make_pair(-1, 0));
    EXPECT_EQ(layout(AlphaInfo::noneSkipFirst, 4), std::make_pair(-1, 1));
    EXPECT_EQ(layout(AlphaInfo::alphaOnly, 1), std::make_pair(0, 0));
}
