#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Encoding/imageio/ImageIOEncoder.h"
#include "platform/read/ImageReader.h"
#include "platform/write/ImageWriter.h"
#include "support/ConversionErrorCapture.h"
#include "support/ExifSamples.h"
#include "support/SampleImages.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace pictavo;
using platform::AlphaInfo;
using platform::Bytes;
using platform::ImageRef;
using namespace testing_support;

namespace {

OutputFormat format(const char* identifier) { return OutputFormat(*platform::ContentType::withIdentifier(identifier)); }

EncodeOptions options(std::optional<std::int64_t> quality = std::nullopt,
                      std::optional<std::uint32_t> orientation = std::nullopt,
                      std::optional<PreservedProperties> preserved = std::nullopt) {
    return EncodeOptions(quality, orientation, std::move(preserved), EncodeEffort::final, MetadataPolicy::keepAll);
}

// What a decoder hands over under keepAll: EXIF and XMP saying 6 (the pixels are already
// upright), a profile that is not the image's, and a resolution.
PreservedProperties keptFromSource() {
    platform::PropertyMap dictionary;
    dictionary[platform::keys::exif] = exifBlock(false, 6);
    dictionary[platform::keys::iccProfile] = displayP3()->iccData();
    dictionary[platform::keys::orientation] = 6;
    dictionary[platform::keys::dpiWidth] = 144.0;
    dictionary[platform::keys::dpiHeight] = 144.0;
    return PreservedProperties(dictionary, std::make_shared<platform::XMPPacket>(platform::XMPPacket{xmpPacket(6)}));
}

std::optional<platform::ImageReader> reader(const Bytes& file) {
    return platform::ImageReader::open(std::make_shared<const Bytes>(file));
}

} // namespace

TEST(ImageIOEncoder, FailuresAreEncodeFailedForItsFormat) {
    const auto image = solidImage(8, 8, 1, 2, 3);
    // Same-as-source names no format to write; PNG holds one image, so several are refused,
    // not cut down to the first.
    const std::vector<std::pair<OutputFormat, std::vector<ImageRef>>> cases = {
        {OutputFormat::sameAsSource(), {image}}, {OutputFormat::png(), {}}, {OutputFormat::png(), {image, image}}};
    for (const auto& [outputFormat, images] : cases)
        EXPECT_EQ(thrownBy([&] { ImageIOEncoder(outputFormat).encode(images, options()); }),
                  ConversionError::encodeFailed(outputFormat));
}

TEST(ImageIOEncoder, ClampsTheQualityToItsRangeAndIgnoresItForLosslessFormats) {
    const auto image = patternImage(48, 40, 8, 3, AlphaInfo::none);
    const ImageIOEncoder jpeg(OutputFormat::jpeg());
    EXPECT_EQ(jpeg.encode(image, options(0)), jpeg.encode(image, options(1)));
    EXPECT_EQ(jpeg.encode(image, options(-20)), jpeg.encode(image, options(1)));
    EXPECT_EQ(jpeg.encode(image, options(150)), jpeg.encode(image, options(100)));
    EXPECT_LT(jpeg.encode(image, options(10)).size(), jpeg.encode(image, options(90)).size());

    const ImageIOEncoder avif(OutputFormat::avif());
    EXPECT_EQ(avif.encode(image, options(150)), avif.encode(image, options(99)));

    const ImageIOEncoder png(OutputFormat::png());
    EXPECT_EQ(png.encode(image, options(5)), png.encode(image, options()));
}

TEST(ImageIOEncoder, KeptMetadataCarriesTheOrientationGivenAndTheImagesOwnProfile) {
    const auto image = patternImage(30, 20, 8, 4, AlphaInfo::premultipliedLast);
    const ImageIOEncoder png(OutputFormat::png());
    for (auto [given, expected] : {std::pair<std::optional<std::uint32_t>, const char*>{std::nullopt, "1"}, {3, "3"}}) {
        const auto file = png.encode(image, options(std::nullopt, given, keptFromSource()));
        const auto back = readWithVips(file);
        ASSERT_TRUE(back);
        EXPECT_EQ(exifTags(back->exif).at("Exif.Image.Orientation"), expected);
        EXPECT_NE(back->xmp.find(std::string("tiff:Orientation=\"") + expected + "\""), std::string::npos);
        EXPECT_EQ(back->icc, platform::ColourSpace::sRGB()->iccData());
        EXPECT_NEAR(back->dpi, 144, 0.5);
    }
    // Without preserved properties (the strip policy) only the profile goes in.
    const auto stripped = readWithVips(png.encode(image, options()));
    ASSERT_TRUE(stripped);
    EXPECT_TRUE(stripped->exif.empty());
    EXPECT_TRUE(stripped->xmp.empty());
    EXPECT_EQ(stripped->icc, platform::ColourSpace::sRGB()->iccData());
}

TEST(ImageIOEncoder, EveryWriterFormatReadsBackThroughThePlatformReader) {
    const auto translucent = patternImage(40, 30, 8, 4, AlphaInfo::last);
    const auto opaque = patternImage(40, 30, 8, 3, AlphaInfo::none);
    for (const auto& identifier : platform::ImageWriter::typeIdentifiers()) {
        SCOPED_TRACE(identifier);
        const auto outputFormat = format(identifier.c_str());
        if (outputFormat == OutputFormat::pdf()) continue; // read by the PDF decoder, not the image reader
        const ImageIOEncoder encoder(outputFormat);
        const auto& image = outputFormat.supportsAlpha() ? translucent : opaque;
        const auto opened = reader(encoder.encode(image, options(90)));
        ASSERT_TRUE(opened && opened->count() >= 1);
        const auto back = opened->imageAt(0).image;
        ASSERT_TRUE(back);
        EXPECT_EQ(back->width(), 40);
        EXPECT_EQ(back->height(), 30);
        EXPECT_EQ(back->hasAlphaChannel(), outputFormat.supportsAlpha());
        if (encoder.writesLosslesslyWithoutAQuality()) {
            EXPECT_EQ(packedPixels(*back), packedPixels(*image));
        }
    }
}

TEST(ImageIOEncoder, WritesSeveralImagesIntoOneFile) {
    const auto first = patternImage(16, 16, 16, 4, AlphaInfo::last);
    const auto second = patternImage(16, 16, 16, 4, AlphaInfo::premultipliedFirst);
    const ImageIOEncoder tiff(OutputFormat::tiff());
    const auto file = tiff.encode(std::vector<ImageRef>{first, second}, options());
    const auto opened = reader(file);
    ASSERT_TRUE(opened);
    ASSERT_EQ(opened->count(), 2);
    EXPECT_EQ(packedPixels(*opened->imageAt(1).image), packedPixels(*second));

    std::vector<ImageRef> ladder;
    for (int side : {256, 48, 32, 16}) ladder.push_back(patternImage(side, side, 8, 4, AlphaInfo::premultipliedLast));
    const ImageIOEncoder ico(OutputFormat::ico());
    const auto icon = reader(ico.encode(ladder, options()));
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->count(), 4);
}
