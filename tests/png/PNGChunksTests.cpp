#include "ImageEngine/Encoding/PNGChunks.h"
#include "PNGFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace pictavo;
using platform::Bytes;

namespace {

std::vector<std::string> typesOf(const std::vector<PNGChunks::Chunk>& chunks) {
    std::vector<std::string> types;
    for (const auto& chunk : chunks) types.push_back(chunk.type);
    return types;
}

Bytes rgbaWithMetadata() {
    auto picture = png_files::picture(40, 30, 6, 8);
    picture.texts = {{"Title", "a test"}, {"Author", "nobody"}};
    picture.physicalSize = true;
    picture.iccProfile = true;
    return png_files::encode(picture);
}

} // namespace

TEST(PNGChunks, ParsesAFileLibpngWroteAndAssemblesItBackByteForByte) {
    const Bytes file = rgbaWithMetadata();
    const auto chunks = PNGChunks::parse(file);
    ASSERT_TRUE(chunks);
    const auto types = typesOf(*chunks);
    EXPECT_EQ(types.front(), "IHDR");
    EXPECT_EQ(types.back(), "IEND");
    EXPECT_EQ(std::count(types.begin(), types.end(), "tEXt"), 2);
    EXPECT_EQ(PNGChunks::assemble(*chunks), file);
    // The known CRC of an empty IEND chunk.
    const std::string iend = "IEND";
    EXPECT_EQ(PNGChunks::crc32({std::span(reinterpret_cast<const std::uint8_t*>(iend.data()), 4)}), 0xAE426082u);
    EXPECT_EQ(PNGChunks::crc32({}), 0u);
}

TEST(PNGChunks, RefusesABadSignatureAndFilesThatEndEarly) {
    const Bytes file = rgbaWithMetadata();
    const std::span<const std::uint8_t> whole(file);
    EXPECT_FALSE(PNGChunks::parse(whole.first(8)));
    Bytes wrongSignature = file;
    wrongSignature[1] = 'Q';
    EXPECT_FALSE(PNGChunks::parse(wrongSignature));
    // Without IEND, and with the last chunk running past the end.
    EXPECT_FALSE(PNGChunks::parse(whole.first(file.size() - 12)));
    EXPECT_FALSE(PNGChunks::parse(whole.first(file.size() - 1)));
    EXPECT_FALSE(PNGChunks::parse(whole.first(20)));
}

TEST(PNGChunks, AnyFlippedBitInTypePayloadOrCRCIsRefused) {
    const Bytes file = rgbaWithMetadata();
    // A sample of bytes after the signature: lengths, types, payloads and CRCs alike.
    std::size_t refused = 0, tried = 0;
    for (std::size_t i = 8; i < file.size(); i += 7) {
        Bytes damaged = file;
        damaged[i] ^= 0x04;
        ++tried;
        if (!PNGChunks::parse(damaged)) ++refused;
    }
    EXPECT_EQ(refused, tried);
}

TEST(PNGChunks, ALengthFieldNearTheLimitIsCheckedIn64Bits) {
    Bytes file = rgbaWithMetadata();
    // The first chunk claims 0xFFFFFFF0 bytes: position + 12 + length must not wrap.
    file[8] = 0xFF;
    file[9] = 0xFF;
    file[10] = 0xFF;
    file[11] = 0xF0;
    EXPECT_FALSE(PNGChunks::parse(file));
}

TEST(PNGChunks, ATypeByteAbove127IsRefusedEvenWithAValidCRC) {
    Bytes file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_TRUE(PNGChunks::serialise("IHDR", Bytes(13, 1), file));
    ASSERT_TRUE(PNGChunks::serialise("\xC3\xA9xT", Bytes{1, 2}, file));
    ASSERT_TRUE(PNGChunks::serialise("IEND", Bytes{}, file));
    EXPECT_FALSE(PNGChunks::parse(file));
}

TEST(PNGChunks, IgnoresTrailingBytesAndEndsTheListWithIEND) {
    const Bytes file = rgbaWithMetadata();
    Bytes trailing = file;
    trailing.insert(trailing.end(), {'j', 'u', 'n', 'k', 0, 0, 0, 0, 0xFF});
    const auto chunks = PNGChunks::parse(trailing);
    ASSERT_TRUE(chunks);
    EXPECT_EQ(chunks->back().type, "IEND");
    EXPECT_EQ(PNGChunks::assemble(*chunks), file);
}

TEST(PNGChunks, ReadsTheHeaderOnlyFromAFirstIHDR) {
    auto picture = png_files::picture(9, 5, 4, 16, true);
    picture.interlaced = true;
    const Bytes file = png_files::encode(picture);
    const auto chunks = PNGChunks::parse(file);
    ASSERT_TRUE(chunks);
    const auto header = PNGChunks::header(*chunks);
    ASSERT_TRUE(header);
    EXPECT_EQ(*header, (PNGChunks::Header{9, 5, 16, 4, true}));

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
    EXPECT_EQ((Header{3, 1, 8, 2, false}.rowByteCount()), 9);
    EXPECT_EQ((Header{9, 1, 1, 0, false}.rowByteCount()), 2);
    EXPECT_EQ((Header{5, 1, 16, 6, false}.rowByteCount()), 40);
    EXPECT_EQ((Header{5, 1, 4, 3, false}.rowByteCount()), 3);
    EXPECT_EQ((Header{1'000'000, 1'000'000, 16, 6, false}.rowByteCount()), 8'000'000);
    EXPECT_FALSE((Header{0, 1, 8, 2, false}.rowByteCount()));
    EXPECT_FALSE((Header{1, 1'000'001, 8, 2, false}.rowByteCount()));
    EXPECT_FALSE((Header{1, 1, 8, 1, false}.rowByteCount()));
    EXPECT_FALSE((Header{1, 1, 8, 5, false}.rowByteCount()));
}

