#include "ConversionTesting.h"

#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "platform/pixels/BitmapContext.h"
#include "support/ConversionErrorCapture.h"

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
        const auto w = std::lround(width), h = std::lround(height);
        auto context = platform::BitmapContext::create(w, h, platform::ColourSpace::sRGB(),
                                                       platform::BitmapLayout::premultipliedLast);
        const auto half = static_cast<double>(w / 2);
        context->fill({{0, 0}, {half, static_cast<double>(h)}}, {1, 0, 0, 1});
        context->fill({{half, 0}, {static_cast<double>(w) - half, static_cast<double>(h)}}, {0, 0, 1, 1});
        return context->makeImage();
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

// A 40 x 20 drawing, unless the test asks for another size, in a file of its own.
class VectorConversion : public testing::Test {
protected:
    ConversionResult convert(const OutputSpec& spec, platform::Size size = {40, 20}) const {
        const ConversionEngine engine(DecoderRegistry({std::make_shared<const DrawingDecoder>(platform::ContentType::pdf(), size)}),
                                      EncoderRegistry::standard(), SourceOptimiserRegistry({}));
        return engine.convert(path, spec, 1, EncodeEffort::final);
    }

    TemporaryFolder folder;
    const std::filesystem::path path = folder.write("drawing.pdf", {'%', 'P', 'D', 'F'});
};

TEST_F(VectorConversion, ADrawingIsDrawnAtTheWantedSizeEvenLargerThanItsOwnAfterItsTurnAndSaysWhenItWasRasterised) {
    auto spec = specFor(OutputFormat::png());
    spec.sizing = ResizeSpec::scale(2);
    spec.namePattern = "{name}@{scale}x";
    const auto result = convert(spec);
    EXPECT_TRUE(result.warnings.empty());
    EXPECT_EQ(result.suggestedFileName, "drawing@2x.png");
    const auto image = decodedOutput(result, folder, {80, 40});
    EXPECT_PRED3(near, colourAt(*image, 10, 20), (std::array<int, 4>{255, 0, 0, 255}), 0);
    EXPECT_PRED3(near, colourAt(*image, 70, 20), (std::array<int, 4>{0, 0, 255, 255}), 0);

    // Written back into its own format, a drawing is no longer a drawing.
    auto pdf = specFor(OutputFormat::pdf());
    pdf.sizing = ResizeSpec::percentage(0.5);
    const auto rasterised = convert(pdf);
    EXPECT_EQ(rasterised.warnings, std::vector{ConversionWarning::vectorRasterised(20, 10)});
    EXPECT_EQ(rasterised.pixelSize, (platform::Size{20, 10}));

    // A quarter turn is sized after the turn and drawn before it.
    spec.sizing = ResizeSpec::fit(10, std::nullopt);
    spec.adjustments.reorientation = Reorientation(1, false);
    const auto turned = decodedOutput(convert(spec), folder, {10, 20});
    // Turned right, the red left half is on top.
    EXPECT_PRED3(near, colourAt(*turned, 5, 4), (std::array<int, 4>{255, 0, 0, 255}), 0);
    EXPECT_PRED3(near, colourAt(*turned, 5, 15), (std::array<int, 4>{0, 0, 255, 255}), 0);
}

TEST_F(VectorConversion, IconsOfADrawingFillEveryRungAndADrawingWithoutASizeCannotBeDrawn) {
    const auto result = convert(specFor(OutputFormat::ico()), {30, 20});
    EXPECT_TRUE(result.warnings.empty());
    EXPECT_EQ(result.pixelSize, (platform::Size{256, 256}));
    for (const auto& format : {OutputFormat::png(), OutputFormat::ico()})
        EXPECT_EQ(testing_support::thrownBy([&] { convert(specFor(format), {40, 0}); }),
                  ConversionError::renderFailed(RenderFailure::vectorHasNoSize()))
            << format.id();
}

} // namespace
