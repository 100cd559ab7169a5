#include "ImageEngine/Core/ConversionResult.h"
#include "ImageEngine/Core/DecodedImage.h"
#include "ImageEngine/Core/ImageProperties.h"

#include <gtest/gtest.h>

using namespace pictavo;

namespace {

ImageProperties photo(std::uint32_t orientation) {
    ImageProperties properties;
    properties.pixelWidth = 4000;
    properties.pixelHeight = 3000;
    properties.orientation = orientation;
    return properties;
}

// A vector page that draws itself as a grey bitmap of the asked size.
class FlatVector : public VectorSource {
public:
    platform::Size intrinsicSize() const override { return {16, 8}; }
    platform::ImageRef render(double width, double height) const override {
        const auto w = static_cast<std::int64_t>(width);
        const auto h = static_cast<std::int64_t>(height);
        auto pixels = std::make_shared<const platform::Bytes>(static_cast<std::size_t>(w * h), 128);
        return platform::Image::make(w, h, 8, 1, platform::AlphaInfo::none, platform::ColourSpace::deviceGray(), pixels,
                                     static_cast<std::size_t>(w));
    }
};

} // namespace

TEST(ImageProperties, OrientedSizeSwapsForTheQuarterTurns) {
    for (std::uint32_t orientation = 1; orientation <= 4; ++orientation) {
        EXPECT_EQ(photo(orientation).orientedPixelSize(), (platform::Size{4000, 3000})) << orientation;
    }
    for (std::uint32_t orientation = 5; orientation <= 8; ++orientation) {
        EXPECT_EQ(photo(orientation).orientedPixelSize(), (platform::Size{3000, 4000})) << orientation;
    }
    EXPECT_EQ(photo(9).orientedPixelSize(), (platform::Size{4000, 3000}));
    EXPECT_EQ(photo(6).pixelSize(), (platform::Size{4000, 3000}));
}

TEST(ImageProperties, CountsAndDefaults) {
    ImageProperties properties = photo(1);
    EXPECT_FALSE(properties.isAnimated());
    EXPECT_FALSE(properties.isMultiPage());
    EXPECT_FALSE(properties.colourSpaceName);
    EXPECT_FALSE(properties.sourceUTType);
    EXPECT_FALSE(properties.preserved);
    properties.frameCount = 2;
    properties.pageCount = 2;
    EXPECT_TRUE(properties.isAnimated());
    EXPECT_TRUE(properties.isMultiPage());
}

TEST(DecodedImage, VectorsMayGrowAndRastersMayNot) {
    const auto vector = std::make_shared<FlatVector>();
    ImageProperties vectorProperties = photo(1);
    vectorProperties.isVector = true;
    const auto page = DecodedImage::vector(vector, vectorProperties);
    EXPECT_TRUE(page.allowsUpscale());
    EXPECT_TRUE(page.properties().isVector);
    ASSERT_NE(page.asVector(), nullptr);
    const auto drawn = page.asVector()->source->render(32, 16);
    ASSERT_TRUE(drawn);
    EXPECT_EQ(drawn->width(), 32);

    const auto raster = DecodedImage::raster(drawn, photo(6));
    EXPECT_FALSE(raster.allowsUpscale());
    EXPECT_EQ(raster.properties().orientation, 6u);
    ASSERT_NE(raster.asRaster(), nullptr);
    // Copies share the very same image.
    const DecodedImage copy = raster;
    EXPECT_EQ(copy.asRaster()->image, drawn);
}

TEST(ConversionResult, SavingsAreAShareOfTheSource) {
    auto result = [](std::size_t outputBytes, std::int64_t sourceBytes) {
        return ConversionResult{std::make_shared<const platform::Bytes>(outputBytes, 0), {10, 10}, OutputFormat::png(),
                                "a.png", sourceBytes, {}};
    };
    EXPECT_DOUBLE_EQ(result(250, 1000).savingsFraction(), 0.75);
    EXPECT_DOUBLE_EQ(result(1500, 1000).savingsFraction(), -0.5);
    EXPECT_EQ(result(1500, 0).savingsFraction(), 0);
    EXPECT_EQ(result(1500, -4).savingsFraction(), 0);
    EXPECT_EQ(result(1500, 0).byteCount(), 1500);
}
