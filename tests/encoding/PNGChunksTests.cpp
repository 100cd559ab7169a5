#include "ImageEngine/Encoding/png/PNGChunks.h"
#include "PNGFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace pictavo;
using platform::Bytes;
using png_files::typesOf;

namespace {

Bytes rgbaWithMetadata() {
    auto picture = png_files::picture(40, 30, 6, 8);
    picture.texts = {{"Title", "a test"}, {"Author", "nobody"}};
    picture.physicalSize = true;
    picture.iccProfile = true;
    return png_files::encode(picture);
}

class PNGChunksOfAFile : public testing::Test {
protected:
    const Bytes file = rgbaWithMetadata();
    const std::vector<PNGChunks::Chunk> chunks = *PNGChunks::parse(file);
};

} // namespace

TEST_F(PNGChunksOfAFile, ParsesAFileLibpngWroteAndAssemblesItBackByteForByteWithoutTrailingBytes) {
    EXPECT_EQ(typesOf(chunks), (std::vector<std::string>{"IHDR", "iCCP", "pHYs", "tEXt", "tEXt", "IDAT", "IEND"}));
    EXPECT_EQ(PNGChunks::assemble(chunks), file);
    Bytes trailing = file;
    trailing.insert(trailing.end(), {'j', 'u', 'n', 'k', 0, 0, 0, 0, 0xFF});
    const auto untrailed = PNGChunks::parse(trailing);
    ASSERT_TRUE(untrailed);
    EXPECT_EQ(PNGChunks::assemble(*untrailed), file);
    // The known CRC of an empty IEND chunk.
    const std::string iend = "IEND";
    EXPECT_EQ(PNGChunks::crc32({std::span(reinterpret_cast<const std::uint8_t*>(iend.data()), 4)}), 0xAE426082u);
    EXPECT_EQ(PNGChunks::crc32({}), 0u);
}

TEST_F(PNGChunksOfAFile, RefusesBadSignaturesShortFilesFlippedBitsHugeLengthsAndNonASCIITypes) {
    const std::span<const std::uint8_t> whole(file);
    // Without IEND, and with the last chunk running past the end.
    for (const std::size_t length : {std::size_t{8}, std::size_t{20}, file.size() - 12, file.size() - 1})
        EXPECT_FALSE(PNGChunks::parse(whole.first(length))) << length;
    Bytes wrongSignature = file;
    wrongSignature[1] = 'Q';
    EXPECT_FALSE(PNGChunks::parse(wrongSignature));
    // A sample of bytes after the signature: lengths, types, payloads and CRCs alike.
    for (std::size_t i = 8; i < file.size(); i += 7) {
        Bytes damaged = file;
        damaged[i] ^= 0x04;
        EXPECT_FALSE(PNGChunks::parse(damaged)) << "byte " << i;
    }
    // The first chunk claims 0xFFFFFFF0 bytes: position + 12 + length must not wrap.
    Bytes huge = file;
    std::fill_n(huge.begin() + 8, 3, 0xFF);
    huge[11] = 0xF0;
    EXPECT_FALSE(PNGChunks::parse(huge));
    // A type byte above 127 with a valid CRC.
    Bytes accented{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_TRUE(PNGChunks::serialise("IHDR", Bytes(13, 1), accented));
    ASSERT_TRUE(PNGChunks::serialise("\xC3\xA9xT", Bytes{1, 2}, accented));
    ASSERT_TRUE(PNGChunks::serialise("IEND", Bytes{}, accented));
    EXPECT_FALSE(PNGChunks::parse(accented));
}

TEST(PNGChunks, ReadsTheHeaderOnlyFromAFirstIHDR) {
    auto picture = png_files::picture(9, 5, 4, 16, true);
    picture.interlaced = true;
    const Bytes file = png_files::encode(picture);
    const auto chunks = PNGChunks::parse(file);
    ASSERT_TRUE(chunks);
    EXPECT_EQ(PNGChunks::header(*chunks), (PNGChunks::Header{9, 5, 16, 4, true}));

    auto reordered = *chunks;
    std::swap(reordered[0], reordered[1]);
    EXPECT_FALSE(PNGChunks::header(reordered));
    auto shortHeader = *chunks;
    shortHeader[0].payload = shortHeader[0].payload.first(12);
    EXPECT_FALSE(PNGChunks::header(shortHeader));
    EXPECT_FALSE(PNGChunks::header({}));
}

TEST(PNGChunks, RowByteCountFollowsColourTypeDepthAndTheSideLimits) {
    using Header = PNGChunks::Header;
    const std::pair<Header, std::optional<std::int64_t>> cases[] = {
        {{3, 1, 8, 2, false}, 9},          {{9, 1, 1, 0, false}, 2},
        {{5, 1, 16, 6, false}, 40},        {{5, 1, 4, 3, false}, 3},
        {{1'000'000, 1'000'000, 16, 6, false}, 8'000'000},
        {{0, 1, 8, 2, false}, std::nullopt}, {{1, 1'000'001, 8, 2, false}, std::nullopt},
        {{1, 1, 8, 1, false}, std::nullopt}, {{1, 1, 8, 5, false}, std::nullopt}};
    for (const auto& [header, expected] : cases)
        EXPECT_EQ(header.rowByteCount(), expected) << header.width << "x" << header.height << " type " << header.colourType;
}

TEST_F(PNGChunksOfAFile, RemovingMetadataKeepsOnlyTheChunksThatChangeHowThePictureIsShown) {
    auto withMore = chunks;
    const auto end = withMore.back();
    withMore.pop_back();
    const std::vector<std::string> shown = {"TEXT", "tRNS", "bKGD", "gAMA", "cHRM", "sRGB", "iCCP", "sBIT",
                                            "cICP", "mDCv", "cLLi", "pHYs", "acTL", "fcTL", "fdAT"};
    // Text, time, EXIF in either spelling, content credentials, and a program's own chunks.
    const std::vector<std::string> dropped = {"zTXt", "iTXt", "eXIf", "exIf", "tIME", "caBX", "teXt", "prVt", "vpAg", "hIST"};
    for (const auto& list : {shown, dropped})
        for (const auto& type : list) withMore.push_back(PNGChunks::Chunk::owning(type, Bytes{1, 2, 3}));
    withMore.push_back(end);

    // What stays keeps its order.
    auto expected = typesOf(withMore);
    std::erase(expected, "tEXt");
    for (const auto& type : dropped) std::erase(expected, type);
    EXPECT_EQ(typesOf(PNGChunks::removingMetadata(withMore)), expected);

    const auto stripped = PNGChunks::assemble(PNGChunks::removingMetadata(chunks));
    ASSERT_TRUE(stripped);
    const auto decoded = png_files::decode(*stripped);
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->texts.empty());
}

