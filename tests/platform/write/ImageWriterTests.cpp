#include "platform/metadata/ExifOrientation.h"
#include "platform/metadata/IPTCRecords.h"
#include "platform/write/ImageWriter.h"
#include "support/ExifSamples.h"
#include "support/SampleImages.h"
#include "support/TestImages.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <tuple>
#include <gtest/gtest.h>
#include <poppler.h>

using namespace platform;
using namespace testing_support;

namespace {

std::optional<Bytes> write(const std::string& type, std::vector<ImageRef> images, const WriterProperties& properties = {}) {
    return ImageWriter::write(type, images, properties);
}

// The file written, read back by libvips; nothing when either step fails.
std::optional<ReadBack> writtenAndRead(const std::string& type, std::vector<ImageRef> images,
                                       const WriterProperties& properties = {}) {
    const auto file = write(type, std::move(images), properties);
    return file ? readWithVips(*file) : std::nullopt;
}

// Carried metadata as a decoder would hand it over: EXIF with orientation 6 and a GPS
// IFD, XMP with orientation 6, a Display P3 profile that is not the image's, 300 dpi.
struct CarriedSource {
    PropertyMap properties;
    XMPPacket xmp{xmpPacket(6)};
    CarriedSource() {
        properties[keys::exif] = exifBlock(true, 6);
        properties[keys::iccProfile] = displayP3()->iccData();
        properties[keys::orientation] = 6;
        properties[keys::dpiWidth] = 300.0;
        properties[keys::dpiHeight] = 300.0;
    }
    WriterProperties writerProperties(std::uint32_t orientation = 1) const {
        WriterProperties p;
        p.orientation = orientation;
        p.properties = &properties;
        p.xmp = &xmp;
        return p;
    }
};

} // namespace

TEST(ImageWriter, RefusesWhatItCannotWrite) {
    const auto image = solidImage(8, 8, 10, 20, 30);
    EXPECT_FALSE(write("com.brackwen.pictavobyfenwid.same-as-source", {image}));
    EXPECT_FALSE(write("public.unknown", {image}));
    EXPECT_FALSE(write("public.png", {}));
    // A format that holds one image refuses several rather than writing the first.
    for (const char* single : {"public.png", "public.jpeg", "public.jpeg-2000", "com.microsoft.bmp"})
        EXPECT_FALSE(write(single, {image, image})) << single;
}

TEST(ImageWriter, PngKeepsEveryPixelOfEveryLayoutWithStraightAlpha) {
    struct Case {
        int bits, components;
        AlphaInfo alpha;
        int bands;
    };
    const Case cases[] = {
        {8, 1, AlphaInfo::none, 1},          {8, 2, AlphaInfo::last, 2},         {8, 3, AlphaInfo::none, 3},
        {8, 4, AlphaInfo::last, 4},          {8, 4, AlphaInfo::first, 4},        {8, 4, AlphaInfo::noneSkipLast, 3},
        {8, 4, AlphaInfo::noneSkipFirst, 3}, {8, 4, AlphaInfo::premultipliedLast, 4},
        {16, 1, AlphaInfo::none, 1},         {16, 3, AlphaInfo::none, 3},        {16, 4, AlphaInfo::last, 4},
        {16, 4, AlphaInfo::premultipliedFirst, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits, " + std::to_string(c.components) + " components, alpha " +
                     std::to_string(static_cast<int>(c.alpha)));
        const auto image = patternImage(19, 7, c.bits, c.components, c.alpha);
        ASSERT_TRUE(image);
        const auto back = writtenAndRead("public.png", {image});
        ASSERT_TRUE(back);
        EXPECT_EQ(std::tuple(back->width, back->height, back->bands, back->bitsPerComponent), std::tuple(19, 7, c.bands, c.bits));
        EXPECT_EQ(back->pixels, packedPixels(*image));
    }
}

