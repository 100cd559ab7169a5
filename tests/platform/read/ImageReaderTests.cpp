#include "platform/read/ImageReader.h"
#include "platform/files/RegularFile.h"
#include "platform/types/ImageTypeIdentifiers.h"
#include "support/ExifSamples.h"
#include "support/EncodedSamples.h"
#include "support/TestImages.h"
#include "support/TemporaryFolder.h"
#include "support/Thrown.h"

#include <gif_lib.h>
#include <vips/vips.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <tuple>

using namespace platform;
using namespace testing_support;

namespace {

std::optional<ImageReader> openBytes(const Bytes& bytes) { return ImageReader::open(std::make_shared<const Bytes>(bytes)); }

std::int64_t intOf(const PropertyMap& map, const char* key) { return integerProperty(map, key).value_or(-1); }

SampleImage sampleOf(int width, int height, int bands = 3, bool sixteenBit = false) {
    SampleImage sample;
    sample.width = width;
    sample.height = height;
    sample.bands = bands;
    sample.sixteenBit = sixteenBit;
    return sample;
}

// A sample whose EXIF block names the orientation.
SampleImage turnedSample(int orientation, bool bigEndian = false) {
    SampleImage sample;
    sample.orientation = orientation;
    sample.exif = exifBlock(bigEndian, orientation);
    return sample;
}

bool boolOf(const PropertyMap& map, const char* key) {
    auto found = map.find(key);
    return found != map.end() && found->second.get<bool>() && *found->second.get<bool>();
}

// Every pixel of the decoded image against the sample pattern, within a tolerance for lossy formats.
void expectSamplePixels(const Image& image, const SampleImage& sample, int page, int tolerance) {
    ASSERT_EQ(std::tuple(image.width(), image.height()), std::tuple(sample.width, sample.height));
    const int scale = image.bitsPerComponent() == 16 ? 257 : 1;
    const bool alpha = sample.bands == 2 || sample.bands == 4;
    int worst = 0;
    for (int y = 0; y < sample.height; ++y)
        for (int x = 0; x < sample.width; ++x) {
            const auto pixel = pixelAt(image, x, y);
            for (int b = 0; b < sample.bands; ++b) {
                const int band = alpha && b == sample.bands - 1 ? 3 : b;
                worst = std::max(worst, std::abs(pixel[b] - samplePixel(x, y, band, page) * scale));
            }
        }
    EXPECT_LE(worst, tolerance * scale);
}

struct FormatCase {
    const char* suffix;
    const char* type;
    int tolerance;                      // 0 for lossless, -1 for float pixels
    bool savedWithTransparency = false; // libvips' GIF saver always names a transparent index
    int bands = 3;
    bool sixteenBit = false;
};

class EveryFormat : public ::testing::TestWithParam<FormatCase> {};

// Threads of the process now.
std::size_t threadCount() {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                                                  std::filesystem::directory_iterator()));
}

