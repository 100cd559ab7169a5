#include "support/JPEGInspection.h"
#include "support/JPEGSamples.h"

#include "ShimOutput.h"
#include "shims/pctv_mozjpeg.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>

#include <jpeglib.h>

using namespace testing_support;

namespace {

ShimOutput reoptimise(const platform::Bytes& source, bool keep, bool progressive, std::uint32_t turn,
                      std::size_t limit = PCTV_MOZJPEG_DEFAULT_MEMORY_LIMIT) {
    return callShim(
        [&](std::uint8_t** out, std::size_t* length, char* error, std::size_t errorSize) {
            return pctv_mozjpeg_reoptimise_bounded(source.data(), source.size(), keep, progressive, turn, out, length,
                                                   error, errorSize, limit);
        },
        pctv_mozjpeg_free);
}

// The message of a rewrite that must fail, having cleared the outputs it was given.
std::string refusal(const platform::Bytes& source, std::uint32_t turn = 0,
                    std::size_t limit = PCTV_MOZJPEG_DEFAULT_MEMORY_LIMIT) {
    ShimOutput result = reoptimise(source, true, false, turn, limit);
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.outWasCleared);
    return result.message;
}

ShimOutput smaller(const platform::Bytes& source, bool keep, std::uint32_t turn) {
    return callShim(
        [&](std::uint8_t** out, std::size_t* length, char* error, std::size_t errorSize) {
            return pctv_mozjpeg_reoptimise_smaller(source.data(), source.size(), keep, turn, out, length, error,
                                                   errorSize, PCTV_MOZJPEG_DEFAULT_MEMORY_LIMIT);
        },
        pctv_mozjpeg_free);
}

// The source twice over: a file that holds a second image.
platform::Bytes doubled(const platform::Bytes& source) {
    platform::Bytes twice = source;
    twice.insert(twice.end(), source.begin(), source.end());
    return twice;
}

platform::Bytes turned(const platform::Bytes& source, std::uint32_t turn) {
    ShimOutput result = reoptimise(source, true, false, turn);
    EXPECT_EQ(result.status, 0) << "turn " << turn << ": " << result.message;
    return result.file;
}

bool transposes(std::uint32_t turn) {
    return turn == PCTV_MOZJPEG_TURN_TRANSPOSE || turn == PCTV_MOZJPEG_TURN_TRANSVERSE ||
           turn == PCTV_MOZJPEG_TURN_ROT_90 || turn == PCTV_MOZJPEG_TURN_ROT_270;
}

// Where the pixel (x, y) of the turned picture was in a source of width w and height h,
// written from what each turn means on screen.
std::pair<int, int> sourcePixel(std::uint32_t turn, int x, int y, int w, int h) {
    switch (turn) {
    case PCTV_MOZJPEG_TURN_FLIP_H: return {w - 1 - x, y};
    case PCTV_MOZJPEG_TURN_FLIP_V: return {x, h - 1 - y};
    case PCTV_MOZJPEG_TURN_TRANSPOSE: return {y, x};
    case PCTV_MOZJPEG_TURN_TRANSVERSE: return {w - 1 - y, h - 1 - x};
    case PCTV_MOZJPEG_TURN_ROT_90: return {y, h - 1 - x};
    case PCTV_MOZJPEG_TURN_ROT_180: return {w - 1 - x, h - 1 - y};
    case PCTV_MOZJPEG_TURN_ROT_270: return {w - 1 - y, x};
    default: return {x, y};
    }
}

// The decoded turned picture matches the decoded source turned on screen, up to the
// decoder's own rounding, which depends on the block orientation.
void expectPicturesTurned(const platform::Bytes& source, const platform::Bytes& result, std::uint32_t turn) {
    DecodedJPEG before = decodeJpeg(source);
    DecodedJPEG after = decodeJpeg(result);
    ASSERT_EQ(after.width, transposes(turn) ? before.height : before.width);
    ASSERT_EQ(after.height, transposes(turn) ? before.width : before.height);
    ASSERT_EQ(after.components, before.components);
    int worst = 0;
    for (int y = 0; y < after.height; ++y) {
        for (int x = 0; x < after.width; ++x) {
            auto [sx, sy] = sourcePixel(turn, x, y, before.width, before.height);
            for (int c = 0; c < after.components; ++c) {
                int a = after.pixels[(static_cast<std::size_t>(y) * after.width + x) * after.components + c];
                int b = before.pixels[(static_cast<std::size_t>(sy) * before.width + sx) * before.components + c];
                worst = std::max(worst, std::abs(a - b));
            }
        }
    }
    EXPECT_LE(worst, 6) << "turn " << turn;
}