TEST(ImageWriter, PngCarriesItsOwnProfileAndTheMetadataWithOrientationRewrittenOrDropsIt) {
    const CarriedSource source;
    const auto image = patternImage(16, 12, 8, 3, AlphaInfo::none, ColourSpace::sRGB());
    const auto back = writtenAndRead("public.png", {image}, source.writerProperties(1));
    ASSERT_TRUE(back);
    // The profile is the image's own, never the one the source carried.
    EXPECT_EQ(back->icc, ColourSpace::sRGB()->iccData());
    const auto tags = exifTags(back->exif);
    EXPECT_EQ(tags.at("Exif.Image.Orientation"), "1");
    EXPECT_EQ(tags.at("Exif.Image.Make"), "Pictavo Test Camera");
    EXPECT_EQ(tags.at("Exif.GPSInfo.GPSLatitudeRef"), "N");
    EXPECT_NE(back->xmp.find("tiff:Orientation=\"1\""), std::string::npos);
    EXPECT_EQ(back->xmp.find("tiff:Orientation=\"6\""), std::string::npos);
    EXPECT_NEAR(back->dpi, 300, 0.5);

    // Metadata whose orientation cannot be rewritten is dropped rather than carried wrong.
    PropertyMap damaged;
    damaged[keys::exif] = Bytes{'I', 'I', 42, 0, 200, 0, 0, 0, 1, 2}; // IFD0 outside the block
    const XMPPacket unreadable{"<x:xmpmeta><tiff:Orientation>6"};
    WriterProperties writer;
    writer.properties = &damaged;
    writer.xmp = &unreadable;
    const auto dropped = writtenAndRead("public.png", {solidImage(4, 4, 1, 2, 3)}, writer);
    ASSERT_TRUE(dropped);
    EXPECT_TRUE(dropped->exif.empty() && dropped->xmp.empty());
}

TEST(ImageWriter, PngCarriesTheCommentAsUTF8OnlyWhenItIsUTF8BeyondASCIIAndElseAsLatin1WithoutZeroBytes) {
    using namespace std::string_literals;
    const std::pair<std::string, std::string> cases[] = {
        {"Created with GIMP", "tEXtComment\0Created with GIMP"s},
        {"S\xC3\xA8te", "iTXtComment\0\0\0\0\0S\xC3\xA8te"s},
        {"S\xE8te\0!"s, "tEXtComment\0S\xE8te!"s}};
    for (const auto& [comment, chunk] : cases) {
        PropertyMap carried;
        carried[keys::comment] = Bytes(comment.begin(), comment.end());
        WriterProperties properties;
        properties.properties = &carried;
        const auto file = write("public.png", {solidImage(4, 4, 1, 2, 3)}, properties);
        ASSERT_TRUE(file);
        const Bytes expected(chunk.begin(), chunk.end());
        EXPECT_NE(std::search(file->begin(), file->end(), expected.begin(), expected.end()), file->end()) << chunk;
    }
}

TEST(ImageWriter, LossyFormatsWriteTheSizeTheImagesProfileAndTheRewrittenMetadataAndQualityMatters) {
    struct Case {
        const char* type;
        int bands;
        bool severalImages;
    };
    const CarriedSource source;
    const auto image = patternImage(64, 48, 8, 4, AlphaInfo::last, displayP3());
    for (const auto& [type, bands, severalImages] : {Case{"public.jpeg", 3, false}, Case{"public.jpeg-2000", 3, false},
                                                     Case{"public.heic", 4, true}, Case{"public.avif", 4, true}}) {
        SCOPED_TRACE(type);
        auto properties = source.writerProperties(1);
        properties.lossyQuality = 0.1;
        const auto small = write(type, {image}, properties);
        properties.lossyQuality = 0.95;
        const auto large = write(type, {image}, properties);
        ASSERT_TRUE(small && large);
        EXPECT_LT(small->size(), large->size());
        const auto back = readWithVips(*large);
        ASSERT_TRUE(back);
        EXPECT_EQ(std::tuple(back->width, back->height, back->bands), std::tuple(64, 48, bands)); // neither JPEG holds alpha
        EXPECT_EQ(std::string(type) == "public.jpeg-2000" ? jp2Profile(*large) : back->icc, displayP3()->iccData());
        if (std::string(type) == "public.jpeg-2000") continue;
        EXPECT_EQ(std::tuple(exifTags(back->exif).at("Exif.Image.Orientation"), back->orientation), std::tuple("1", 1));
        if (!severalImages) continue;
        EXPECT_NE(heifXmp(*large).find("tiff:Orientation=\"1\""), std::string::npos);
        const auto pages = writtenAndRead(type, {image, patternImage(32, 16, 8, 3, AlphaInfo::none)});
        ASSERT_TRUE(pages);
        EXPECT_EQ(std::tuple(pages->pages, pages->width), std::tuple(2, 64)); // the first image is the primary one
        // The file's rotation box turns a 32 x 16 image a quarter on display, as EXIF 6 says.
        WriterProperties turned;
        turned.orientation = 6;
        const auto rotated = writtenAndRead(type, {patternImage(32, 16, 8, 3, AlphaInfo::none)}, turned);
        ASSERT_TRUE(rotated);
        EXPECT_EQ(std::tuple(rotated->width, rotated->height), std::tuple(16, 32));
    }
}

