#include "ImageEngine/Encoding/png/PNGAlpha.h"
#include "PNGFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace pictavo;
using platform::Bytes;
using png_files::typesOf;

namespace {

PNGChunks::Header headerOf(int width, int height, int colourType, int bitDepth) {
    return {width, height, bitDepth, colourType, false};
}

} // namespace

TEST(PNGAlpha, NothingShortOfFullyOpaqueRGBAOrGreyAlphaRowsOfTheRightLengthIsReduced) {
    const Bytes rgba = png_files::samplePixels(10, 4, 6, 8, true);
    Bytes translucent = rgba, shorter(rgba.begin(), rgba.end() - 1), longer = rgba;
    translucent[4 * 17 + 3] = 254;
    longer.push_back(0xFF);
    // 16-bit grey-alpha with one alpha of 0xFF00 and one of 0x00FF.
    Bytes highByte = png_files::samplePixels(10, 4, 4, 16, true), lowByte = highByte;
    highByte[4 * 21 + 3] = 0;
    lowByte[4 * 21 + 2] = 0;
    // Opaque RGB and palette data are never touched, whatever the bytes hold.
    const Bytes allOnes(10 * 4 * 3, 0xFF);
    const std::pair<Bytes, PNGChunks::Header> cases[] = {
        {translucent, headerOf(10, 4, 6, 8)}, {shorter, headerOf(10, 4, 6, 8)},  {longer, headerOf(10, 4, 6, 8)},
        {highByte, headerOf(10, 4, 4, 16)},   {lowByte, headerOf(10, 4, 4, 16)}, {allOnes, headerOf(10, 4, 2, 8)}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_FALSE(PNGAlpha::isOpaque(cases[i].first, cases[i].second)) << i;
        EXPECT_FALSE(PNGAlpha::reduction(cases[i].first, cases[i].second)) << i;
    }
    for (const auto& [colourType, bitDepth] : {std::pair{3, 8}, {0, 8}, {2, 16}, {4, 4}, {6, 1}})
        EXPECT_FALSE(PNGAlpha::canReduce(headerOf(8, 8, colourType, bitDepth))) << colourType << "/" << bitDepth;
    EXPECT_FALSE(PNGAlpha::canReduce(headerOf(0, 8, 6, 8)));
}

TEST(PNGAlpha, RewritingTheHeaderDropsSBITAndKeepsEverythingElseInPlace) {
    auto picture = png_files::picture(12, 12, 6, 8, true);
    picture.significantBits = true;
    picture.background = true;
    picture.physicalSize = true;
    const Bytes file = png_files::encode(picture);
    const auto chunks = *PNGChunks::parse(file);
    ASSERT_EQ(typesOf(chunks), (std::vector<std::string>{"IHDR", "sBIT", "bKGD", "pHYs", "IDAT", "IEND"}));
    const auto rewritten = PNGAlpha::rewritingHeader(chunks, 2);
    EXPECT_EQ(typesOf(rewritten), (std::vector<std::string>{"IHDR", "bKGD", "pHYs", "IDAT", "IEND"}));
    // Only byte 9 of IHDR changed, and the new IHDR gets its own CRC.
    Bytes ihdr(chunks.front().payload.begin(), chunks.front().payload.end());
    ihdr[9] = 2;
    EXPECT_TRUE(std::equal(ihdr.begin(), ihdr.end(), rewritten.front().payload.begin(), rewritten.front().payload.end()));
    const auto assembled = PNGChunks::assemble(rewritten);
    ASSERT_TRUE(assembled);
    EXPECT_TRUE(PNGChunks::parse(*assembled));
}
