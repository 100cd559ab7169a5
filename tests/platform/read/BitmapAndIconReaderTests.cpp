#include "platform/read/ImageReader.h"
#include "platform/types/ImageTypeIdentifiers.h"
#include "support/IconSamples.h"
#include "support/EncodedSamples.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

using namespace platform;
using namespace testing_support;

namespace {

std::optional<ImageReader> openBytes(const Bytes& bytes) { return ImageReader::open(std::make_shared<const Bytes>(bytes)); }

std::int64_t intOf(const PropertyMap& map, const char* key) { return integerProperty(map, key).value_or(-1); }

std::vector<int> expected(int x, int y, bool alpha) {
    std::vector<int> values{samplePixel(x, y, 0), samplePixel(x, y, 1), samplePixel(x, y, 2)};
    if (alpha) values.push_back(samplePixel(x, y, 3));
    return values;
}

std::vector<int> grey(int x, int y, int mask = 0xFF) {
    const int v = samplePixel(x, y, 0) & mask;
    return {v, v, v};
}

TEST(BitmapReader, ReadsEveryRowOrderDepthAndCoding) {
    struct Case {
        const char* what;
        Bytes file;
        int width, height;
        std::function<std::vector<int>(int, int)> pixel;
        bool alpha = false;
        double dpi = 0; // none stated
    };
    const auto colour = [](int x, int y) { return expected(x, y, false); };
    const Case cases[] = {
        {"bottom-up 24-bit", bmpFile(7, 5, 24, false, 11811), 7, 5, colour, false, 300},
        {"top-down 24-bit", bmpFile(7, 5, 24, true, 11811), 7, 5, colour, false, 300},
        {"8-bit grey palette", bmpFile(6, 3, 8), 6, 3, [](int x, int y) { return grey(x, y); }},
        {"8-bit run lengths", bmpFileRunLength(9, 4, 8), 9, 4, [](int x, int y) { return grey(x, y); }},
        {"4-bit run lengths", bmpFileRunLength(9, 4, 4), 9, 4, [](int x, int y) { return grey(x, y, 0x0F); }},
        {"version 5 with alpha", bmpFileWithAlpha(5, 4), 5, 4, [](int x, int y) { return expected(x, y, true); }, true, 72},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto reader = openBytes(c.file);
        ASSERT_TRUE(reader);
        EXPECT_EQ(std::tuple(reader->typeIdentifier(), reader->count()), std::tuple(types::bmp, 1));
        auto properties = *reader->propertiesAt(0);
        EXPECT_EQ(std::tuple(intOf(properties, keys::pixelWidth), intOf(properties, keys::pixelHeight),
                             *properties.at(keys::hasAlpha).get<bool>()),
                  std::tuple(c.width, c.height, c.alpha));
        if (c.dpi > 0) EXPECT_NEAR(*properties.at(keys::dpiWidth).get<double>(), c.dpi, 0.1);
        else EXPECT_FALSE(properties.count(keys::dpiWidth));
        auto image = reader->imageAt(0).image;
        ASSERT_TRUE(image);
        EXPECT_EQ(image->alphaInfo(), c.alpha ? AlphaInfo::last : AlphaInfo::none);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) ASSERT_EQ(pixelAt(*image, x, y), c.pixel(x, y)) << x << "," << y;
    }
}

TEST(BitmapReader, RefusesTruncatedPixelsAndOversizedBudgets) {
    // Without its end mark a run-length coding is cut short.
    for (int bits : {8, 4}) {
        auto file = bmpFileRunLength(9, 4, bits);
        file.resize(file.size() - 2);
        EXPECT_FALSE(openBytes(file)->imageAt(0).image) << bits;
    }
    auto whole = bmpFile(40, 30, 24);
    auto reader = openBytes(Bytes(whole.begin(), whole.end() - 100));
    ASSERT_TRUE(reader); // the header is whole
    EXPECT_FALSE(reader->imageAt(0).image);
    auto sound = openBytes(whole);
    EXPECT_TRUE(sound->imageAt(0, PixelBudget{40 * 30 * 3 - 1}).exceedsBudget);
    EXPECT_TRUE(sound->imageAt(0, PixelBudget{40 * 30 * 3}).image);
    EXPECT_FALSE(openBytes(Bytes(whole.begin(), whole.begin() + 20)));
}

