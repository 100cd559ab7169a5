#include "ImageEngine/Core/ConversionError.h"
#include "ImageEngine/Core/EncodeConcurrency.h"
#include "ImageEngine/Decoding/ImageIODecoder.h"
#include "support/EncodedSamples.h"
#include "support/ExifSamples.h"
#include "support/IconSamples.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

using namespace pictavo;
using namespace testing_support;
using platform::ContentType;

namespace {

const ImageIODecoder decoder;

ConversionError thrown(const std::function<void()>& call) {
    try {
        call();
    } catch (const ConversionError& error) {
        return error;
    }
    ADD_FAILURE() << "no ConversionError";
    return ConversionError::decodeFailed("none");
}

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
    EXPECT_EQ(properties.pixelWidth, sample.width);
    EXPECT_EQ(properties.pixelHeight, sample.height);
    EXPECT_EQ(properties.orientation, 1u);
    EXPECT_TRUE(properties.hasAlpha);
    EXPECT_EQ(properties.frameCount, 1);
    EXPECT_EQ(properties.pageCount, 1);
    EXPECT_EQ(properties.renditionCount, 1);
    EXPECT_FALSE(properties.isVector);
    EXPECT_EQ(properties.byteCount, static_cast<std::int64_t>(bytes.size()));
    EXPECT_EQ(properties.sourceUTType, ContentType::png());
    EXPECT_FALSE(properties.colourSpaceName);
    ASSERT_TRUE(properties.preserved);
    EXPECT_EQ(platform::integerProperty(properties.preserved->dictionary, platform::keys::pixelWidth), sample.width);
    ASSERT_TRUE(properties.preserved->metadata);
    EXPECT_NE(properties.preserved->metadata->text.find("x:xmpmeta"), std::string::npos);

    const auto decoded = decoder.decode(path);
    ASSERT_TRUE(decoded.asRaster());
    EXPECT_EQ(decoded.asRaster()->image->width(), sample.width);
    EXPECT_FALSE(decoded.allowsUpscale());
}

TEST_F(ImageIODecoderTest, TheTypeComesFromTheContentNotTheName) {
    const auto path = write("really-a-png.jpg", *encodeSample(SampleImage{}, ".png"));
    EXPECT_EQ(decoder.properties(path).sourceUTType, ContentType::png());
}

TEST_F(ImageIODecoderTest, AnimationsCountFramesAndAlwaysDecodeTheFirst) {
    SampleImage animation;
    animation.pages = 12;
    const auto gif = write("twelve.gif", *encodeSample(animation, ".gif"));
    const auto properties = decoder.properties(gif);
    EXPECT_EQ(properties.frameCount, 12);
    EXPECT_EQ(properties.pageCount, 1);
    EXPECT_TRUE(properties.isAnimated());
    const auto fifth = decoder.decode(gif, 5);
    EXPECT_EQ(fifth.properties().frameCount, 12);
    const auto& image = *fifth.asRaster()->image;
    EXPECT_NEAR(red(image, 3, 2), samplePixel(3, 2, 0, 0), 40);

    animation.pages = 3;
    EXPECT_EQ(decoder.properties(write("three.webp", *encodeSample(animation, ".webp[lossless]"))).frameCount, 3);
    const auto apng = write("four.png", withAnimationControl(*encodeSample(SampleImage{}, ".png"), 4));
    EXPECT_EQ(decoder.properties(apng).frameCount, 4);
    EXPECT_TRUE(decoder.decode(apng, 2).asRaster()->image);
}