// Threads of the process once those that were joined have left /proc: libjxl's runner joins
// its thread before the load returns, yet the kernel may list it a moment longer. A thread kept
// for later, as libvips keeps its workers, is still listed after the wait.
std::size_t threadCountSettledTo(std::size_t expected) {
    for (int attempt = 0; attempt < 100 && threadCount() > expected; ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return threadCount();
}

// Taller than the many strips in which the pixels are computed: each lands where it belongs,
// and the buffer holds exactly the image, nothing after it. They are computed on the calling
// thread: a conversion running on each processor must not bring a libvips worker each.
TEST_P(EveryFormat, ReadsSizeTypeAlphaDepthAndPixelsOfARealFileAndNothingOfACutOne) {
    const auto& format = GetParam();
    const SampleImage sample = sampleOf(33, 1500, format.bands, format.sixteenBit);
    auto bytes = encodeSample(sample, format.suffix);
    if (!bytes) GTEST_SKIP() << "this machine's libvips cannot write " << format.suffix;
    TemporaryFolder folder;
    // The name says JPEG whatever the content is: the reader goes by the bytes.
    auto reader = ImageReader::open(folder.write("misnamed.jpg", *bytes));
    ASSERT_TRUE(reader);
    EXPECT_EQ(std::tuple(reader->typeIdentifier(), reader->count(), reader->hasFrameInfo()), std::tuple(format.type, 1, false));
    auto properties = reader->propertiesAt(0);
    ASSERT_TRUE(properties);
    EXPECT_FALSE(reader->propertiesAt(1));
    const bool alpha = format.savedWithTransparency || format.bands % 2 == 0;
    const int depth = format.tolerance < 0 ? 32 : format.sixteenBit ? 16 : 8;
    EXPECT_EQ(std::tuple(intOf(*properties, keys::pixelWidth), intOf(*properties, keys::pixelHeight),
                         intOf(*properties, keys::orientation), boolOf(*properties, keys::hasAlpha),
                         intOf(*properties, keys::depth)),
              std::tuple(33, 1500, 1, alpha, depth));

    const std::size_t threadsBefore = threadCount();
    auto decoded = reader->imageAt(0);
    // libvips keeps the threads it started for a while: any would still be here.
    EXPECT_LE(threadCountSettledTo(threadsBefore), threadsBefore);
    ASSERT_TRUE(decoded.image);
    EXPECT_FALSE(decoded.exceedsBudget);
    const auto& image = *decoded.image;
    EXPECT_EQ(image.buffer()->size(), image.bytesPerRow() * 1500);
    // Straight alpha, never premultiplied.
    ASSERT_TRUE(image.colourSpace());
    EXPECT_EQ(std::tuple(image.alphaInfo(), image.bitsPerComponent(), image.colourSpace()->model(), image.componentsPerPixel()),
              std::tuple(alpha ? AlphaInfo::last : AlphaInfo::none, depth,
                         format.bands < 3 ? ColourModel::monochrome : ColourModel::rgb,
                         format.bands + (format.savedWithTransparency ? 1 : 0)));
    if (format.tolerance >= 0) {
        expectSamplePixels(image, sample, 0, format.tolerance);
    } else { // linear light, not sRGB, within 0-1
        EXPECT_FALSE(image.colourSpace()->isSRGB());
        float first;
        std::memcpy(&first, image.row(0), sizeof first);
        EXPECT_GT(first, 0.0f);
        EXPECT_LT(first, 1.01f);
    }

    // Cut short, the file gives no image, whatever its header still tells.
    for (double fraction : {0.05, 0.5, 0.9}) {
        auto cut = openBytes(Bytes(bytes->begin(), bytes->begin() + static_cast<std::ptrdiff_t>(bytes->size() * fraction)));
        for (std::int64_t i = 0; cut && i < cut->count(); ++i) {
            cut->propertiesAt(i);
            EXPECT_FALSE(cut->imageAt(i).image) << "cut to " << fraction;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    ImageReader, EveryFormat,
    ::testing::Values(FormatCase{".png", types::png, 0}, FormatCase{".tif", types::tiff, 0},
                      FormatCase{".ppm", types::ppm, 0}, FormatCase{".webp[lossless]", types::webp, 0},
                      FormatCase{".jpg[Q=98]", types::jpeg, 24}, FormatCase{".jp2[lossless]", types::jpeg2000, 0},
                      FormatCase{".jxl[lossless]", types::jpegXL, 0}, FormatCase{".heic[Q=95]", types::heic, 60},
                      FormatCase{".avif[Q=95]", types::avif, 60}, FormatCase{".gif", types::gif, 40, true},
                      FormatCase{".hdr", types::radiance, -1},
                      FormatCase{".png", types::png, 0, false, 4}, FormatCase{".png", types::png, 0, false, 1},
                      FormatCase{".png", types::png, 0, false, 2, true}, FormatCase{".png", types::png, 0, false, 4, true}),
    [](const auto& info) {
        std::string name = info.param.suffix + 1;
        name = name.substr(0, name.find('['));
        if (info.param.bands != 3) name += std::to_string(info.param.bands) + "bands" + (info.param.sixteenBit ? "16bit" : "");
        return name;
    });

TEST(ImageReader, ReadsTheOrientationFromExifOrXmpAndTheGpsDirectoryWithoutTurningThePixels) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const SampleImage sample = turnedSample(orientation, orientation % 2 == 0);
        for (const char* suffix : {".jpg", ".png", ".webp", ".tif"}) {
            SCOPED_TRACE(std::string(suffix) + " orientation " + std::to_string(orientation));
            auto reader = openBytes(*encodeSample(sample, suffix));
            ASSERT_TRUE(reader);
            auto properties = reader->propertiesAt(0);
            ASSERT_TRUE(properties);
            EXPECT_EQ(intOf(*properties, keys::orientation), orientation);
            // Pixels stay as stored: the orientation is reported, not applied.
            auto image = reader->imageAt(0).image;
            ASSERT_TRUE(image);
            EXPECT_EQ(image->width(), sample.width);
            if (std::string(suffix) == ".tif") continue; // TIFF carries its own tags, not an EXIF block
            ASSERT_TRUE(properties->count(keys::exif));
            const auto& exif = *properties->at(keys::exif).get<Bytes>();
            ASSERT_GE(exif.size(), 8u);
            EXPECT_TRUE(exif[0] == 'I' || exif[0] == 'M');
            ASSERT_TRUE(properties->count(keys::gps));
            EXPECT_EQ(*properties->at(keys::gps).get<PropertyMap>()->at("LatitudeRef").get<std::string>(), "N");
        }
    }
    EXPECT_FALSE(openBytes(*encodeSample(SampleImage{}, ".jpg"))->propertiesAt(0)->count(keys::gps));

    // Without EXIF, the XMP packet names it.
    SampleImage withXmp;
    withXmp.xmp = xmpPacket(7);
    auto reader = openBytes(*encodeSample(withXmp, ".png"));
    ASSERT_TRUE(reader);
    EXPECT_EQ(intOf(*reader->propertiesAt(0), keys::orientation), 7);
    EXPECT_NE(reader->xmpAt(0).value_or(XMPPacket{""}).text.find("tiff:Orientation"), std::string::npos);
    EXPECT_FALSE(openBytes(*encodeSample(SampleImage{}, ".png"))->xmpAt(0));

    // libheif turns HEIF pixels upright itself, so the orientation read is always 1.
    if (auto heic = encodeSample(turnedSample(6), ".heic")) {
        EXPECT_EQ(intOf(*openBytes(*heic)->propertiesAt(0), keys::orientation), 1);
    }
}

TEST(ImageReader, NamesTheEmbeddedProfileAndTagsThePixelsWithIt) {
    SampleImage sample;
    sample.icc = displayP3()->iccData();
    sample.dpi = 300;
    auto reader = openBytes(*encodeSample(sample, ".png"));
    ASSERT_TRUE(reader);
    auto properties = *reader->propertiesAt(0);
    EXPECT_EQ(*properties.at(keys::profileName).get<std::string>(), "Display P3");
    EXPECT_EQ(*properties.at(keys::iccProfile).get<Bytes>(), *sample.icc);
    EXPECT_NEAR(*properties.at(keys::dpiWidth).get<double>(), 300, 0.5);
    EXPECT_EQ(reader->imageAt(0).image->colourSpace()->description().value_or(""), "Display P3");

    auto untagged = openBytes(*encodeSample(SampleImage{}, ".jpg"));
    EXPECT_EQ(untagged->propertiesAt(0)->count(keys::profileName) + untagged->propertiesAt(0)->count(keys::dpiWidth), 0u);
    EXPECT_TRUE(untagged->imageAt(0).image->colourSpace()->isSRGB());
}

TEST(ImageReader, CountsAnimationFramesAndMarksThemAsFrames) {
    SampleImage animation;
    animation.pages = 12;
    auto gif = openBytes(*encodeSample(animation, ".gif"));
    ASSERT_TRUE(gif);
    EXPECT_EQ(std::tuple(gif->count(), gif->hasFrameInfo()), std::tuple(std::int64_t{12}, true));
    EXPECT_EQ(intOf(*gif->propertiesAt(11), keys::pixelHeight), animation.height);

    animation.pages = 3;
    const SampleImage still;
    const std::tuple<Bytes, int, const SampleImage*> animations[] = {
        {*encodeSample(animation, ".webp[lossless]"), 3, &animation},
        {withAnimationControl(*encodeSample(still, ".png"), 4), 4, &still}};
    for (const auto& [bytes, frames, sample] : animations) {
        auto reader = openBytes(bytes);
        ASSERT_TRUE(reader);
        EXPECT_EQ(std::tuple(reader->count(), reader->hasFrameInfo()), std::tuple(std::int64_t{frames}, true));
        auto first = reader->imageAt(0).image;
        ASSERT_TRUE(first);
        expectSamplePixels(*first, *sample, 0, 0);
    }
}

// A GIF written with giflib, with no graphic control extension at all.
Bytes opaqueGif() {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, [](GifFileType* file, const GifByteType* data, int length) {
        auto* target = static_cast<Bytes*>(file->UserData);
        target->insert(target->end(), data, data + length);
        return length;
    }, &error);
    GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifPutScreenDesc(gif, 4, 2, 2, 0, map);
    EGifPutImageDesc(gif, 0, 0, 4, 2, false, nullptr);
    GifPixelType row1[4] = {0, 1, 2, 3}, row2[4] = {3, 2, 1, 0};
    EGifPutLine(gif, row1, 4);
    EGifPutLine(gif, row2, 4);
    GifFreeMapObject(map);
    EGifCloseFile(gif, &error);
    return out;
}

