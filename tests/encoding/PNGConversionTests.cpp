#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "PNGFiles.h"
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