TEST_F(ImageIODecoderTest, PagesAreDecodedByNumberAndCheckedAgainstTheirCount) {
    const auto path = write("pages.tif", multiSizeTiff({{10, 10}, {20, 15}, {30, 5}}));
    const auto properties = decoder.properties(path);
    EXPECT_EQ(properties.pageCount, 3);
    EXPECT_EQ(properties.frameCount, 1);
    EXPECT_EQ(properties.pixelWidth, 10);
    const auto third = decoder.decode(path, 3);
    EXPECT_EQ(third.properties().pixelWidth, 30);
    EXPECT_EQ(third.properties().pixelHeight, 5);
    EXPECT_EQ(third.asRaster()->image->width(), 30);
    EXPECT_EQ(red(*third.asRaster()->image, 7, 3), samplePixel(7, 3, 0, 2));
    for (std::int64_t page : {0, 4, -1}) {
        const auto error = thrown([&] { decoder.decode(path, page); });
        EXPECT_EQ(error, ConversionError::pageOutOfRange(page, 3));
        EXPECT_EQ(error.errorDescription(), "That page isn't there any more. This file has 3 pages.");
    }
}

TEST_F(ImageIODecoderTest, IconsUseTheirLargestRenditionAndTheEarlierOfEqualOnes) {
    const auto path = write("app.ico", icoFile({{16, false, 32}, {256, true}, {32, false, 24}}));
    const auto properties = decoder.properties(path);
    EXPECT_EQ(properties.renditionCount, 3);
    EXPECT_EQ(properties.pageCount, 1);
    EXPECT_EQ(properties.pixelWidth, 256);
    EXPECT_EQ(decoder.decode(path, 3).asRaster()->image->width(), 256);

    // Two 32 px renditions: the first, whose pixels carry their own alpha, is the one used.
    const auto equal = write("equal.ico", icoFile({{32, false, 32}, {32, false, 24}}));
    const auto decoded = decoder.decode(equal);
    EXPECT_EQ(decoded.asRaster()->image->row(3)[2 * 4 + 3], samplePixel(2, 3, 3));

    SampleImage large;
    large.width = large.height = 128;
    const auto icns = write("app.icns", icnsFile({{"is32", icnsRunLengthRGB(16)}, {"ic07", *encodeSample(large, ".png")}}));
    EXPECT_EQ(decoder.properties(icns).renditionCount, 2);
    EXPECT_EQ(decoder.properties(icns).pixelWidth, 128);
}

TEST_F(ImageIODecoderTest, OrientationsOutsideOneToEightReadAsUpright) {
    for (int stored : {0, 9, 100}) {
        SampleImage sample;
        sample.xmp = xmpPacket(stored);
        EXPECT_EQ(decoder.properties(write("odd.png", *encodeSample(sample, ".png"))).orientation, 1u) << stored;
    }
    for (int stored = 1; stored <= 8; ++stored) {
        SampleImage sample;
        sample.exif = exifBlock(false, stored);
        sample.orientation = stored;
        const auto path = write("turned.jpg", *encodeSample(sample, ".jpg"));
        EXPECT_EQ(decoder.properties(path).orientation, static_cast<std::uint32_t>(stored));
        // The pixels stay as stored.
        EXPECT_EQ(decoder.decode(path).asRaster()->image->width(), sample.width);
    }
}

// A PNG whose header declares another width; its pixel data is never reached.
platform::Bytes pngDeclaring(std::uint32_t width, std::uint32_t height) {
    SampleImage sample;
    sample.width = 1;
    sample.height = 1;
    auto png = *encodeSample(sample, ".png");
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
        png[20 + i] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
    }
    return png;
}

TEST_F(ImageIODecoderTest, ASideAboveAMillionIsTooLargeAndAMillionIsNot) {
    EXPECT_EQ(decoder.properties(write("wide.png", pngDeclaring(1'000'000, 1))).pixelWidth, 1'000'000);
    const auto error = thrown([&] { decoder.properties(write("wider.png", pngDeclaring(1'000'001, 1))); });
    EXPECT_EQ(error, ConversionError::imageTooLarge(1'000'001, 1));
    const auto tall = thrown([&] { decoder.decode(write("tall.png", pngDeclaring(1, 1'000'001))); });
    EXPECT_EQ(tall, ConversionError::imageTooLarge(1, 1'000'001));
}