TEST(PNGChunks, RemovingMetadataDropsExactlyTheTextTimeAndExifChunks) {
    const Bytes file = rgbaWithMetadata();
    const auto chunks = PNGChunks::parse(file);
    ASSERT_TRUE(chunks);
    auto withMore = *chunks;
    const auto end = withMore.back();
    withMore.pop_back();
    for (const char* type : {"zTXt", "iTXt", "eXIf", "tIME", "TEXT", "teXt", "bKGD"})
        withMore.push_back(PNGChunks::Chunk::owning(type, Bytes{1, 2, 3}));
    withMore.push_back(end);

    const auto kept = typesOf(PNGChunks::removingMetadata(withMore));
    for (const char* gone : {"tEXt", "zTXt", "iTXt", "eXIf", "tIME"})
        EXPECT_EQ(std::count(kept.begin(), kept.end(), gone), 0) << gone;
    for (const char* stays : {"IHDR", "iCCP", "pHYs", "IDAT", "TEXT", "teXt", "bKGD", "IEND"})
        EXPECT_EQ(std::count(kept.begin(), kept.end(), stays), 1) << stays;
    // What stays keeps its order.
    auto expected = typesOf(withMore);
    expected.erase(std::remove_if(expected.begin(), expected.end(),
                                  [](const std::string& type) {
                                      return type == "tEXt" || type == "zTXt" || type == "iTXt" || type == "eXIf" ||
                                             type == "tIME";
                                  }),
                   expected.end());
    EXPECT_EQ(kept, expected);

    const auto stripped = PNGChunks::assemble(PNGChunks::removingMetadata(*chunks));
    ASSERT_TRUE(stripped);
    const auto decoded = png_files::decode(*stripped);
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->texts.empty());
}

TEST(PNGChunks, RebuildCutsNewDataIntoIDATsWhereTheFirstOneStood) {
    const Bytes original = rgbaWithMetadata();
    auto chunks = *PNGChunks::parse(original);
    // Several old IDATs with something between them, as some writers leave them.
    const auto firstIDAT = std::find_if(chunks.begin(), chunks.end(), [](auto& c) { return c.type == "IDAT"; });
    const auto position = firstIDAT - chunks.begin();
    chunks.insert(chunks.begin() + position + 1, PNGChunks::Chunk::owning("IDAT", Bytes{9, 9}));
    chunks.insert(chunks.begin() + position + 2, PNGChunks::Chunk::owning("sPLt", Bytes{7}));

    Bytes data(2'500'000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 31);
    const auto file = PNGChunks::rebuild(chunks, data, PNGChunks::largestIDATLength);
    ASSERT_TRUE(file);
    const auto rebuilt = PNGChunks::parse(*file);
    ASSERT_TRUE(rebuilt);
    std::vector<std::size_t> idatLengths;
    for (const auto& chunk : *rebuilt)
        if (chunk.type == "IDAT") idatLengths.push_back(chunk.payload.size());
    EXPECT_EQ(idatLengths, (std::vector<std::size_t>{1'048'576, 1'048'576, 402'848}));
    EXPECT_EQ(PNGChunks::imageData(*rebuilt), data);
    auto types = typesOf(*rebuilt);
    auto expected = typesOf(chunks);
    expected.erase(expected.begin() + position, expected.begin() + position + 2);
    expected.insert(expected.begin() + position, {"IDAT", "IDAT", "IDAT"});
    EXPECT_EQ(types, expected);
    EXPECT_EQ(types[position + 3], "sPLt");
}

TEST(PNGChunks, RebuildWithEmptyDataWritesOneEmptyIDATAndWithoutIDATWritesNone) {
    const Bytes original = rgbaWithMetadata();
    const auto chunks = *PNGChunks::parse(original);
    const auto file = PNGChunks::rebuild(chunks, Bytes{}, PNGChunks::largestIDATLength);
    ASSERT_TRUE(file);
    const auto rebuilt = *PNGChunks::parse(*file);
    const auto types = typesOf(rebuilt);
    EXPECT_EQ(std::count(types.begin(), types.end(), "IDAT"), 1);
    EXPECT_TRUE(PNGChunks::imageData(rebuilt).empty());

    std::vector<PNGChunks::Chunk> noData;
    for (const auto& chunk : chunks)
        if (chunk.type != "IDAT") noData.push_back(chunk);
    const auto withoutData = PNGChunks::rebuild(noData, Bytes{1, 2, 3}, PNGChunks::largestIDATLength);
    ASSERT_TRUE(withoutData);
    EXPECT_EQ(withoutData, PNGChunks::assemble(noData));
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
