#include "support/JPEGInspection.h"
#include "support/JPEGSamples.h"

#include "ShimOutput.h"
#include "shims/pctv_mozjpeg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <jpeglib.h>

using namespace testing_support;

namespace {

ShimOutput encode(const platform::Bytes& pixels, std::size_t stride, int width, int height, pctv_mozjpeg_layout layout,
                  const pctv_mozjpeg_options& options, const platform::Bytes& icc = {}) {
    return callShim(
        [&](std::uint8_t** out, std::size_t* length, char* error, std::size_t errorSize) {
            return pctv_mozjpeg_encode(pixels.data(), stride, width, height, layout, &options,
                                       icc.empty() ? nullptr : icc.data(), icc.size(), out, length, error, errorSize);
        },
        pctv_mozjpeg_free);
}

// Rows of four bytes a pixel without padding.
platform::Bytes rgbx(const platform::Bytes& pixels, int width, int height, const pctv_mozjpeg_options& options,
                     const platform::Bytes& icc = {}) {
    return encode(pixels, static_cast<std::size_t>(width) * 4, width, height, PCTV_MOZJPEG_LAYOUT_RGBX, options, icc).file;
}

pctv_mozjpeg_options optionsFor(int quality) {
    pctv_mozjpeg_options options;
    pctv_mozjpeg_default_options(quality, &options);
    return options;
}

} // namespace

TEST(MozjpegEncode, QualityIsClampedToOneToHundred) {
    platform::Bytes pixels = testPattern(16, 16, 4);
    auto tablesAt = [&](int quality) {
        pctv_mozjpeg_options options = optionsFor(50);
        options.quality = quality;
        return inspectJpeg(rgbx(pixels, 16, 16, options)).quantTables;
    };
    EXPECT_EQ(tablesAt(0), tablesAt(1));
    EXPECT_EQ(tablesAt(-40), tablesAt(1));
    EXPECT_EQ(tablesAt(150), tablesAt(100));
    EXPECT_NE(tablesAt(1), tablesAt(2));
    // Baseline tables: even quality 1 keeps every entry within 8 bits.
    const auto lowest = tablesAt(1);
    for (std::uint16_t value : lowest[0]) EXPECT_LE(value, 255);
}

TEST(MozjpegEncode, GreyRowsMakeOneComponentAndRGBXKeepsItsColours) {
    platform::Bytes grey = testPattern(24, 20, 1);
    JPEGInspection inspected = inspectJpeg(encode(grey, 24, 24, 20, PCTV_MOZJPEG_LAYOUT_GREY, optionsFor(90)).file);
    EXPECT_EQ(inspected.colourSpace, JCS_GRAYSCALE);
    EXPECT_EQ(inspected.components.size(), 1u);

    // A pure red picture with noise in the ignored byte comes back red, whatever that byte held.
    const std::uint8_t colour[] = {230, 20, 10};
    platform::Bytes red(16 * 16 * 4);
    for (std::size_t i = 0; i < red.size(); ++i) red[i] = i % 4 == 3 ? static_cast<std::uint8_t>(i * 37) : colour[i % 4];
    DecodedJPEG decoded = decodeJpeg(rgbx(red, 16, 16, optionsFor(95)));
    ASSERT_EQ(decoded.components, 3);
    for (std::size_t i = 0; i < decoded.pixels.size(); ++i) EXPECT_NEAR(decoded.pixels[i], colour[i % 3], 3) << i;
}

TEST(MozjpegEncode, RowsAreReadAtTheStrideAndRGBMakesTheSameFileAsRGBX) {
    // Padding bytes between rows, and the fourth byte of RGBX, must never reach the picture.
    const platform::Bytes tight = testPattern(19, 11, 4);
    const std::size_t rgbxStride = 19 * 4 + 13, rgbStride = 19 * 3 + 2;
    platform::Bytes paddedRGBX(rgbxStride * 11, 0xEE), paddedRGB(rgbStride * 11, 0x5A);
    for (std::size_t y = 0; y < 11; ++y)
        for (std::size_t x = 0; x < 19; ++x) {
            std::copy_n(&tight[(y * 19 + x) * 4], 3, &paddedRGBX[y * rgbxStride + x * 4]);
            std::copy_n(&tight[(y * 19 + x) * 4], 3, &paddedRGB[y * rgbStride + x * 3]);
        }
    const platform::Bytes expected = rgbx(tight, 19, 11, optionsFor(85));
    EXPECT_EQ(encode(paddedRGBX, rgbxStride, 19, 11, PCTV_MOZJPEG_LAYOUT_RGBX, optionsFor(85)).file, expected);
    ShimOutput fromRGB = encode(paddedRGB, rgbStride, 19, 11, PCTV_MOZJPEG_LAYOUT_RGB, optionsFor(85));
    ASSERT_EQ(fromRGB.status, 0) << fromRGB.message;
    EXPECT_EQ(fromRGB.file, expected);
}

TEST(MozjpegEncode, TheProfileTravelsWholeEvenAcrossSeveralMarkers) {
    platform::Bytes pixels = testPattern(16, 16, 4);
    platform::Bytes srgb = sRGBProfile();
    ASSERT_FALSE(srgb.empty());
    EXPECT_EQ(inspectJpeg(rgbx(pixels, 16, 16, optionsFor(90), srgb)).icc, srgb);

    platform::Bytes large(150000);
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 131 + i / 7);
    JPEGInspection inspected = inspectJpeg(rgbx(pixels, 16, 16, optionsFor(90), large));
    EXPECT_EQ(inspected.icc, large);
    EXPECT_EQ(inspected.markerCount(JPEG_APP0 + 2, std::string("ICC_PROFILE\0", 12)), 3);
    EXPECT_TRUE(inspectJpeg(rgbx(pixels, 16, 16, optionsFor(90))).icc.empty());
}

