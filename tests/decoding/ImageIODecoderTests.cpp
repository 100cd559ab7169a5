#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Running/EncodeConcurrency.h"
#include "ImageEngine/Decoding/ImageIODecoder.h"
#include "support/ConversionErrorCapture.h"
#include "support/EncodedSamples.h"
#include "support/ExifSamples.h"
#include "support/IconSamples.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>
#include <thread>

using namespace pictavo;
using namespace testing_support;
using platform::ContentType;

namespace {

const ImageIODecoder decoder;

int red(const platform::Image& image, int x, int y) { return image.row(y)[x * image.componentsPerPixel()]; }

class ImageIODecoderTest : public ::testing::Test {
protected:
    std::filesystem::path write(const std::string& name, const platform::Bytes& bytes) { return folder.write(name, bytes); }
    TemporaryFolder folder;
};

TEST_F(ImageIODecoderTest, AStillImageIsSingleWithEveryPropertyFilledIn) {
    SampleImage sample;
    sample.bands = 4;
    sample.xmp = xmpPacket(std::nullopt);
    const auto bytes = *encodeSample(sample, ".png");
    const auto path = write("still.png", bytes);
    const auto properties = decoder.properties(path);
    EXPECT_EQ(std::tuple(properties.pixelWidth, properties.pixelHeight, properties.orientation, properties.hasAlpha,
                         properties.frameCount, properties.pageCount, properties.renditionCount, properties.isVector,
                         properties.byteCount),
              std::tuple(sample.width, sample.height, 1u, true, 1, 1, 1, false, static_cast<std::int64_t>(bytes.size())));
    EXPECT_EQ(properties.sourceUTType, ContentType::png());
    EXPECT_FALSE(properties.colourSpaceName);
    ASSERT_TRUE(properties.preserved && properties.preserved->metadata);
    EXPECT_EQ(platform::integerProperty(properties.preserved->dictionary, platform::keys::pixelWidth), sample.width);
    EXPECT_NE(properties.preserved->metadata->text.find("x:xmpmeta"), std::string::npos);

    const auto decoded = decoder.decode(path);
    ASSERT_TRUE(decoded.asRaster());
    EXPECT_EQ(decoded.asRaster()->image->width(), sample.width);
    EXPECT_FALSE(decoded.allowsUpscale());
}

TEST_F(ImageIODecoderTest, AnimationsCountFramesAndAlwaysDecodeTheFirst) {
    SampleImage animation;
    animation.pages = 12;
    const auto gif = write("twelve.gif", *encodeSample(animation, ".gif"));
    const auto properties = decoder.properties(gif);
    EXPECT_EQ(std::tuple(properties.frameCount, properties.pageCount, properties.isAnimated()), std::tuple(12, 1, true));
    const auto fifth = decoder.decode(gif, 5);
    EXPECT_EQ(fifth.properties().frameCount, 12);
    EXPECT_NEAR(red(*fifth.asRaster()->image, 3, 2), samplePixel(3, 2, 0, 0), 40);

    const auto apng = write("four.png", withAnimationControl(*encodeSample(SampleImage{}, ".png"), 4));
    EXPECT_EQ(decoder.properties(apng).frameCount, 4);
    EXPECT_TRUE(decoder.decode(apng, 2).asRaster()->image);
}

TEST_F(ImageIODecoderTest, PagesAreDecodedByNumberAndCheckedAgainstTheirCount) {
    const auto path = write("pages.tif", multiSizeTiff({{10, 10}, {20, 15}, {30, 5}}));
    const auto properties = decoder.properties(path);
    EXPECT_EQ(std::tuple(properties.pageCount, properties.frameCount, properties.pixelWidth), std::tuple(3, 1, 10));
    const auto third = decoder.decode(path, 3);
    EXPECT_EQ(third.properties().pixelSize(), (platform::Size{30, 5}));
    EXPECT_EQ(third.asRaster()->image->width(), 30);
    EXPECT_EQ(red(*third.asRaster()->image, 7, 3), samplePixel(7, 3, 0, 2));
    for (std::int64_t page : {0, 4, -1}) {
        const auto error = thrownBy([&] { decoder.decode(path, page); });
        EXPECT_EQ(error, ConversionError::pageOutOfRange(page, 3));
        EXPECT_EQ(error.errorDescription(), "That page isn't there any more. This file has 3 pages.");
    }
}

TEST_F(ImageIODecoderTest, IconsUseTheirLargestRenditionAndTheEarlierOfEqualOnes) {
    const auto path = write("app.ico", icoFile({{16, false, 32}, {256, true}, {32, false, 24}}));
    const auto properties = decoder.properties(path);
    EXPECT_EQ(std::tuple(properties.renditionCount, properties.pageCount, properties.pixelWidth), std::tuple(3, 1, 256));
    EXPECT_EQ(decoder.decode(path, 3).asRaster()->image->width(), 256);

    // Two 32 px renditions: the first, whose pixels carry their own alpha, is the one used.
    const auto equal = write("equal.ico", icoFile({{32, false, 32}, {32, false, 24}}));
    EXPECT_EQ(decoder.decode(equal).asRaster()->image->row(3)[2 * 4 + 3], samplePixel(2, 3, 3));

    SampleImage large;
    large.width = large.height = 128;
    const auto icns = decoder.properties(write("app.icns", icnsFile({{"is32", icnsRunLengthRGB(16)}, {"ic07", *encodeSample(large, ".png")}})));
    EXPECT_EQ(std::tuple(icns.renditionCount, icns.pixelWidth), std::tuple(2, 128));
}

TEST_F(ImageIODecoderTest, OrientationsOutsideOneToEightReadAsUpright) {
    for (const auto& [stored, read] : {std::pair{0, 1u}, {9, 1u}, {100, 1u}, {8, 8u}, {3, 3u}}) {
        SampleImage sample;
        sample.xmp = xmpPacket(stored);
        EXPECT_EQ(decoder.properties(write("turned.png", *encodeSample(sample, ".png"))).orientation, read) << stored;
    }
}

TEST_F(ImageIODecoderTest, DamagedFilesFailWithTheirNameAndSidesAboveAMillionOrBeyondThePixelBudgetAreTooLarge) {
    const auto file = [](const std::string& header) {
        platform::Bytes bytes(header.begin(), header.end());
        bytes.resize(bytes.size() + 64, 0x40);
        return bytes;
    };
    // Netpbm headers with impossible sizes or maxvals, and a file that is no image at all.
    for (const std::string header : {"P6\n0 0\n255\n", "P6\n-1 -1\n255\n", "P5\n4 0\n255\n", "P5\n4 2\n0\n",
                                     "P5\n4 2\n-1\n", "P5\n4 2\n65536\n", "P2\n4 2\n2x5\n", "P4\n+8 1\n",
                                     "PF\n2 2\n0\n", "Pf\n2 2\nnan\n", "P6\n4 # cut short", "not an image at all"}) {
        SCOPED_TRACE(header);
        const auto path = write("hazard.png", file(header));
        EXPECT_EQ(thrownBy([&] { decoder.properties(path); }), ConversionError::decodeFailed("hazard.png"));
        EXPECT_EQ(thrownBy([&] { decoder.decode(path); }), ConversionError::decodeFailed("hazard.png"));
    }
    // Cut JPEG, PNG, WebP and GIF files are checked with the threads below.
    SampleImage sample;
    sample.width = sample.height = 64;
    auto tiff = *encodeSample(sample, ".tif");
    tiff.resize(tiff.size() * 2 / 3);
    EXPECT_EQ(thrownBy([&] { decoder.decode(write("cut.tif", tiff)); }), ConversionError::decodeFailed("cut.tif"));

    // Each side is held to a million on its own, before the pixel budget is reckoned.
    EXPECT_EQ(decoder.properties(write("wide.png", pngDeclaring(1'000'000))).pixelWidth, 1'000'000);
    EXPECT_EQ(thrownBy([&] { decoder.properties(write("wider.png", pngDeclaring(1'000'001))); }),
              ConversionError::imageTooLarge(1'000'001, 1'000'001));
    EXPECT_EQ(thrownBy([&] { decoder.decode(write("tall.pgm", file("P5\n10 2222222220\n255\n"))); }),
              ConversionError::imageTooLarge(10, 2'222'222'220));
    EXPECT_EQ(thrownBy([&] { decoder.decode(write("wide.ppm", file("P6\n# far too wide\n99999999999999999999999 1\n255\n"))); }),
              ConversionError::imageTooLarge(1e18, 1));
    // 999,999 x 999,999 RGB would take about 3 TB: far beyond any machine's budget, so it
    // must be refused as too large before anything is decoded, not attempted and failed as damaged.
    ASSERT_LT(EncodeConcurrency::pixelBudget(), std::int64_t{999'999} * 999'999 * 3);
    for (const auto& vast : {write("vast.png", pngDeclaring(999'999)), write("vast.ppm", file("P6\n999999 999999\n65535\n"))}) {
        EXPECT_EQ(decoder.properties(vast).pixelWidth, 999'999);
        EXPECT_EQ(thrownBy([&] { decoder.decode(vast); }), ConversionError::imageTooLarge(999'999, 999'999));
    }
}

TEST_F(ImageIODecoderTest, AFileReplacedOnDiskDecodesAsItsNewPixelsAndType) {
    SampleImage pages;
    pages.pages = 2;
    const auto path = write("photo.tif", *encodeSample(pages, ".tif"));
    EXPECT_EQ(red(*decoder.decode(path, 1).asRaster()->image, 4, 4), samplePixel(4, 4, 0, 0));
    // The same name, now holding the second page's pixels as its only page.
    write("photo.tif", multiSizeTiff({{9, 7}, {9, 7}}));
    EXPECT_EQ(red(*decoder.decode(path, 2).asRaster()->image, 4, 4), samplePixel(4, 4, 0, 1));
    // The type comes from the content, not the name.
    write("photo.tif", *encodeSample(SampleImage{}, ".png"));
    EXPECT_EQ(decoder.properties(path).sourceUTType, ContentType::png());
}

TEST_F(ImageIODecoderTest, CameraRawIsOneImageWithTheCamerasTurn) {
    const auto path = write("shot.dng", dngFile(32, 24, 6));
    const auto properties = decoder.properties(path);
    EXPECT_EQ(std::tuple(properties.orientation, properties.orientedPixelSize()), std::tuple(6u, platform::Size{24, 32}));
    EXPECT_EQ(properties.sourceUTType, ContentType::withIdentifier("com.adobe.raw-image"));
    EXPECT_EQ(decoder.decode(path).asRaster()->image->width(), 32);
}

// libvips keeps one error buffer for the whole process. Damaged files of four formats fail
// on several threads at once while good files of six formats decode beside them: each
// failure still carries exactly the cause its own file gives when it is decoded alone,
// never another file's words and never none.
TEST_F(ImageIODecoderTest, EachFailureCarriesItsOwnFilesCauseWhileOthersDecodeAtOnce) {
    SampleImage sample;
    sample.width = 96;
    sample.height = 64;
    std::vector<std::filesystem::path> damaged;
    for (const char* suffix : {".jpg", ".png", ".webp", ".gif"}) {
        auto bytes = *encodeSample(sample, suffix);
        bytes.resize(bytes.size() * 2 / 3);
        damaged.push_back(write(std::string("cut") + suffix, bytes));
    }
    const std::vector<std::filesystem::path> good{
        write("good.jpg", *encodeSample(sample, ".jpg")), write("good.png", *encodeSample(sample, ".png")),
        write("good.webp", *encodeSample(sample, ".webp")), write("good.tif", *encodeSample(sample, ".tif")),
        write("good.dng", dngFile(40, 30, 1)), write("good.ico", icoFile({{16, false, 32}, {48, true}}))};
    std::map<std::filesystem::path, std::string> alone;
    for (const auto& path : damaged) {
        const auto error = thrownBy([&] { decoder.decode(path); });
        EXPECT_EQ(error, ConversionError::decodeFailed(path.filename().string()));
        alone[path] = error.cause();
        ASSERT_NE(alone[path].find("libvips: "), std::string::npos) << path;
    }
    // Every cause differs from the others, so a borrowed one would show.
    std::set<std::string> distinct;
    for (const auto& [path, cause] : alone) distinct.insert(cause);
    ASSERT_EQ(distinct.size(), damaged.size());

    constexpr int threadCount = 8, rounds = 40;
    std::vector<std::vector<std::string>> wrong(threadCount);
    std::atomic<int> goodDecoded{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < rounds; ++round) {
                if ((t + round) % 2 == 0) {
                    const auto& path = good[static_cast<std::size_t>(round + t) % good.size()];
                    if (decoder.decode(path).asRaster()->image) ++goodDecoded;
                    continue;
                }
                const auto& path = damaged[static_cast<std::size_t>(round + t) % damaged.size()];
                std::string cause;
                try {
                    decoder.decode(path);
                    cause = "decoded";
                } catch (const ConversionError& error) {
                    cause = error.cause();
                }
                if (cause != alone.at(path)) wrong[t].push_back(path.filename().string() + ": " + cause);
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(goodDecoded.load(), threadCount * rounds / 2);
    for (const auto& mistakes : wrong)
        for (const auto& mistake : mistakes) ADD_FAILURE() << mistake;
}

} // namespace
