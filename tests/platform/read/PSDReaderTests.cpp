#include "platform/read/ImageReader.h"
#include "platform/types/ImageTypeIdentifiers.h"
#include "support/ExifSamples.h"
#include "support/PSDSamples.h"
#include "support/TemporaryFolder.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

using namespace platform;
using namespace testing_support;

namespace {

std::optional<ImageReader> openBytes(const Bytes& bytes) { return ImageReader::open(std::make_shared<const Bytes>(bytes)); }

ImageRef decoded(const Bytes& file) {
    auto reader = openBytes(file);
    if (!reader) return nullptr;
    EXPECT_EQ(reader->typeIdentifier(), types::psd);
    return reader->imageAt(0).image;
}

// A 3 x 2 file of one mode and depth with the given channels.
PSDSample sampleOf(int mode, int depth, std::vector<Bytes> channels, std::int64_t width = 3, std::int64_t height = 2) {
    PSDSample sample;
    sample.mode = mode;
    sample.depth = depth;
    sample.width = width;
    sample.height = height;
    sample.channels = std::move(channels);
    return sample;
}

// The version resource: its version, whether the merged image is real, and the writer's name.
Bytes photoshopVersion(bool realMergedImage) {
    return {0, 0, 0, 1, static_cast<std::uint8_t>(realMergedImage ? 1 : 0), 0, 0, 0, 1, 0, 'P', 0, 0, 0, 0, 0, 0, 0, 1};
}

const Bytes reds = {255, 0, 10, 20, 30, 128};
const Bytes greens = {0, 255, 40, 50, 60, 128};
const Bytes blues = {0, 0, 70, 80, 90, 128};
const Bytes opacity = {255, 0, 128, 255, 255, 1};

TEST(PSDReader, ReadsTheMergedRGBImageRawOrPackBitsInPSDAndPSBWithItsTransparency) {
    for (int version : {1, 2})
        for (bool packed : {false, true}) {
            SCOPED_TRACE("version " + std::to_string(version) + (packed ? " PackBits" : " raw"));
            auto sample = sampleOf(3, 8, {reds, greens, blues, opacity});
            sample.version = version;
            sample.packBits = packed;
            // An extra channel without the layer section's word is a saved selection, not transparency.
            auto image = decoded(psdFile(sample));
            ASSERT_TRUE(image);
            EXPECT_EQ(image->componentsPerPixel(), 3);
            EXPECT_EQ(pixelAt(*image, 2, 0), (std::vector<int>{10, 40, 70}));
            EXPECT_TRUE(image->colourSpace()->isSRGB());

            sample.layerCount = -1;
            image = decoded(psdFile(sample));
            ASSERT_TRUE(image);
            EXPECT_EQ(image->alphaInfo(), AlphaInfo::last);
            EXPECT_EQ(pixelAt(*image, 0, 0), (std::vector<int>{255, 0, 0, 255}));
            EXPECT_EQ(pixelAt(*image, 1, 0), (std::vector<int>{0, 255, 0, 0}));
            EXPECT_EQ(pixelAt(*image, 2, 1), (std::vector<int>{128, 128, 128, 1}));
            EXPECT_TRUE(*openBytes(psdFile(sample))->propertiesAt(0)->at(keys::hasAlpha).get<bool>());
        }
    ImageRef image;

    // Photoshop lays a transparent composite on white, and says so with its version resource;
    // the straight colour is taken back out of it.
    auto composited = sampleOf(3, 8, {{191, 255, 7}, {191, 255, 7}, {255, 255, 7}, {128, 0, 255}}, 3, 1);
    composited.layerCount = -1;
    composited.resources = {{1057, photoshopVersion(true)}};
    image = decoded(psdFile(composited));
    ASSERT_TRUE(image);
    EXPECT_EQ(pixelAt(*image, 0, 0), (std::vector<int>{128, 128, 255, 128}));
    EXPECT_EQ(pixelAt(*image, 1, 0), (std::vector<int>{255, 255, 255, 0}));
    EXPECT_EQ(pixelAt(*image, 2, 0), (std::vector<int>{7, 7, 7, 255}));

    // Rows longer than a PackBits run, in 16 and 32 bits.
    const std::int64_t wide = 300;
    std::vector<std::uint16_t> ramp;
    std::vector<float> light;
    for (int x = 0; x < wide; ++x) {
        ramp.push_back(static_cast<std::uint16_t>(x * 200));
        light.push_back(static_cast<float>(x) / (wide - 1));
    }
    auto sixteen = sampleOf(3, 16, {bigEndian16(ramp), bigEndian16(ramp), bigEndian16(ramp)}, wide, 1);
    sixteen.packBits = true;
    image = decoded(psdFile(sixteen));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->bitsPerComponent(), 16);
    EXPECT_EQ(pixelAt(*image, 299, 0), (std::vector<int>{59800, 59800, 59800}));
    // A 16-bit file's layer count, and so its word on transparency, stands in a tagged block.
    for (int version : {1, 2}) {
        sixteen.version = version;
        sixteen.channels.push_back(bigEndian16(std::vector<std::uint16_t>(wide, 1000)));
        sixteen.layerCount = -1;
        sixteen.layersInTaggedBlock = true;
        image = decoded(psdFile(sixteen));
        ASSERT_TRUE(image);
        EXPECT_EQ(pixelAt(*image, 299, 0), (std::vector<int>{59800, 59800, 59800, 1000}));
        sixteen.channels.pop_back();
    }
    // Photoshop's 32-bit channels are linear light.
    image = decoded(psdFile(sampleOf(3, 32, {bigEndianFloats(light), bigEndianFloats(light), bigEndianFloats(light)}, wide, 1)));
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->isFloat());
    EXPECT_EQ(pixelAt(*image, 299, 0), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(image->colourSpace()->description(), "Linear sRGB");
}

