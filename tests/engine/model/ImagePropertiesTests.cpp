#include "ImageEngine/Model/ConversionResult.h"
#include "ImageEngine/Model/ImageProperties.h"

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

} // namespace

TEST(ImageProperties, OrientedSizeSwapsForTheQuarterTurnsOnly) {
    for (std::uint32_t orientation = 0; orientation <= 9; ++orientation) {
        const bool quarter = orientation >= 5 && orientation <= 8;
        const platform::Size shown = quarter ? platform::Size{3000, 4000} : platform::Size{4000, 3000};
        EXPECT_EQ(photo(orientation).orientedPixelSize(), shown) << orientation;
        EXPECT_EQ(photo(orientation).pixelSize(), (platform::Size{4000, 3000}));
    }
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
