#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Stages/IconLadderStage.h"
#include "ImageEngine/Model/IconLadder.h"
#include "platform/pixels/BitmapContext.h"
#include "platform/base/Cancellation.h"

#include "support/ConversionErrorCapture.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace pictavo;
using namespace platform;
using namespace testing_support;

namespace {

// A vector page drawn on demand: a blue field at whatever size is asked, counting its renders.
class BlueField : public VectorSource {
public:
    explicit BlueField(Size size) : size_(size) {}
    Size intrinsicSize() const override { return size_; }
    ImageRef render(double width, double height) const override {
        ++renders;
        auto context = BitmapContext::create(static_cast<std::int64_t>(width), static_cast<std::int64_t>(height),
                                             ColourSpace::sRGB(), BitmapLayout::premultipliedLast);
        context->fill({{0, 0}, {width, height}}, {0, 0, 1, 1});
        return context->makeImage();
    }
    mutable int renders = 0;

private:
    Size size_;
};

ImageProperties propertiesOf(std::int64_t width, std::int64_t height, std::uint32_t orientation = 1) {
    ImageProperties properties;
    properties.pixelWidth = width;
    properties.pixelHeight = height;
    properties.orientation = orientation;
    return properties;
}

DecodedImage rasterPage(std::int64_t width, std::int64_t height, std::uint32_t orientation = 1) {
    return DecodedImage::raster(filled8(width, height, AlphaInfo::none, ColourSpace::sRGB(), {255, 0, 0}),
                                propertiesOf(width, height, orientation));
}

int alphaAt(const ImageRef& image, std::int64_t x, std::int64_t y) { return pixelAt(*image, x, y)[3]; }

} // namespace

TEST(IconLadder, BelongsToTheTwoIconFormatsOnlyAndKnowsItsSmallestSide) {
    EXPECT_EQ(IconLadder::forFormat(OutputFormat::icns()), IconLadder::macOS());
    EXPECT_EQ(IconLadder::forFormat(OutputFormat::ico()), IconLadder::windows());
    EXPECT_FALSE(IconLadder::forFormat(OutputFormat::png()));
    EXPECT_FALSE(IconLadder::forFormat(OutputFormat::sameAsSource()));
    EXPECT_EQ((IconLadder{{32, 8, 64}}.smallest()), 8);
    EXPECT_EQ(IconLadder{}.smallest(), 0);
}

TEST(IconLadderStage, DropsSizesLargerThanARasterSourceAndCentresTheRest) {
    const auto ladder = IconLadderStage::render(rasterPage(300, 200), IconLadder::macOS(), false);
    EXPECT_EQ(ladder.dropped, (std::vector<std::int64_t>{1024, 512}));
    ASSERT_EQ(ladder.images.size(), 5u);
    const std::vector<std::int64_t> sides{256, 128, 64, 32, 16};
    for (std::size_t i = 0; i < sides.size(); ++i)
        EXPECT_EQ(std::tuple(ladder.images[i]->width(), ladder.images[i]->height(), ladder.images[i]->alphaInfo()),
                  std::tuple(sides[i], sides[i], AlphaInfo::premultipliedLast));
    // 256 x 171 centred at a vertical offset of 42.5: transparent bands above and below.
    const auto& top = ladder.images[0];
    EXPECT_EQ(alphaAt(top, 128, 0), 0);
    EXPECT_EQ(alphaAt(top, 128, 41), 0);
    EXPECT_NEAR(alphaAt(top, 128, 42), 128, 1);
    EXPECT_EQ(pixelAt(*top, 128, 43), (std::vector<int>{255, 0, 0, 255}));
    EXPECT_EQ(pixelAt(*top, 0, 212), (std::vector<int>{255, 0, 0, 255}));
    EXPECT_NEAR(alphaAt(top, 128, 213), 128, 1);
    EXPECT_EQ(alphaAt(top, 128, 255), 0);
}

