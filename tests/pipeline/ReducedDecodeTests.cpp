#include "ConversionTesting.h"

#include "ImageEngine/Decoding/ImageIODecoder.h"
#include "ImageEngine/Model/ConversionError.h"
#include "platform/base/Cancellation.h"
#include "platform/text/TextFormat.h"
#include "support/EncodedSamples.h"
#include "support/ExifSamples.h"
#include "support/JPEGSamples.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>
#include <vips/vips.h>

#include <chrono>
#include <cmath>
#include <future>
#include <thread>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using testing_support::TemporaryFolder;

// A photograph Debian ships with GIMP: a forest floor in soft light with sharp type over it.
const char* const photograph = "/usr/share/gimp/2.0/images/gimp-splash.png";

// The raster decoder, always decoding the whole picture: the way every picture went before
// pictures were decoded at a reduced size.
class WholeDecoder final : public ImageDecoder {
public:
    const std::unordered_set<platform::ContentType>& readableTypes() const override { return real_.readableTypes(); }
    ImageProperties properties(const std::filesystem::path& url) const override { return real_.properties(url); }
    DecodedImage decode(const std::filesystem::path& url) const override { return real_.decode(url); }
    DecodedImage decodeFor(const std::filesystem::path& url, const DecodeRequest& request) const override {
        DecodeRequest whole = request;
        whole.drawnSize = nullptr;
        return real_.decodeFor(url, whole);
    }

private:
    ImageIODecoder real_;
};

const ConversionEngine& wholeEngine() {
    static const ConversionEngine engine(DecoderRegistry({std::make_shared<const WholeDecoder>()}),
                                         EncoderRegistry::standard(), SourceOptimiserRegistry::standard());
    return engine;
}

// The photograph saved by libvips with the given suffix and options ("[Q=95]").
platform::Bytes photographAs(const char* suffixAndOptions) {
    VipsImage* image = vips_image_new_from_file(photograph, nullptr);
    if (!image) return {};
    void* buffer = nullptr;
    std::size_t length = 0;
    const int failed = vips_image_write_to_buffer(image, suffixAndOptions, &buffer, &length, nullptr);
    g_object_unref(image);
    if (failed) return {};
    platform::Bytes bytes(static_cast<std::uint8_t*>(buffer), static_cast<std::uint8_t*>(buffer) + length);
    g_free(buffer);
    return bytes;
}

// Peak signal to noise of the colour of two pictures of one size, in dB.
double psnr(const platform::Image& a, const platform::Image& b) {
    double squares = 0;
    for (std::int64_t y = 0; y < a.height(); ++y) {
        for (std::int64_t x = 0; x < a.width(); ++x) {
            const auto one = colourAt(a, x, y);
            const auto two = colourAt(b, x, y);
            for (int c = 0; c < 3; ++c) squares += std::pow(one[static_cast<std::size_t>(c)] - two[static_cast<std::size_t>(c)], 2);
        }
    }
    const double mean = squares / static_cast<double>(a.width() * a.height() * 3);
    return mean == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 / mean);
}

class ReducedDecode : public testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(photograph)) GTEST_SKIP() << "GIMP's splash photograph is not installed";
    }

    // The conversion of the file to PNG at the sizing, by the standard engine and by one that
    // decodes the whole picture, both read back.
    std::pair<platform::ImageRef, platform::ImageRef> bothWays(const std::filesystem::path& source, ResizeSpec sizing,
                                                               Reorientation turn = {}) {
        auto spec = specFor(OutputFormat::png());
        spec.sizing = sizing;
        spec.adjustments.reorientation = turn;
        const auto reduced = standardEngine().convert(source, spec, 1, EncodeEffort::final);
        const auto whole = wholeEngine().convert(source, spec, 1, EncodeEffort::final);
        EXPECT_EQ(reduced.pixelSize, whole.pixelSize);
        return {decodedOutput(reduced, folder), decodedOutput(whole, folder, whole.pixelSize)};
    }

    TemporaryFolder folder;
};

} // namespace

