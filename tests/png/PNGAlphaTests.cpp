#include "ImageEngine/Encoding/PNGAlpha.h"
#include "PNGFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace pictavo;
using platform::Bytes;

namespace {

PNGChunks::Header headerOf(int width, int height, int colourType, int bitDepth) {
    return {width, height, bitDepth, colourType, false};
}

// The colour samples of every pixel, alpha left out, as a reference independent of the code.
Bytes withoutAlpha(const Bytes& rows, int channels, int bytesPerSample) {
    Bytes colour;
    const std::size_t stride = static_cast<std::size_t>(channels * bytesPerSample);
    for (std::size_t pixel = 0; pixel < rows.size(); pixel += stride)
        colour.insert(colour.end(), rows.begin() + pixel, rows.begin() + pixel + stride - bytesPerSample);
    return colour;
}

std::vector<std::string> typesOf(const std::vector<PNGChunks::Chunk>& chunks) {
    std::vector<std::string> types;
    for (const auto& chunk : chunks) types.push_back(chunk.type);
    return types;
}

} // namespace

TEST(PNGAlpha, OpaqueRGBAAndGreyAlphaReduceAtBothDepths) {
    struct Case {
        int colourType, bitDepth, reducedType, channels;
    };
    for (const Case c : {Case{6, 8, 2, 4}, Case{6, 16, 2, 4}, Case{4, 8, 0, 2}, Case{4, 16, 0, 2}}) {
        SCOPED_TRACE(std::to_string(c.colourType) + "/" + std::to_string(c.bitDepth));
        const auto header = headerOf(13, 6, c.colourType, c.bitDepth);
        const Bytes rows = png_files::samplePixels(13, 6, c.colourType, c.bitDepth, true);
        ASSERT_TRUE(PNGAlpha::canReduce(header));
        ASSERT_TRUE(PNGAlpha::isOpaque(rows, header));
        const auto reduced = PNGAlpha::reduction(rows, header);
        ASSERT_TRUE(reduced);
        EXPECT_EQ(reduced->header, headerOf(13, 6, c.reducedType, c.bitDepth));
        EXPECT_EQ(reduced->raw.size(), rows.size() * (c.channels - 1) / c.channels);
        EXPECT_EQ(reduced->raw, withoutAlpha(rows, c.channels, c.bitDepth / 8));
    }
}

TEST(PNGAlpha, OneAlphaShortOfOpaqueKeepsTheChannel) {
    // 8-bit RGBA with one alpha of 254.
    const auto rgba = headerOf(10, 4, 6, 8);
    Bytes rows = png_files::samplePixels(10, 4, 6, 8, true);
    rows[4 * 17 + 3] = 254;
    EXPECT_FALSE(PNGAlpha::isOpaque(rows, rgba));
    EXPECT_FALSE(PNGAlpha::reduction(rows, rgba));
    // 16-bit grey-alpha with one alpha of 0xFF00 and with one of 0x00FF.
    const auto greyAlpha = headerOf(10, 4, 4, 16);
    for (const std::size_t byte : {2u, 3u}) {
        Bytes wide = png_files::samplePixels(10, 4, 4, 16, true);
        wide[4 * 21 + byte] = 0x00;
        EXPECT_FALSE(PNGAlpha::isOpaque(wide, greyAlpha)) << byte;
        EXPECT_FALSE(PNGAlpha::reduction(wide, greyAlpha));
    }
}

TEST(PNGAlpha, OnlyGreyAlphaAndRGBAAtEightOrSixteenBitsQualify) {
    EXPECT_FALSE(PNGAlpha::canReduce(headerOf(8, 8, 3, 8)));
    EXPECT_FALSE(PNGAlpha::canReduce(headerOf(8, 8, 0, 8)));
    EXPECT_FALSE(PNGAlpha::canReduce(headerOf(8, 8, 2, 16)));
    EXPECT_FALSE(PNGAlpha::canReduce(headerOf(8, 8, 4, 4)));
    EXPECT_FALSE(PNGAlpha::canReduce(headerOf(8, 8, 6, 1)));
    EXPECT_FALSE(PNGAlpha::canReduce(headerOf(0, 8, 6, 8)));
    // Opaque RGB and palette data are never touched, whatever the bytes hold.
    const Bytes allOnes(8 * 8 * 3, 0xFF);
    EXPECT_FALSE(PNGAlpha::isOpaque(allOnes, headerOf(8, 8, 2, 8)));
    EXPECT_FALSE(PNGAlpha::reduction(allOnes, headerOf(8, 8, 2, 8)));
}

TEST(PNGAlpha, RowsOfTheWrongLengthAreNeitherOpaqueNorReduced) {
    const auto header = headerOf(5, 5, 6, 8);
    const Bytes rows = png_files::samplePixels(5, 5, 6, 8, true);
    for (const Bytes& wrong : {Bytes(rows.begin(), rows.end() - 1), [&] {
             Bytes longer = rows;
             longer.push_back(0xFF);
             return longer;
         }()}) {
        EXPECT_FALSE(PNGAlpha::isOpaque(wrong, header));
        EXPECT_FALSE(PNGAlpha::reduction(wrong, header));
    }
}

TEST(PNGAlpha, RewritingTheHeaderDropsSBITAndKeepsEverythingElseInPlace) {
    auto picture = png_files::picture(12, 12, 6, 8, true);
    picture.significantBits = true;
    picture.background = true;
    picture.physicalSize = true;
    const Bytes file = png_files::encode(picture);
    const auto chunks = *PNGChunks::parse(file);
    const auto types = typesOf(chunks);
    ASSERT_EQ(std::count(types.begin(), types.end(), "sBIT"), 1);

    const auto rewritten = PNGAlpha::rewritingHeader(chunks, 2);
    auto expectedTypes = types;
    expectedTypes.erase(std::find(expectedTypes.begin(), expectedTypes.end(), "sBIT"));
    EXPECT_EQ(typesOf(rewritten), expectedTypes);
    EXPECT_EQ(rewritten.front().payload[9], 2);
    EXPECT_EQ(PNGChunks::header(rewritten)->colourType, 2);
    // Only byte 9 of IHDR changed; every other chunk is the very same bytes.
    Bytes ihdr(chunks.front().payload.begin(), chunks.front().payload.end());
    ihdr[9] = 2;
    EXPECT_TRUE(std::equal(ihdr.begin(), ihdr.end(), rewritten.front().payload.begin(), rewritten.front().payload.end()));
    for (std::size_t i = 1, j = 1; i < chunks.size(); ++i) {
        if (chunks[i].type == "sBIT") continue;
        EXPECT_EQ(chunks[i].payload.data(), rewritten[j].payload.data()) << chunks[i].type;
        ++j;
    }
    // The chunk list still makes a file: the new IHDR gets its own CRC.
    const auto assembled = PNGChunks::assemble(rewritten);
    ASSERT_TRUE(assembled);
    EXPECT_TRUE(PNGChunks::parse(*assembled));
}
