#include "ImageEngine/Encoding/png/ZlibStream.h"
#include "platform/base/RawDeflate.h"

#include "shims/pctv_libdeflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <libdeflate.h>

using namespace pictavo;
using platform::Bytes;

namespace {

constexpr std::size_t generous = 1 << 30;

Bytes sampleRows(std::size_t length) {
    Bytes rows(length);
    for (std::size_t i = 0; i < length; ++i) rows[i] = static_cast<std::uint8_t>((i * 7) ^ (i >> 5));
    return rows;
}

// A stream written by zlib itself, so the reader is checked against a writer other than ours.
Bytes zlibStream(const Bytes& data, int level) {
    uLongf length = compressBound(data.size());
    Bytes stream(length);
    EXPECT_EQ(compress2(stream.data(), &length, data.data(), data.size(), level), Z_OK);
    stream.resize(length);
    return stream;
}

} // namespace

TEST(LibDeflateShim, RefusesBadArgumentsAndClearsItsOutputs) {
    const Bytes input = sampleRows(100);
    std::uint8_t sentinel = 0;
    std::uint8_t* output = &sentinel;
    std::size_t length = 99;
    EXPECT_EQ(pctv_libdeflate_zlib(input.data(), input.size(), 0, &output, &length), PCTV_LIBDEFLATE_INVALID_ARGUMENTS);
    EXPECT_EQ(output, nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(pctv_libdeflate_zlib(input.data(), input.size(), 13, &output, &length), 1);
    EXPECT_EQ(pctv_libdeflate_zlib(input.data(), 0, 6, &output, &length), 1);
    EXPECT_EQ(pctv_libdeflate_zlib(nullptr, input.size(), 6, &output, &length), 1);
    EXPECT_EQ(pctv_libdeflate_zlib(input.data(), input.size(), 6, nullptr, &length), 1);
    EXPECT_EQ(pctv_libdeflate_zlib(input.data(), input.size(), 6, &output, nullptr), 1);
    EXPECT_EQ(output, nullptr);
}

TEST(LibDeflateShim, WritesAStreamZlibReadsAtEveryLevelWithTheLibrarysOwnChecksum) {
    const Bytes input = sampleRows(5000);
    for (int level = 1; level <= 12; ++level) {
        std::uint8_t* output = nullptr;
        std::size_t length = 0;
        ASSERT_EQ(pctv_libdeflate_zlib(input.data(), input.size(), level, &output, &length), PCTV_LIBDEFLATE_OK);
        Bytes decoded(input.size());
        uLongf decodedLength = decoded.size();
        EXPECT_EQ(uncompress(decoded.data(), &decodedLength, output, length), Z_OK) << "level " << level;
        EXPECT_EQ(decoded, input);
        pctv_libdeflate_free(output);
    }
    // The checksum, continued across pieces, and the version are the linked library's.
    const std::size_t cut = 1000, rest = input.size() - cut;
    EXPECT_EQ(pctv_libdeflate_adler32(pctv_libdeflate_adler32(1, input.data(), cut), input.data() + cut, rest),
              adler32(1, input.data(), input.size()));
    EXPECT_EQ(pctv_libdeflate_crc32(pctv_libdeflate_crc32(0, input.data(), cut), input.data() + cut, rest),
              crc32(0, input.data(), input.size()));
    EXPECT_EQ(pctv_libdeflate_crc32(7, nullptr, 0), 7u);
    EXPECT_STREQ(pctv_libdeflate_version(), LIBDEFLATE_VERSION_STRING);
}

TEST(InflateZlib, ReadsStreamsOfCommonHeadersToTheExactLengthIgnoringBytesAfterTheDeflateData) {
    const Bytes rows = sampleRows(40000);
    const Bytes usual = zlibStream(rows, 6);
    const Bytes best = zlibStream(rows, 9);
    ASSERT_EQ(usual[1], 0x9C);
    ASSERT_EQ(best[1], 0xDA);
    EXPECT_EQ(inflateZlib(usual, rows.size(), generous), rows);
    EXPECT_EQ(inflateZlib(best, rows.size(), rows.size()), rows); // a budget equal to the length suffices
    Bytes padded(usual.begin(), usual.end() - 4);
    padded.insert(padded.end(), {0xAA, 0xBB, 0xCC});
    padded.insert(padded.end(), usual.end() - 4, usual.end());
    EXPECT_EQ(inflateZlib(padded, rows.size(), generous), rows);
}

TEST(InflateZlib, RefusesHeadersItCannotTrust) {
    const Bytes rows = sampleRows(1000);
    const Bytes stream = zlibStream(rows, 6);
    auto withHeader = [&](std::uint8_t cmf, std::uint8_t flg) {
        Bytes copy = stream;
        copy[0] = cmf;
        copy[1] = flg;
        return inflateZlib(copy, rows.size(), generous);
    };
    EXPECT_TRUE(withHeader(0x78, 0x9C));
    EXPECT_TRUE(withHeader(0x78, 0x01));  // the level bits are not looked at
    EXPECT_FALSE(withHeader(0x78, 0x9D)); // not a multiple of 31
    EXPECT_FALSE(withHeader(0x88, 0x98)); // window exponent 8
    EXPECT_FALSE(withHeader(0x79, 0x9C)); // not DEFLATE
    EXPECT_FALSE(withHeader(0x78, 0xBB)); // a preset dictionary, checksum still valid
    ASSERT_EQ((0x78 * 256 + 0xBB) % 31, 0);
}

TEST(InflateZlib, RefusesAWrongLengthOrBudgetADamagedTrailerAndATruncatedBody) {
    const Bytes rows = sampleRows(4096);
    const Bytes stream = zlibStream(rows, 6);
    // Arguments that cannot work are refused without decoding.
    EXPECT_FALSE(inflateZlib(std::span(stream).first(6), rows.size(), generous));
    EXPECT_FALSE(inflateZlib(stream, 0, generous));
    EXPECT_FALSE(inflateZlib(stream, rows.size(), rows.size() - 1));
    EXPECT_FALSE(inflateZlib(stream, rows.size() - 1, generous));
    EXPECT_FALSE(inflateZlib(stream, rows.size() + 1, generous));
    for (std::size_t back = 1; back <= 4; ++back) {
        Bytes damaged = stream;
        damaged[damaged.size() - back] += 1;
        EXPECT_FALSE(inflateZlib(damaged, rows.size(), generous)) << "trailer byte " << back;
    }
    // The body cut short: the reader stalls, which is a failure, not a wait.
    Bytes cut(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(stream.size() / 2));
    cut.insert(cut.end(), stream.end() - 4, stream.end());
    EXPECT_FALSE(inflateZlib(cut, rows.size(), generous));
}

TEST(DeflateAndVerify, RoundTripsAtTheHighestLevelAndRefusesEmptyOrOverBudgetInput) {
    const Bytes rows = sampleRows(70000);
    const auto stream = deflateAndVerify(rows, 12, generous);
    ASSERT_TRUE(stream);
    EXPECT_EQ(inflateZlib(*stream, rows.size(), generous), rows);
    EXPECT_FALSE(deflateAndVerify(Bytes{}, 12, generous));
    EXPECT_FALSE(deflateAndVerify(rows, 0, generous));
    EXPECT_FALSE(deflateAndVerify(rows, 12, rows.size() - 1));
}

TEST(InflatesRawTo, MatchesOnlyTheExactBytesAcrossManyWindows) {
    // Several times the reader's window, so that bytes are compared window by window.
    const Bytes rows = sampleRows(3 * 256 * 1024 + 123);
    const Bytes stream = zlibStream(rows, 6);
    const auto body = std::span(stream).subspan(2, stream.size() - 6);
    EXPECT_TRUE(platform::inflatesRawTo(body, rows));
    Bytes changed = rows;
    changed[2 * 256 * 1024 + 7] ^= 1;
    EXPECT_FALSE(platform::inflatesRawTo(body, changed));
    EXPECT_FALSE(platform::inflatesRawTo(body, std::span(rows).first(rows.size() - 1)));
    Bytes longer = rows;
    longer.push_back(0);
    EXPECT_FALSE(platform::inflatesRawTo(body, longer));
    EXPECT_FALSE(platform::inflatesRawTo(body.first(body.size() / 2), rows));
    Bytes corrupt(body.begin(), body.end());
    corrupt[corrupt.size() / 3] ^= 0x55;
    EXPECT_FALSE(platform::inflatesRawTo(corrupt, rows));
}

TEST(RawDeflatedSize, CountsWithinTheLimitAndRefusesBeyondIt) {
    const Bytes rows = sampleRows(200000);
    const auto size = platform::rawDeflatedSize(rows, rows.size() * 2);
    ASSERT_TRUE(size);
    EXPECT_GT(*size, 0u);
    // A limit equal to the size still fits; one byte less does not.
    EXPECT_EQ(platform::rawDeflatedSize(rows, *size), size);
    EXPECT_FALSE(platform::rawDeflatedSize(rows, *size - 1));
    EXPECT_FALSE(platform::rawDeflatedSize(Bytes{}, 100));
    // Data that compresses well is counted smaller than data that does not.
    EXPECT_LT(platform::rawDeflatedSize(Bytes(200000, 7), 1 << 20).value(), *size);
}

TEST(RawDeflatedSizeCounter, CountsTheSameHoweverTheInputIsCut) {
    // Big enough for zlib to emit several blocks before the end, so cutting the input
    // matters to its buffering.
    Bytes rows = sampleRows(300000);
    for (std::size_t i = 0; i < rows.size(); i += 97) rows[i] = static_cast<std::uint8_t>(i >> 3);
    const auto whole = platform::rawDeflatedSize(rows, rows.size() * 2);
    ASSERT_TRUE(whole);
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{4096}, std::size_t{65537}}) {
        platform::RawDeflatedSizeCounter counter(rows.size() * 2);
        for (std::size_t at = 0; at < rows.size(); at += piece)
            ASSERT_TRUE(counter.add(std::span(rows).subspan(at, std::min(piece, rows.size() - at))));
        EXPECT_EQ(counter.finish(), whole) << "pieces of " << piece;
    }
}

