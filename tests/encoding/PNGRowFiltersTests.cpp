#include "ImageEngine/Running/SpareProcessors.h"
#include "ImageEngine/Encoding/png/LibDeflatePNGEncoder.h"
#include "ImageEngine/Encoding/png/PNGChunks.h"
#include "ImageEngine/Encoding/png/ZlibStream.h"
#include "PNGFiles.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <limits>
#include <random>

using namespace pictavo;
using platform::Bytes;

namespace {

// Every colour type at every depth PNG allows.
const std::pair<int, int> everyFormat[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                                           {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};

// The filtered rows inside a file libpng wrote.
Bytes filteredRowsOf(const Bytes& file) {
    const auto chunks = PNGChunks::parse(file);
    const auto header = PNGChunks::header(*chunks);
    const auto expected = static_cast<std::size_t>(header->height * (*header->rowByteCount() + 1));
    return *inflateZlib(PNGChunks::imageData(*chunks), expected, 1 << 30);
}

constexpr auto unlimited = std::numeric_limits<std::size_t>::max();
const int libpngMasks[] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH};

} // namespace

TEST(PNGRowFilters, EachSingleFilterMatchesLibpngAndEveryStrategyUnfiltersBack) {
    // libpng filters with the same predictors and Paeth tie order, so the bytes must agree.
    for (const auto& [colourType, bitDepth] : everyFormat) {
        SCOPED_TRACE("colour type " + std::to_string(colourType) + " depth " + std::to_string(bitDepth));
        auto picture = png_files::picture(23, 7, colourType, bitDepth);
        const PNGChunks::Header header{23, 7, bitDepth, colourType, false};
        for (int strategy = 0; strategy <= 6; ++strategy) {
            const Bytes filtered = LibDeflatePNGEncoder::filterRows(picture.rows, header, strategy);
            ASSERT_EQ(filtered.size(), picture.rows.size() + 7) << strategy;
            EXPECT_EQ(LibDeflatePNGEncoder::unfilterRows(filtered, header), picture.rows) << "strategy " << strategy;
            if (strategy > 4) continue;
            picture.filters = libpngMasks[strategy];
            EXPECT_EQ(filtered, filteredRowsOf(png_files::encode(picture))) << "filter " << strategy;
        }
    }
}

TEST(PNGRowFilters, RefusesRowsThatDoNotFitAndUnknownFilterBytes) {
    const PNGChunks::Header header{4, 3, 8, 2, false};
    const Bytes raw = png_files::samplePixels(4, 3, 2, 8, false);
    EXPECT_TRUE(LibDeflatePNGEncoder::filterRows(Bytes(raw.begin(), raw.end() - 1), header, 1).empty());
    EXPECT_TRUE(LibDeflatePNGEncoder::filterRows(raw, header, 7).empty());
    EXPECT_TRUE(LibDeflatePNGEncoder::filterRows(raw, PNGChunks::Header{4, 3, 8, 5, false}, 0).empty());

    Bytes filtered = LibDeflatePNGEncoder::filterRows(raw, header, 4);
    EXPECT_FALSE(LibDeflatePNGEncoder::unfilterRows(Bytes(filtered.begin(), filtered.end() - 1), header));
    filtered.push_back(0);
    EXPECT_FALSE(LibDeflatePNGEncoder::unfilterRows(filtered, header));
    filtered.pop_back();
    filtered[13] = 5; // the second row's filter byte
    EXPECT_FALSE(LibDeflatePNGEncoder::unfilterRows(filtered, header));
}