TEST_F(PNGChunksOfAFile, RebuildCutsNewDataIntoIDATsWhereTheFirstOneStood) {
    // Several old IDATs with something between them, as some writers leave them.
    auto several = chunks;
    const auto position = std::find_if(chunks.begin(), chunks.end(), [](auto& c) { return c.type == "IDAT"; }) - chunks.begin();
    several.insert(several.begin() + position + 1, PNGChunks::Chunk::owning("IDAT", Bytes{9, 9}));
    several.insert(several.begin() + position + 2, PNGChunks::Chunk::owning("sPLt", Bytes{7}));

    Bytes data(2'500'000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 31);
    const auto rebuiltFile = PNGChunks::rebuild(several, data, PNGChunks::largestIDATLength);
    ASSERT_TRUE(rebuiltFile);
    const auto rebuilt = PNGChunks::parse(*rebuiltFile);
    ASSERT_TRUE(rebuilt);
    std::vector<std::size_t> idatLengths;
    for (const auto& chunk : *rebuilt)
        if (chunk.type == "IDAT") idatLengths.push_back(chunk.payload.size());
    EXPECT_EQ(idatLengths, (std::vector<std::size_t>{1'048'576, 1'048'576, 402'848}));
    EXPECT_EQ(PNGChunks::imageData(*rebuilt), data);
    auto expected = typesOf(several);
    expected.erase(expected.begin() + position, expected.begin() + position + 2);
    expected.insert(expected.begin() + position, {"IDAT", "IDAT", "IDAT"});
    EXPECT_EQ(typesOf(*rebuilt), expected);
}

TEST_F(PNGChunksOfAFile, RebuildWithEmptyDataWritesOneEmptyIDATAndWithoutIDATWritesNone) {
    const auto rebuilt = PNGChunks::rebuild(chunks, Bytes{}, PNGChunks::largestIDATLength);
    ASSERT_TRUE(rebuilt);
    const auto types = typesOf(*rebuilt);
    EXPECT_EQ(std::count(types.begin(), types.end(), "IDAT"), 1);
    EXPECT_TRUE(PNGChunks::imageData(*PNGChunks::parse(*rebuilt)).empty());

    std::vector<PNGChunks::Chunk> noData;
    std::copy_if(chunks.begin(), chunks.end(), std::back_inserter(noData), [](auto& c) { return c.type != "IDAT"; });
    EXPECT_EQ(PNGChunks::rebuild(noData, Bytes{1, 2, 3}, PNGChunks::largestIDATLength), PNGChunks::assemble(noData));
}

TEST(PNGChunks, SerialiseRefusesWhatWouldCorruptTheStream) {
    Bytes output{1, 2};
    EXPECT_FALSE(PNGChunks::serialise("IDATX", Bytes{1}, output));
    EXPECT_FALSE(PNGChunks::serialise("ID", Bytes{1}, output));
    EXPECT_EQ(output, (Bytes{1, 2}));
    EXPECT_TRUE(PNGChunks::serialise("abCD", Bytes{0xAA}, output));
    EXPECT_EQ(output.size(), 2u + 4 + 4 + 1 + 4);
    EXPECT_EQ(output[5], 1); // the big-endian length
}
