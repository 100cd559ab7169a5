#include "ImageEngine/Core/ConversionError.h"
#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "ImageEngine/Encoding/ImageIOEncoder.h"
#include "platform/ImageWriter.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace pictavo;

namespace {

std::vector<std::string> ids(const std::vector<OutputFormat>& formats) {
    std::vector<std::string> result;
    for (const auto& format : formats) result.push_back(format.id());
    return result;
}

ConversionError noEncoderError(const EncoderRegistry& registry, const OutputFormat& format) {
    try {
        registry.encoder(format);
    } catch (const ConversionError& error) {
        return error;
    }
    ADD_FAILURE() << "no error for " << format.id();
    return ConversionError::noEncoder(OutputFormat::sameAsSource());
}

} // namespace

TEST(EncoderRegistry, TheLastEncoderForAFormatWinsAndUnknownFormatsThrow) {
    const auto first = std::make_shared<ImageIOEncoder>(OutputFormat::png());
    const auto second = std::make_shared<ImageIOEncoder>(OutputFormat::png());
    const auto tiff = std::make_shared<ImageIOEncoder>(OutputFormat::tiff());
    const EncoderRegistry registry({first, tiff, second});
    EXPECT_EQ(&registry.encoder(OutputFormat::png()), second.get());
    EXPECT_EQ(&registry.encoder(OutputFormat::tiff()), tiff.get());
    EXPECT_EQ(registry.formats().size(), 2u);
    EXPECT_TRUE(registry.hasEncoder(OutputFormat::tiff()));
    EXPECT_FALSE(registry.hasEncoder(OutputFormat::webp()));

    EXPECT_EQ(noEncoderError(registry, OutputFormat::webp()), ConversionError::noEncoder(OutputFormat::webp()));
    // Same-as-source is resolved before encoding: only an encoder registered under its marker serves it.
    EXPECT_EQ(noEncoderError(registry, OutputFormat::sameAsSource()),
              ConversionError::noEncoder(OutputFormat::sameAsSource()));
    const EncoderRegistry withMarker({std::make_shared<ImageIOEncoder>(OutputFormat::sameAsSource())});
    EXPECT_EQ(withMarker.encoder(OutputFormat::sameAsSource()).format(), OutputFormat::sameAsSource());
}

TEST(EncoderRegistry, StandardServesEveryWriterFormatAndSortsByLabel) {
    const auto registry = EncoderRegistry::standard();
    for (const auto& identifier : platform::ImageWriter::typeIdentifiers()) {
        const auto format = OutputFormat(*platform::ContentType::withIdentifier(identifier));
        ASSERT_TRUE(registry.hasEncoder(format)) << identifier;
        // The program's own encoders replace the platform writer for their formats.
        const bool ownEncoder = format == OutputFormat::jpeg() || format == OutputFormat::png() ||
                                format == OutputFormat::webp() || format == OutputFormat::icns();
        if (!ownEncoder) {
            EXPECT_TRUE(dynamic_cast<const MultiImageEncoder*>(&registry.encoder(format))) << identifier;
        }
    }
    auto unsorted = ids(registry.formats());
    const auto sorted = ids(registry.supportedFormats());
    std::vector<std::string> labels;
    for (const auto& format : registry.supportedFormats()) labels.push_back(format.displayName());
    EXPECT_TRUE(std::is_sorted(labels.begin(), labels.end()));
    // "JPEG" sorts before "JPEG 2000", which sorts before "PDF".
    const auto jpeg = std::find(sorted.begin(), sorted.end(), "public.jpeg");
    const auto jpeg2000 = std::find(sorted.begin(), sorted.end(), "public.jpeg-2000");
    ASSERT_NE(jpeg2000, sorted.end());
    EXPECT_EQ(jpeg + 1, jpeg2000);
    std::sort(unsorted.begin(), unsorted.end());
    auto again = sorted;
    std::sort(again.begin(), again.end());
    EXPECT_EQ(unsorted, again);
}

TEST(EncoderRegistry, TheProgramsOwnEncodersReplaceThePlatformWriter) {
    const auto registry = EncoderRegistry::standard();
    // JPEG and PNG are written by the platform writer too, but the program's own encoders win.
    EXPECT_FALSE(dynamic_cast<const ImageIOEncoder*>(&registry.encoder(OutputFormat::jpeg())));
    EXPECT_FALSE(dynamic_cast<const ImageIOEncoder*>(&registry.encoder(OutputFormat::png())));
    EXPECT_TRUE(dynamic_cast<const ImageIOEncoder*>(&registry.encoder(OutputFormat::tiff())));
    // WebP and the Apple icon format are not writer formats, yet they are listed, once each.
    const auto sorted = ids(registry.supportedFormats());
    EXPECT_EQ(std::count(sorted.begin(), sorted.end(), "org.webmproject.webp"), 1);
    EXPECT_EQ(std::count(sorted.begin(), sorted.end(), "com.apple.icns"), 1);
    EXPECT_EQ(std::count(sorted.begin(), sorted.end(), "public.png"), 1);
}