const std::uint32_t allTurns[] = {0, 1, 2, 3, 4, 5, 6, 7};

std::uint32_t inverseOf(std::uint32_t turn) {
    if (turn == PCTV_MOZJPEG_TURN_ROT_90) return PCTV_MOZJPEG_TURN_ROT_270;
    if (turn == PCTV_MOZJPEG_TURN_ROT_270) return PCTV_MOZJPEG_TURN_ROT_90;
    return turn;
}

void expectSameCoefficients(const JPEGInspection& a, const JPEGInspection& b) {
    const auto blocks = [](const JPEGInspection& j) {
        std::vector<std::tuple<int, int, std::vector<std::int16_t>>> all;
        for (const auto& c : j.components) all.emplace_back(c.widthInBlocks, c.heightInBlocks, c.coefficients);
        return all;
    };
    EXPECT_EQ(blocks(a), blocks(b));
}

} // namespace

TEST(MozjpegReoptimise, WithoutATurnTheCoefficientsAreKeptExactlyInEitherScanOrder) {
    for (bool sourceProgressive : {false, true}) {
        platform::Bytes source = makeJpeg(100, 75, 80, sourceProgressive ? JPEGKind::progressive : JPEGKind::sequential);
        JPEGInspection original = inspectJpeg(source);
        for (bool progressive : {false, true}) {
            ShimOutput result = reoptimise(source, true, progressive, PCTV_MOZJPEG_TURN_NONE);
            ASSERT_EQ(result.status, 0) << result.message;
            JPEGInspection rewritten = inspectJpeg(result.file);
            EXPECT_EQ(rewritten.progressive, progressive);
            EXPECT_EQ(std::pair(rewritten.width, rewritten.height), std::pair(100, 75));
            EXPECT_EQ(rewritten.quantTables, original.quantTables);
            expectSameCoefficients(rewritten, original);
        }
    }
}

TEST(MozjpegReoptimise, EveryTurnMovesTheBlocksAsTheTurnMovesThePicture) {
    // 4:2:0, 4:4:4 and grey, each a whole number of iMCUs so every turn is allowed.
    struct Recipe {
        int width, height, quality;
        JPEGKind kind;
    };
    const Recipe recipes[] = {{64, 48, 80, JPEGKind::sequential},
                              {40, 24, 92, JPEGKind::progressive},
                              {24, 40, 85, JPEGKind::grey}};
    for (const Recipe& recipe : recipes) {
        platform::Bytes source = makeJpeg(recipe.width, recipe.height, recipe.quality, recipe.kind);
        JPEGInspection original = inspectJpeg(source);
        for (std::uint32_t turn : allTurns) {
            SCOPED_TRACE("turn " + std::to_string(turn) + " of " + std::to_string(recipe.width) + "x" +
                         std::to_string(recipe.height));
            platform::Bytes result = turned(source, turn);
            JPEGInspection inspected = inspectJpeg(result);
            for (std::size_t ci = 0; ci < original.components.size(); ++ci) {
                EXPECT_EQ(inspected.components[ci].hSampling,
                          transposes(turn) ? original.components[ci].vSampling : original.components[ci].hSampling);
                int table = original.components[ci].quantTable;
                for (int r = 0; r < 8; ++r)
                    for (int c = 0; c < 8; ++c)
                        ASSERT_EQ(inspected.quantTables[table][r * 8 + c],
                                  original.quantTables[table][transposes(turn) ? c * 8 + r : r * 8 + c]);
            }
            expectPicturesTurned(source, result, turn);
            // Undoing the turn gives back the very coefficients of the source.
            expectSameCoefficients(inspectJpeg(turned(result, inverseOf(turn))), original);
        }
    }
}

