#include "ImageEngine/Encoding/jpeg/MozJPEGEncoder.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Stages/ColourStage.h"
#include "support/ConversionErrorCapture.h"
#include "support/ExifSamples.h"
#include "support/JPEGInspection.h"
#include "support/JPEGSamples.h"
#include "support/TemporaryFolder.h"
#include "support/TestImages.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <jpeglib.h>

using namespace testing_support;
using pictavo::EncodeEffort;
using pictavo::EncodeOptions;
using pictavo::MetadataPolicy;
using pictavo::MozJPEGEncoder;
using platform::AlphaInfo;

namespace {

const std::string exifHeader("Exif\0\0", 6);
const std::string xmpHeader("http://ns.adobe.com/xap/1.0/\0", 29);

// An 8-bit RGB picture of the shared test pattern, in the given space.
platform::ImageRef photo(int width, int height, platform::ColourSpaceRef space = platform::ColourSpace::sRGB()) {
    platform::Bytes rgbx = testPattern(width, height, 4);
    return platform::Image::make(width, height, 8, 4, AlphaInfo::noneSkipLast, std::move(space),
                                 std::make_shared<platform::Bytes>(std::move(rgbx)),
                                 static_cast<std::size_t>(width) * 4);
}

EncodeOptions withQuality(std::optional<std::int64_t> quality) {
    EncodeOptions options(EncodeEffort::final, MetadataPolicy::strip);
    options.quality = quality;
    return options;
}

EncodeOptions keeping(pictavo::PreservedProperties preserved, std::uint32_t orientation) {
    EncodeOptions options(EncodeEffort::final, MetadataPolicy::keepAll);
    options.orientation = orientation;
    options.preserved = std::move(preserved);
    return options;
}

// The encoder takes opaque 8-bit grey and RGB alone and refuses the rest, which the
// conversion's colour stage draws for it.
platform::ImageRef drawnFor(const platform::ImageRef& image) {
    EXPECT_THROW(MozJPEGEncoder().encode(image, withQuality(80)), pictavo::ConversionError);
    return pictavo::ColourStage::forIntake(MozJPEGEncoder().intake(), image);
}

} // namespace

TEST(MozJPEGEncoder, QualityDefaultsToNinetyAtFullChromaAndIsClamped) {
    MozJPEGEncoder encoder;
    auto image = photo(48, 32);
    platform::Bytes byDefault = encoder.encode(image, withQuality(std::nullopt));
    EXPECT_EQ(byDefault, encoder.encode(image, withQuality(90)));
    JPEGInspection inspected = inspectJpeg(byDefault);
    EXPECT_EQ(inspected.components[0].hSampling, 1);
    EXPECT_TRUE(inspected.progressive);
    EXPECT_EQ(inspectJpeg(encoder.encode(image, withQuality(89))).components[0].hSampling, 2);
    EXPECT_EQ(encoder.encode(image, withQuality(0)), encoder.encode(image, withQuality(1)));
    EXPECT_EQ(encoder.encode(image, withQuality(-7)), encoder.encode(image, withQuality(1)));
    EXPECT_EQ(encoder.encode(image, withQuality(150)), encoder.encode(image, withQuality(100)));
}

TEST(MozJPEGEncoder, GreyStaysGreyRGBKeepsItsSpaceAndCMYKBecomesSRGB) {
    MozJPEGEncoder encoder;
    auto grey = image8(16, 8, 1, AlphaInfo::none, platform::ColourSpace::deviceGray(),
                       std::vector<std::uint8_t>(128, 90));
    JPEGInspection greyFile = inspectJpeg(encoder.encode(grey, withQuality(80)));
    EXPECT_EQ(greyFile.components.size(), 1u);
    EXPECT_EQ(greyFile.icc, platform::ColourSpace::deviceGray()->iccData());

    JPEGInspection wide = inspectJpeg(encoder.encode(photo(16, 16, displayP3()), withQuality(80)));
    EXPECT_EQ(wide.components.size(), 3u);
    EXPECT_EQ(wide.icc, displayP3()->iccData());

    auto cmykSpace = platform::ColourSpace::fromICC(readFile("/usr/share/color/icc/ghostscript/default_cmyk.icc"));
    ASSERT_NE(cmykSpace, nullptr);
    auto cmyk = filled8(16, 16, AlphaInfo::none, cmykSpace, {0, 255, 255, 0}); // full magenta and yellow: red
    platform::Bytes jpeg = encoder.encode(drawnFor(cmyk), withQuality(95));
    JPEGInspection inspected = inspectJpeg(jpeg);
    EXPECT_EQ(inspected.components.size(), 3u);
    EXPECT_EQ(inspected.colourSpace, JCS_YCbCr);
    EXPECT_EQ(inspected.icc, platform::ColourSpace::sRGB()->iccData());
    DecodedJPEG decoded = decodeJpeg(jpeg);
    EXPECT_GT(decoded.pixels[0], 180);
    EXPECT_LT(decoded.pixels[1], 90);
}

