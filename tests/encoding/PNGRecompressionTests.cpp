#include "ImageEngine/Running/SpareProcessors.h"
#include "ImageEngine/Encoding/png/LibDeflatePNGEncoder.h"
#include "ImageEngine/Encoding/png/PNGChunks.h"
#include "ImageEngine/Encoding/png/ZlibStream.h"
#include "PNGFiles.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <tuple>

using namespace pictavo;
using platform::Bytes;

namespace {

constexpr std::size_t generous = 1 << 30;
constexpr EncodeEffort efforts[] = {EncodeEffort::preview, EncodeEffort::final};

std::string nameOf(EncodeEffort effort) { return effort == EncodeEffort::final ? "final" : "preview"; }

// A file with plenty to gain: no filtering and the fastest compression.
Bytes looselyWritten(png_files::Picture picture) {
    picture.filters = PNG_FILTER_NONE;
    picture.compressionLevel = 1;
    return png_files::encode(picture);
}

std::optional<Bytes> recompressed(const Bytes& file, EncodeEffort effort = EncodeEffort::final, bool strip = false,
                                  std::size_t budget = generous) {
    return LibDeflatePNGEncoder::recompressIDAT(file, effort, strip, budget);
}

// The filter byte of every row of a file's pixel data.
std::vector<int> rowFiltersOf(const Bytes& file) {
    const auto chunks = PNGChunks::parse(file);
    const auto header = PNGChunks::header(*chunks);
    const std::size_t stride = static_cast<std::size_t>(*header->rowByteCount() + 1);
    const auto rows = inflateZlib(PNGChunks::imageData(*chunks), stride * header->height, generous);
    std::vector<int> filters;
    for (std::size_t at = 0; at < rows->size(); at += stride) filters.push_back((*rows)[at]);
    return filters;
}

} // namespace

TEST(PNGRecompression, EveryFormatComesBackSmallerWithIdenticalSamplesAndOnlyOpaqueAlphaIsDropped) {
    // Colour type, depth, whether the alpha is opaque, and the colour type the result keeps.
    const std::tuple<int, int, bool, int> cases[] = {
        {0, 1, false, 0}, {0, 4, false, 0}, {0, 8, false, 0}, {0, 16, false, 0}, {2, 8, false, 2}, {2, 16, false, 2},
        {3, 2, false, 3}, {3, 8, false, 3}, {4, 8, false, 4}, {4, 16, false, 4}, {6, 8, false, 6}, {6, 16, false, 6},
        {4, 8, true, 0},  {4, 16, true, 0}, {6, 8, true, 2},  {6, 16, true, 2}};
    for (const auto& [colourType, bitDepth, opaque, kept] : cases) {
        auto picture = png_files::picture(48, 40, colourType, bitDepth, opaque);
        picture.significantBits = picture.background = opaque;
        const Bytes file = looselyWritten(picture);
        const Bytes expected = kept == colourType ? picture.rows
                                                  : png_files::withoutAlpha(picture.rows, png_files::channelsOf(colourType), bitDepth / 8);
        for (const EncodeEffort effort : efforts) {
            SCOPED_TRACE(std::to_string(colourType) + "/" + std::to_string(bitDepth) + (opaque ? " opaque " : " ") + nameOf(effort));
            const auto smaller = recompressed(file, effort);
            ASSERT_TRUE(smaller);
            EXPECT_LT(smaller->size(), file.size());
            const auto decoded = png_files::decode(*smaller);
            ASSERT_TRUE(decoded);
            EXPECT_EQ(std::pair(decoded->colourType, decoded->bitDepth), std::pair(kept, bitDepth));
            EXPECT_EQ(decoded->rows, expected);
            if (!opaque) continue;
            const auto types = png_files::typesOf(*smaller);
            EXPECT_EQ(std::count(types.begin(), types.end(), "sBIT"), 0);
            EXPECT_EQ(std::count(types.begin(), types.end(), "bKGD"), 1);
        }
    }
    // One pixel short of opaque keeps the alpha.
    auto picture = png_files::picture(16, 16, 6, 8, true);
    picture.rows[4 * 100 + 3] = 254;
    const auto kept = png_files::decode(*recompressed(looselyWritten(picture)));
    EXPECT_EQ(kept->colourType, 6);
    EXPECT_EQ(kept->rows, picture.rows);
}

TEST(PNGRecompression, InterlacedAndAnimatedFilesAreNeverRewritten) {
    auto interlaced = png_files::picture(32, 32, 2, 8);
    interlaced.interlaced = true;
    interlaced.texts = {{"Comment", "to strip"}};
    // An opaque RGBA animation: reducing IHDR to RGB would garble the four-channel frames.
    const Bytes still = looselyWritten(png_files::picture(20, 20, 6, 8, true));
    ASSERT_TRUE(recompressed(still));
    for (const Bytes& file : {looselyWritten(interlaced), png_files::animated(still)})
        for (const EncodeEffort effort : efforts)
            for (const bool strip : {false, true}) EXPECT_FALSE(recompressed(file, effort, strip));
}