// A picture drawn far smaller than it is stored is decoded smaller, by libjpeg's scaling, by
// libwebp's, or by averaging rows as they are read, and what is drawn from it differs from the
// drawing of the whole picture by less than the eye sees.
TEST_F(ReducedDecode, APhotographDrawnSmallIsDecodedSmallAndLooksAsIfDecodedWhole) {
    const auto jpeg = folder.write("photo.jpg", photographAs(".jpg[Q=95]"));
    const auto png = std::filesystem::path(photograph);
    const auto webp = folder.write("photo.webp", photographAs(".webp[Q=95]"));
    for (const auto& source : {jpeg, png, webp}) {
        SCOPED_TRACE(source.filename().string());
        // Drawn at 240 x 135, an eighth: decoded at a half, the largest reduction that keeps
        // three times the drawn size.
        DecodeRequest request;
        request.drawnSize = [](const ImageProperties&) { return PixelDimensions{240, 135}; };
        const auto decoded = ImageIODecoder().decodeFor(source, request);
        EXPECT_EQ(decoded.asRaster()->image->width(), 960);
        EXPECT_EQ(decoded.asRaster()->image->height(), 540);
        EXPECT_TRUE(decoded.asRaster()->isReduced());

        for (const auto& sizing : {ResizeSpec::scale(0.125), ResizeSpec::percentage(0.03)}) {
            const auto [reduced, whole] = bothWays(source, sizing);
            EXPECT_GE(psnr(*reduced, *whole), 45);
        }
    }
}

// The last column and row of a picture decoded at a reduced size stand for stored pixels past
// its edge; drawn turned or flipped, the picture still lands where its pixels were.
TEST_F(ReducedDecode, ATurnedPictureWhoseSidesAreNoMultipleOfTheReductionLandsInPlace) {
    VipsImage* image = vips_image_new_from_file(photograph, nullptr);
    ASSERT_TRUE(image);
    VipsImage* cut = nullptr;
    // 1909 x 1069, drawn at 100 x 56, is decoded at a sixth: its last column stands for one
    // stored pixel and five past the edge, and so does its last row.
    ASSERT_EQ(vips_crop(image, &cut, 0, 0, 1909, 1069, nullptr), 0);
    g_object_unref(image);
    void* buffer = nullptr;
    std::size_t length = 0;
    ASSERT_EQ(vips_image_write_to_buffer(cut, ".jpg[Q=95,strip]", &buffer, &length, nullptr), 0);
    g_object_unref(cut);
    const platform::Bytes plain(static_cast<std::uint8_t*>(buffer), static_cast<std::uint8_t*>(buffer) + length);
    g_free(buffer);
    for (int orientation : {1, 2, 6, 7}) {
        SCOPED_TRACE(orientation);
        const auto tagged = testing_support::withSegmentAfterSOI(
            plain, 0xE1, testing_support::withExifMarker(testing_support::exifBlock(false, orientation)));
        const auto source = folder.write("turned-" + std::to_string(orientation) + ".jpg", tagged);
        for (const auto& turn : {Reorientation::none(), Reorientation(1, true)}) {
            const auto [reduced, whole] = bothWays(source, ResizeSpec::longestEdge(100), turn);
            const bool swapped = (orientation >= 5) != turn.swapsAxes();
            EXPECT_EQ(reduced->width(), swapped ? 56 : 100);
            EXPECT_GE(psnr(*reduced, *whole), 45);
        }
    }
}

