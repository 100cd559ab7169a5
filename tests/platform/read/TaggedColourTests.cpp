#include "platform/colour/ColourTransformCache.h"
#include "platform/read/ImageReader.h"
#include "support/EncodedSamples.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <array>
#include <cmath>
#include <string>

using namespace platform;
using namespace testing_support;

namespace {

struct Read {
    ImageRef image;
    PropertyMap properties;
};

Read readBack(const Bytes& file) {
    auto reader = ImageReader::open(std::make_shared<const Bytes>(file));
    if (!reader) return {};
    return {reader->imageAt(0).image, reader->propertiesAt(0).value_or(PropertyMap{})};
}

std::string profileName(const Read& read) {
    const auto* name = propertyOf<std::string>(read.properties, keys::profileName);
    return name ? *name : "";
}

// What a colour-managed viewer shows of an 8-bit pixel of this space: its sRGB colour.
std::array<int, 3> shown(const ColourSpaceRef& space, std::array<int, 3> coded, std::uint32_t format = TYPE_RGB_8) {
    const auto transform = ColourTransformCache::shared().transform(space, format, ColourSpace::sRGB(), TYPE_RGB_8);
    if (!transform) return {-1, -1, -1};
    const std::uint8_t in[3] = {static_cast<std::uint8_t>(coded[0]), static_cast<std::uint8_t>(coded[1]),
                                static_cast<std::uint8_t>(coded[2])};
    std::uint8_t out[3] = {};
    transform->apply(in, out, 1);
    return {out[0], out[1], out[2]};
}

// The same for the read image's first pixel.
std::array<int, 3> shown(const Read& read) {
    const auto pixel = pixelAt(*read.image, 1, 1);
    return shown(read.image->colourSpace(), {pixel.at(0), pixel.at(1), pixel.at(2)});
}

void expectNear(std::array<int, 3> seen, std::array<int, 3> expected, int tolerance) {
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(seen[c], expected[c], tolerance) << "component " << c;
}

int sRGBCoded(double light) {
    const double coded = light <= 0.0031308 ? light * 12.92 : 1.055 * std::pow(light, 1 / 2.4) - 0.055;
    return static_cast<int>(std::lround(coded * 255));
}

Bytes bigEndian(std::initializer_list<std::uint32_t> values) {
    Bytes bytes;
    for (const auto value : values)
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    return bytes;
}

const Bytes adobeChromaticities = bigEndian({31270, 32900, 64000, 33000, 21000, 71000, 15000, 6000});
const Bytes sRGBChromaticities = bigEndian({31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000});

Bytes pngOf(std::array<std::uint8_t, 3> rgb, const std::vector<std::pair<std::string, Bytes>>& chunks, int bands = 3) {
    SampleImage sample;
    sample.width = sample.height = 4;
    sample.bands = bands;
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < 16; ++i) pixels.insert(pixels.end(), rgb.begin(), rgb.begin() + bands);
    return withChunksAfterHeader(*encodePixels(pixels, sample, ".png"), chunks);
}

} // namespace

TEST(TaggedColour, AHeifFilesNclxBoxOtherThanSRGBIsItsColourSpaceAndItsMatrixAndRangeAreApplied) {
    for (const bool av1 : {true, false}) {
        SCOPED_TRACE(av1 ? "AVIF" : "HEIC");
        // Display P3 as phones write it, in either range and with BT.709's matrix too.
        for (const Nclx nclx : {Nclx{12, 13, 6, true}, Nclx{12, 13, 6, false}, Nclx{12, 13, 1, true}}) {
            const auto file = heifOfColour(16, 16, {40, 200, 60}, nclx, av1);
            if (!file) GTEST_SKIP() << "no encoder";
            const Read read = readBack(*file);
            ASSERT_TRUE(read.image);
            EXPECT_EQ(read.image->colourSpace()->description().value_or(""), "Display P3");
            EXPECT_EQ(profileName(read), "Display P3");
            const Bytes* icc = propertyOf<Bytes>(read.properties, keys::iccProfile);
            ASSERT_TRUE(icc);
            EXPECT_EQ(*icc, read.image->colourSpace()->iccData());
            expectNear(shown(read), shown(displayP3(), {40, 200, 60}), 3);
        }
        // BT.2020 primaries, and BT.709's with linear light.
        const auto wide = heifOfColour(16, 16, {40, 200, 60}, Nclx{9, 13, 9, true}, av1);
        ASSERT_TRUE(wide);
        EXPECT_EQ(readBack(*wide).image->colourSpace()->description().value_or(""), "BT.2020");
        const auto linear = heifOfColour(16, 16, {40, 200, 60}, Nclx{1, 8, 6, true}, av1);
        ASSERT_TRUE(linear);
        expectNear(shown(readBack(*linear)), {sRGBCoded(40 / 255.0), sRGBCoded(200 / 255.0), sRGBCoded(60 / 255.0)}, 3);
    }
}

