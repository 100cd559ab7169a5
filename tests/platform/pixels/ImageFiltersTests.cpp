#include "platform/pixels/ImageFilters.h"

#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace testing_support;

namespace {

// The first component of every pixel, row by row.
std::vector<std::vector<int>> labels(const Image& image) {
    std::vector<std::vector<int>> rows;
    for (std::int64_t y = 0; y < image.height(); ++y) {
        rows.emplace_back();
        for (std::int64_t x = 0; x < image.width(); ++x) rows.back().push_back(pixelAt(image, x, y)[0]);
    }
    return rows;
}

using Grid = std::vector<std::vector<int>>;

} // namespace

TEST(ImageFilters, OrientationsAreExactPermutations) {
    // Pixels labelled 1 to 6: what a viewer shows for each EXIF orientation.
    const std::vector<std::pair<std::uint32_t, Grid>> expected{
        {2, {{3, 2, 1}, {6, 5, 4}}},
        {3, {{6, 5, 4}, {3, 2, 1}}},
        {4, {{4, 5, 6}, {1, 2, 3}}},
        {5, {{1, 4}, {2, 5}, {3, 6}}},
        {6, {{4, 1}, {5, 2}, {6, 3}}},
        {7, {{6, 3}, {5, 2}, {4, 1}}},
        {8, {{3, 6}, {2, 5}, {1, 4}}},
    };
    auto grey = image8(3, 2, 1, AlphaInfo::none, ColourSpace::deviceGray(), {1, 2, 3, 4, 5, 6});
    std::vector<std::uint16_t> deepValues;
    for (std::uint16_t label = 1; label <= 6; ++label) deepValues.insert(deepValues.end(), {label, 7, 8, 65535});
    auto deep = image16(3, 2, 4, AlphaInfo::last, displayP3(), deepValues);

    for (const auto& [orientation, grid] : expected) {
        auto turned = ImageFilters::oriented(grey, orientation);
        ASSERT_TRUE(turned);
        EXPECT_EQ(labels(*turned), grid) << "orientation " << orientation;
        EXPECT_EQ(turned->colourSpace(), grey->colourSpace());

        auto turnedDeep = ImageFilters::oriented(deep, orientation);
        EXPECT_EQ(labels(*turnedDeep), grid) << "orientation " << orientation;
        EXPECT_EQ(turnedDeep->bitsPerComponent(), 16);
        EXPECT_EQ(turnedDeep->alphaInfo(), AlphaInfo::last);
        EXPECT_EQ(turnedDeep->colourSpace(), displayP3());
        EXPECT_EQ(pixelAt(*turnedDeep, 0, 0)[3], 65535);
    }
    EXPECT_EQ(ImageFilters::oriented(grey, 1), grey);
    EXPECT_EQ(ImageFilters::oriented(grey, 9), grey);

    // A large turn keeps every pixel: tiles must meet without gaps.
    std::vector<std::uint8_t> wide(131 * 70 * 3);
    for (std::size_t i = 0; i < wide.size(); ++i) wide[i] = static_cast<std::uint8_t>(i * 7);
    auto big = image8(131, 70, 3, AlphaInfo::none, ColourSpace::sRGB(), wide);
    auto back = ImageFilters::oriented(ImageFilters::oriented(big, 6), 8);
    EXPECT_EQ(*back->buffer(), *big->buffer());
}

TEST(ImageFilters, LuminanceMatrixWeighsLinearLightAndPassesAlpha) {
    auto colours = image8(4, 1, 3, AlphaInfo::none, ColourSpace::sRGB(),
                          {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255});
    auto grey = ImageFilters::luminanceMatrix(colours, {});
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->alphaInfo(), AlphaInfo::noneSkipLast); // opaque stays opaque
    EXPECT_TRUE(grey->colourSpace()->isSRGB());
    // Rec. 709 weights of linear red, green and blue, encoded with the sRGB curve again.
    const int weighed[] = {127, 220, 76, 255};
    for (int x = 0; x < 4; ++x) EXPECT_EQ(pixelAt(*grey, x, 0), (std::vector<int>{weighed[x], weighed[x], weighed[x], 255}));

    // A wide-gamut image with alpha keeps its space and its alpha.
    auto translucent = image8(1, 1, 4, AlphaInfo::last, displayP3(), {255, 0, 0, 100});
    auto kept = ImageFilters::luminanceMatrix(translucent, {});
    EXPECT_EQ(kept->colourSpace(), displayP3());
    EXPECT_EQ(kept->alphaInfo(), AlphaInfo::premultipliedLast);
    const auto pixel = pixelAt(*kept, 0, 0);
    EXPECT_EQ(pixel[3], 100);
    EXPECT_NEAR(pixel[0], 127 * 100 / 255, 1);
    EXPECT_TRUE(pixel[1] == pixel[0] && pixel[2] == pixel[0]);

    // CMYK has no RGB of its own: the grey comes out in sRGB.
    auto cmyk = image8(1, 1, 4, AlphaInfo::none, nullptr, {0, 0, 0, 0});
    auto fromCMYK = ImageFilters::luminanceMatrix(cmyk, {});
    EXPECT_TRUE(fromCMYK->colourSpace()->isSRGB());
    EXPECT_EQ(pixelAt(*fromCMYK, 0, 0), (std::vector<int>{255, 255, 255, 255}));
}

TEST(ImageFilters, CropsToWholePixelsInsideTheImage) {
    auto image = image8(3, 3, 1, AlphaInfo::none, ColourSpace::deviceGray(), {1, 2, 3, 4, 5, 6, 7, 8, 9});
    auto middle = ImageFilters::cropped(image, {{1.2, 0.5}, {1.5, 1}});
    ASSERT_TRUE(middle);
    EXPECT_EQ(labels(*middle), (Grid{{2, 3}, {5, 6}}));
    auto clipped = ImageFilters::cropped(image, {{2, 2}, {10, 10}});
    EXPECT_EQ(labels(*clipped), (Grid{{9}}));
    EXPECT_FALSE(ImageFilters::cropped(image, {{3, 0}, {1, 1}}));
    EXPECT_FALSE(ImageFilters::cropped(image, {{0, 0}, {0, 2}}));
    EXPECT_EQ(ImageFilters::cropped(image, {{0, 0}, {3, 3}}), image);
}
