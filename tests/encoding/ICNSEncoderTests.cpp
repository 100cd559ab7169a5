#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "ImageEngine/Encoding/icns/ICNSEncoder.h"
#include "platform/read/ImageReader.h"
#include "PNGFiles.h"
#include "support/ConversionErrorCapture.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace pictavo;
using platform::AlphaInfo;
using platform::Bytes;

namespace {

platform::ImageRef square(int width, int height, std::uint8_t shade, AlphaInfo alpha = AlphaInfo::last,
                          std::uint8_t opacity = 255) {
    return testing_support::filled8(width, height, alpha, platform::ColourSpace::sRGB(), {shade, shade, 0, opacity});
}

Bytes encoded(const std::vector<platform::ImageRef>& images, EncodeEffort effort = EncodeEffort::final) {
    return ICNSEncoder().encode(images, EncodeOptions(effort, MetadataPolicy::keepAll));
}

} // namespace

TEST(ICNSEncoder, WritesTheMacLadderAsTenUprightPNGElementsTheIconReaderReads) {
    std::vector<platform::ImageRef> ladder;
    for (const int side : {1024, 512, 256, 128, 64, 32, 16}) ladder.push_back(square(side, side, static_cast<std::uint8_t>(side / 8)));
    const Bytes file = encoded(ladder, EncodeEffort::preview);
    const auto elements = png_files::icnsElements(file);
    ASSERT_EQ(elements.size(), 10u);
    const int sides[] = {16, 32, 32, 64, 128, 256, 256, 512, 512, 1024};
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const auto decoded = png_files::decodeAsRGBA(elements[i].second);
        ASSERT_TRUE(decoded) << elements[i].first;
        EXPECT_EQ(decoded->width, sides[i]) << elements[i].first;
        EXPECT_EQ(decoded->rows[0], sides[i] / 8) << elements[i].first;
    }

    const auto reader = platform::ImageReader::open(std::make_shared<const Bytes>(file));
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->typeIdentifier(), "com.apple.icns");
    EXPECT_GE(reader->count(), 7);
}

TEST(ICNSEncoder, ALaterPictureOfASideReplacesTheEarlierOne) {
    const Bytes file = encoded({square(32, 32, 10), square(32, 32, 200)});
    const auto elements = png_files::icnsElements(file);
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_EQ(elements[0].first, "ic11");
    EXPECT_EQ(elements[1].first, "icp5");
    EXPECT_EQ(png_files::decodeAsRGBA(elements[0].second)->rows[0], 200);
    EXPECT_EQ(file.size(), 8 + 2 * (8 + elements[0].second.size()));
}

TEST(ICNSEncoder, IsTheStandardIconEncoderAndFailsForNonSquareMissingOrUnlistedPictures) {
    const auto failed = ConversionError::encodeFailed(OutputFormat::icns());
    using testing_support::thrownBy;
    EXPECT_EQ(thrownBy([] { encoded({}); }), failed);
    EXPECT_EQ(thrownBy([] { encoded({square(48, 48, 1)}); }), failed);
    EXPECT_EQ(thrownBy([] { encoded({square(32, 32, 1), square(64, 63, 1), square(16, 16, 1)}); }), failed);
    // Larger than the largest element: the failure says why.
    EXPECT_EQ(thrownBy([] { encoded({square(16, 16, 1), square(1025, 1025, 1)}); }).diagnostic(),
              "encodeFailed(com.apple.icns) because ICNS holds at most 1024 pixels a side; this image is 1025 \u00D7 "
              "1025 pixels");
    EXPECT_TRUE(dynamic_cast<const ICNSEncoder*>(&EncoderRegistry::standard().encoder(OutputFormat::icns())));
}

TEST(ICNSEncoder, PremultipliedRungsAreStoredWithStraightAlpha) {
    // The icon stage draws premultiplied pictures; a PNG element holds straight alpha.
    const auto elements = png_files::icnsElements(encoded({square(16, 16, 64, AlphaInfo::premultipliedLast, 128)}));
    ASSERT_EQ(elements.size(), 1u);
    const auto decoded = png_files::decodeAsRGBA(elements[0].second);
    ASSERT_TRUE(decoded);
    const int straight[] = {127, 127, 0, 128}; // the alpha exactly
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(decoded->rows[c], straight[c], c < 2 ? 1 : 0) << c;
}