TEST(ImageWriter, JpegWritesIPTCLargerThanOneSegmentAcrossSeveral) {
    CarriedSource source;
    Bytes records;
    for (int keyword = 0; keyword < 1500; ++keyword) {
        const std::string value = "keyword " + std::to_string(keyword) + std::string(50, 'k');
        records.insert(records.end(), {0x1C, 0x02, 0x19, 0x00, static_cast<std::uint8_t>(value.size())});
        records.insert(records.end(), value.begin(), value.end());
    }
    ASSERT_GT(records.size(), 80'000u);
    source.properties[keys::iptc] = records;
    const auto file = write("public.jpeg", {patternImage(64, 48, 8, 3, AlphaInfo::none)}, source.writerProperties(1));
    ASSERT_TRUE(file);
    ASSERT_TRUE(readWithVips(*file));
    EXPECT_EQ(jpegIPTC(ByteView(file->data(), file->size())), records);
}

TEST(ImageWriter, TiffWritesEveryImageAsAPageLosslesslyWithItsOrientationTag) {
    const CarriedSource source;
    const auto first = patternImage(20, 10, 16, 4, AlphaInfo::last);
    const auto second = patternImage(20, 10, 16, 4, AlphaInfo::premultipliedLast);
    const auto third = patternImage(20, 10, 16, 4, AlphaInfo::first);
    const auto tiff = write("public.tiff", {first, second, third}, source.writerProperties(3));
    ASSERT_TRUE(tiff);
    const auto back = readWithVips(*tiff);
    ASSERT_TRUE(back);
    EXPECT_EQ(std::tuple(back->pages, back->bitsPerComponent, back->bands, back->orientation), std::tuple(3, 16, 4, 3));
    Bytes expected = packedPixels(*first);
    for (const auto& image : {second, third}) {
        const Bytes page = packedPixels(*image);
        expected.insert(expected.end(), page.begin(), page.end());
    }
    EXPECT_EQ(back->pixels, expected);
    EXPECT_EQ(back->icc, ColourSpace::sRGB()->iccData());
    EXPECT_NE(back->xmp.find("tiff:Orientation=\"3\""), std::string::npos);
    // The carried EXIF joins the first directory without displacing the pages or the tags
    // that describe the written pixels.
    const auto tags = exifTagsOfFile(*tiff);
    EXPECT_EQ(tags.at("Exif.Image.Orientation"), "3");
    EXPECT_EQ(tags.at("Exif.Image.Make"), "Pictavo Test Camera");
    EXPECT_EQ(tags.at("Exif.Photo.DateTimeOriginal"), "2024:05:06 07:08:09");
    EXPECT_EQ(tags.at("Exif.GPSInfo.GPSLatitudeRef"), "N");
    EXPECT_EQ(tags.at("Exif.Image.ImageWidth"), "20");

    // Pages of different sizes cannot share one libvips page strip: refused, not cropped.
    EXPECT_FALSE(write("public.tiff", {first, patternImage(10, 10, 16, 4, AlphaInfo::last)}));
}

TEST(ImageWriter, GifWritesOneFrameEachWithBinaryTransparency) {
    const auto opaque = solidImage(12, 12, 200, 40, 40, 255);
    const auto faint = solidImage(12, 12, 200, 40, 40, 100);
    const auto back = writtenAndRead("com.compuserve.gif", {opaque, faint});
    ASSERT_TRUE(back);
    ASSERT_EQ(std::tuple(back->pages, back->bands), std::tuple(2, 4));
    // Alpha below half is the transparent index.
    EXPECT_EQ(std::tuple(back->pixels[0], back->pixels[3], back->pixels[12 * 12 * 4 + 3]), std::tuple(200, 255, 0));
}

TEST(ImageWriter, BmpIsBottomUpBgrOrGreyWithAPaletteAndResolution) {
    const CarriedSource source;
    const auto colour = patternImage(5, 3, 8, 3, AlphaInfo::none);
    const auto bmp = write("com.microsoft.bmp", {colour}, source.writerProperties());
    ASSERT_TRUE(bmp);
    ASSERT_GE(bmp->size(), 54u);
    auto le32 = [&](std::size_t at) {
        return std::uint32_t((*bmp)[at]) | std::uint32_t((*bmp)[at + 1]) << 8 | std::uint32_t((*bmp)[at + 2]) << 16 |
               std::uint32_t((*bmp)[at + 3]) << 24;
    };
    // The file's own length, 5 x 3 at 24 bits, 300 dpi in pixels per metre.
    EXPECT_EQ(std::tuple((*bmp)[0], le32(2), le32(18), le32(22), (*bmp)[28], le32(38)),
              std::tuple('B', bmp->size(), 5u, 3u, 24, 11811u));
    const Bytes expected = packedPixels(*colour);
    const std::size_t offset = le32(10);
    const std::size_t stride = 16; // 15 bytes padded to 4
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ((*bmp)[offset + (2 - y) * stride + x * 3 + (2 - c)], expected[(y * 5 + x) * 3 + c]);

    const auto grey = write("com.microsoft.bmp", {patternImage(3, 2, 8, 1, AlphaInfo::none)});
    ASSERT_TRUE(grey);
    EXPECT_EQ(std::tuple((*grey)[28], grey->size()), std::tuple(8, 14u + 40 + 1024 + 2 * 4));

    // Alpha is composited on black, as a drawing without alpha shows it.
    const auto faint = write("com.microsoft.bmp", {solidImage(1, 1, 200, 100, 50, 128)});
    ASSERT_TRUE(faint);
    EXPECT_EQ(std::tuple((*faint)[54], (*faint)[56]), std::tuple(25, 100));
}

TEST(ImageWriter, IcoHoldsOnePngEntryPerImageWithTheByteForASideOf256) {
    std::vector<ImageRef> ladder;
    for (int side : {256, 48, 32, 16}) ladder.push_back(patternImage(side, side, 8, 4, AlphaInfo::premultipliedLast));
    const auto ico = write("com.microsoft.ico", ladder);
    ASSERT_TRUE(ico);
    ASSERT_EQ(std::tuple((*ico)[2], (*ico)[4]), std::tuple(1, 4)); // an icon of four entries
    for (std::size_t i = 0; i < ladder.size(); ++i) {
        const std::uint8_t* entry = ico->data() + 6 + 16 * i;
        EXPECT_EQ(entry[0], ladder[i]->width() == 256 ? 0 : ladder[i]->width());
        std::uint32_t size, offset;
        std::memcpy(&size, entry + 8, 4);
        std::memcpy(&offset, entry + 12, 4);
        ASSERT_LE(std::uint64_t(offset) + size, ico->size());
        const auto back = readWithVips(Bytes(ico->begin() + offset, ico->begin() + offset + size));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->width, ladder[i]->width());
        EXPECT_EQ(back->pixels, packedPixels(*ladder[i]));
    }
    const auto tooLarge = ImageWriter::write("com.microsoft.ico", {patternImage(257, 16, 8, 4, AlphaInfo::last)}, {});
    EXPECT_FALSE(tooLarge);
    EXPECT_EQ(tooLarge.cause(), "ICO holds at most 256 pixels a side; this image is 257 \u00D7 16 pixels");

    // Grey and opaque entries are stored as RGBA with full alpha.
    const auto grey = write("com.microsoft.ico", {patternImage(16, 16, 16, 1, AlphaInfo::none)});
    ASSERT_TRUE(grey);
    const auto entry = readWithVips(Bytes(grey->begin() + 22, grey->end()));
    ASSERT_TRUE(entry);
    EXPECT_EQ(std::tuple(entry->bands, entry->bitsPerComponent, entry->pixels[3]), std::tuple(4, 8, 255));
    EXPECT_EQ(entry->pixels[0], entry->pixels[1]);
}

