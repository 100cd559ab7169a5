#include "ImageEngine/Core/ConversionError.h"
#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "ImageEngine/Encoding/ICNSEncoder.h"
#include "platform/ImageReader.h"
#include "PNGFiles.h"

#include <gtest/gtest.h>

using namespace pictavo;
using platform::Bytes;

namespace {

platform::ImageRef square(int width, int height, std::uint8_t shade) {
    auto pixels = std::make_shared<Bytes>(static_cast<std::size_t>(width * height * 4), shade);
    for (std::size_t i = 3; i < pixels->size(); i += 4) (*pixels)[i] = 255;
    return platform::Image::make(width, height, 8, 4, platform::AlphaInfo::last, platform::ColourSpace::sRGB(),
                                 std::move(pixels), static_cast<std::size_t>(width * 4));
}

std::uint32_t bigEndian32(const Bytes& bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
           bytes[at + 3];
}

// Type and PNG of every element, walked with the lengths the file states.
std::vector<std::pair<std::string, Bytes>> elementsOf(const Bytes& file) {
    std::vector<std::pair<std::string, Bytes>> elements;
    EXPECT_EQ(bigEndian32(file, 4), file.size());
    for (std::size_t at = 8; at + 8 <= file.size(); at += bigEndian32(file, at + 4))
        elements.emplace_back(std::string(file.begin() + at, file.begin() + at + 4),
                              Bytes(file.begin() + at + 8, file.begin() + at + bigEndian32(file, at + 4)));
    return elements;
}

ConversionError encodeError(const std::vector<platform::ImageRef>& images) {
    try {
        ICNSEncoder().encode(images, EncodeOptions(EncodeEffort::final, MetadataPolicy::keepAll));
    } catch (const ConversionError& error) {
        return error;
    }
    ADD_FAILURE() << "the encode succeeded";
    return ConversionError::encodeFailed(OutputFormat::png());
}

} // namespace

TEST(ICNSEncoder, WritesTheMacLadderAsTenUprightPNGElementsTheIconReaderReads) {
    std::vector<platform::ImageRef> ladder;
    for (const int side : {1024, 512, 256, 128, 64, 32, 16}) ladder.push_back(square(side, side, static_cast<std::uint8_t>(side / 8)));
    const Bytes file = ICNSEncoder().encode(ladder, EncodeOptions(EncodeEffort::preview, MetadataPolicy::keepAll));
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "icns");
    const auto elements = elementsOf(file);
    ASSERT_EQ(elements.size(), 10u);
    const int sides[] = {16, 32, 32, 64, 128, 256, 256, 512, 512, 1024};
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const auto decoded = png_files::decodeAsRGBA(elements[i].second);
        ASSERT_TRUE(decoded) << elements[i].first;
        EXPECT_EQ(decoded->width, sides[i]) << elements[i].first;
        EXPECT_EQ(decoded->rows[0], sides[i] / 8) << elements[i].first;
    }
    EXPECT_EQ(elements[1].second, elements[2].second);

    const auto reader = platform::ImageReader::open(std::make_shared<const Bytes>(file));
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->typeIdentifier(), "com.apple.icns");
    EXPECT_GE(reader->count(), 7);
}

TEST(ICNSEncoder, ALaterPictureOfASideReplacesTheEarlierOne) {
    const Bytes file = ICNSEncoder().encode({square(32, 32, 10), square(32, 32, 200)},
                                            EncodeOptions(EncodeEffort::final, MetadataPolicy::keepAll));
    const auto elements = elementsOf(file);
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_EQ(elements[0].first, "ic11");
    EXPECT_EQ(elements[1].first, "icp5");
    EXPECT_EQ(png_files::decodeAsRGBA(elements[0].second)->rows[0], 200);
    EXPECT_EQ(file.size(), 8 + 2 * (8 + elements[0].second.size()));
}

TEST(ICNSEncoder, FailsForNonSquareMissingOrUnlistedPictures) {
    const auto failed = ConversionError::encodeFailed(OutputFormat::icns());
    EXPECT_EQ(encodeError({}), failed);
    EXPECT_EQ(encodeError({square(48, 48, 1)}), failed);
    EXPECT_EQ(encodeError({square(32, 32, 1), square(64, 63, 1), square(16, 16, 1)}), failed);
    const ICNSEncoder encoder;
    EXPECT_EQ(encoder.format(), OutputFormat::icns());
    EXPECT_FALSE(encoder.supportsQuality());
    EXPECT_TRUE(encoder.writesLosslesslyWithoutAQuality() && encoder.writesSingleChannelGrey() &&
                encoder.carriesColourSpace() && encoder.writesTheSameFileAtEveryEffort());
    EXPECT_TRUE(dynamic_cast<const ICNSEncoder*>(&EncoderRegistry::standard().encoder(OutputFormat::icns())));
}

TEST(ICNSEncoder, PremultipliedRungsAreStoredWithStraightAlpha) {
    // The icon stage draws premultiplied pictures; a PNG element holds straight alpha.
    auto pixels = std::make_shared<Bytes>(16 * 16 * 4);
    for (std::size_t i = 0; i < pixels->size(); i += 4) {
        (*pixels)[i] = 64;
        (*pixels)[i + 1] = 32;
        (*pixels)[i + 2] = 0;
        (*pixels)[i + 3] = 128;
    }
    const auto image = platform::Image::make(16, 16, 8, 4, platform::AlphaInfo::premultipliedLast,
                                             platform::ColourSpace::sRGB(), std::move(pixels), 64);
    const auto elements = elementsOf(ICNSEncoder().encode(image, EncodeOptions(EncodeEffort::final, MetadataPolicy::keepAll)));
    ASSERT_EQ(elements.size(), 1u);
    const auto decoded = png_files::decodeAsRGBA(elements[0].second);
    ASSERT_TRUE(decoded);
    EXPECT_NEAR(decoded->rows[0], 127, 1);
    EXPECT_NEAR(decoded->rows[1], 64, 1);
    EXPECT_EQ(decoded->rows[2], 0);
    EXPECT_EQ(decoded->rows[3], 128);
}