TEST(PSDReader, ReadsGreyDuotoneBitmapAndIndexedFilesAsGreyOrRGB) {
    const Bytes grey = {0, 64, 128, 192, 255, 7};
    for (int mode : {1, 8}) {
        auto sample = sampleOf(mode, 8, {grey});
        if (mode == 8) sample.colourModeData = Bytes(32, 0); // the duotone inks, which a grey reading leaves aside
        auto image = decoded(psdFile(sample));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->componentsPerPixel(), 1);
        EXPECT_EQ(pixelAt(*image, 1, 1), (std::vector<int>{255}));
        EXPECT_EQ(image->colourSpace()->model(), ColourModel::monochrome);
    }
    auto greyFloat = decoded(psdFile(sampleOf(1, 32, {bigEndianFloats({0, 0.5f, 1, 0.25f, 0, 1})})));
    ASSERT_TRUE(greyFloat);
    EXPECT_EQ(pixelAt(*greyFloat, 1, 0), (std::vector<int>{128}));

    // Eleven pixels a row spill into a second byte; a set bit is black.
    auto bitmap = decoded(psdFile(sampleOf(0, 1, {{0b10100000, 0b00100000, 0b01000000, 0b00000000}}, 11, 2)));
    ASSERT_TRUE(bitmap);
    std::vector<int> firstRow, secondRow;
    for (int x = 0; x < 11; ++x) {
        firstRow.push_back(pixelAt(*bitmap, x, 0)[0]);
        secondRow.push_back(pixelAt(*bitmap, x, 1)[0]);
    }
    EXPECT_EQ(firstRow, (std::vector<int>{0, 255, 0, 255, 255, 255, 255, 255, 255, 255, 0}));
    EXPECT_EQ(secondRow, (std::vector<int>{255, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255}));

    // Indexed: 256 reds, 256 greens, 256 blues, and the resource naming the transparent entry.
    auto indexed = sampleOf(2, 8, {{0, 1, 2, 2, 1, 0}});
    indexed.colourModeData = Bytes(768, 0);
    indexed.colourModeData[0] = 200;       // entry 0 red
    indexed.colourModeData[256 + 1] = 150; // entry 1 green
    indexed.colourModeData[512 + 2] = 100; // entry 2 blue
    auto image = decoded(psdFile(indexed));
    ASSERT_TRUE(image);
    EXPECT_EQ(pixelAt(*image, 0, 0), (std::vector<int>{200, 0, 0}));
    EXPECT_EQ(pixelAt(*image, 2, 0), (std::vector<int>{0, 0, 100}));
    indexed.resources.push_back({1047, {0, 1}});
    image = decoded(psdFile(indexed));
    ASSERT_TRUE(image);
    EXPECT_EQ(pixelAt(*image, 1, 0), (std::vector<int>{0, 150, 0, 0}));
    EXPECT_EQ(pixelAt(*image, 0, 0), (std::vector<int>{200, 0, 0, 255}));
}

