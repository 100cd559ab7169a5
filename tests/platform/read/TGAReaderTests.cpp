#include "platform/read/ImageReader.h"
#include "platform/types/ImageSniffer.h"
#include "platform/types/ImageTypeIdentifiers.h"
#include "support/TGASamples.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <tuple>

using namespace platform;
using namespace testing_support;

namespace {

constexpr int width = 13;
constexpr int height = 7;

// 64 colours of a 4 x 4 x 4 cube laid out so that every corner, row and column differs, with
// alpha falling from left to right.
std::array<int, 4> expected(int x, int y) { return {85 * (x % 4), 85 * (y % 4), 85 * ((x + 2 * y) / 4 % 4), 255 - 18 * x}; }

// The first `count` components of what the test expects at (x, y).
std::vector<int> expectedComponents(int x, int y, int count) {
    const auto colour = expected(x, y);
    return std::vector<int>(colour.begin(), colour.begin() + count);
}

Bytes netpbmSource(bool alpha, bool grey) {
    const std::string header = grey ? "P5\n13 7\n255\n"
                                    : alpha ? "P7\nWIDTH 13\nHEIGHT 7\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n"
                                            : "P6\n13 7\n255\n";
    Bytes bytes(header.begin(), header.end());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int value : expectedComponents(x, y, grey ? 1 : alpha ? 4 : 3)) bytes.push_back(static_cast<std::uint8_t>(value));
    return bytes;
}

ImageRef decoded(const Bytes& file) {
    auto reader = ImageReader::open(std::make_shared<const Bytes>(file));
    if (!reader) return nullptr;
    EXPECT_EQ(reader->typeIdentifier(), types::tga);
    return reader->imageAt(0).image;
}

// Every pixel of the image against what the test expects at that place (top-left origin).
void expectPixels(const Image& image, const std::function<std::vector<int>(int, int)>& wanted) {
    ASSERT_EQ(std::tuple(image.width(), image.height()), std::tuple(width, height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) ASSERT_EQ(pixelAt(image, x, y), wanted(x, y)) << x << "," << y;
}

// The pixels of `expected` stored bottom row first (or as the flags say), each by `store`.
Bytes stored(bool rightToLeft, bool topToBottom, const std::function<void(Bytes&, const std::array<int, 4>&)>& store) {
    Bytes pixels;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            store(pixels, expected(rightToLeft ? width - 1 - column : column, topToBottom ? row : height - 1 - row));
    return pixels;
}

void bgra(Bytes& out, const std::array<int, 4>& c) {
    for (int value : {c[2], c[1], c[0], c[3]}) out.push_back(static_cast<std::uint8_t>(value));
}

// Five bits a channel, the top bit set when `alpha` is over half.
void fiveBits(Bytes& out, const std::array<int, 4>& c) {
    const unsigned value = (c[3] > 127 ? 0x8000u : 0u) | (c[0] >> 3) << 10 | (c[1] >> 3) << 5 | c[2] >> 3;
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

int fiveToEight(int value) { return (value >> 3) << 3 | (value >> 3) >> 2; }

} // namespace

TEST(TGAReader, ReadsWhatNetpbmWritesPlainAndRunLengthCodedMappedTrueColourAndGrey) {
    struct Case {
        const char* options;
        bool alpha;
        bool grey;
    };
    for (const Case& c : {Case{"-rgb", false, false}, Case{"-rgb -norle", false, false}, Case{"-cmap", false, false},
                          Case{"-cmap -norle", false, false}, Case{"-mono", false, true}, Case{"-mono -norle", false, true},
                          Case{"-rgb", true, false}, Case{"-rgb -norle", true, false}}) {
        SCOPED_TRACE(std::string(c.options) + (c.alpha ? " with alpha" : ""));
        const auto file = netpbmTGA(netpbmSource(c.alpha, c.grey), c.options);
        if (!file) GTEST_SKIP() << "Netpbm's pamtotga is not installed";
        const auto image = decoded(*file);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->hasAlphaChannel(), c.alpha);
        expectPixels(*image, [&](int x, int y) { return expectedComponents(x, y, c.grey ? 1 : c.alpha ? 4 : 3); });
    }
}