TEST(IconReader, CountsRenditionsAndReadsEachSizeButNoDamagedEntry) {
    auto reader = openBytes(icoFile({{16, false, 32}, {32, false, 24}, {256, true}}));
    ASSERT_TRUE(reader);
    EXPECT_EQ(std::tuple(reader->typeIdentifier(), reader->count(), reader->hasFrameInfo()), std::tuple(types::ico, 3, false));
    const int sides[] = {16, 32, 256};
    for (int i = 0; i < 3; ++i) {
        auto properties = *reader->propertiesAt(i);
        EXPECT_EQ(std::tuple(intOf(properties, keys::pixelWidth), intOf(properties, keys::pixelHeight),
                             *properties.at(keys::hasAlpha).get<bool>()),
                  std::tuple(sides[i], sides[i], true));
        auto image = reader->imageAt(i).image;
        ASSERT_TRUE(image) << i;
        EXPECT_EQ(std::tuple(image->width(), image->alphaInfo()), std::tuple(std::int64_t{sides[i]}, AlphaInfo::last));
    }
    // 32-bit entries carry their own alpha; 24-bit ones take it from the AND mask, whose
    // left half is transparent.
    auto withAlpha = reader->imageAt(0).image;
    EXPECT_EQ(pixelAt(*withAlpha, 9, 4), expected(9, 4, true));
    auto masked = reader->imageAt(1).image;
    EXPECT_EQ(pixelAt(*masked, 3, 7)[3], 0);
    EXPECT_EQ(pixelAt(*masked, 20, 7), (std::vector<int>{samplePixel(20, 7, 0), samplePixel(20, 7, 1), samplePixel(20, 7, 2), 255}));
    auto png = reader->imageAt(2).image;
    EXPECT_EQ(pixelAt(*png, 100, 50), expected(100, 50, true));

    // A damaged entry, whose payload offset points past the end, has no properties, but the
    // others still read; a directory cut short is no icon at all.
    auto file = icoFile({{16, false, 32}, {48, false, 32}});
    file[6 + 16 + 12] = file[6 + 16 + 13] = 0xFF;
    auto damaged = openBytes(file);
    ASSERT_TRUE(damaged);
    EXPECT_EQ(std::tuple(damaged->count(), bool(damaged->propertiesAt(0)), bool(damaged->propertiesAt(1)),
                         bool(damaged->imageAt(1).image)),
              std::tuple(2, true, false, false));
    EXPECT_FALSE(openBytes(Bytes(file.begin(), file.begin() + 20)));
}

TEST(AppleIconReader, ReadsLegacyRunLengthAlphaFirstAndPngElementsButNoBadRuns) {
    SampleImage large;
    large.width = large.height = 128;
    large.bands = 4;
    auto reader = openBytes(icnsFile({{"TOC ", Bytes(8, 0)},
                                      {"is32", icnsRunLengthRGB(16)},
                                      {"s8mk", icnsMask(16)},
                                      {"ic05", icnsRunLengthARGB(32)},
                                      {"name", Bytes{'x'}},
                                      {"ic07", *encodeSample(large, ".png")}}));
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->typeIdentifier(), types::icns);
    ASSERT_EQ(reader->count(), 3);
    const int sides[] = {16, 32, 128};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(intOf(*reader->propertiesAt(i), keys::pixelWidth), sides[i]);
    auto legacy = reader->imageAt(0).image;
    ASSERT_TRUE(legacy);
    EXPECT_EQ(pixelAt(*legacy, 5, 0), (std::vector<int>{200, 200, 200, samplePixel(5, 0, 3)}));
    EXPECT_EQ(pixelAt(*legacy, 11, 9), expected(11, 9, true));
    auto alphaFirst = reader->imageAt(1).image;
    ASSERT_TRUE(alphaFirst);
    EXPECT_EQ(pixelAt(*alphaFirst, 7, 0), (std::vector<int>{200, 200, 200, 200}));
    EXPECT_EQ(pixelAt(*alphaFirst, 30, 17), expected(30, 17, true));
    auto modern = reader->imageAt(2).image;
    ASSERT_TRUE(modern);
    EXPECT_EQ(pixelAt(*modern, 60, 70), expected(60, 70, true));

    // Runs cut short and files without an image element give no image.
    auto runs = icnsRunLengthRGB(16);
    runs.resize(runs.size() / 2);
    auto cut = openBytes(icnsFile({{"is32", runs}}));
    ASSERT_TRUE(cut);
    EXPECT_FALSE(cut->imageAt(0).image);
    EXPECT_FALSE(openBytes(icnsFile({{"TOC ", Bytes(8, 0)}})));
    EXPECT_FALSE(openBytes(icnsFile({{"ic08", Bytes{1, 2, 3}}})));
}

} // namespace