TEST(PNGRecompression, StripDropsOnlyTheMetadataChunks) {
    auto picture = png_files::picture(24, 24, 2, 8);
    picture.texts = {{"Title", "kept or not"}};
    picture.iccProfile = true;
    picture.physicalSize = true;
    const Bytes file = looselyWritten(picture);
    const auto stripped = recompressed(file, EncodeEffort::preview, true);
    const auto kept = recompressed(file, EncodeEffort::preview, false);
    ASSERT_TRUE(stripped && kept);
    EXPECT_TRUE(png_files::decode(*stripped)->texts.empty());
    EXPECT_EQ(png_files::decode(*kept)->texts.size(), 1u);
    for (const Bytes* result : {&*stripped, &*kept}) {
        const auto types = png_files::typesOf(*result);
        EXPECT_EQ(std::count(types.begin(), types.end(), "iCCP"), 1);
        EXPECT_EQ(std::count(types.begin(), types.end(), "pHYs"), 1);
        EXPECT_EQ(png_files::decode(*result)->rows, picture.rows);
    }
}

TEST(PNGRecompression, OnlyAStrictlyShorterFileIsReturnedAndDamagedDataOrAnOverBudgetImageGivesNothing) {
    const Bytes file = looselyWritten(png_files::picture(40, 30, 2, 8));
    const auto once = recompressed(file, EncodeEffort::preview);
    ASSERT_TRUE(once);
    // The same filters at the same level give the same stream: equal length is no gain.
    EXPECT_FALSE(recompressed(*once, EncodeEffort::preview));
    // One ignored byte after IEND makes the input one byte longer than the rebuilt file.
    Bytes padded = *once;
    padded.push_back(0);
    const auto trimmed = recompressed(padded, EncodeEffort::preview);
    ASSERT_TRUE(trimmed);
    EXPECT_EQ(trimmed->size(), padded.size() - 1);

    const std::size_t unpacked = 30 * (40 * 3 + 1);
    EXPECT_FALSE(recompressed(file, EncodeEffort::final, false, unpacked - 1));
    EXPECT_TRUE(recompressed(file, EncodeEffort::final, false, unpacked));
    // A damaged IDAT whose CRC was made to match: the chunk layer accepts it, the zlib reader does not.
    EXPECT_FALSE(recompressed(png_files::withDamagedPixelData(file)));
    EXPECT_FALSE(recompressed(Bytes{1, 2, 3}));
}

TEST(PNGRecompression, OnlyTheFinalEffortRefiltersAndItNeverDoesWorse) {
    // A smooth gradient written without filters: any predictor beats None by far.
    png_files::Picture picture = png_files::picture(64, 64, 2, 8);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64 * 3; ++x) picture.rows[y * 64 * 3 + x] = static_cast<std::uint8_t>(x + 3 * y);
    const Bytes file = looselyWritten(picture);
    const auto preview = recompressed(file, EncodeEffort::preview);
    const auto final = recompressed(file, EncodeEffort::final);
    ASSERT_TRUE(preview && final);
    const auto previewFilters = rowFiltersOf(*preview);
    EXPECT_TRUE(std::all_of(previewFilters.begin(), previewFilters.end(), [](int f) { return f == 0; }));
    const auto finalFilters = rowFiltersOf(*final);
    EXPECT_FALSE(std::all_of(finalFilters.begin(), finalFilters.end(), [](int f) { return f == 0; }));
    EXPECT_LT(final->size(), preview->size());
    EXPECT_EQ(png_files::decode(*final)->rows, picture.rows);
}

TEST(PNGRecompression, SpareProcessorsChangeNothingInTheFile) {
    // Large enough for the compressions and trials to run side by side: an RGB gradient with
    // noise (re-filtering path) and an opaque RGBA picture (alpha reduction path).
    png_files::Picture gradient = png_files::picture(300, 200, 2, 8);
    for (std::size_t i = 0; i < gradient.rows.size(); ++i)
        gradient.rows[i] = static_cast<std::uint8_t>(i % 900 / 4 + (gradient.rows[i] & 7));
    const png_files::Picture opaque = png_files::picture(300, 200, 6, 8, true);
    for (const Bytes& file : {looselyWritten(gradient), looselyWritten(opaque)}) {
        ASSERT_GT(SpareProcessors::available(), 0);
        const auto sideBySide = LibDeflatePNGEncoder::recompressIDAT(file, EncodeEffort::final, false, generous);
        const SpareProcessors::Loan everything(SpareProcessors::available());
        const auto sequence = LibDeflatePNGEncoder::recompressIDAT(file, EncodeEffort::final, false, generous);
        ASSERT_TRUE(sideBySide && sequence);
        EXPECT_EQ(*sideBySide, *sequence);
    }
}