std::optional<Bytes> ghostscriptCMYKProfile() {
    std::ifstream file("/usr/share/color/icc/ghostscript/default_cmyk.icc", std::ios::binary);
    if (!file) return std::nullopt;
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

TEST(PSDReader, BringsCMYKAndLabIntoColourThroughTheirProfiles) {
    // Photoshop stores CMYK with 0 as full ink: paper white, full black, full cyan.
    const Bytes cyan = {255, 255, 0, 255, 255, 255};
    const Bytes magenta = {255, 255, 255, 0, 255, 255};
    const Bytes yellow = {255, 255, 255, 255, 0, 255};
    const Bytes black = {255, 0, 255, 255, 255, 128};
    auto image = decoded(psdFile(sampleOf(4, 8, {cyan, magenta, yellow, black})));
    ASSERT_TRUE(image);
    // Without a profile of its own it is read through a standard press profile into sRGB.
    EXPECT_TRUE(image->colourSpace()->isSRGB());
    const auto paper = pixelAt(*image, 0, 0);
    EXPECT_GE(paper[0], 240);
    EXPECT_GE(paper[2], 240);
    EXPECT_LE(pixelAt(*image, 1, 0)[1], 60);
    const auto printedCyan = pixelAt(*image, 2, 0);
    EXPECT_LT(printedCyan[0], 60);
    EXPECT_GT(printedCyan[2], 180);
    const auto printedMagenta = pixelAt(*image, 0, 1);
    EXPECT_GT(printedMagenta[0], 180);
    EXPECT_LT(printedMagenta[1], 60);

    auto sixteen = sampleOf(4, 16, {bigEndian16({65535, 65535, 0, 65535, 65535, 65535}), bigEndian16(std::vector<std::uint16_t>(6, 65535)),
                                    bigEndian16(std::vector<std::uint16_t>(6, 65535)), bigEndian16(std::vector<std::uint16_t>(6, 65535))});
    image = decoded(psdFile(sixteen));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->bitsPerComponent(), 16);
    EXPECT_NEAR(pixelAt(*image, 2, 0)[0] / 257, printedCyan[0], 3);

    // With a CMYK profile it stays CMYK in that profile, in ink values.
    if (auto profile = ghostscriptCMYKProfile()) {
        auto tagged = sampleOf(4, 8, {cyan, magenta, yellow, black});
        tagged.resources.push_back({1039, *profile});
        auto reader = openBytes(psdFile(tagged));
        ASSERT_TRUE(reader);
        image = reader->imageAt(0).image;
        ASSERT_TRUE(image);
        EXPECT_EQ(image->colourSpace()->model(), ColourModel::cmyk);
        EXPECT_EQ(image->colourSpace()->iccData(), *profile);
        EXPECT_EQ(pixelAt(*image, 2, 0), (std::vector<int>{255, 0, 0, 0}));
        EXPECT_EQ(*reader->propertiesAt(0)->at(keys::iccProfile).get<Bytes>(), *profile);
    }

    // Lab: L over 0-255, a and b centred on 128.
    image = decoded(psdFile(sampleOf(9, 8, {{255, 0, 138, 128, 128, 128}, {128, 128, 208, 128, 128, 128}, {128, 128, 188, 128, 128, 128}})));
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->colourSpace()->isSRGB());
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(pixelAt(*image, 0, 0)[static_cast<std::size_t>(c)], 255, 2);
        EXPECT_NEAR(pixelAt(*image, 1, 0)[static_cast<std::size_t>(c)], 0, 2);
    }
    const auto red = pixelAt(*image, 2, 0);
    EXPECT_GT(red[0], 200);
    EXPECT_LT(red[1], 60);
}

