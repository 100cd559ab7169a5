#include "support/JPEGSamples.h"
#include "support/WebPInspection.h"

#include "ShimOutput.h"
#include "shims/pctv_webp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include <webp/encode.h>

using namespace testing_support;

namespace {

ShimOutput encode(const platform::Bytes& pixels, int stride, int width, int height, bool alpha,
                  pctv_webp_options options, const platform::Bytes& icc = {}, const platform::Bytes& xmp = {}) {
    return callShim(
        [&](std::uint8_t** out, std::size_t* length, char* error, std::size_t errorSize) {
            return pctv_webp_encode(pixels.data(), stride, width, height, alpha, &options,
                                    icc.empty() ? nullptr : icc.data(), icc.size(), nullptr, 0,
                                    xmp.empty() ? nullptr : xmp.data(), xmp.size(), out, length, error, errorSize);
        },
        pctv_webp_free);
}

const pctv_webp_options lossless{100, 1, 4, 0, 0, nullptr, nullptr, nullptr, nullptr};
const pctv_webp_options lossy{80, 0, 2, 0, 0, nullptr, nullptr, nullptr, nullptr};

bool hasFourCC(const platform::Bytes& webp, const std::string& fourcc) {
    return std::search(webp.begin(), webp.end(), fourcc.begin(), fourcc.end()) != webp.end();
}

} // namespace

TEST(WebpEncode, LossyCarriesAlphaAndIgnoresTheFourthByteOfRGBX) {
    platform::Bytes pixels = testPattern(32, 32, 4);
    ShimOutput withAlpha = encode(pixels, 32 * 4, 32, 32, true, lossy);
    ASSERT_EQ(withAlpha.status, 0) << withAlpha.message;
    EXPECT_TRUE(hasFourCC(withAlpha.file, "VP8 "));
    EXPECT_TRUE(hasFourCC(withAlpha.file, "ALPH"));
    platform::Bytes decoded = decodeWebP(withAlpha.file).rgba;
    for (std::size_t i = 3; i < pixels.size(); i += 4) ASSERT_EQ(decoded[i], pixels[i]) << "alpha is lossless";

    platform::Bytes other = pixels;
    for (std::size_t i = 3; i < other.size(); i += 4) other[i] = static_cast<std::uint8_t>(~other[i]);
    ShimOutput opaque = encode(pixels, 32 * 4, 32, 32, false, lossy);
    EXPECT_EQ(opaque.file, encode(other, 32 * 4, 32, 32, false, lossy).file);
    platform::Bytes opaqueDecoded = decodeWebP(opaque.file).rgba;
    for (std::size_t i = 3; i < opaqueDecoded.size(); i += 4) ASSERT_EQ(opaqueDecoded[i], 255);
}

TEST(WebpEncode, TheProfileAndThePacketBecomeChunksAndNothingElseIsAdded) {
    platform::Bytes pixels = testPattern(20, 12, 4);
    platform::Bytes icc = sRGBProfile();
    platform::Bytes xmp = bytesOf("<x:xmpmeta xmlns:x='adobe:ns:meta/'/>");
    for (const pctv_webp_options& options : {lossless, lossy}) {
        for (const auto& [withProfile, withPacket] : {std::pair{true, true}, {true, false}, {false, true}, {false, false}}) {
            SCOPED_TRACE(std::to_string(options.lossless) + std::to_string(withProfile) + std::to_string(withPacket));
            ShimOutput result = encode(pixels, 20 * 4, 20, 12, false, options, withProfile ? icc : platform::Bytes{},
                                       withPacket ? xmp : platform::Bytes{});
            ASSERT_EQ(result.status, 0) << result.message;
            EXPECT_EQ(webpChunk(result.file, "ICCP"), withProfile ? std::optional(icc) : std::nullopt);
            EXPECT_EQ(webpChunk(result.file, "XMP "), withPacket ? std::optional(xmp) : std::nullopt);
            EXPECT_EQ(webpChunk(result.file, "EXIF"), std::nullopt);
            EXPECT_TRUE(hasFourCC(result.file, options.lossless ? "VP8L" : "VP8 "));
            // Without either the file is libwebp's plain RIFF, without an extended header.
            EXPECT_EQ(hasFourCC(result.file, "VP8X"), withProfile || withPacket);
            EXPECT_EQ(decodeWebP(result.file).rgba.size(), pixels.size());
        }
    }
}

TEST(WebpEncode, ASecondThreadWritesTheSameBytes) {
    platform::Bytes pixels = testPattern(300, 200, 4);
    for (pctv_webp_options options : {lossless, lossy, pctv_webp_options{80, 0, 4, 0, 0, nullptr, nullptr, nullptr, nullptr}}) {
        for (bool alpha : {false, true}) {
            ShimOutput single = encode(pixels, 300 * 4, 300, 200, alpha, options);
            options.threads = 1;
            ShimOutput threaded = encode(pixels, 300 * 4, 300, 200, alpha, options);
            options.threads = 0;
            ASSERT_EQ(single.status, 0) << single.message;
            EXPECT_EQ(threaded.file, single.file) << options.lossless << alpha;
        }
    }
}

namespace {

// Runs the bands on threads of their own, last band first, so a band that leans on another
// one's rows or on the order shows.
void bandsOnThreads(void*, void (*band)(void*, std::int32_t), void* context, std::int32_t count) {
    std::vector<std::thread> threads;
    for (std::int32_t index = count - 1; index >= 0; --index) threads.emplace_back(band, context, index);
    for (auto& thread : threads) thread.join();
}

// Three-byte pixels from four-byte ones.
platform::Bytes packed(const platform::Bytes& rgbx) {
    platform::Bytes rgb;
    for (std::size_t i = 0; i < rgbx.size(); i += 4) rgb.insert(rgb.end(), rgbx.begin() + i, rgbx.begin() + i + 3);
    return rgb;
}

} // namespace

