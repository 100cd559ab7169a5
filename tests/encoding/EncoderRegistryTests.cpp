#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "ImageEngine/Encoding/imageio/ImageIOEncoder.h"
#include "ImageEngine/Encoding/jpeg/MozJPEGEncoder.h"
#include "ImageEngine/Encoding/webp/WebPEncoder.h"
#include "platform/write/ImageWriter.h"
#include "support/ConversionErrorCapture.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace pictavo;
using testing_support::thrownBy;

namespace {

OutputFormat format(const std::string& identifier) {
    return OutputFormat(*platform::ContentType::withIdentifier(identifier));
}

std::vector<std::string> ids(const std::vector<OutputFormat>& formats) {
    std::vector<std::string> result;
    for (const auto& format : formats) result.push_back(format.id());
    return result;
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
    EXPECT_FALSE(registry.hasEncoder(OutputFormat::webp()));

    EXPECT_EQ(thrownBy([&] { registry.encoder(OutputFormat::webp()); }),
              ConversionError::noEncoder(OutputFormat::webp()));
    // Same-as-source is resolved before encoding: only an encoder registered under its marker serves it.
    EXPECT_EQ(thrownBy([&] { registry.encoder(OutputFormat::sameAsSource()); }),
              ConversionError::noEncoder(OutputFormat::sameAsSource()));
    const EncoderRegistry withMarker({std::make_shared<ImageIOEncoder>(OutputFormat::sameAsSource())});
    EXPECT_EQ(withMarker.encoder(OutputFormat::sameAsSource()).format(), OutputFormat::sameAsSource());
}

TEST(EncoderRegistry, StandardServesEveryWriterFormatWithTheProgramsOwnEncodersWinning) {
    const auto registry = EncoderRegistry::standard();
    for (const auto& identifier : platform::ImageWriter::typeIdentifiers()) {
        const auto writerFormat = format(identifier);
        ASSERT_TRUE(registry.hasEncoder(writerFormat)) << identifier;
        const bool ownEncoder = writerFormat == OutputFormat::jpeg() || writerFormat == OutputFormat::png() ||
                                writerFormat == OutputFormat::webp() || writerFormat == OutputFormat::icns();
        const auto& encoder = registry.encoder(writerFormat);
        EXPECT_EQ(dynamic_cast<const ImageIOEncoder*>(&encoder) != nullptr, !ownEncoder) << identifier;
    }
    EXPECT_TRUE(dynamic_cast<const MozJPEGEncoder*>(&registry.encoder(OutputFormat::jpeg())));
    EXPECT_TRUE(dynamic_cast<const WebPEncoder*>(&registry.encoder(OutputFormat::webp())));

    // The menus list every format once, sorted by label ("JPEG" before "JPEG 2000" before "PDF"),
    // the program's own formats that the writer lacks included.
    std::vector<std::string> labels;
    for (const auto& listed : registry.supportedFormats()) labels.push_back(listed.displayName());
    EXPECT_TRUE(std::is_sorted(labels.begin(), labels.end()));
    auto listed = ids(registry.supportedFormats());
    for (const char* own : {"org.webmproject.webp", "com.apple.icns"})
        EXPECT_EQ(std::count(listed.begin(), listed.end(), own), 1) << own;
    auto all = ids(registry.formats());
    std::sort(all.begin(), all.end());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, all);
    EXPECT_EQ(std::adjacent_find(listed.begin(), listed.end()), listed.end());
}

// The answers steer the conversion: the quality search, the greyscale redraw, the colour
// conversion before encoding and whether preview encodes may stand in for final ones.
TEST(ImageEncoder, EachEncoderAnswersItsCapabilities) {
    struct Row {
        std::shared_ptr<const ImageEncoder> encoder;
        bool quality, lossless, grey, colourSpace, sameAtEveryEffort;
        std::int64_t highest;
    };
    const auto writer = [](const char* id) { return std::make_shared<ImageIOEncoder>(format(id)); };
    const Row rows[] = {
        {writer("public.png"), false, true, true, true, true, 100},
        {writer("public.tiff"), false, true, true, true, true, 100},
        {writer("com.microsoft.bmp"), false, true, true, false, true, 100},
        {writer("com.microsoft.ico"), false, true, true, false, true, 100},
        {writer("public.jpeg"), true, false, true, true, true, 100},
        {writer("public.heic"), true, false, false, true, true, 100},
        {writer("public.avif"), true, false, false, true, true, 99},
        {writer("public.jpeg-2000"), true, false, true, false, true, 100},
        {writer("com.compuserve.gif"), false, false, true, false, true, 100},
        // The reader cannot read PDF back, so the probe has no answer and it is not called lossless.
        {writer("com.adobe.pdf"), false, false, true, false, true, 100},
        {std::make_shared<ImageIOEncoder>(OutputFormat::sameAsSource()), true, false, false, false, true, 100},
        {std::make_shared<MozJPEGEncoder>(), true, false, true, true, true, 100},
        {std::make_shared<WebPEncoder>(), true, true, true, true, false, 100},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.encoder->format().id());
        EXPECT_EQ(row.encoder->supportsQuality(), row.quality);
        EXPECT_EQ(row.encoder->writesLosslesslyWithoutAQuality(), row.lossless);
        EXPECT_EQ(row.encoder->writesSingleChannelGrey(), row.grey);
        EXPECT_EQ(row.encoder->carriesColourSpace(), row.colourSpace);
        EXPECT_EQ(row.encoder->writesTheSameFileAtEveryEffort(), row.sameAtEveryEffort);
        EXPECT_EQ(row.encoder->qualityRange(), (QualityRange{1, row.highest}));
    }
}