TEST(MozjpegReoptimise, TurnsComposeExactlyInTheCoefficients) {
    platform::Bytes source = makeJpeg(48, 32, 88);
    auto then = [](const platform::Bytes& jpeg, std::uint32_t first, std::uint32_t second) {
        return inspectJpeg(turned(turned(jpeg, first), second));
    };
    JPEGInspection half = inspectJpeg(turned(source, PCTV_MOZJPEG_TURN_ROT_180));
    expectSameCoefficients(then(source, PCTV_MOZJPEG_TURN_ROT_90, PCTV_MOZJPEG_TURN_ROT_90), half);
    expectSameCoefficients(then(source, PCTV_MOZJPEG_TURN_FLIP_H, PCTV_MOZJPEG_TURN_FLIP_V), half);
    expectSameCoefficients(then(source, PCTV_MOZJPEG_TURN_TRANSPOSE, PCTV_MOZJPEG_TURN_FLIP_H),
                           inspectJpeg(turned(source, PCTV_MOZJPEG_TURN_ROT_90)));
    expectSameCoefficients(then(source, PCTV_MOZJPEG_TURN_TRANSPOSE, PCTV_MOZJPEG_TURN_FLIP_V),
                           inspectJpeg(turned(source, PCTV_MOZJPEG_TURN_ROT_270)));
    expectSameCoefficients(then(source, PCTV_MOZJPEG_TURN_TRANSPOSE, PCTV_MOZJPEG_TURN_ROT_180),
                           inspectJpeg(turned(source, PCTV_MOZJPEG_TURN_TRANSVERSE)));

    // One block read by hand: a transposed block holds the source block's coefficients
    // mirrored over its diagonal, odd horizontal frequencies negated for a quarter turn right.
    JPEGInspection original = inspectJpeg(source);
    JPEGInspection right = inspectJpeg(turned(source, PCTV_MOZJPEG_TURN_ROT_90));
    const JPEGComponent& from = original.components[0];
    const JPEGComponent& to = right.components[0];
    ASSERT_EQ(to.widthInBlocks, from.heightInBlocks);
    const std::int16_t* in = from.block(1, from.heightInBlocks - 1); // bottom row, second column
    const std::int16_t* out = to.block(0, 1);                        // lands top left, second row
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u)
            EXPECT_EQ(out[v * 8 + u], (u % 2 ? -1 : 1) * in[u * 8 + v]) << v << "," << u;
}

TEST(MozjpegReoptimise, PartialEdgeBlocksMayOnlyStayAtTheRightAndBottom) {
    platform::Bytes odd = makeJpeg(100, 75, 80); // 4:2:0, iMCU 16x16
    for (std::uint32_t turn : {1u, 2u, 4u, 5u, 6u, 7u})
        EXPECT_EQ(refusal(odd, turn), "this turn cannot be made without moving the block padding") << turn;
    expectPicturesTurned(odd, turned(odd, PCTV_MOZJPEG_TURN_TRANSPOSE), PCTV_MOZJPEG_TURN_TRANSPOSE);

    // Whole iMCUs across but not down: the turns that only reverse columns are allowed.
    platform::Bytes wide = makeJpeg(96, 75, 80);
    for (std::uint32_t turn : {1u, 7u}) expectPicturesTurned(wide, turned(wide, turn), turn);
    for (std::uint32_t turn : {2u, 5u, 6u}) EXPECT_FALSE(refusal(wide, turn).empty()) << turn;

    // A grey picture is coded in 8x8 blocks, so 8 is enough even with odd sampling factors.
    platform::Bytes grey = makeJpeg(24, 16, 70, JPEGKind::grey);
    expectPicturesTurned(grey, turned(grey, PCTV_MOZJPEG_TURN_ROT_90), PCTV_MOZJPEG_TURN_ROT_90);
}

TEST(MozjpegReoptimise, KeepsEveryMarkerOrOnlyTheProfile) {
    platform::Bytes source = makeJpeg(32, 32, 85, JPEGKind::sequential, sRGBProfile());
    source = withSegmentAfterSOI(source, 0xFE, bytesOf("a comment"));
    source = withSegmentAfterSOI(source, 0xED, bytesOf("Photoshop 3.0 resources"));
    source = withSegmentAfterSOI(source, 0xE1, bytesOf(std::string("http://ns.adobe.com/xap/1.0/\0<x/>", 34)));
    JPEGInspection original = inspectJpeg(source);
    ASSERT_EQ(original.markerCount(JPEG_APP0, std::string("JFIF\0", 5)), 1);

    // Every marker but the JFIF header comes through whole and in its place.
    JPEGInspection kept = inspectJpeg(reoptimise(source, true, true, 0).file);
    EXPECT_EQ(kept.markerCount(JPEG_APP0, std::string("JFIF\0", 5)), 1);
    const auto withoutJFIF = [](const JPEGInspection& j) {
        std::vector<std::pair<int, platform::Bytes>> markers;
        for (const auto& m : j.markers) if (m.code != JPEG_APP0) markers.emplace_back(m.code, m.data);
        return markers;
    };
    EXPECT_EQ(withoutJFIF(kept), withoutJFIF(original));

    JPEGInspection stripped = inspectJpeg(reoptimise(source, false, true, 0).file);
    EXPECT_EQ(stripped.icc, sRGBProfile());
    for (const auto& marker : stripped.markers)
        EXPECT_TRUE(marker.code == JPEG_APP0 + 2 || (marker.code == JPEG_APP0 && marker.startsWith("JFIF")))
            << std::hex << marker.code;
    EXPECT_EQ(stripped.markerCount(JPEG_APP0, std::string("JFIF\0", 5)), 1);
}

