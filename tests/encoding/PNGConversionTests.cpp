#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "ImageEngine/Running/EncodeConcurrency.h"
#include "PNGFiles.h"
#include "support/ExifSamples.h"
#include "support/JPEGSamples.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>
#include <png.h>

using namespace pictavo;
using platform::Bytes;

namespace {

const ConversionEngine& engine() {
    static const ConversionEngine standard(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                           SourceOptimiserRegistry::standard());
    return standard;
}

OutputSpec losslessSpec(const OutputFormat& format, MetadataPolicy metadata) {
    return OutputSpec{format, ResizeSpec::original(), QualityMode::lossless(), metadata, ColourPolicy::preserve,
                      MatteColour::white(), Adjustments::none(), "{name}"};
}

// A PNG as many programs save one: fast compression, no filtering, a text chunk.
Bytes looselySaved(png_files::Picture picture) {
    picture.filters = PNG_FILTER_NONE;
    picture.compressionLevel = 2;
    picture.texts = {{"Software", "someone else's"}};
    return png_files::encode(picture);
}

} // namespace

TEST(PNGConversion, APNGKeptLosslessDecodesToTheSamePixelsIsNeverLargerAndCannotBeImprovedTwice) {
    const testing_support::TemporaryFolder folder;
    const std::pair<int, int> formats[] = {{6, 8}, {2, 16}, {3, 4}, {4, 8}, {0, 1}};
    for (const auto& [colourType, bitDepth] : formats) {
        SCOPED_TRACE(std::to_string(colourType) + "/" + std::to_string(bitDepth));
        const Bytes source = looselySaved(png_files::picture(64, 48, colourType, bitDepth, colourType == 6));
        const auto path = folder.write("source.png", source);
        const auto expected = png_files::decodeAsRGBA(source);
        for (const auto& format : {OutputFormat::png(), OutputFormat::sameAsSource()}) {
            for (const auto metadata : {MetadataPolicy::keepAll, MetadataPolicy::strip}) {
                const auto result = engine().convert(path, losslessSpec(format, metadata), 1, EncodeEffort::final);
                EXPECT_EQ(result.format, OutputFormat::png());
                EXPECT_LT(result.data->size(), source.size());
                const auto decoded = png_files::decodeAsRGBA(*result.data);
                ASSERT_TRUE(decoded);
                EXPECT_EQ(decoded->rows, expected->rows);
                EXPECT_EQ(png_files::decode(*result.data)->texts.size(), metadata == MetadataPolicy::keepAll ? 1u : 0u);
                // A file that cannot be improved comes back as it was.
                const auto tight = folder.write("tight.png", *result.data);
                const auto again = engine().convert(tight, losslessSpec(format, metadata), 1, EncodeEffort::final);
                EXPECT_EQ(*again.data, *result.data);
                EXPECT_TRUE(again.warnings.empty());
            }
        }
    }
}

TEST(PNGConversion, APhotoKeepingItsMetadataCarriesOneEXIFBeforeThePixelDataAndItsXMPInITXt) {
    using namespace testing_support;
    const testing_support::TemporaryFolder folder;
    Bytes exif = bytesOf(std::string("Exif\0\0", 6));
    const Bytes camera = cameraExifBlock();
    exif.insert(exif.end(), camera.begin(), camera.end());
    const Bytes photo = withSegmentAfterSOI(
        withSegmentAfterSOI(makeJpeg(320, 240, 92), 0xE1, bytesOf(std::string("http://ns.adobe.com/xap/1.0/", 29) + xmpPacket(6))),
        0xE1, exif);
    const auto path = folder.write("photo.jpg", photo);

    for (const auto effort : {EncodeEffort::preview, EncodeEffort::final}) {
        SCOPED_TRACE(effort == EncodeEffort::final ? "final" : "preview");
        const Bytes png = *engine().convert(path, losslessSpec(OutputFormat::png(), MetadataPolicy::keepAll), 1, effort).data;

        // Before the pixel data, where readers that stop at IDAT still find them; a second
        // eXIf or any other text chunk shows in libpng's warnings and texts.
        const auto types = png_files::typesOf(png);
        for (const char* type : {"eXIf", "iTXt"})
            EXPECT_LT(std::find(types.begin(), types.end(), type), std::find(types.begin(), types.end(), "IDAT")) << type;
        const auto seen = png_files::decode(png);
        ASSERT_TRUE(seen);
        EXPECT_TRUE(seen->warnings.empty()) << seen->warnings.front();
        ASSERT_TRUE(seen->exif);
        const auto tags = exifTags(*seen->exif);
        EXPECT_EQ(tags.at("Exif.Image.Model"), "PT-1");
        EXPECT_EQ(tags.at("Exif.Image.Orientation"), "1"); // the pixels were turned upright
        ASSERT_EQ(seen->texts.size(), 1u);
        EXPECT_EQ(seen->texts[0].keyword, "XML:com.adobe.xmp");
        EXPECT_EQ(seen->texts[0].compression, PNG_ITXT_COMPRESSION_NONE);
        EXPECT_EQ(seen->texts[0].text, xmpPacket(1));
    }
}

TEST(PNGConversion, ADamagedPictureTooLargeToInflateAtOnceIsNotReportedAsConverted) {
    // Just past the budget of one conversion on this machine: too large to be inflated into
    // memory, so its pixel data can only be checked as a stream.
    const auto budget = static_cast<std::uint64_t>(EncodeConcurrency::pixelBudget());
    if (budget > (std::uint64_t{3} << 30)) GTEST_SKIP() << "a budget this large would need a test file of its size";
    constexpr int width = 20000;
    const int height = static_cast<int>(budget / (width * 4 + 1)) + 8;
    const Bytes sound = png_files::streamedRGBA(width, height);
    const auto chunks = *PNGChunks::parse(sound);
    const auto idats = std::count_if(chunks.begin(), chunks.end(), [](auto& chunk) { return chunk.type == "IDAT"; });
    const testing_support::TemporaryFolder folder;
    const auto path = folder.write("large.png", png_files::withOneIDATOverwritten(sound, static_cast<std::size_t>(idats / 2)));
    EXPECT_THROW(engine().convert(path, losslessSpec(OutputFormat::png(), MetadataPolicy::strip), 1, EncodeEffort::final),
                 ConversionError);
}