TEST(TaggedColour, AHeifFilesNclxBoxSayingSRGBInAnyOfTheUsualWaysIsReadAsAlways) {
    for (const Nclx nclx : {Nclx{1, 13, 6, true}, Nclx{1, 13, 1, true}, Nclx{2, 2, 2, true}, Nclx{2, 13, 6, true}}) {
        SCOPED_TRACE(std::to_string(nclx.primaries) + "/" + std::to_string(nclx.transfer));
        const auto file = heifOfColour(8, 8, {40, 200, 60}, nclx, true);
        if (!file) GTEST_SKIP() << "no AV1 encoder";
        const Read read = readBack(*file);
        ASSERT_TRUE(read.image);
        EXPECT_TRUE(read.image->colourSpace()->isSRGB());
        EXPECT_EQ(read.properties.count(keys::iccProfile), 0u);
    }
}

TEST(TaggedColour, APngsGammaAndChromaticitiesAreItsColourSpaceUnlessAProfileOrSRGBChunkNamesOne) {
    // Adobe RGB as older tools write it.
    const Read adobe = readBack(pngOf({90, 160, 220}, {{"cHRM", adobeChromaticities}, {"gAMA", bigEndian({45471})}}));
    ASSERT_TRUE(adobe.image);
    EXPECT_EQ(profileName(adobe), "Calibrated RGB, gamma 2.20");
    expectNear(shown(adobe), shown(adobeRGB(), {90, 160, 220}), 1);

    // Linear light with sRGB's primaries, named by gAMA alone; and grey of that curve.
    const Read linear = readBack(pngOf({40, 200, 60}, {{"gAMA", bigEndian({100000})}}));
    expectNear(shown(linear), {sRGBCoded(40 / 255.0), sRGBCoded(200 / 255.0), sRGBCoded(60 / 255.0)}, 1);
    const Read grey = readBack(pngOf({96, 96, 96}, {{"gAMA", bigEndian({100000})}}, 1));
    ASSERT_TRUE(grey.image);
    EXPECT_EQ(grey.image->colourSpace()->model(), ColourModel::monochrome);
    EXPECT_EQ(shown(grey.image->colourSpace(), {96, 0, 0}, TYPE_GRAY_8)[0], sRGBCoded(96 / 255.0));

    // 1/2.2 with sRGB's chromaticities or none is how tools name sRGB; a profile or an sRGB chunk
    // outweighs the chunks; a gamma of zero and primaries on one point describe nothing.
    for (const auto& chunks : std::vector<std::vector<std::pair<std::string, Bytes>>>{
             {{"cHRM", sRGBChromaticities}, {"gAMA", bigEndian({45455})}},
             {{"gAMA", bigEndian({45455})}},
             {{"sRGB", Bytes{0}}, {"cHRM", adobeChromaticities}, {"gAMA", bigEndian({100000})}},
             {{"gAMA", bigEndian({0})}},
             {{"cHRM", bigEndian({31270, 32900, 30000, 60000, 30000, 60000, 30000, 60000})}}}) {
        const Read read = readBack(pngOf({90, 160, 220}, chunks));
        ASSERT_TRUE(read.image);
        EXPECT_TRUE(read.image->colourSpace()->isSRGB()) << chunks.front().first;
        EXPECT_EQ(read.properties.count(keys::iccProfile), 0u);
    }
}