TEST(MozjpegReoptimise, AnExifMarkerFirstStandsInForTheJFIFHeader) {
    platform::Bytes exif = bytesOf(std::string("Exif\0\0MM\0*\0\0\0\x08\0\0", 16));
    // The encoder's file has a JFIF marker after the inserted EXIF; it is then the only one.
    platform::Bytes source = withSegmentAfterSOI(makeJpeg(16, 16), 0xE1, exif);
    JPEGInspection kept = inspectJpeg(reoptimise(source, true, false, 0).file);
    ASSERT_GE(kept.markers.size(), 2u);
    EXPECT_EQ(kept.markers[0].code, JPEG_APP0 + 1);
    EXPECT_EQ(kept.markerCount(JPEG_APP0, std::string("JFIF\0", 5)), 1);
}

TEST(MozjpegReoptimise, BothReadingsRefuseASecondImageDamagedDataAndNonsense) {
    platform::Bytes source = makeJpeg(64, 64);
    const platform::Bytes cut(source.begin(), source.begin() + static_cast<long>(source.size() * 2 / 3));
    for (const auto& [bad, message] : {std::pair{doubled(source), "source holds more than one image"},
                                       std::pair{cut, "source data is damaged"}}) {
        EXPECT_EQ(refusal(bad), message);
        ShimOutput result = smaller(bad, true, PCTV_MOZJPEG_TURN_ROT_180);
        EXPECT_TRUE(result.status == 1 && result.outWasCleared);
        EXPECT_EQ(result.message, message);
    }
    const std::string nonsense = refusal(bytesOf("this is no picture at all"));
    EXPECT_NE(nonsense.find("Not a JPEG file"), std::string::npos) << nonsense;
}

TEST(MozjpegReoptimise, AFailureAfterTheOutputHasGrownFreesItOnce) {
    // Large comments make the output outgrow its first buffer before the second image is seen.
    platform::Bytes source = makeJpeg(64, 64);
    for (int i = 0; i < 4; ++i) source = withSegmentAfterSOI(source, 0xFE, platform::Bytes(60000, 'c'));
    EXPECT_EQ(reoptimise(doubled(source), true, true, PCTV_MOZJPEG_TURN_ROT_180).message,
              "source holds more than one image");
    ShimOutput kept = reoptimise(source, true, true, PCTV_MOZJPEG_TURN_ROT_180);
    EXPECT_EQ(kept.status, 0);
    EXPECT_GT(kept.file.size(), 240000u);
}

TEST(MozjpegReoptimise, AHugeDeclaredSizeFailsBeforeAnyCoefficientIsRead) {
    platform::Bytes source = makeJpeg(16, 16, 80);
    // Declare 60000 x 60000 pixels in the frame header: gigabytes of coefficients.
    for (std::size_t i = 2; i + 9 < source.size(); ++i) {
        if (source[i] == 0xFF && source[i + 1] == 0xC0) {
            source[i + 5] = 0xEA, source[i + 6] = 0x60; // height
            source[i + 7] = 0xEA, source[i + 8] = 0x60; // width
            break;
        }
    }
    for (std::uint32_t turn : {0u, 3u}) EXPECT_EQ(refusal(source, turn), "source needs more memory than the budget allows");
    // The caller's budget holds for ordinary files too; a turn needs room for two copies.
    platform::Bytes ordinary = makeJpeg(512, 512, 95); // 3 x 4096 blocks of 128 bytes: 1.5 MiB
    ShimOutput fits = reoptimise(ordinary, true, false, 0, 2560 * 1024);
    EXPECT_EQ(fits.status, 0) << fits.message;
    EXPECT_EQ(refusal(ordinary, 3, 2560 * 1024), "source needs more memory than the budget allows");
    // The library's own allocations count too: a budget just under the need fails cleanly.
    EXPECT_EQ(refusal(ordinary, 0, 3 * 4096 * 128), "Backing store not supported");
}

