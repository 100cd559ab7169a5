#include "ImageEngine/Core/ConversionResult.h"
#include "ImageEngine/Core/DecodedImage.h"
#include "ImageEngine/Core/ImageProperties.h"

#include "support/SampleImages.h"

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

class UndrawnVector : public VectorSource {
public:
    platform::Size intrinsicSize() const override { return {16, 8}; }
    platform::ImageRef render(double, double) const override { return nullptr; }
};

} // namespace

TEST(ImageProperties, OrientedSizeSwapsForTheQuarterTurnsOnly) {
    for (std::uint32_t orientation = 0; orientation <= 9; ++orientation) {
        const bool quarter = orientation >= 5 && orientation <= 8;
        EXPECT_EQ(photo(orientation).orientedPixelSize(), (quarter ? platform::Size{3000, 4000} : platform::Size{4000, 3000}))
            << orientation;
        EXPECT_EQ(photo(orientation).pixelSize(), (platform::Size{4000, 3000}));
    }
}

TEST(DecodedImage, VectorsMayGrowAndRastersMayNot) {
    const auto vector = DecodedImage::vector(std::make_shared<UndrawnVector>(), photo(1));
    EXPECT_TRUE(vector.allowsUpscale());
    ASSERT_NE(vector.asVector(), nullptr);
    const auto image = testing_support::solidImage(4, 3, 1, 2, 3);
    const auto raster = DecodedImage::raster(image, photo(6));
    EXPECT_FALSE(raster.allowsUpscale());
    EXPECT_EQ(raster.properties().orientation, 6u);
    ASSERT_NE(raster.asRaster(), nullptr);
    EXPECT_EQ(raster.asRaster()->image, image);
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
