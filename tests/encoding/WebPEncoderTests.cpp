#include "ImageEngine/Encoding/webp/WebPEncoder.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "ImageEngine/Stages/ColourStage.h"
#include "support/ExifSamples.h"
#include "support/JPEGSamples.h"
#include "support/TemporaryFolder.h"
#include "support/TestImages.h"
#include "support/WebPInspection.h"

#include <gtest/gtest.h>

#include <webp/decode.h>

using namespace testing_support;
using pictavo::EncodeEffort;
using pictavo::EncodeOptions;
using pictavo::MetadataPolicy;
using pictavo::WebPEncoder;
using platform::AlphaInfo;

namespace {

EncodeOptions options(std::optional<std::int64_t> quality, EncodeEffort effort = EncodeEffort::final) {
    EncodeOptions result(effort, MetadataPolicy::strip);
    result.quality = quality;
    return result;
}

std::optional<std::string> chunk(const platform::Bytes& webp, const char* fourcc) {
    const auto payload = webpChunk(webp, fourcc);
    return payload ? std::optional(std::string(payload->begin(), payload->end())) : std::nullopt;
}

bool lossless(const platform::Bytes& webp) {
    WebPBitstreamFeatures features;
    return WebPGetFeatures(webp.data(), webp.size(), &features) == VP8_STATUS_OK && features.format == 2;
}

std::string asText(const platform::Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

EncodeOptions keeping(const std::string& xmp, std::optional<std::uint32_t> orientation = 1,
                      platform::PropertyMap dictionary = {}) {
    EncodeOptions kept(EncodeEffort::final, MetadataPolicy::keepAll);
    kept.orientation = orientation;
    kept.preserved = pictavo::PreservedProperties(std::move(dictionary),
                                                  std::make_shared<platform::XMPPacket>(platform::XMPPacket{xmp}));
    return kept;
}

} // namespace

TEST(WebPEncoder, StraightRGBAGoesThroughUntouchedAndLosslessKeepsEveryValue) {
    // Fully transparent pixels keep their colour: the bytes come back exactly.
    platform::Bytes rgba = testPattern(21, 13, 4);
    for (std::size_t i = 3; i < rgba.size(); i += 4 * 3) rgba[i] = 0;
    auto image = image8(21, 13, 4, AlphaInfo::last, displayP3(), std::vector<std::uint8_t>(rgba.begin(), rgba.end()));
    WebPEncoder encoder;
    for (EncodeEffort effort : {EncodeEffort::final, EncodeEffort::preview}) {
        platform::Bytes webp = encoder.encode(image, options(std::nullopt, effort));
        EXPECT_TRUE(lossless(webp));
        EXPECT_EQ(decodeWebP(webp).rgba, rgba);
        EXPECT_EQ(chunk(webp, "ICCP"), asText(displayP3()->iccData()));
        EXPECT_EQ(chunk(webp, "XMP "), std::nullopt);
    }
    platform::Bytes lossy = encoder.encode(image, options(80));
    EXPECT_FALSE(lossless(lossy));
    EXPECT_EQ(decodeWebP(lossy).width, 21);
    EXPECT_EQ(encoder.encode(image, options(0)), encoder.encode(image, options(1)));
    EXPECT_EQ(encoder.encode(image, options(400)), encoder.encode(image, options(100)));
}

TEST(WebPEncoder, PremultipliedColourIsStraightenedAndOtherModelsBecomeSRGB) {
    // The encoder takes 8-bit RGB alone; the conversion's colour stage draws the rest for it.
    const WebPEncoder encoder;
    const auto drawnFor = [&](const platform::ImageRef& image) {
        EXPECT_THROW(encoder.encode(image, options(std::nullopt)), pictavo::ConversionError);
        return pictavo::ColourStage::forIntake(encoder.intake(), image);
    };
    // Half-transparent orange, premultiplied: the file holds the straight colour.
    auto premultiplied = filled8(8, 8, AlphaInfo::premultipliedLast, platform::ColourSpace::sRGB(), {120, 60, 20, 128});
    DecodedWebP straight = decodeWebP(encoder.encode(drawnFor(premultiplied), options(std::nullopt)));
    const int orange[] = {239, 120, 40, 128}; // the alpha exactly
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(straight.rgba[c], orange[c], c < 3 ? 1 : 0) << c;

    auto grey = filled8(8, 8, AlphaInfo::none, platform::ColourSpace::deviceGray(), {200});
    platform::Bytes webp = encoder.encode(drawnFor(grey), options(std::nullopt));
    EXPECT_EQ(chunk(webp, "ICCP"), asText(platform::ColourSpace::sRGB()->iccData()));
    DecodedWebP decoded = decodeWebP(webp);
    EXPECT_EQ(decoded.rgba[3], 255);
    EXPECT_NEAR(decoded.rgba[0], 200, 1);
    EXPECT_EQ(decoded.rgba[0], decoded.rgba[2]);
}

TEST(WebPEncoder, ThreeByteRGBWritesWhatItsFourByteDrawingWould) {
    // A decoded photo's rows go to libwebp as they are; the file is the one its drawing into
    // four-byte rows gave, at either effort, lossy or lossless, tall enough for row bands.
    const platform::Bytes rgbx = testPattern(37, 301, 4);
    std::vector<std::uint8_t> rgb;
    for (std::size_t i = 0; i < rgbx.size(); i += 4) rgb.insert(rgb.end(), rgbx.begin() + i, rgbx.begin() + i + 3);
    const auto packed = image8(37, 301, 3, AlphaInfo::none, displayP3(), rgb);
    const auto drawn = image8(37, 301, 4, AlphaInfo::noneSkipLast, displayP3(),
                              std::vector<std::uint8_t>(rgbx.begin(), rgbx.end()));
    WebPEncoder encoder;
    for (EncodeEffort effort : {EncodeEffort::final, EncodeEffort::preview}) {
        for (std::optional<std::int64_t> quality : {std::optional<std::int64_t>(80), std::optional<std::int64_t>()}) {
            const platform::Bytes webp = encoder.encode(packed, options(quality, effort));
            EXPECT_EQ(webp, encoder.encode(drawn, options(quality, effort)));
            EXPECT_EQ(chunk(webp, "ICCP"), asText(displayP3()->iccData()));
        }
    }
}

TEST(WebPEncoder, TheCarriedPacketTakesTheOutputsOrientationAndSize) {
    auto image = filled8(30, 20, AlphaInfo::noneSkipLast, platform::ColourSpace::sRGB(), {10, 20, 30, 0});
    std::string withSize = xmpPacket(6);
    withSize.insert(withSize.find("xmlns:dc="),
                    "xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" exif:PixelXDimension=\"4000\" "
                    "exif:PixelYDimension=\"3000\" ");
    auto packet = chunk(WebPEncoder().encode(image, keeping(withSize)), "XMP ");
    ASSERT_TRUE(packet);
    for (const char* field : {"tiff:Orientation=\"1\"", "exif:PixelXDimension=\"30\"", "exif:PixelYDimension=\"20\"",
                              "Harbour at dusk"})
        EXPECT_NE(packet->find(field), std::string::npos) << field;

    // No size is added where there was none; the orientation defaults to upright.
    EXPECT_EQ(chunk(WebPEncoder().encode(image, keeping(xmpPacket(8), std::nullopt)), "XMP "), xmpPacket(1));

    // A packet that cannot take the orientation is left out; the file is still written.
    platform::Bytes webp = WebPEncoder().encode(image, keeping("junk"));
    EXPECT_EQ(chunk(webp, "XMP "), std::nullopt);
    EXPECT_EQ(chunk(webp, "EXIF"), std::nullopt);
}

namespace {

// A 48 x 32 camera JPEG whose APP1 segments hold `exif` (behind the "Exif\0\0" marker)
// and, when given, an XMP packet.
platform::Bytes cameraJpeg(const platform::Bytes& exif, std::optional<std::string> xmp) {
    platform::Bytes jpeg = makeJpeg(48, 32);
    if (xmp) jpeg = withSegmentAfterSOI(jpeg, 0xE1, bytesOf(std::string("http://ns.adobe.com/xap/1.0/", 29) + *xmp));
    platform::Bytes marked = bytesOf(std::string("Exif\0\0", 6));
    marked.insert(marked.end(), exif.begin(), exif.end());
    return withSegmentAfterSOI(jpeg, 0xE1, marked);
}

// The XMP chunk of the WebP converted from `jpeg`, which holds an EXIF chunk only when `withExif`.
std::optional<std::string> convertedPacket(const platform::Bytes& jpeg, MetadataPolicy metadata, bool withExif = false) {
    static const pictavo::ConversionEngine engine(pictavo::DecoderRegistry::standard(),
                                                  pictavo::EncoderRegistry::standard(),
                                                  pictavo::SourceOptimiserRegistry::standard());
    TemporaryFolder folder;
    const auto source = folder.write("camera.jpg", jpeg);
    const pictavo::OutputSpec spec{pictavo::OutputFormat::webp(), pictavo::ResizeSpec::original(),
                                   pictavo::QualityMode::lossless(), metadata,
                                   pictavo::ColourPolicy::preserve, pictavo::MatteColour::white(),
                                   pictavo::Adjustments::none(), "{name}.{format}"};
    const auto result = engine.convert(source, spec, 1, EncodeEffort::final);
    EXPECT_TRUE(result.data);
    if (!result.data) return std::nullopt;
    EXPECT_EQ(chunk(*result.data, "EXIF").has_value(), withExif);
    return chunk(*result.data, "XMP ");
}

} // namespace

TEST(WebPEncoder, KeptCameraEXIFAndGPSTravelInTheXMPWithTheWrittenOrientationAndSize) {
    auto packet = convertedPacket(cameraJpeg(cameraExifBlock(), xmpPacket(6)), MetadataPolicy::keepAll, true);
    ASSERT_TRUE(packet);
    for (const char* field : {"tiff:Make=\"Pictavo Test Camera\"", "tiff:Model=\"PT-1\"",
                              "exif:GPSLatitude=\"51,30.0000000N\"", "photoshop:DateCreated=\"2024-05-06T07:08:09\"",
                              "Harbour at dusk", "tiff:Orientation=\"1\"",
                              // Turned upright, the 48 x 32 stored pixels are 32 x 48.
                              "exif:PixelXDimension=\"32\"", "exif:PixelYDimension=\"48\""})
        EXPECT_NE(packet->find(field), std::string::npos) << field << " in " << *packet;
    EXPECT_EQ(packet->find("Orientation=\"6\""), std::string::npos);

    // EXIF alone makes a packet of its own.
    packet = convertedPacket(cameraJpeg(cameraExifBlock(), std::nullopt), MetadataPolicy::keepAll, true);
    ASSERT_TRUE(packet);
    EXPECT_NE(packet->find("exif:GPSLatitude=\"51,30.0000000N\""), std::string::npos);
    EXPECT_NE(packet->find("tiff:Orientation=\"1\""), std::string::npos);

    EXPECT_EQ(convertedPacket(cameraJpeg(cameraExifBlock(), xmpPacket(6)), MetadataPolicy::strip), std::nullopt);
    EXPECT_EQ(convertedPacket(cameraJpeg(cameraExifBlock(), std::nullopt), MetadataPolicy::strip), std::nullopt);
}

TEST(WebPEncoder, DamagedCarriedEXIFLeavesTheFieldsOutAndTheFileIsStillWritten) {
    platform::Bytes damaged = cameraExifBlock();
    damaged[7] = 0x7F; // IFD0 far past the end
    EXPECT_EQ(convertedPacket(cameraJpeg(damaged, std::nullopt), MetadataPolicy::keepAll), std::nullopt);

    // The carried packet still goes, set upright, whatever the reader made of the block.
    auto image = filled8(30, 20, AlphaInfo::noneSkipLast, platform::ColourSpace::sRGB(), {10, 20, 30, 0});
    EXPECT_EQ(chunk(WebPEncoder().encode(image, keeping(xmpPacket(6), 1, {{platform::keys::exif, damaged}})), "XMP "),
              xmpPacket(1));
}