TEST(IconLadderStage, DrawsAVectorAtEverySizeWithUpscaling) {
    auto field = std::make_shared<BlueField>(Size{300, 200});
    ImageProperties properties = propertiesOf(300, 200);
    properties.isVector = true;
    const auto ladder = IconLadderStage::render(DecodedImage::vector(field, properties), IconLadder::macOS(), true);
    EXPECT_TRUE(ladder.dropped.empty());
    ASSERT_EQ(ladder.images.size(), 7u);
    EXPECT_EQ(ladder.images[0]->width(), 1024);
    EXPECT_EQ(field->renders, 7);
    // Drawn at 1024 x 683, centred at 170.5.
    EXPECT_EQ(alphaAt(ladder.images[0], 500, 169), 0);
    EXPECT_NEAR(alphaAt(ladder.images[0], 500, 170), 128, 1);
    EXPECT_EQ(pixelAt(*ladder.images[0], 500, 171), (std::vector<int>{0, 0, 255, 255}));
}

TEST(IconLadderStage, ASquareSourceOfARungSizeIsThatRungALineIsCentredAtAHalfPixelAndARasterIsTurnedUprightFirst) {
    const auto page = rasterPage(512, 512);
    const auto ladder = IconLadderStage::render(page, IconLadder::macOS(), false);
    EXPECT_EQ(ladder.dropped, (std::vector<std::int64_t>{1024}));
    ASSERT_EQ(ladder.images.size(), 6u);
    EXPECT_EQ(ladder.images[0], page.asRaster()->image);
    EXPECT_EQ(ladder.images[0]->alphaInfo(), AlphaInfo::none);

    const auto line = IconLadderStage::render(rasterPage(1000, 1), IconLadder{{16}}, false);
    ASSERT_EQ(line.images.size(), 1u);
    const auto& rung = line.images[0];
    for (std::int64_t y = 0; y < 16; ++y) {
        if (y == 7 || y == 8) EXPECT_NEAR(alphaAt(rung, 3, y), 128, 1) << y;
        else EXPECT_EQ(alphaAt(rung, 3, y), 0) << y;
    }
    EXPECT_EQ(alphaAt(rung, 0, 7), alphaAt(rung, 0, 8));

    // Stored 200 x 100 with a green left half; orientation 6 shows it 100 x 200, green on top.
    std::vector<std::uint8_t> stored;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) stored.insert(stored.end(), {0, std::uint8_t(x < 100 ? 255 : 0), 0});
    const auto turnedPage = DecodedImage::raster(image8(200, 100, 3, AlphaInfo::none, ColourSpace::sRGB(), stored),
                                                 propertiesOf(200, 100, 6));
    const auto turned = IconLadderStage::render(turnedPage, IconLadder{{32}}, false);
    const auto& turnedRung = turned.images[0];
    EXPECT_EQ(pixelAt(*turnedRung, 16, 2), (std::vector<int>{0, 255, 0, 255}));
    EXPECT_EQ(pixelAt(*turnedRung, 16, 29), (std::vector<int>{0, 0, 0, 255}));
    EXPECT_EQ(alphaAt(turnedRung, 2, 16), 0);
}

TEST(IconLadderStage, FailsWhenNothingFitsOrTheVectorHasNoSizeAndStopsWhenCancelled) {
    EXPECT_EQ(thrownBy([] { IconLadderStage::render(rasterPage(10, 10), IconLadder::windows(), false); }),
              ConversionError::sourceTooSmallForIcon(16));
    EXPECT_EQ(thrownBy([] { IconLadderStage::render(rasterPage(10, 10), IconLadder{}, false); }),
              ConversionError::sourceTooSmallForIcon(0));
    auto flat = std::make_shared<BlueField>(Size{300, 0});
    EXPECT_EQ(thrownBy([&] { IconLadderStage::render(DecodedImage::vector(flat, propertiesOf(300, 0)),
                                                     IconLadder::macOS(), true); }),
              ConversionError::renderFailed(RenderFailure::vectorHasNoSize()));
    EXPECT_EQ(flat->renders, 0);

    std::stop_source stop;
    stop.request_stop();
    auto field = std::make_shared<BlueField>(Size{64, 64});
    EXPECT_THROW(IconLadderStage::render(DecodedImage::vector(field, propertiesOf(64, 64)), IconLadder::macOS(), true,
                                         stop.get_token()),
                 CancellationError);
    EXPECT_EQ(field->renders, 0);
}
