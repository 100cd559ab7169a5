#include "platform/files/FilePath.h"
#include "platform/read/ImageReader.h"
#include "platform/read/StoredSides.h"
#include "support/EncodedSamples.h"
#include "support/IconSamples.h"
#include "support/JPEGSamples.h"
#include "support/PSDSamples.h"
#include "support/TGASamples.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <string>

using namespace platform;
using namespace testing_support;

namespace {

// The file's bytes as a source that counts what is read of it.
ByteSource countingFile(const std::filesystem::path& path, std::uint64_t& read) {
    return [source = fileByteSource(path), &read](std::uint64_t offset, std::size_t most) {
        Bytes bytes = source(offset, most);
        read += bytes.size();
        return bytes;
    };
}

// An ISO base media box around the body.
Bytes box(const std::string& type, const Bytes& body) {
    const auto size = static_cast<std::uint32_t>(body.size() + 8);
    Bytes out;
    out.reserve(body.size() + 8);
    for (const int shift : {24, 16, 8, 0}) out.push_back(static_cast<std::uint8_t>(size >> shift));
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// A JPEG XL codestream in the container, behind a metadata box, whole or as its first part.
Bytes jxlContainer(const Bytes& codestream, bool parted) {
    Bytes file = box("JXL ", {0x0D, 0x0A, 0x87, 0x0A});
    for (const auto& one : {box("ftyp", {'j', 'x', 'l', ' ', 0, 0, 0, 0, 'j', 'x', 'l', ' '}), box("Exif", Bytes(100'000, 'x'))})
        file.insert(file.end(), one.begin(), one.end());
    Bytes body = parted ? Bytes{0, 0, 0, 0} : Bytes{};
    body.insert(body.end(), codestream.begin(), codestream.end());
    const auto last = box(parted ? "jxlp" : "jxlc", body);
    file.insert(file.end(), last.begin(), last.end());
    return file;
}

} // namespace

// A picture's sides come from its header wherever the header lies: a TIFF's directory of the
// page asked for (libtiff writes each after its strips), a WebP's first chunk in each of its
// three forms, a JPEG's frame header after megabytes of metadata, a HEIF file's image
// properties, a JPEG XL codestream behind its container's boxes, an OpenEXR file's data
// window among its attributes, the largest image of an icon file, all without reading the
// file whole.
TEST(StoredSides, EveryFormatsHeaderIsReadWhereItLies) {
    TemporaryFolder folder;
    SampleImage sample;
    sample.width = 300;
    sample.height = 200;
    SampleImage withAlpha = sample;
    withAlpha.bands = 4;
    struct Case {
        std::string name;
        std::optional<Bytes> file;
        std::int64_t index = 0;
        std::pair<std::int64_t, std::int64_t> sides{300, 200};
    };
    const Bytes jpeg = encodeSample(sample, ".jpg").value_or(Bytes{});
    Bytes farIn = jpeg;
    for (int segment = 0; segment < 40; ++segment) farIn = withSegmentAfterSOI(farIn, 0xE1, Bytes(65'000, 'x'));
    // A JPEG XL codestream gives its width as one of seven ratios to its height, as a number of
    // eighths, or as a number.
    const Bytes jxl = encodeSample(sample, ".jxl").value_or(Bytes{});
    SampleImage odd = sample;
    odd.width = 301;
    odd.height = 203;
    SampleImage eighths = sample;
    eighths.width = 64;
    eighths.height = 40;
    TGALayout tga = tgaLayout(10, 300, 200, 24);
    tga.pixels = tgaRunLength(Bytes(300 * 200 * 3, 90), 3);
    // An icon file stands for its largest image, wherever it is listed.
    const Bytes png = encodeSample(sample, ".png").value_or(Bytes{});
    const Bytes icns = icnsFile({{"TOC ", Bytes(8, 0)}, {"is32", icnsRunLengthRGB(16)}, {"s8mk", icnsMask(16)},
                                 {"ic10", png}, {"ic04", icnsRunLengthARGB(16)}});
    const std::vector<Case> cases{
        {"strips.tif", encodeSample(sample, ".tif")},
        {"tiles.tif", encodeSample(sample, ".tif[tile,tile-width=64,tile-height=64,bigtiff]")},
        {"second-page.tif", multiSizeTiff({{40, 30}, {300, 200}}), 1},
        {"lossy.webp", encodeSample(sample, ".webp")},
        {"lossless.webp", encodeSample(sample, ".webp[lossless]")},
        {"alpha.webp", encodeSample(withAlpha, ".webp")},
        {"animation.gif", encodeSample(sample, ".gif")},
        {"metadata-first.jpg", farIn},
        {"photo.heic", encodeSample(sample, ".heic")},
        {"photo.avif", encodeSample(sample, ".avif")},
        {"scan.jp2", encodeSample(sample, ".jp2")},
        {"scan.ppm", encodeSample(sample, ".ppm")},
        {"ratio.jxl", jxl},
        {"odd.jxl", encodeSample(odd, ".jxl"), 0, {301, 203}},
        {"eighths.jxl", encodeSample(eighths, ".jxl"), 0, {64, 40}},
        {"whole-box.jxl", jxlContainer(jxl, false)},
        {"first-part.jxl", jxlContainer(jxl, true)},
        {"light.hdr", encodeSample(sample, ".hdr")},
        // The scan lines run down: libvips reads this as 200 across and 300 down.
        {"turned.hdr", Bytes{'#', '?', 'R', 'A', 'D', 'I', 'A', 'N', 'C', 'E', '\n', '\n', '+', 'X', ' ', '3', '0', '0', ' ',
                             '-', 'Y', ' ', '2', '0', '0', '\n'}, 0, {200, 300}},
        {"light.exr", openEXRFile(300, 200)},
        {"runs.tga", tgaFile(tga)},
        {"icon.ico", icoFile({{16, false, 32}, {256, true}, {48, false, 24}}), 0, {256, 256}},
        {"bitmaps.ico", icoFile({{16, true}, {64, false, 32}}), 0, {64, 64}},
        {"icon.icns", icns},
        {"jpeg2000.icns", icnsFile({{"ic09", encodeSample(sample, ".jp2").value_or(Bytes{})}})},
        {"legacy.icns", icnsFile({{"il32", icnsRunLengthRGB(32)}, {"is32", icnsRunLengthRGB(16)}}), 0, {32, 32}},
    };
    for (const auto& one : cases) {
        // Only the formats this machine's libvips writes are made.
        if (!one.file && (one.name.ends_with(".heic") || one.name.ends_with(".avif"))) continue;
        ASSERT_TRUE(one.file) << one.name;
        const auto path = folder.write(one.name, *one.file);
        std::uint64_t read = 0;
        const auto sides = storedSidesFromHeader(countingFile(path, read), one.index);
        ASSERT_TRUE(sides) << one.name;
        EXPECT_EQ(std::make_pair(sides->width, sides->height), one.sides) << one.name;
        EXPECT_LT(read, 16'384u) << one.name << " of " << one.file->size() << " bytes";
    }
    // A chain of directories that ends before the page asked for gives no sides.
    EXPECT_FALSE(storedSidesFromHeader(byteSourceOf(ByteView(cases[2].file->data(), cases[2].file->size())), 2));
}

// A camera's file is sized as the reader develops it: the raw picture in a sub-directory, not
// the thumbnail before it, read from libraw's parse of the header alone, and counted at what
// developing takes a pixel, never less for being drawn smaller.
TEST(StoredSides, ACameraRawFileGivesItsRawPicturesSidesFromItsHeader) {
    TemporaryFolder folder;
    const Bytes camera = dngFile(600, 400, 1, true);
    const auto path = folder.write("camera.dng", camera);
    std::uint64_t read = 0;
    const auto sides = storedSidesFromHeader(countingFile(path, read));
    ASSERT_TRUE(sides);
    EXPECT_EQ(std::tuple(sides->width, sides->height, sides->bytesPerPixel, sides->readsSmaller),
              std::tuple(600, 400, 6u, false));
    // Three 16-bit raw samples a pixel, held as four, and libraw's own four a pixel.
    EXPECT_GE(sides->heldBeside, 600u * 400 * (8 + 8));
    EXPECT_LT(read, camera.size() / 20);
}

// A TIFF's header says how wide its samples are: pixels of 16-bit samples are counted at two
// bytes each, and no pixel at less than a byte; beside them, a strip decompressed whole.
TEST(StoredSides, ATIFFsDirectoryGivesTheLeastItsPixelsTakeDecoded) {
    SampleImage sample;
    sample.width = 30;
    sample.height = 20;
    sample.bands = 1;
    const Bytes grey = encodeSample(sample, ".tif").value_or(Bytes{});
    sample.bands = 3;
    sample.sixteenBit = true;
    const Bytes deep = encodeSample(sample, ".tif").value_or(Bytes{});
    ASSERT_FALSE(grey.empty() || deep.empty());
    EXPECT_EQ(storedSidesFromHeader(ByteView(grey.data(), grey.size()))->bytesPerPixel, 1u);
    const auto deepSides = storedSidesFromHeader(ByteView(deep.data(), deep.size()));
    EXPECT_EQ(deepSides->bytesPerPixel, 6u);
    EXPECT_GE(deepSides->heldBeside, 30u * 6);
}

// What the header counts a pixel at is what the reader makes of it: never more, so that no
// picture that fits is refused, and, for each file made here, no less, so that a colour or
// deep picture that cannot fit is refused from its header rather than read. Beside the pixels,
// an interlaced PNG's whole picture and a progressive JPEG's coefficients are counted as the
// reader counts them; and the header says whether the reader reads the picture smaller.
TEST(StoredSides, EachPixelIsCountedAtWhatTheReaderMakesOfIt) {
    SampleImage sample;
    sample.width = 300;
    sample.height = 200;
    const auto with = [&](int bands, bool sixteenBit, bool cmyk = false) {
        SampleImage changed = sample;
        changed.bands = bands;
        changed.sixteenBit = sixteenBit;
        changed.cmyk = cmyk;
        return changed;
    };
    const auto psd = [&](int mode, int depth, int channels) {
        PSDSample file;
        file.mode = mode;
        file.depth = depth;
        file.width = sample.width;
        file.height = sample.height;
        file.channels.assign(static_cast<std::size_t>(channels),
                             Bytes(static_cast<std::size_t>(sample.width * sample.height * depth / 8), 0x40));
        return psdFile(file);
    };
    struct Case {
        std::string name;
        std::optional<Bytes> file;
        // Read with alpha where only what follows the header says there is any: a bitmap's
        // alpha mask, a GIF's transparent index (libvips writes one).
        bool exact = true;
    };
    const std::vector<Case> cases{
        {"grey.png", encodeSample(with(1, false), ".png")},
        {"palette.png", encodeSample(sample, ".png[palette]")},
        {"deep.png", encodeSample(with(3, true), ".png")},
        {"alpha.png", encodeSample(with(4, false), ".png")},
        {"interlaced.png", encodeSample(sample, ".png[interlace]")},
        {"animated.png", withAnimationControl(encodeSample(sample, ".png").value_or(Bytes{}), 2)},
        {"grey.jpg", encodeSample(with(1, false), ".jpg")},
        {"photo.jpg", encodeSample(sample, ".jpg")},
        {"cmyk.jpg", encodeSample(with(4, false, true), ".jpg")},
        {"progressive.jpg", encodeSample(sample, ".jpg[interlace]")},
        {"progressive-444.jpg", encodeSample(sample, ".jpg[interlace,Q=95]")},
        {"progressive-grey.jpg", encodeSample(with(1, false), ".jpg[interlace]")},
        {"lossy.webp", encodeSample(sample, ".webp")},
        {"lossless.webp", encodeSample(sample, ".webp[lossless]")},
        {"alpha.webp", encodeSample(with(4, false), ".webp")},
        {"lossless-alpha.webp", encodeSample(with(4, false), ".webp[lossless]")},
        {"palette.gif", encodeSample(sample, ".gif"), false},
        {"colours.bmp", bmpFile(sample.width, sample.height, 8)},
        {"alpha.bmp", bmpFileWithAlpha(sample.width, sample.height), false},
        {"photo.heic", encodeSample(sample, ".heic")},
        {"photo.avif", encodeSample(sample, ".avif")},
        {"scan.jp2", encodeSample(sample, ".jp2")},
        {"deep-grey.jp2", encodeSample(with(1, true), ".jp2")},
        {"scan.ppm", encodeSample(sample, ".ppm")},
        {"deep.ppm", encodeSample(with(3, true), ".ppm")},
        {"layers.psd", psd(3, 8, 3)},
        {"deep-grey.psd", psd(1, 16, 1)},
    };
    for (const auto& one : cases) {
        if (!one.file && (one.name.ends_with(".heic") || one.name.ends_with(".avif"))) continue;
        ASSERT_TRUE(one.file && !one.file->empty()) << one.name;
        const auto sides = storedSidesFromHeader(ByteView(one.file->data(), one.file->size()));
        ASSERT_TRUE(sides) << one.name;
        const auto reader = ImageReader::open(std::make_shared<const Bytes>(*one.file));
        ASSERT_TRUE(reader) << one.name;
        PixelCost cost;
        PixelBudget counting;
        counting.grant = [&](const PixelCost& asked) {
            cost = asked;
            return true;
        };
        ASSERT_TRUE(reader->imageAt(0, counting).image) << one.name;
        const auto made = static_cast<std::uint64_t>(cost.bytesPerPixel);
        EXPECT_TRUE(one.exact ? sides->bytesPerPixel == made : sides->bytesPerPixel <= made)
            << one.name << ": " << sides->bytesPerPixel << " counted, " << made << " made";
        const bool heldWhole = one.name.starts_with("interlaced") || one.name.starts_with("progressive");
        EXPECT_TRUE(heldWhole ? sides->heldBeside == cost.workingBytes : sides->heldBeside <= cost.workingBytes)
            << one.name << ": " << sides->heldBeside << " counted beside, " << cost.workingBytes << " held";
        const auto halved = reader->imageAt(0, counting, 2);
        ASSERT_TRUE(halved.image) << one.name;
        EXPECT_EQ(sides->readsSmaller, halved.reducedAcross > 1) << one.name;
    }
}