TEST(ImageReader, AGifWithoutATransparentIndexIsOpaque) {
    auto reader = openBytes(opaqueGif());
    ASSERT_TRUE(reader);
    EXPECT_FALSE(boolOf(*reader->propertiesAt(0), keys::hasAlpha));
    auto image = reader->imageAt(0).image;
    ASSERT_TRUE(image);
    // Three components, as the palette says.
    EXPECT_EQ(std::tuple(image->alphaInfo(), pixelAt(*image, 1, 0), pixelAt(*image, 0, 1)),
              std::tuple(AlphaInfo::none, std::vector<int>{255, 0, 0}, std::vector<int>{0, 0, 255}));
}

TEST(ImageReader, RefusesAnImageOverTheBudgetBeforeDecodingIt) {
    auto reader = openBytes(*encodeSample(sampleOf(100, 50), ".png"));
    ASSERT_TRUE(reader);
    auto refused = reader->imageAt(0, PixelBudget{100 * 50 * 3 - 1});
    EXPECT_TRUE(!refused.image && refused.exceedsBudget);
    auto admitted = reader->imageAt(0, PixelBudget{100 * 50 * 3});
    EXPECT_TRUE(admitted.image && !admitted.exceedsBudget);

    // Wider than libpng's default limit of 1,000,000 pixels: the size is still read. IHDR's
    // width is patched; the pixel data no longer matches, which a refusal by size never reaches.
    auto huge = *encodeSample(SampleImage{}, ".png");
    const std::uint32_t width = 1'000'001;
    for (int i = 0; i < 4; ++i) huge[16 + i] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
    reader = openBytes(huge);
    ASSERT_TRUE(reader);
    EXPECT_EQ(intOf(*reader->propertiesAt(0), keys::pixelWidth), width);
    refused = reader->imageAt(0, PixelBudget{20'000'000});
    EXPECT_TRUE(!refused.image && refused.exceedsBudget);
}