TEST(RawDeflatedSizeCounter, StopsOncePastTheLimitAndNeedsInput) {
    // Noise: zlib emits a block every few thousand literals, long before the end.
    Bytes rows(300000);
    std::uint32_t state = 1;
    for (auto& byte : rows) byte = static_cast<std::uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
    const std::size_t size = platform::rawDeflatedSize(rows, rows.size() * 2).value();
    EXPECT_EQ(platform::rawDeflatedSize(rows, size), size);

    // A limit far below the size is passed long before the end of the input.
    platform::RawDeflatedSizeCounter small(size / 4);
    bool refused = false;
    for (std::size_t at = 0; at < rows.size() && !refused; at += 10000)
        refused = !small.add(std::span(rows).subspan(at, 10000));
    EXPECT_TRUE(refused);
    EXPECT_FALSE(small.add(rows)); // stays refused
    EXPECT_FALSE(small.finish());

    // A limit lowered part way judges what follows; raising it again has no effect.
    platform::RawDeflatedSizeCounter lowered(size);
    EXPECT_TRUE(lowered.add(std::span(rows).first(150000)));
    lowered.lowerLimit(size / 4);
    lowered.lowerLimit(size * 2);
    EXPECT_FALSE(lowered.add(std::span(rows).subspan(150000)));
    EXPECT_FALSE(lowered.finish());

    platform::RawDeflatedSizeCounter nothing(100);
    EXPECT_TRUE(nothing.add({}));
    EXPECT_FALSE(nothing.finish());
}
