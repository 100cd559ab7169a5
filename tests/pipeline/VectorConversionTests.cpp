#include "ConversionTesting.h"

#include "ImageEngine/Core/ConversionError.h"
#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "platform/FilePath.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using testing_support::TemporaryFolder;

// A drawing that is drawn afresh at every size asked: red on the left half, blue on the right.
class HalvesDrawing : public VectorSource {
public:
    explicit HalvesDrawing(platform::Size size) : size_(size) {}
    platform::Size intrinsicSize() const override { return size_; }
    platform::ImageRef render(double width, double height) const override {
        const auto w = static_cast<std::int64_t>(std::lround(width));
        const auto h = static_cast<std::int64_t>(std::lround(height));
        auto pixels = std::make_shared<platform::Bytes>(static_cast<std::size_t>(w * h * 4), 0);
        for (std::int64_t y = 0; y < h; ++y)
            for (std::int64_t x = 0; x < w; ++x) {
                auto* p = pixels->data() + (y * w + x) * 4;
                p[x < w / 2 ? 0 : 2] = 255;
                p[3] = 255;
            }
        return platform::Image::make(w, h, 8, 4, platform::AlphaInfo::premultipliedLast, platform::ColourSpace::sRGB(),
                                     pixels, static_cast<std::size_t>(w * 4));
    }

private:
    platform::Size size_;
};

// Reads documents of one type as drawings of a fixed intrinsic size.
class DrawingDecoder : public ImageDecoder {
public:
    DrawingDecoder(platform::ContentType type, platform::Size size) : types_{type}, type_(type), size_(size) {}
    const std::unordered_set<platform::ContentType>& readableTypes() const override { return types_; }
    ImageProperties properties(const std::filesystem::path& url) const override {
        ImageProperties properties;
        properties.pixelWidth = static_cast<std::int64_t>(size_.width);
        properties.pixelHeight = static_cast<std::int64_t>(size_.height);
        properties.hasAlpha = true;
        properties.isVector = true;
        properties.sourceUTType = type_;
        properties.byteCount = static_cast<std::int64_t>(std::filesystem::file_size(url));
        return properties;
    }
    DecodedImage decode(const std::filesystem::path& url) const override {
        return DecodedImage::vector(std::make_shared<HalvesDrawing>(size_), properties(url));
    }

private:
    std::unordered_set<platform::ContentType> types_;
    platform::ContentType type_;
    platform::Size size_;
};

ConversionEngine drawingEngine(const platform::ContentType& type, platform::Size size) {
    return ConversionEngine(DecoderRegistry({std::make_shared<const DrawingDecoder>(type, size)}),
                            EncoderRegistry::standard(), SourceOptimiserRegistry({}));
}

TEST(VectorConversion, ADrawingIsDrawnAtTheWantedSizeEvenLargerThanItsOwn) {
    TemporaryFolder folder;
    const auto path = folder.write("drawing.pdf", {'%', 'P', 'D', 'F'});
    const auto engine = drawingEngine(platform::ContentType::pdf(), {40, 20});
    auto spec = specFor(OutputFormat::png());
    spec.sizing = ResizeSpec::scale(2);
    spec.namePattern = "{name}@{scale}x";
    const auto result = engine.convert(path, spec, 1, EncodeEffort::final);
    EXPECT_EQ(result.pixelSize, (platform::Size{80, 40}));
    EXPECT_TRUE(result.warnings.empty());
    EXPECT_EQ(result.suggestedFileName, "drawing@2x.png");
    const auto image = decodedOutput(result, folder);
    EXPECT_PRED3(near, colourAt(*image, 10, 20), (std::array<int, 4>{255, 0, 0, 255}), 0);
    EXPECT_PRED3(near, colourAt(*image, 70, 20), (std::array<int, 4>{0, 0, 255, 255}), 0);
}

TEST(VectorConversion, AQuarterTurnIsSizedAfterTheTurnAndDrawnBeforeIt) {
    TemporaryFolder folder;
    const auto path = folder.write("drawing.pdf", {'%', 'P', 'D', 'F'});
    const auto engine = drawingEngine(platform::ContentType::pdf(), {40, 20});
    auto spec = specFor(OutputFormat::png());
    spec.sizing = ResizeSpec::fit(10, std::nullopt);
    spec.adjustments.reorientation = Reorientation(1, false);
    const auto result = engine.convert(path, spec, 1, EncodeEffort::final);
    EXPECT_EQ(result.pixelSize, (platform::Size{10, 20}));
    const auto image = decodedOutput(result, folder);
    // Turned right, the red left half is on top.
    EXPECT_PRED3(near, colourAt(*image, 5, 4), (std::array<int, 4>{255, 0, 0, 255}), 0);
    EXPECT_PRED3(near, colourAt(*image, 5, 15), (std::array<int, 4>{0, 0, 255, 255}), 0);
}

TEST(VectorConversion, ADrawingWrittenBackIntoItsOwnFormatSaysItWasRasterised) {
    TemporaryFolder folder;
    const auto path = folder.write("drawing.pdf", {'%', 'P', 'D', 'F'});
    const auto engine = drawingEngine(platform::ContentType::pdf(), {40, 20});
    ASSERT_TRUE(engine.encoders().hasEncoder(OutputFormat::pdf()));
    auto spec = specFor(OutputFormat::pdf());
    spec.sizing = ResizeSpec::percentage(0.5);
    const auto result = engine.convert(path, spec, 1, EncodeEffort::final);
    EXPECT_EQ(result.warnings, std::vector{ConversionWarning::vectorRasterised(20, 10)});
    EXPECT_EQ(result.pixelSize, (platform::Size{20, 10}));
}

TEST(VectorConversion, ADrawingWithoutASizeCannotBeDrawn) {
    TemporaryFolder folder;
    const auto path = folder.write("flat.pdf", {'%', 'P', 'D', 'F'});
    const auto engine = drawingEngine(platform::ContentType::pdf(), {40, 0});
    for (const auto& format : {OutputFormat::png(), OutputFormat::ico()}) {
        try {
            engine.convert(path, specFor(format), 1, EncodeEffort::final);
            ADD_FAILURE() << "a drawing without a height was drawn as " << format.id();
        } catch (const ConversionError& error) {
            EXPECT_EQ(error, ConversionError::renderFailed(RenderFailure::vectorHasNoSize()));
        }
    }
}

TEST(VectorConversion, IconsOfADrawingFillEveryRung) {
    TemporaryFolder folder;
    const auto path = folder.write("drawing.pdf", {'%', 'P', 'D', 'F'});
    const auto engine = drawingEngine(platform::ContentType::pdf(), {30, 20});
    const auto result = engine.convert(path, specFor(OutputFormat::ico()), 1, EncodeEffort::final);
    EXPECT_TRUE(result.warnings.empty());
    EXPECT_EQ(result.pixelSize, (platform::Size{256, 256}));
}

} // namespace