TEST(ImageReader, ReadsEachPageOfAMultiPageTiffAndAFileReplacedOnDiskAsItsNewPixels) {
    TemporaryFolder folder;
    const auto path = folder.write("photo.png", *encodeSample(SampleImage{}, ".png"));
    ASSERT_TRUE(ImageReader::open(path)->imageAt(0).image);
    SampleImage pages;
    pages.pages = 3; // each page's pattern differs everywhere
    folder.write("photo.png", *encodeSample(pages, ".tif"));
    auto reader = ImageReader::open(path);
    ASSERT_TRUE(reader);
    EXPECT_EQ(std::tuple(reader->typeIdentifier(), reader->count(), reader->hasFrameInfo()), std::tuple(types::tiff, 3, false));
    for (int page = 0; page < 3; ++page) {
        auto image = reader->imageAt(page).image;
        ASSERT_TRUE(image);
        expectSamplePixels(*image, pages, page, 0);
    }
    EXPECT_FALSE(reader->imageAt(3).image);
    EXPECT_FALSE(reader->imageAt(-1).image);
}

TEST(ImageReader, InkImagesWithoutAProfileAreReadAsSRGB) {
    SampleImage cmyk;
    cmyk.bands = 4;
    cmyk.cmyk = true;
    for (const char* suffix : {".jpg[Q=95]", ".tif"}) {
        SCOPED_TRACE(suffix);
        auto reader = openBytes(*encodeSample(cmyk, suffix));
        ASSERT_TRUE(reader);
        EXPECT_FALSE(boolOf(*reader->propertiesAt(0), keys::hasAlpha));
        auto image = reader->imageAt(0).image;
        ASSERT_TRUE(image);
        EXPECT_EQ(std::tuple(image->componentsPerPixel(), image->alphaInfo()), std::tuple(3, AlphaInfo::none));
        EXPECT_TRUE(image->colourSpace()->isSRGB());
        EXPECT_GT(pixelAt(*image, 0, 0)[0], 0); // no ink at all is white paper
    }
}