TEST(ImageWriter, PdfHasOnePageOfPixelSizePerImageWithProfileAndSoftMask) {
    const auto opaque = solidImage(40, 30, 255, 0, 0, 255, false);
    const auto translucent = patternImage(20, 50, 16, 4, AlphaInfo::last, displayP3());
    const auto pdf = write("com.adobe.pdf", {opaque, translucent});
    ASSERT_TRUE(pdf);
    EXPECT_EQ(write("com.adobe.pdf", {opaque, translucent}), pdf); // deterministic
    const std::string text(pdf->begin(), pdf->end());
    EXPECT_NE(text.find("/SMask"), std::string::npos);
    EXPECT_NE(text.find("/ICCBased"), std::string::npos);
    EXPECT_NE(text.find("/BitsPerComponent 16"), std::string::npos);

    g_autoptr(GBytes) bytes = g_bytes_new(pdf->data(), pdf->size());
    g_autoptr(GError) error = nullptr;
    PopplerDocument* document = poppler_document_new_from_bytes(bytes, nullptr, &error);
    ASSERT_TRUE(document) << (error ? error->message : "");
    EXPECT_EQ(poppler_document_get_n_pages(document), 2);
    const double sizes[2][2] = {{40, 30}, {20, 50}};
    for (int i = 0; i < 2; ++i) {
        PopplerPage* page = poppler_document_get_page(document, i);
        double width = 0, height = 0;
        poppler_page_get_size(page, &width, &height);
        EXPECT_EQ(std::tuple(width, height), std::tuple(sizes[i][0], sizes[i][1]));
        if (i == 0) {
            cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 40, 30);
            cairo_t* cr = cairo_create(surface);
            poppler_page_render(page, cr);
            cairo_surface_flush(surface);
            const std::uint8_t* pixel = cairo_image_surface_get_data(surface) + 15 * cairo_image_surface_get_stride(surface) + 20 * 4;
            EXPECT_GT(pixel[2], 240); // red (BGRA in memory)
            EXPECT_LT(pixel[1], 15);
            cairo_destroy(cr);
            cairo_surface_destroy(surface);
        }
        g_object_unref(page);
    }
    g_object_unref(document);
}