// A picture larger than what is free waits for the conversions holding memory to end, and
// then runs; one larger than the whole memory is refused, the details naming what it needs:
// from its header, before it is read, its file and its pixels.
TEST(PixelMemoryOfConversions, APictureLargerThanWhatIsFreeWaitsAndOneLargerThanAllIsRefused) {
    TemporaryFolder folder;
    const auto source = folder.write("photo.jpg", testing_support::makeJpeg(400, 300));
    // 400 x 300 RGB takes 360,000 bytes, and its half drawn beside it 90,000 more.
    const auto memory = std::make_shared<PixelMemory>(500'000);
    const ConversionEngine engine(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                  SourceOptimiserRegistry::standard(), memory);
    auto spec = specFor(OutputFormat::png());
    spec.sizing = ResizeSpec::percentage(0.5);

    auto other = PixelMemory::tryHold(memory, 200'000);
    auto conversion = std::async(std::launch::async, [&] { return engine.convert(source, spec, 1, EncodeEffort::final); });
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (memory->waiting() == 0 && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
    ASSERT_EQ(memory->waiting(), 1) << "the conversion should wait for the memory another holds";
    other.reset();
    EXPECT_EQ(conversion.get().pixelSize, (platform::Size{200, 150}));
    EXPECT_EQ(memory->heldBytes(), 0u);

    const ConversionEngine small(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                 SourceOptimiserRegistry::standard(), std::make_shared<PixelMemory>(300'000));
    const auto error = testing_support::thrown<ConversionError>([&] { small.convert(source, spec, 1, EncodeEffort::final); });
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, ConversionError::imageTooLarge(400, 300));
    EXPECT_EQ(error->diagnostic(), "imageTooLarge(400.0 by 300.0) because converting it takes at least " +
                                       platform::byteCount(static_cast<std::int64_t>(std::filesystem::file_size(source)) + 360'000) +
                                       " of memory, more than the 300 kB all conversions together may hold on this computer");
}

// A conversion is admitted for what it holds at its peak, not for its decoded pixels alone: a
// progressive JPEG's decoder keeps the coefficients of the whole stored picture however small
// it decodes it, so the same photograph needs more memory progressive than baseline.
TEST_F(ReducedDecode, AProgressiveJPEGIsAdmittedForTheCoefficientsItsDecoderKeeps) {
    const auto baseline = folder.write("baseline.jpg", photographAs(".jpg[Q=85]"));
    const auto progressive = folder.write("progressive.jpg", photographAs(".jpg[Q=85,interlace]"));
    auto spec = specFor(OutputFormat::jpeg());
    spec.sizing = ResizeSpec::longestEdge(192);
    // Decoded at a half, 960 x 540 RGB take 1.6 MB; the coefficients of 1920 x 1080 at 4:2:0, 6.2 MB.
    const auto memory = std::make_shared<PixelMemory>(4'000'000);
    const ConversionEngine engine(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                  SourceOptimiserRegistry::standard(), memory);
    EXPECT_EQ(engine.convert(baseline, spec, 1, EncodeEffort::final).pixelSize, (platform::Size{192, 108}));
    const auto error = testing_support::thrown<ConversionError>([&] { engine.convert(progressive, spec, 1, EncodeEffort::final); });
    ASSERT_TRUE(error) << "the coefficients do not fit beside the pixels";
    EXPECT_EQ(*error, ConversionError::imageTooLarge(1920, 1080));

    const ConversionEngine roomier(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                   SourceOptimiserRegistry::standard(), std::make_shared<PixelMemory>(10'000'000));
    EXPECT_EQ(roomier.convert(progressive, spec, 1, EncodeEffort::final).pixelSize, (platform::Size{192, 108}));
}

// A conversion no longer wanted stops reading its picture at the next strip of rows instead of
// reading it to its end.
TEST_F(ReducedDecode, ADecodeAskedToStopGivesUpBeforeItsPixelsAreRead) {
    const auto png = std::filesystem::path(photograph);
    std::stop_source stop;
    stop.request_stop();
    DecodeRequest request;
    request.stop = stop.get_token();
    EXPECT_THROW(ImageIODecoder().decodeFor(png, request), platform::CancellationError);
}

// A few hundred bytes of PNG declaring 200,000 x 200,000 pixels would be read row by row for
// minutes to be drawn small; it is refused before a row is read, as it was when drawn whole.
TEST(PixelMemoryOfConversions, APictureWithMorePixelsThanTheMemoryHasBytesIsNotReadToBeDrawnSmall) {
    TemporaryFolder folder;
    const auto bomb = folder.write("bomb.png", testing_support::pngDeclaring(200'000));
    auto spec = specFor(OutputFormat::png());
    spec.sizing = ResizeSpec::longestEdge(100);
    const auto error = testing_support::thrown<ConversionError>([&] { standardEngine().convert(bomb, spec, 1, EncodeEffort::final); });
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, ConversionError::imageTooLarge(200'000, 200'000));
}