TEST(MozjpegEncode, WithoutProgressionHuffmanCodingIsStillOptimised) {
    // The library's default tables make a bigger file from the same coefficients.
    platform::Bytes pixels = testPattern(96, 64, 4);
    pctv_mozjpeg_options options = optionsFor(75);
    options.progressive = 0;
    platform::Bytes ours = rgbx(pixels, 96, 64, options);

    const platform::Bytes plain = libraryDefaultJpeg(pixels, 96, 64, 4, JCS_EXT_RGBX);
    EXPECT_LT(ours.size(), plain.size());
    EXPECT_FALSE(inspectJpeg(ours).progressive);
    EXPECT_EQ(inspectJpeg(ours).components[0].coefficients, inspectJpeg(plain).components[0].coefficients);
}

TEST(MozjpegEncode, RefusesBadArgumentsWithoutTouchingTheOutputs) {
    platform::Bytes pixels = testPattern(8, 8, 4);
    pctv_mozjpeg_options options = optionsFor(90);
    std::uint8_t* out = nullptr;
    std::size_t length = 0;
    char error[64];
    auto refuses = [&](const std::uint8_t* p, std::size_t stride, int width, int height, pctv_mozjpeg_layout layout,
                       const pctv_mozjpeg_options* o, std::uint8_t** outPointer, std::size_t* lengthPointer) {
        std::snprintf(error, sizeof error, "untouched");
        int status = pctv_mozjpeg_encode(p, stride, width, height, layout, o, nullptr, 0, outPointer,
                                         lengthPointer, error, sizeof error);
        return status == 1 && std::string(error) == "invalid arguments";
    };
    EXPECT_TRUE(refuses(pixels.data(), 32, 0, 8, PCTV_MOZJPEG_LAYOUT_RGBX, &options, &out, &length));
    EXPECT_TRUE(refuses(pixels.data(), 32, 8, -1, PCTV_MOZJPEG_LAYOUT_RGBX, &options, &out, &length));
    EXPECT_TRUE(refuses(nullptr, 32, 8, 8, PCTV_MOZJPEG_LAYOUT_RGBX, &options, &out, &length));
    EXPECT_TRUE(refuses(pixels.data(), 32, 8, 8, PCTV_MOZJPEG_LAYOUT_RGBX, nullptr, &out, &length));
    EXPECT_TRUE(refuses(pixels.data(), 32, 8, 8, PCTV_MOZJPEG_LAYOUT_RGBX, &options, nullptr, &length));
    EXPECT_TRUE(refuses(pixels.data(), 32, 8, 8, PCTV_MOZJPEG_LAYOUT_RGBX, &options, &out, nullptr));
    // A row narrower than its pixels would read past every row; a zero stride repeats row one.
    EXPECT_TRUE(refuses(pixels.data(), 31, 8, 8, PCTV_MOZJPEG_LAYOUT_RGBX, &options, &out, &length));
    EXPECT_TRUE(refuses(pixels.data(), 0, 8, 8, PCTV_MOZJPEG_LAYOUT_RGBX, &options, &out, &length));
    EXPECT_TRUE(refuses(pixels.data(), 7, 8, 8, PCTV_MOZJPEG_LAYOUT_GREY, &options, &out, &length));
    EXPECT_TRUE(refuses(pixels.data(), 23, 8, 8, PCTV_MOZJPEG_LAYOUT_RGB, &options, &out, &length));
    EXPECT_EQ(out, nullptr);

    pctv_mozjpeg_default_options(90, nullptr); // does nothing, and does not crash
    // A grey row needs only one byte per pixel, and the message is cut to the room given.
    EXPECT_EQ(pctv_mozjpeg_encode(pixels.data(), 8, 8, 8, PCTV_MOZJPEG_LAYOUT_GREY, &options, nullptr, 0, &out,
                                  &length, nullptr, 0), 0);
    pctv_mozjpeg_free(out);
    char small[8];
    EXPECT_EQ(pctv_mozjpeg_encode(pixels.data(), 32, 0, 8, PCTV_MOZJPEG_LAYOUT_RGBX, &options, nullptr, 0, &out,
                                  &length, small, sizeof small), 1);
    EXPECT_STREQ(small, "invalid");
}

TEST(MozjpegEncode, ALibraryFailureCarriesTheLibrarysMessageAndClearsTheOutputs) {
    platform::Bytes row(70000, 128);
    ShimOutput result = encode(row, row.size(), 70000, 1, PCTV_MOZJPEG_LAYOUT_GREY, optionsFor(90));
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.outWasCleared);
    EXPECT_NE(result.message.find("Maximum supported image dimension"), std::string::npos) << result.message;
}

TEST(MozjpegVersion, NamesTheLinkedLibrarysRelease) {
    int number = LIBJPEG_TURBO_VERSION_NUMBER;
    std::string expected = std::to_string(number / 1000000) + "." + std::to_string(number / 1000 % 1000) + "." +
                           std::to_string(number % 1000);
    EXPECT_EQ(std::string(pctv_mozjpeg_version()), expected);
}