TEST(PSDReader, CarriesTheProfileExifXmpAndResolutionOfItsImageResources) {
    auto sample = sampleOf(3, 8, {reds, greens, blues});
    const Bytes p3 = displayP3()->iccData();
    Bytes resolution = {0x01, 0x2C, 0, 0, 0, 2, 0, 2, 0x00, 0x96, 0x80, 0, 0, 2, 0, 2}; // 300 and 150.5 ppi
    sample.resources = {{1005, resolution}, {1039, p3}, {1058, exifBlock(true, 6)}, {1028, {0x1C, 2, 0, 0, 2, 0, 4}}};
    auto reader = openBytes(psdFile(sample));
    ASSERT_TRUE(reader);
    auto properties = *reader->propertiesAt(0);
    EXPECT_EQ(integerProperty(properties, keys::orientation), 6);
    EXPECT_EQ(*properties.at(keys::iccProfile).get<Bytes>(), p3);
    EXPECT_EQ(*properties.at(keys::profileName).get<std::string>(), *displayP3()->description());
    EXPECT_TRUE(properties.count(keys::gps));
    EXPECT_TRUE(properties.count(keys::iptc));
    EXPECT_DOUBLE_EQ(*properties.at(keys::dpiWidth).get<double>(), 300.0);
    EXPECT_DOUBLE_EQ(*properties.at(keys::dpiHeight).get<double>(), 150.5);
    EXPECT_EQ(reader->imageAt(0).image->colourSpace()->iccData(), p3);

    // Without EXIF, the XMP packet's orientation holds.
    const std::string xmp = xmpPacket(8);
    sample.resources = {{1060, Bytes(xmp.begin(), xmp.end())}};
    reader = openBytes(psdFile(sample));
    ASSERT_TRUE(reader);
    EXPECT_EQ(integerProperty(*reader->propertiesAt(0), keys::orientation), 8);
    EXPECT_NE(reader->xmpAt(0).value_or(XMPPacket{}).text.find("tiff:Orientation"), std::string::npos);
}

TEST(PSDReader, RefusesDamagedCutShortAndLayerOnlyFilesAndChecksTheBudgetBeforeDecoding) {
    auto sound = sampleOf(3, 8, {reds, greens, blues});
    ASSERT_TRUE(decoded(psdFile(sound)));
    const auto refused = [](PSDSample sample, const std::string& why) {
        SCOPED_TRACE(why);
        EXPECT_FALSE(openBytes(psdFile(sample)));
    };
    auto changed = sound;
    changed.version = 3;
    refused(changed, "a version the format does not have");
    changed = sound;
    changed.withoutMergedImage = true;
    refused(changed, "layers only, no merged image");
    changed = sound;
    changed.resources = {{1057, photoshopVersion(false)}};
    refused(changed, "saved without its composite: a blank stands in the merged image's place");
    changed = sound;
    changed.width = 0;
    refused(changed, "no width");
    changed = sound;
    changed.depth = 32;
    changed.mode = 4;
    refused(changed, "32-bit CMYK");
    changed = sampleOf(2, 8, {reds});
    refused(changed, "indexed without its palette");
    changed = sampleOf(3, 8, {reds, greens});
    refused(changed, "RGB with two channels");

    for (bool packed : {false, true}) {
        auto cut = sound;
        cut.packBits = packed;
        Bytes file = psdFile(cut);
        file.resize(file.size() - 1);
        EXPECT_FALSE(openBytes(file)) << (packed ? "PackBits" : "raw");
    }
    // Row counts that fit the file but code rows that end before their width: the pixels fail.
    Bytes shortRows = psdFile([&] { auto s = sound; s.withoutMergedImage = true; return s; }());
    const Bytes coded = {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0x02, 9, 0x02, 9, 0x02, 9, 0x02, 9, 0x02, 9, 0x02, 9};
    shortRows.insert(shortRows.end(), coded.begin(), coded.end());
    auto reader = openBytes(shortRows);
    ASSERT_TRUE(reader);
    const auto failed = reader->imageAt(0);
    EXPECT_FALSE(failed.image);
    EXPECT_FALSE(failed.exceedsBudget);

    // The declared size reaches the caller, who refuses a side past its limit, before any pixel is decoded.
    auto huge = sampleOf(3, 8, {{0}, {0}, {0}}, 2'000'000, 1);
    reader = openBytes(psdFile(huge));
    ASSERT_TRUE(reader);
    EXPECT_EQ(integerProperty(*reader->propertiesAt(0), keys::pixelWidth), 2'000'000);
    EXPECT_TRUE(reader->imageAt(0, PixelBudget{std::uint64_t{1} << 20}).exceedsBudget);
    reader = openBytes(psdFile(sampleOf(3, 16, {bigEndian16(std::vector<std::uint16_t>(6)), bigEndian16(std::vector<std::uint16_t>(6)),
                                                bigEndian16(std::vector<std::uint16_t>(6))})));
    ASSERT_TRUE(reader);
    EXPECT_TRUE(reader->imageAt(0, PixelBudget{35}).exceedsBudget);
    EXPECT_TRUE(reader->imageAt(0, PixelBudget{36}).image);
}

} // namespace