TEST(PNGRowFilters, HeuristicsPickTheCheapestFilterAndTiesGoToTheLowerOne) {
    const PNGChunks::Header grey{64, 3, 8, 0, false};
    Bytes raw(64 * 3);
    std::mt19937 noise(5);
    for (int x = 0; x < 64; ++x) raw[x] = static_cast<std::uint8_t>(x * 3); // a ramp: Sub is flat
    for (int x = 0; x < 64; ++x) raw[64 + x] = static_cast<std::uint8_t>(noise());
    for (int x = 0; x < 64; ++x) raw[128 + x] = raw[64 + x]; // a repeat: Up is zero, Paeth ties it
    const Bytes flat(64 * 3, 0);
    for (const int strategy : {5, 6}) {
        const Bytes filtered = LibDeflatePNGEncoder::filterRows(raw, grey, strategy);
        EXPECT_EQ(filtered[0], 1) << strategy;
        EXPECT_EQ(filtered[65 * 2], 2) << strategy;
        // A flat image costs nothing under every filter: None wins every tie.
        const Bytes flatFiltered = LibDeflatePNGEncoder::filterRows(flat, grey, strategy);
        for (int y = 0; y < 3; ++y) EXPECT_EQ(flatFiltered[y * 65], 0) << strategy;
    }
}

TEST(PNGRowFilters, ARefilterIsTheSmallestGainingOverOnePercentOnAnyButTheInputsOwnFilter) {
    const PNGChunks::Header rgb{120, 80, 8, 2, false};
    const Bytes raw = png_files::samplePixels(120, 80, 2, 8, true);
    const auto sizeOf = [&](int strategy) {
        return *LibDeflatePNGEncoder::platformDeflatedSize(LibDeflatePNGEncoder::filterRows(raw, rgb, strategy));
    };
    std::size_t best = std::numeric_limits<std::size_t>::max();
    for (const int strategy : LibDeflatePNGEncoder::refilterList) best = std::min(best, sizeOf(strategy));
    const auto refiltered = LibDeflatePNGEncoder::refilterBelow(raw, rgb, unlimited);
    ASSERT_TRUE(refiltered);
    EXPECT_EQ(LibDeflatePNGEncoder::platformDeflatedSize(*refiltered), best);
    EXPECT_EQ(LibDeflatePNGEncoder::unfilterRows(*refiltered, rgb), raw);
    // Beating the best by under 1 % is not enough; a limit whose 99 % lies above it is.
    EXPECT_FALSE(LibDeflatePNGEncoder::refilterBelow(raw, rgb, best));
    EXPECT_FALSE(LibDeflatePNGEncoder::refilterBelow(raw, rgb, best + best / 100));
    EXPECT_TRUE(LibDeflatePNGEncoder::refilterBelow(raw, rgb, best * 100 / 98));
    EXPECT_FALSE(LibDeflatePNGEncoder::refilterBelow(raw, rgb, 0));

    // A refilter skips only the input's own single filter.
    for (int filter = 0; filter <= 4; ++filter) {
        const Bytes own = LibDeflatePNGEncoder::filterRows(raw, rgb, filter);
        EXPECT_EQ(LibDeflatePNGEncoder::singleFilterOf(own, rgb), filter);
        const std::size_t limit = *LibDeflatePNGEncoder::platformDeflatedSize(own);
        EXPECT_EQ(LibDeflatePNGEncoder::refilterBelow(raw, rgb, limit, filter),
                  LibDeflatePNGEncoder::refilterBelow(raw, rgb, limit))
            << filter;
    }
    Bytes mixed = LibDeflatePNGEncoder::filterRows(raw, rgb, 6);
    mixed[0] = 0;
    mixed[121 * 3] = 1;
    EXPECT_EQ(LibDeflatePNGEncoder::singleFilterOf(mixed, rgb), LibDeflatePNGEncoder::noStrategy);
    EXPECT_EQ(LibDeflatePNGEncoder::singleFilterOf(Bytes(mixed.begin(), mixed.end() - 1), rgb),
              LibDeflatePNGEncoder::noStrategy);
}