TEST(WebpEncode, ThreeBytePixelsAndBandsOfRowsWriteTheSameBytes) {
    // Odd sizes, so the last band ends on a lone row and the chroma on a lone column; tall
    // enough to be cut into bands.
    for (const auto& [width, height] : {std::pair{301, 333}, std::pair{64, 1000}}) {
        const platform::Bytes rgbx = testPattern(width, height, 4);
        const platform::Bytes rgb = packed(rgbx);
        for (pctv_webp_options options : {lossy, lossless}) {
            SCOPED_TRACE(options.lossless);
            const ShimOutput whole = encode(rgbx, width * 4, width, height, false, options);
            ASSERT_EQ(whole.status, 0) << whole.message;
            options.run_bands = bandsOnThreads;
            EXPECT_EQ(encode(rgbx, width * 4, width, height, false, options).file, whole.file);
            options.packed_rgb = 1;
            EXPECT_EQ(encode(rgb, width * 3, width, height, false, options).file, whole.file);
            options.run_bands = nullptr;
            EXPECT_EQ(encode(rgb, width * 3, width, height, false, options).file, whole.file);
        }
    }
}

TEST(WebpEncode, PicturesWithAlphaAreNotCutIntoBands) {
    // Whether a picture has alpha is decided over all of its rows, so it is converted whole.
    const platform::Bytes pixels = testPattern(40, 300, 4);
    pctv_webp_options options = lossy;
    options.run_bands = [](void*, void (*)(void*, std::int32_t), void*, std::int32_t) { FAIL() << "bands"; };
    const ShimOutput banded = encode(pixels, 40 * 4, 40, 300, true, options);
    ASSERT_EQ(banded.status, 0) << banded.message;
    EXPECT_EQ(banded.file, encode(pixels, 40 * 4, 40, 300, true, lossy).file);
}

TEST(WebpEncode, RowsAreReadAtTheStride) {
    int stride = 10 * 4 + 24;
    platform::Bytes padded = testPattern(10, 6, 4, static_cast<std::size_t>(stride));
    platform::Bytes tight(10 * 6 * 4);
    for (int y = 0; y < 6; ++y) std::copy_n(padded.begin() + y * stride, 40, tight.begin() + y * 40);
    EXPECT_EQ(decodeWebP(encode(padded, stride, 10, 6, true, lossless).file).rgba, tight);
}

TEST(WebpEncode, FailuresNameTheirStepAndCode) {
    platform::Bytes pixels = testPattern(8, 8, 4);
    auto failure = [&](const std::uint8_t* p, int stride, int width, int height, const pctv_webp_options* options) {
        std::uint8_t* out = nullptr;
        std::size_t length = 0;
        char error[128] = {};
        int status = pctv_webp_encode(p, stride, width, height, 1, options, nullptr, 0, nullptr, 0, nullptr, 0, &out,
                                      &length, error, sizeof error);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(out, nullptr);
        return std::string(error);
    };
    pctv_webp_options threeBytes = lossy; // three bytes have no alpha
    threeBytes.packed_rgb = 1;
    const std::tuple<const std::uint8_t*, int, int, int, const pctv_webp_options*> refused[] = {
        {pixels.data(), 32, 8, 8, nullptr}, {nullptr, 32, 8, 8, &lossy},         {pixels.data(), 32, 0, 8, &lossy},
        {pixels.data(), 32, 8, 0, &lossy},  {pixels.data(), 31, 8, 8, &lossy},   {pixels.data(), -32, 8, 8, &lossy},
        {pixels.data(), 24, 8, 8, &threeBytes}};
    for (const auto& [p, stride, width, height, options] : refused)
        EXPECT_EQ(failure(p, stride, width, height, options), "arguments failed (0)") << stride << " " << width;
    pctv_webp_options badMethod{80, 0, 9, 0, 0, nullptr, nullptr, nullptr, nullptr};
    EXPECT_EQ(failure(pixels.data(), 32, 8, 8, &badMethod), "WebPValidateConfig failed (0)");

    // Wider than a WebP can be: libwebp refuses it when encoding.
    platform::Bytes row(20000 * 4, 200);
    ShimOutput tooWide = encode(row, 20000 * 4, 20000, 1, false, lossy);
    EXPECT_EQ(tooWide.message, 
              "WebPEncode failed (" + std::to_string(VP8_ENC_ERROR_BAD_DIMENSION) + " VP8_ENC_ERROR_BAD_DIMENSION)");
    EXPECT_TRUE(tooWide.outWasCleared);

    char small[10];
    std::uint8_t* out = nullptr;
    std::size_t length = 0;
    EXPECT_EQ(pctv_webp_encode(pixels.data(), 32, 8, 8, 1, nullptr, nullptr, 0, nullptr, 0, nullptr, 0, &out, &length,
                               small, sizeof small), 1);
    EXPECT_STREQ(small, "arguments");
    EXPECT_EQ(pctv_webp_encode(pixels.data(), 32, 8, 8, 1, nullptr, nullptr, 0, nullptr, 0, nullptr, 0, &out, &length,
                               nullptr, 0), 1);
}

TEST(WebpVersion, IsTheLinkedEncodersVersion) {
    int version = WebPGetEncoderVersion();
    std::string expected = std::to_string(version >> 16) + "." + std::to_string((version >> 8) & 0xFF) + "." +
                           std::to_string(version & 0xFF);
    EXPECT_EQ(std::string(pctv_webp_version()), expected);
    EXPECT_EQ(pctv_webp_version(), pctv_webp_version());
}