TEST(MozJPEGEncoder, EveryLayoutOfTheSamePixelsMakesTheSameFile) {
    // RGB and RGBX go to the library as they are stored, other layouts are drawn for it first:
    // either way the file is the same, whatever the skipped byte or the row padding holds.
    MozJPEGEncoder encoder;
    const int width = 21;
    const int height = 13;
    const platform::Bytes rgbx = testPattern(width, height, 4);
    std::vector<std::uint8_t> rgb, padded, junkX, xrgb, opaqueRGBA;
    const std::size_t paddedRow = width * 3 + 5;
    padded.assign(paddedRow * height, 0xA5);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = rgbx.data() + (static_cast<std::size_t>(y) * width + x) * 4;
            const auto junk = static_cast<std::uint8_t>(x * 31 + y * 7);
            rgb.insert(rgb.end(), p, p + 3);
            std::copy_n(p, 3, padded.begin() + static_cast<long>(y * paddedRow + x * 3));
            junkX.insert(junkX.end(), {p[0], p[1], p[2], junk});
            xrgb.insert(xrgb.end(), {junk, p[0], p[1], p[2]});
            opaqueRGBA.insert(opaqueRGBA.end(), {p[0], p[1], p[2], 255});
        }
    const auto space = displayP3();
    const platform::Bytes expected =
        encoder.encode(drawnFor(image8(width, height, 4, AlphaInfo::last, space, opaqueRGBA)), withQuality(85));
    for (const auto& image : {image8(width, height, 3, AlphaInfo::none, space, rgb),
                              image8(width, height, 4, AlphaInfo::noneSkipLast, space, junkX),
                              drawnFor(image8(width, height, 4, AlphaInfo::noneSkipFirst, space, xrgb)),
                              platform::Image::make(width, height, 8, 3, AlphaInfo::none, space,
                                                    std::make_shared<const platform::Bytes>(padded), paddedRow)})
        EXPECT_EQ(encoder.encode(image, withQuality(85)), expected)
            << static_cast<int>(image->alphaInfo()) << " " << image->bytesPerRow();

    std::vector<std::uint8_t> grey, greyAlpha;
    for (std::size_t i = 0; i < rgb.size(); i += 3) {
        grey.push_back(rgb[i + 1]);
        greyAlpha.insert(greyAlpha.end(), {rgb[i + 1], 255});
    }
    const auto gray = platform::ColourSpace::deviceGray();
    EXPECT_EQ(encoder.encode(image8(width, height, 1, AlphaInfo::none, gray, grey), withQuality(85)),
              encoder.encode(drawnFor(image8(width, height, 2, AlphaInfo::last, gray, greyAlpha)), withQuality(85)));
}

TEST(MozJPEGEncoder, TransparencyIsDrawnOnBlack) {
    auto clear = filled8(16, 16, AlphaInfo::last, platform::ColourSpace::sRGB(), {255, 255, 255, 0});
    DecodedJPEG decoded = decodeJpeg(MozJPEGEncoder().encode(drawnFor(clear), withQuality(95)));
    for (std::uint8_t value : decoded.pixels) ASSERT_LE(value, 3);
}

TEST(MozJPEGEncoder, KeptMetadataTravelsWithTheOutputsOrientation) {
    MozJPEGEncoder encoder;
    auto image = photo(24, 16);
    // Stripped: the profile and the JFIF header only.
    JPEGInspection bare = inspectJpeg(encoder.encode(image, withQuality(85)));
    EXPECT_EQ(bare.markers.size(), 2u);
    EXPECT_FALSE(bare.icc.empty());

    platform::PropertyMap dictionary{{platform::keys::exif, exifBlock(true, 6)}};
    auto xmp = std::make_shared<platform::XMPPacket>(platform::XMPPacket{xmpPacket(6)});
    JPEGInspection both = inspectJpeg(encoder.encode(image, keeping(pictavo::PreservedProperties(dictionary, xmp), 1)));
    EXPECT_EQ(both.markerCount(JPEG_APP0 + 1, exifHeader), 1);
    EXPECT_EQ(both.markerCount(JPEG_APP0 + 1, xmpHeader), 1);
    const auto exif = both.app1Payload(exifHeader);
    ASSERT_TRUE(exif);
    EXPECT_EQ(exifTags(*exif), exifTags(exifBlock(true, 1)));
    const auto packet = both.app1Payload(xmpHeader);
    ASSERT_TRUE(packet);
    EXPECT_EQ(std::string(packet->begin(), packet->end()), xmpPacket(1));
    EXPECT_EQ(both.icc, bare.icc);

    // Kept metadata without a packet or an EXIF block still declares the orientation.
    JPEGInspection orientationOnly = inspectJpeg(encoder.encode(image, keeping(pictavo::PreservedProperties(), 3)));
    EXPECT_FALSE(orientationOnly.app1Payload(xmpHeader));
    const auto minimal = orientationOnly.app1Payload(exifHeader);
    ASSERT_TRUE(minimal);
    EXPECT_EQ(exifTags(*minimal)["Exif.Image.Orientation"], "3");
}

TEST(MozJPEGEncoder, MetadataThatCannotBeCarriedFailsTheEncodeSayingWhy) {
    std::string packet = xmpPacket(1);
    // XML, but with a prefix bound to no namespace, which exiv2 cannot read to split the packet.
    for (std::size_t at = packet.find("</rdf:Description>"); packet.size() < 70'000;) packet.insert(at, "<u:x/>");
    auto xmp = std::make_shared<platform::XMPPacket>(platform::XMPPacket{packet});
    const auto options = keeping(pictavo::PreservedProperties({}, xmp), 1);
    const auto error = testing_support::thrown<pictavo::ConversionError>(
        [&] { MozJPEGEncoder().encode(photo(8, 8), options); });
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, pictavo::ConversionError::encodeFailed(pictavo::OutputFormat::jpeg()));
    EXPECT_NE(error->diagnostic().find("could not read the XMP packet"), std::string::npos) << error->diagnostic();
}