TEST(PNGRowFilters, BestFilteringAgreesWithFilteringEachCandidateOnItsOwn) {
    // Large enough for several bands of rows, so the rows kept are put together band by band.
    const PNGChunks::Header rgb{700, 300, 8, 2, false};
    const Bytes raw = png_files::samplePixels(700, 300, 2, 8, true, 5);
    std::vector<std::size_t> sizes;
    for (int strategy = 0; strategy <= 6; ++strategy)
        sizes.push_back(
            *LibDeflatePNGEncoder::platformDeflatedSize(LibDeflatePNGEncoder::filterRows(raw, rgb, strategy)));

    EXPECT_FALSE(LibDeflatePNGEncoder::bestFiltering(raw, rgb, {}, unlimited));
    EXPECT_FALSE(LibDeflatePNGEncoder::bestFiltering(Bytes(5), rgb, LibDeflatePNGEncoder::choiceList, unlimited));
    const int only[] = {3};
    EXPECT_EQ(LibDeflatePNGEncoder::bestFiltering(raw, rgb, only, unlimited)->strategy, 3);
    const auto best = LibDeflatePNGEncoder::bestFiltering(raw, rgb, LibDeflatePNGEncoder::choiceList, unlimited);
    ASSERT_TRUE(best);
    const std::size_t smallest = *std::min_element(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes[best->strategy], smallest);
    EXPECT_EQ(best->rows, LibDeflatePNGEncoder::filterRows(raw, rgb, best->strategy));
    // Only a size strictly below the threshold wins.
    EXPECT_FALSE(LibDeflatePNGEncoder::bestFiltering(raw, rgb, LibDeflatePNGEncoder::choiceList, smallest));
    EXPECT_TRUE(LibDeflatePNGEncoder::bestFiltering(raw, rgb, LibDeflatePNGEncoder::choiceList, smallest + 1));

    // Ties go to the earlier candidate: the same strategy twice keeps its first place.
    const int twice[] = {best->strategy, best->strategy};
    EXPECT_EQ(LibDeflatePNGEncoder::bestFiltering(raw, rgb, twice, smallest + 1)->strategy, best->strategy);
    // Each candidate is judged on its own size, not on what a previous trial left behind.
    const int worstFirst[] = {0, best->strategy, 0};
    const auto again = LibDeflatePNGEncoder::bestFiltering(raw, rgb, worstFirst, smallest + 1);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->rows, best->rows);
}

TEST(PNGRowFilters, TrialsSideBySideChooseWhatTheSequenceChooses) {
    // Above the length that earns threads; this test process has every processor spare.
    const PNGChunks::Header rgb{700, 300, 8, 2, false};
    ASSERT_GE(700u * 3 * 300, LibDeflatePNGEncoder::sideBySideLength);
    ASSERT_GT(SpareProcessors::available(), 0);
    // On a flat image the per-row strategies pick None on every row, so 6, 5 and 0 pack to
    // the same size and only the order of the list decides.
    const Bytes flat(700 * 3 * 300, 90);
    const Bytes varied = png_files::samplePixels(700, 300, 2, 8, true, 9);
    const std::vector<std::vector<int>> lists{{6, 5, 0}, {0, 5, 6}, {4, 3, 2, 1, 0, 6, 5}, {0, 1, 2, 3, 4, 6, 5}};
    for (const Bytes* raw : {&flat, &varied}) {
        for (const auto& list : lists) {
                    const auto sideBySide = LibDeflatePNGEncoder::bestFiltering(*raw, rgb, list, unlimited);
            std::optional<LibDeflatePNGEncoder::Filtering> sequence;
            {
                const SpareProcessors::Loan everything(SpareProcessors::available());
                ASSERT_EQ(SpareProcessors::available(), 0);
                sequence = LibDeflatePNGEncoder::bestFiltering(*raw, rgb, list, unlimited);
            }
            ASSERT_TRUE(sideBySide && sequence);
            EXPECT_EQ(sideBySide->strategy, sequence->strategy) << "first of list " << list.front();
            EXPECT_EQ(sideBySide->rows, sequence->rows);
        }
    }
}