TEST(MozjpegReoptimise, RefusesBadArgumentsAndUnknownTurns) {
    platform::Bytes source = makeJpeg(16, 16);
    std::uint8_t* out = nullptr;
    std::size_t length = 0;
    char error[64] = {};
    EXPECT_EQ(pctv_mozjpeg_reoptimise(nullptr, 10, 1, 0, 0, &out, &length, error, sizeof error), 1);
    EXPECT_STREQ(error, "invalid arguments");
    EXPECT_EQ(pctv_mozjpeg_reoptimise(source.data(), 0, 1, 0, 0, &out, &length, error, sizeof error), 1);
    EXPECT_EQ(pctv_mozjpeg_reoptimise(source.data(), source.size(), 1, 0, 0, nullptr, &length, error, 64), 1);
    EXPECT_EQ(pctv_mozjpeg_reoptimise(source.data(), source.size(), 1, 0, 0, &out, nullptr, error, 64), 1);
    EXPECT_STREQ(error, "invalid arguments");
    EXPECT_EQ(pctv_mozjpeg_reoptimise(source.data(), source.size(), 1, 0, 8, &out, &length, error, 64), 1);
    EXPECT_STREQ(error, "unknown turn");
    EXPECT_EQ(pctv_mozjpeg_reoptimise(source.data(), source.size(), 1, 0, 8, &out, &length, nullptr, 0), 1);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(pctv_mozjpeg_reoptimise(source.data(), source.size(), 1, 0, 0, &out, &length, nullptr, 0), 0);
    EXPECT_NE(out, nullptr);
    pctv_mozjpeg_free(out);
}

TEST(MozjpegReoptimise, ACMYKFileKeepsOneAdobeMarkerAndTurnsAllFourComponents) {
    // The encode shim writes no CMYK, so the library makes this one (with its Adobe marker).
    const platform::Bytes source = libraryDefaultJpeg(testPattern(32, 16, 4), 32, 16, 4, JCS_CMYK);
    JPEGInspection original = inspectJpeg(source);
    ASSERT_EQ(original.markerCount(JPEG_APP0 + 14, "Adobe"), 1);

    JPEGInspection kept = inspectJpeg(reoptimise(source, true, true, 0).file);
    EXPECT_EQ(kept.markerCount(JPEG_APP0 + 14, "Adobe"), 1);
    EXPECT_EQ(kept.colourSpace, JCS_CMYK);
    expectSameCoefficients(kept, original);

    JPEGInspection turned = inspectJpeg(reoptimise(source, false, false, PCTV_MOZJPEG_TURN_ROT_90).file);
    EXPECT_EQ(turned.markerCount(JPEG_APP0 + 14, "Adobe"), 1);
    EXPECT_EQ(turned.width, 16);
    expectSameCoefficients(inspectJpeg(reoptimise(reoptimise(source, false, false, 5).file, false, false, 7).file),
                           original);
}

TEST(MozjpegReoptimise, OneReadingGivesExactlyTheSmallerOfBothLayouts) {
    const std::uint32_t turns[] = {PCTV_MOZJPEG_TURN_NONE, PCTV_MOZJPEG_TURN_ROT_90, PCTV_MOZJPEG_TURN_FLIP_V};
    std::vector<platform::Bytes> sources;
    for (int side : {16, 64, 256, 640})
        for (JPEGKind kind : {JPEGKind::sequential, JPEGKind::progressive, JPEGKind::grey})
            for (int quality : {50, 95}) sources.push_back(makeJpeg(side, side * 3 / 4, quality, kind));
    sources.push_back(libraryDefaultJpeg(testPattern(256, 128, 4), 256, 128, 4, JCS_CMYK));
    sources.push_back(withSegmentAfterSOI(makeJpeg(128, 96, 80), 0xFE, platform::Bytes(60000, 'c')));
    int progressiveWins = 0, sequentialWins = 0;
    for (const auto& source : sources) {
        for (const std::uint32_t turn : turns) {
            for (bool keep : {false, true}) {
                ShimOutput sequential = reoptimise(source, keep, false, turn);
                ShimOutput progressive = reoptimise(source, keep, true, turn);
                ShimOutput both = smaller(source, keep, turn);
                ASSERT_EQ(both.status, sequential.status) << both.message;
                if (sequential.status != 0) {
                    EXPECT_EQ(both.message, sequential.message);
                    continue;
                }
                ASSERT_EQ(progressive.status, 0);
                const bool progressiveWinsHere = progressive.file.size() < sequential.file.size();
                (progressiveWinsHere ? progressiveWins : sequentialWins)++;
                EXPECT_EQ(both.file, progressiveWinsHere ? progressive.file : sequential.file)
                    << source.size() << " bytes, turn " << turn << ", keep " << keep;
            }
        }
    }
    EXPECT_GT(progressiveWins, 0);
    EXPECT_GT(sequentialWins, 0);
}