TEST(TGAReader, ReadsEveryDepthFromEveryOriginWithRunsAcrossRowEnds) {
    for (bool rightToLeft : {false, true})
        for (bool topToBottom : {false, true}) {
            SCOPED_TRACE(std::string(rightToLeft ? "right" : "left") + (topToBottom ? " top" : " bottom"));
            auto layout = tgaLayout(10, width, height, 32, 8);
            layout.rightToLeft = rightToLeft;
            layout.topToBottom = topToBottom;
            layout.imageID = "made by hand";
            layout.pixels = tgaRunLength(stored(rightToLeft, topToBottom, bgra), 4);
            const auto image = decoded(tgaFile(layout));
            ASSERT_TRUE(image);
            EXPECT_EQ(image->alphaInfo(), AlphaInfo::last);
            expectPixels(*image, [](int x, int y) { return expectedComponents(x, y, 4); });
        }

    // 16 bits with one alpha bit, and 15 bits whose top bit means nothing.
    for (int bits : {16, 15}) {
        SCOPED_TRACE(bits);
        auto layout = tgaLayout(2, width, height, bits, bits == 16 ? 1 : 0);
        layout.pixels = stored(false, false, fiveBits);
        const auto image = decoded(tgaFile(layout));
        ASSERT_TRUE(image);
        expectPixels(*image, [&](int x, int y) {
            const auto c = expected(x, y);
            std::vector<int> pixel{fiveToEight(c[0]), fiveToEight(c[1]), fiveToEight(c[2])};
            if (bits == 16) pixel.push_back(c[3] > 127 ? 255 : 0);
            return pixel;
        });
    }

    // A run-length coded map of 16-bit entries that starts at index 5; indices are the cube's.
    auto mapped = tgaLayout(9, width, height, 8);
    mapped.topToBottom = true;
    mapped.mapFirstIndex = 5;
    mapped.mapLength = 64;
    mapped.mapEntryBits = 16;
    for (int index = 0; index < 64; ++index)
        fiveBits(mapped.colourMap, {85 * (index % 4), 85 * (index / 4 % 4), 85 * (index / 16), 255});
    Bytes indices;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            indices.push_back(static_cast<std::uint8_t>(5 + x % 4 + 4 * (y % 4) + 16 * ((x + 2 * y) / 4 % 4)));
    mapped.pixels = tgaRunLength(indices, 1);
    auto image = decoded(tgaFile(mapped));
    ASSERT_TRUE(image);
    EXPECT_FALSE(image->hasAlphaChannel());
    expectPixels(*image, [](int x, int y) {
        const auto c = expected(x, y);
        return std::vector<int>{fiveToEight(c[0]), fiveToEight(c[1]), fiveToEight(c[2])};
    });

    // Grey with an alpha byte.
    auto grey = tgaLayout(3, width, height, 16, 8);
    grey.pixels = stored(false, false, [](Bytes& out, const std::array<int, 4>& c) {
        out.push_back(static_cast<std::uint8_t>(c[1]));
        out.push_back(static_cast<std::uint8_t>(c[3]));
    });
    image = decoded(tgaFile(grey));
    ASSERT_TRUE(image);
    expectPixels(*image, [](int x, int y) { return std::vector<int>{expected(x, y)[1], expected(x, y)[3]}; });
}

TEST(TGAReader, TheExtensionAreaAndAllClearAlphaDecideWhatAlphaMeans) {
    auto layout = tgaLayout(2, width, height, 32, 8);
    layout.pixels = stored(false, false, bgra);
    layout.attributesType = 0; // the fourth bytes are not alpha
    auto image = decoded(tgaFile(layout));
    ASSERT_TRUE(image);
    EXPECT_FALSE(image->hasAlphaChannel());
    EXPECT_EQ(pixelAt(*image, 3, 2), expectedComponents(3, 2, 3));

    layout.attributesType = 4;
    image = decoded(tgaFile(layout));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->alphaInfo(), AlphaInfo::premultipliedLast);

    // A writer that announced alpha and left it all clear meant an opaque picture.
    layout.attributesType.reset();
    layout.pixels = stored(false, false, [](Bytes& out, const std::array<int, 4>& c) { bgra(out, {c[0], c[1], c[2], 0}); });
    image = decoded(tgaFile(layout));
    ASSERT_TRUE(image);
    EXPECT_EQ(pixelAt(*image, 5, 5)[3], 255);
}

TEST(TGAReader, DamagedDataGivesNoImageAndImplausibleHeadersAreNoTGA) {
    auto layout = tgaLayout(10, width, height, 24);
    layout.pixels = tgaRunLength(stored(false, false, [](Bytes& out, const std::array<int, 4>& c) {
                                     for (int value : {c[2], c[1], c[0]}) out.push_back(static_cast<std::uint8_t>(value));
                                 }),
                                 3);
    const Bytes sound = tgaFile(layout);
    ASSERT_TRUE(decoded(sound));
    for (const std::size_t cut : {std::size_t{18}, std::size_t{40}, layout.pixels.size() / 2 + 18, layout.pixels.size() + 17}) {
        auto reader = ImageReader::open(std::make_shared<const Bytes>(sound.begin(), sound.begin() + static_cast<std::ptrdiff_t>(cut)));
        ASSERT_TRUE(reader) << cut;
        const auto result = reader->imageAt(0);
        EXPECT_FALSE(result.image) << cut;
        EXPECT_FALSE(result.exceedsBudget) << cut;
    }
    // An index outside the colour map.
    auto mapped = tgaLayout(1, 2, 1, 8);
    mapped.mapLength = 1;
    mapped.mapEntryBits = 24;
    mapped.colourMap = {1, 2, 3};
    mapped.pixels = {0, 1};
    EXPECT_FALSE(decoded(tgaFile(mapped)));
    EXPECT_TRUE(ImageReader::open(std::make_shared<const Bytes>(tgaFile(layout)))->imageAt(0, PixelBudget{width * height * 3 - 1}).exceedsBudget);

    // A header naming an image type, depth or map the format does not have is not taken for a TGA.
    const auto sniffed = [](const TGALayout& changed) {
        const Bytes file = tgaFile(changed);
        return sniffImageFormat(ByteView(file.data(), file.size())).format;
    };
    EXPECT_EQ(sniffed(layout), SniffedFormat::tga);
    for (const auto& change : std::vector<std::function<void(TGALayout&)>>{
             [](TGALayout& l) { l.imageType = 4; }, [](TGALayout& l) { l.pixelBits = 12; },
             [](TGALayout& l) { l.width = 0; }, [](TGALayout& l) { l.imageType = 11; },
             [](TGALayout& l) { l.mapFirstIndex = 3; }}) {
        TGALayout changed = layout;
        change(changed);
        EXPECT_EQ(sniffed(changed), SniffedFormat::unknown);
    }
}