// The OpenEXR library loads pixels from a file when they are asked for, long after the file
// was opened: it reads the file that was opened, never a pipe put at its path since, which
// would hold it until someone wrote to the pipe.
TEST(ImageReader, OpenEXRIsReadAsLinearFloatFromTheFileOpenedNotFromWhatTookItsPath) {
    TemporaryFolder folder;
    const auto bytes = openEXRFile(6, 4);
    const auto path = folder.write("light.exr", bytes);
    auto reader = ImageReader::open(path);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->typeIdentifier(), types::openEXR);
    EXPECT_EQ(intOf(*reader->propertiesAt(0), keys::pixelWidth), 6);
    const auto pipe = folder.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::filesystem::rename(pipe, path);
    auto image = reader->imageAt(0).image;
    ASSERT_TRUE(image);
    EXPECT_EQ(std::tuple(image->bitsPerComponent(), image->colourComponents()), std::tuple(32, 3));
    EXPECT_EQ(pixelAt(*image, 3, 2)[1], samplePixel(3, 2, 1)); // through half floats
    // Opening the path anew meets the pipe, which is no damaged image but no file at all.
    const auto refused = thrown<FileError>([&] { ImageReader::open(path); });
    EXPECT_TRUE(refused && isNotARegularFile(*refused));
    // From memory there is no file to hand to the OpenEXR library.
    EXPECT_FALSE(openBytes(bytes));
    for (std::size_t length : {bytes.size() / 10, bytes.size() / 2, bytes.size() - 8}) {
        auto cut = ImageReader::open(folder.write("cut.exr", Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length))));
        EXPECT_FALSE(cut && cut->imageAt(0).image) << length;
    }
}

// Bytes that hold no image give no reader; a file that cannot be read gives its read error,
// for the caller to tell a missing or unreadable file from a damaged one.
TEST(ImageReader, BytesThatAreNoImageGiveNoReaderAndMissingFilesTheirReadError) {
    EXPECT_FALSE(openBytes(Bytes{'h', 'e', 'l', 'l', 'o'}));
    EXPECT_FALSE(openBytes(Bytes{}));
    TemporaryFolder folder;
    const auto missing = thrown<FileError>([&] { ImageReader::open(folder.file("missing.png")); });
    ASSERT_TRUE(missing);
    EXPECT_EQ(std::tuple(missing->errorNumber(), isNotARegularFile(*missing)), std::tuple(ENOENT, false));
}