TEST(ImageWriter, ColourAFileCannotHoldIsWrittenAsSRGBAndFloatPixelsAreClampedTo16Bits) {
    const auto space = ColourSpace::fromICC(profileBytes(cmsCreateLab4Profile(nullptr)));
    ASSERT_TRUE(space);
    ASSERT_EQ(space->model(), ColourModel::lab);
    // L = 100, a = b = 0: white.
    const auto lab = Image::make(2, 1, 8, 3, AlphaInfo::none, space, std::make_shared<Bytes>(Bytes{255, 128, 128, 255, 128, 128}), 6);
    const auto white = writtenAndRead("public.png", {lab});
    ASSERT_TRUE(white);
    EXPECT_EQ(white->icc, ColourSpace::sRGB()->iccData());
    for (auto v : white->pixels) EXPECT_GE(v, 253);

    const float values[] = {0.5f, 1.5f, -0.25f, std::numeric_limits<float>::quiet_NaN(), 1.0f, 0.0f};
    auto pixels = std::make_shared<Bytes>(sizeof values);
    std::memcpy(pixels->data(), values, sizeof values);
    const auto image = Image::make(2, 1, 32, 3, AlphaInfo::none, ColourSpace::sRGB(), pixels, sizeof values);
    const auto back = writtenAndRead("public.png", {image});
    ASSERT_TRUE(back);
    ASSERT_EQ(back->bitsPerComponent, 16);
    std::uint16_t read[6];
    ASSERT_EQ(back->pixels.size(), sizeof read);
    std::memcpy(read, back->pixels.data(), sizeof read);
    const std::uint16_t expected[] = {32768, 65535, 0, 0, 65535, 0};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(read[i], expected[i]) << i;
}

TEST(ImageWriter, GreyOfItsOwnProfileIsConvertedToTheSRGBThatAFileOfColourOnlyCarries) {
    // Grey 96 of linear light shows as sRGB 165; device grey 96 is sRGB 96 already.
    cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
    const auto linearGrey = ColourSpace::fromICC(profileBytes(cmsCreateGrayProfile(cmsD50_xyY(), linear)));
    cmsFreeToneCurve(linear);
    ASSERT_TRUE(linearGrey);
    for (const char* type : {"public.heic", "public.avif"}) {
        SCOPED_TRACE(type);
        for (const auto& [space, expected] : {std::pair{linearGrey, 165}, std::pair{ColourSpace::deviceGray(), 96}}) {
            const auto back = writtenAndRead(type, {filled8(16, 16, AlphaInfo::none, space, {96})});
            if (!back) GTEST_SKIP() << "no encoder";
            EXPECT_EQ(back->icc, ColourSpace::sRGB()->iccData());
            ASSERT_EQ(back->bands, 3);
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(back->pixels[static_cast<std::size_t>(c)], expected, 2);
        }
    }
}
