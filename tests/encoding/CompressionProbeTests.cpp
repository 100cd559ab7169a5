#include "ImageEngine/Encoding/imageio/CompressionProbe.h"
#include "support/SampleImages.h"

#include <gtest/gtest.h>

using namespace pictavo;
using platform::Bytes;
using platform::ImageRef;
using testing_support::imageReadWithVips;

namespace {

OutputFormat format(const char* identifier) { return OutputFormat(*platform::ContentType::withIdentifier(identifier)); }

} // namespace

TEST(CompressionProbe, LosslessWriterFormatsComeBackExactly) {
    for (const char* identifier : {"public.png", "public.tiff"})
        EXPECT_EQ(CompressionProbe::probeCompression(identifier, imageReadWithVips), OutputFormat::Compression::lossless)
            << identifier;
    // A lossy codec changes some byte of the pattern.
    EXPECT_EQ(CompressionProbe::probeCompression("public.jpeg", imageReadWithVips), OutputFormat::Compression::lossy);
}

TEST(CompressionProbe, GivesNoAnswerWithoutAFaithfulRoundTrip) {
    // Not written, not read back, read back at another size.
    EXPECT_FALSE(CompressionProbe::probeCompression("public.unknown", imageReadWithVips));
    EXPECT_FALSE(CompressionProbe::probeCompression("public.png", [](const Bytes&) { return ImageRef(); }));
    EXPECT_FALSE(CompressionProbe::probeCompression(
        "public.png", [](const Bytes&) { return testing_support::solidImage(32, 31, 0, 0, 0); }));
    // An image that cannot be drawn for the comparison gives no answer, never "lossless"
    // from two untouched buffers.
    EXPECT_FALSE(CompressionProbe::probeCompression("public.png", [](const Bytes&) {
        auto pixels = std::make_shared<Bytes>(32 * 32 * 2, 0);
        return platform::Image::make(32, 32, 8, 2, platform::AlphaInfo::none, platform::ColourSpace::sRGB(), pixels, 64);
    }));
    // One changed byte is enough to make a format lossy.
    const auto oneByteOff = [](const Bytes& file) {
        auto image = imageReadWithVips(file);
        auto pixels = std::make_shared<Bytes>(*image->buffer());
        (*pixels)[5 * image->bytesPerRow() + 7] ^= 1;
        return platform::Image::make(32, 32, 8, image->componentsPerPixel(), image->alphaInfo(), image->colourSpace(),
                                     pixels, image->bytesPerRow());
    };
    EXPECT_EQ(CompressionProbe::probeCompression("public.png", oneByteOff), OutputFormat::Compression::lossy);
}

TEST(CompressionProbe, TableProbesOnlyFormatsWhoseCompressionIsNotFixed) {
    int reads = 0;
    const auto counting = [&](const Bytes& file) {
        ++reads;
        return imageReadWithVips(file);
    };
    const auto table = CompressionProbe::probedCompressions(
        {OutputFormat::sameAsSource(), format("public.jpeg"), format("com.compuserve.gif"), format("public.heic"),
         format("public.png"), format("com.microsoft.ico"), format("com.adobe.pdf")},
        counting);
    EXPECT_EQ(reads, 3); // PNG, ICO and PDF
    EXPECT_EQ(table.size(), 1u);
    EXPECT_EQ(table.at("public.png"), OutputFormat::Compression::lossless);
    // libvips reads neither ICO nor PDF: no entry, so no compression word in the menu.
    EXPECT_FALSE(table.count("com.microsoft.ico"));
    EXPECT_FALSE(table.count("com.adobe.pdf"));
}