TEST(CameraRawReader, ReadsADngWithTheCamerasTurnAsOrientationAndPixelsAsStored) {
    for (int turn : {1, 3, 6, 8}) {
        SCOPED_TRACE(turn);
        auto reader = openBytes(dngFile(32, 24, turn));
        ASSERT_TRUE(reader);
        EXPECT_EQ(std::tuple(reader->typeIdentifier(), reader->count()), std::tuple(types::dng, 1));
        auto properties = *reader->propertiesAt(0);
        EXPECT_EQ(std::tuple(intOf(properties, keys::orientation), intOf(properties, keys::pixelWidth),
                             intOf(properties, keys::pixelHeight)),
                  std::tuple(turn, 32, 24));
        auto image = reader->imageAt(0).image;
        ASSERT_TRUE(image);
        EXPECT_EQ(std::tuple(image->width(), image->height(), image->bitsPerComponent()), std::tuple(32, 24, 16));
        EXPECT_TRUE(image->colourSpace()->isSRGB());
    }
    EXPECT_TRUE(openBytes(dngFile(32, 24, 1))->imageAt(0, PixelBudget{32 * 24 * 6 - 1}).exceedsBudget);
}

// Cameras put a thumbnail first and the raw picture in a sub-directory: the picture is the
// raw one, counted with the raw data and the picture libraw develops beside the bitmap.
TEST(CameraRawReader, ADngBehindAThumbnailIsReadAndCountedAsItsRawPicture) {
    auto reader = openBytes(dngFile(300, 200, 6, true));
    ASSERT_TRUE(reader);
    const auto properties = *reader->propertiesAt(0);
    EXPECT_EQ(std::tuple(reader->typeIdentifier(), intOf(properties, keys::pixelWidth),
                         intOf(properties, keys::pixelHeight), intOf(properties, keys::orientation)),
              std::tuple(types::dng, 300, 200, 6));
    std::optional<PixelCost> counted;
    PixelBudget budget;
    budget.grant = [&](const PixelCost& cost) {
        counted = cost;
        return true;
    };
    const auto image = reader->imageAt(0, budget).image;
    ASSERT_TRUE(image && counted);
    EXPECT_EQ(std::tuple(image->width(), image->height()), std::tuple(300, 200));
    EXPECT_EQ(counted->pixelBytes, 300u * 200 * 6);
    // Three 16-bit raw samples a pixel, held as four, and libraw's own four a pixel.
    EXPECT_GE(counted->workingBytes, 300u * 200 * (8 + 8));
}

TEST(ImageReader, NetpbmSamplesAreScaledFromTheirMaxvalToTheFullRangeWithCommentsAnywhereInTheHeader) {
    const std::string grey = "P5\n# made by hand\n4 # wide\n1\n#\n15\n";
    Bytes bytes(grey.begin(), grey.end());
    for (std::uint8_t sample : {0, 5, 10, 15}) bytes.push_back(sample);
    auto reader = openBytes(bytes);
    ASSERT_TRUE(reader);
    auto image = reader->imageAt(0).image;
    ASSERT_TRUE(image);
    ASSERT_EQ(image->bitsPerComponent(), 8);
    EXPECT_EQ(Bytes(image->data(), image->data() + 4), (Bytes{0, 85, 170, 255}));

    const std::string deep = "P5 2 1 1000\n";
    bytes.assign(deep.begin(), deep.end());
    for (std::uint8_t byte : {0x01, 0xF4, 0x03, 0xE8}) bytes.push_back(byte); // 500 and 1000, big-endian
    reader = openBytes(bytes);
    ASSERT_TRUE(reader);
    image = reader->imageAt(0).image;
    ASSERT_TRUE(image);
    ASSERT_EQ(image->bitsPerComponent(), 16);
    std::uint16_t samples[2];
    std::memcpy(samples, image->data(), sizeof samples);
    EXPECT_EQ(std::tuple(samples[0], samples[1]), std::tuple(32768, 65535));
}

TEST(ImageReader, NeverHandsAFileToALoaderOutsideItsAllowList) {
    // An SVG is no raster image to this reader, and libvips' own SVG loader stays blocked.
    const std::string svg = "<svg xmlns='http://www.w3.org/2000/svg' width='4' height='4'/>";
    EXPECT_FALSE(openBytes(Bytes(svg.begin(), svg.end())));
    ImageReader::readableTypeIdentifiers(); // starts libvips as the reader sets it up
    VipsImage* image = nullptr;
    EXPECT_NE(vips_svgload_buffer(const_cast<char*>(svg.data()), svg.size(), &image, nullptr), 0);
    EXPECT_EQ(image, nullptr);
    vips_error_clear();
}

} // namespace