TEST_F(ImageIODecoderTest, AnImageBeyondThePixelBudgetIsRefusedBeforeItIsDecoded) {
    // 999,999 x 999,999 RGB would take about 3 TB: far beyond any machine's budget, so it
    // must be refused as too large, not attempted and failed as damaged.
    ASSERT_LT(EncodeConcurrency::pixelBudget(), std::int64_t{999'999} * 999'999 * 3);
    const auto path = write("vast.png", pngDeclaring(999'999, 999'999));
    EXPECT_EQ(decoder.properties(path).pixelWidth, 999'999);
    const auto error = thrown([&] { decoder.decode(path); });
    EXPECT_EQ(error, ConversionError::imageTooLarge(999'999, 999'999));
}

TEST_F(ImageIODecoderTest, DamagedTruncatedAndForeignFilesFailWithTheirName) {
    const auto text = std::string("not an image at all");
    const auto path = write("photo.png", platform::Bytes(text.begin(), text.end()));
    EXPECT_EQ(thrown([&] { decoder.properties(path); }), ConversionError::decodeFailed("photo.png"));
    EXPECT_EQ(thrown([&] { decoder.decode(path); }), ConversionError::decodeFailed("photo.png"));

    SampleImage sample;
    sample.width = 64;
    sample.height = 64;
    for (const char* suffix : {".jpg", ".png", ".webp", ".tif", ".gif"}) {
        auto bytes = *encodeSample(sample, suffix);
        bytes.resize(bytes.size() * 2 / 3);
        const auto cut = write(std::string("cut") + suffix, bytes);
        EXPECT_EQ(thrown([&] { decoder.decode(cut); }), ConversionError::decodeFailed(std::string("cut") + suffix))
            << suffix;
    }
}

TEST_F(ImageIODecoderTest, AFileReplacedOnDiskDecodesAsItsNewPixels) {
    SampleImage pages;
    pages.pages = 2;
    const auto path = write("photo.tif", *encodeSample(pages, ".tif"));
    const auto before = decoder.decode(path, 1);
    EXPECT_EQ(red(*before.asRaster()->image, 4, 4), samplePixel(4, 4, 0, 0));
    // The same name, now holding the second page's pixels as its only page.
    write("photo.tif", multiSizeTiff({{9, 7}, {9, 7}}));
    const auto after = decoder.decode(path, 2);
    EXPECT_EQ(red(*after.asRaster()->image, 4, 4), samplePixel(4, 4, 0, 1));
    write("photo.tif", *encodeSample(SampleImage{}, ".png"));
    EXPECT_EQ(decoder.properties(path).sourceUTType, ContentType::png());
}

TEST_F(ImageIODecoderTest, CameraRawIsOneImageWithTheCamerasTurn) {
    const auto path = write("shot.dng", dngFile(32, 24, 6));
    const auto properties = decoder.properties(path);
    EXPECT_EQ(properties.orientation, 6u);
    EXPECT_EQ(properties.sourceUTType, ContentType::withIdentifier("com.adobe.raw-image"));
    EXPECT_EQ(properties.orientedPixelSize(), (platform::Size{24, 32}));
    EXPECT_EQ(decoder.decode(path).asRaster()->image->width(), 32);
}

} // namespace

namespace {

TEST(ImageIODecoderThreads, DecodesFromSeveralThreadsAtOnce) {
    TemporaryFolder folder;
    SampleImage sample;
    sample.width = 120;
    sample.height = 80;
    const std::vector<std::filesystem::path> files{
        folder.write("a.jpg", *encodeSample(sample, ".jpg")), folder.write("b.png", *encodeSample(sample, ".png")),
        folder.write("c.webp", *encodeSample(sample, ".webp")), folder.write("d.tif", *encodeSample(sample, ".tif")),
        folder.write("e.dng", dngFile(40, 30, 1)), folder.write("f.ico", icoFile({{16, false, 32}, {48, true}}))};
    std::vector<std::thread> threads;
    std::atomic<int> decoded{0};
    for (int t = 0; t < 6; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 5; ++round) {
                const auto& file = files[static_cast<std::size_t>((t + round) % files.size())];
                if (decoder.decode(file).asRaster()->image) ++decoded;
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(decoded.load(), 30);
}

} // namespace
