// Photoshop files as GIMP and ImageMagick write them, each read against the flattened PNG the
// same program wrote from the same picture.
#include "platform/colour/ColourTransformCache.h"
#include "platform/read/ImageReader.h"
#include "support/PSDSamples.h"
#include "support/TemporaryFolder.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace platform;
using namespace testing_support;

namespace {

const char* const imageMagick = "convert-im6.q16";
const char* const rgbProfile = "/usr/share/color/icc/ghostscript/default_rgb.icc";
const char* const cmykProfile = "/usr/share/color/icc/ghostscript/default_cmyk.icc";

ImageRef read(const std::filesystem::path& path) {
    auto reader = ImageReader::open(path);
    if (!reader) return nullptr;
    return reader->imageAt(0).image;
}

// Every pixel alike within `tolerance` (in the image's own depth); the colour of a fully
// transparent pixel means nothing and is not compared.
void expectSamePixels(const Image& read, const Image& flattened, int tolerance) {
    ASSERT_EQ(read.width(), flattened.width());
    ASSERT_EQ(read.height(), flattened.height());
    ASSERT_EQ(read.componentsPerPixel(), flattened.componentsPerPixel());
    ASSERT_EQ(read.bitsPerComponent(), flattened.bitsPerComponent());
    const bool alpha = read.hasAlphaChannel();
    int worst = 0;
    for (std::int64_t y = 0; y < read.height(); ++y)
        for (std::int64_t x = 0; x < read.width(); ++x) {
            const auto ours = pixelAt(read, x, y), theirs = pixelAt(flattened, x, y);
            const std::size_t first = alpha && theirs.back() == 0 ? ours.size() - 1 : 0;
            for (std::size_t c = first; c < ours.size(); ++c) worst = std::max(worst, std::abs(ours[c] - theirs[c]));
        }
    EXPECT_LE(worst, tolerance);
}

struct Written {
    std::string name;
    std::string command; // writes NAME.psd (or .psb) and NAME.png into the current folder
    std::string extension = ".psd";
};

void expectReadLikeTheirFlattenedExport(const TemporaryFolder& folder, const std::vector<Written>& files, int tolerance) {
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        const auto psd = read(folder.file(file.name + file.extension));
        const auto png = read(folder.file(file.name + ".png"));
        ASSERT_TRUE(psd);
        ASSERT_TRUE(png);
        expectSamePixels(*psd, *png, tolerance);
    }
}

bool make(const TemporaryFolder& folder, const std::string& commands) {
    return run("cd '" + folder.path().string() + "' && " + commands);
}

TEST(PSDWrittenByOtherPrograms, ImageMagickFilesInEveryModeAndDepthItWrites) {
    if (!hasProgram(imageMagick)) GTEST_SKIP() << "ImageMagick is not installed";
    const TemporaryFolder folder;
    const std::string picture = std::string(imageMagick) + " -seed 3 -size 17x11 plasma: ";
    const std::string withAlpha = picture + "\\( -size 11x17 gradient: -rotate 90 \\) -compose CopyOpacity -composite ";
    const std::vector<Written> files = {
        {"rgb8", picture + "-depth 8 -type TrueColor -write rgb8.png rgb8.psd"},
        {"rgb16", picture + "-depth 16 -type TrueColor -compress RLE -write rgb16.png rgb16.psd"},
        {"rgba8", withAlpha + "-depth 8 -type TrueColorAlpha -compress RLE -write rgba8.png rgba8.psd"},
        {"rgba16", withAlpha + "-depth 16 -type TrueColorAlpha -write rgba16.png rgba16.psd"},
        {"grey8", picture + "-colorspace Gray -depth 8 -write grey8.png grey8.psd"},
        {"grey16", picture + "-colorspace Gray -depth 16 -compress RLE -write grey16.png grey16.psd"},
        {"indexed", picture + "-depth 8 -colors 8 -type Palette -write indexed.png indexed.psd"},
        {"big", picture + "-depth 8 -type TrueColor -compress RLE -write big.png PSB:big.psb", ".psb"},
    };
    std::string commands;
    for (const auto& file : files) commands += (commands.empty() ? "" : " && ") + file.command;
    ASSERT_TRUE(make(folder, commands));
    expectReadLikeTheirFlattenedExport(folder, files, 0);

    // ImageMagick's indexed colour with transparency names an alpha channel in the header but
    // stores the indices alone: the colours are read, opaque.
    for (const std::string compression : {"None", "RLE"}) {
        SCOPED_TRACE(compression);
        ASSERT_TRUE(make(folder, withAlpha + "-depth 8 -colors 8 -type PaletteAlpha -compress " + compression +
                                     " -write clear.png clear.psd"));
        const auto psd = read(folder.file("clear.psd"));
        const auto png = read(folder.file("clear.png"));
        ASSERT_TRUE(psd && png);
        ASSERT_EQ(psd->componentsPerPixel(), 3);
        for (std::int64_t x = 0; x < psd->width(); ++x) {
            auto colour = pixelAt(*png, x, 5);
            colour.resize(3);
            EXPECT_EQ(pixelAt(*psd, x, 5), colour) << x;
        }
    }

    // CMYK made through a press profile, which the file then carries, read back to sRGB
    // through it: within a few levels of the picture it was made from (the two programs choose
    // rendering intents of their own).
    if (!std::ifstream(cmykProfile)) GTEST_SKIP() << "no CMYK profile on this machine";
    for (int depth : {8, 16}) {
        SCOPED_TRACE(depth);
        const std::string name = "cmyk" + std::to_string(depth);
        ASSERT_TRUE(make(folder, std::string(imageMagick) + " -size 17x11 gradient:#a08060-#6080b0 -depth " +
                                     std::to_string(depth) + " -write " + name + ".png -profile " + rgbProfile + " -profile " + cmykProfile +
                                     " -compress RLE " + name + ".psd"));
        const auto cmyk = read(folder.file(name + ".psd"));
        const auto png = read(folder.file(name + ".png"));
        ASSERT_TRUE(cmyk && png);
        ASSERT_EQ(cmyk->colourSpace()->model(), ColourModel::cmyk);
        const auto toSRGB = ColourTransformCache::shared().transform(
            cmyk->colourSpace(), depth == 8 ? TYPE_CMYK_8 : TYPE_CMYK_16, ColourSpace::sRGB(),
            depth == 8 ? TYPE_RGB_8 : TYPE_RGB_16);
        ASSERT_TRUE(toSRGB);
        Bytes converted(static_cast<std::size_t>(cmyk->width() * cmyk->height()) * 3 * (depth / 8));
        for (std::int64_t y = 0; y < cmyk->height(); ++y)
            toSRGB->apply(cmyk->row(y), converted.data() + static_cast<std::size_t>(y * cmyk->width()) * 3 * (depth / 8),
                          static_cast<std::size_t>(cmyk->width()));
        const auto asRGB = Image::make(cmyk->width(), cmyk->height(), depth, 3, AlphaInfo::none, ColourSpace::sRGB(),
                                       std::make_shared<Bytes>(std::move(converted)),
                                       static_cast<std::size_t>(cmyk->width()) * 3 * (depth / 8));
        expectSamePixels(*asRGB, *png, depth == 8 ? 10 : 10 * 257);
    }
}

TEST(PSDWrittenByOtherPrograms, GIMPFilesInEveryModeAndDepthItWrites) {
    if (!hasProgram("gimp-console")) GTEST_SKIP() << "GIMP is not installed";
    const TemporaryFolder folder;
    // One batch run writes every file: a gradient with a cleared corner, in each mode GIMP
    // saves, and its own PNG export beside each.
    std::string script = R"(
(define (write-both name kind precision)
  (let* ((image (car (gimp-image-new 19 13 RGB)))
         (layer (car (gimp-layer-new image 19 13 RGBA-IMAGE "picture" 100 LAYER-MODE-NORMAL))))
    (gimp-image-insert-layer image layer 0 0)
    (gimp-context-set-foreground '(200 30 90))
    (gimp-context-set-background '(20 180 250))
    (gimp-drawable-edit-gradient-fill layer GRADIENT-LINEAR 0 FALSE 1 0 TRUE 0 0 19 13)
    (gimp-image-select-rectangle image CHANNEL-OP-REPLACE 0 0 5 4)
    (gimp-drawable-edit-clear layer)
    (gimp-selection-none image)
    (if (= kind 1) (gimp-image-convert-grayscale image))
    ; GIMP keeps no transparency in an indexed file
    (if (= kind 2) (gimp-layer-flatten layer))
    (if (= kind 2) (gimp-image-convert-indexed image CONVERT-DITHER-NONE CONVERT-PALETTE-GENERATE 16 FALSE FALSE ""))
    (if (= kind 3) (gimp-layer-flatten layer))
    (if (= precision 16) (gimp-image-convert-precision image PRECISION-U16-GAMMA))
    (file-psd-save RUN-NONINTERACTIVE image layer (string-append name ".psd") name 1 0)
    (file-png-save2 RUN-NONINTERACTIVE image layer (string-append name ".png") name 0 9 0 0 0 0 0 0 0)
    (gimp-image-delete image)))
(write-both "rgba8" 0 8)
(write-both "rgb8" 3 8)
(write-both "greya8" 1 8)
(write-both "indexed" 2 8)
(write-both "rgba16" 0 16)
(write-both "greya16" 1 16)
(gimp-quit 0)
)";
    folder.write("write.scm", Bytes(script.begin(), script.end()));
    ASSERT_TRUE(make(folder, "gimp-console -i -d -f -b - < write.scm"));
    expectReadLikeTheirFlattenedExport(folder, {{"rgba8", ""}, {"rgb8", ""}, {"greya8", ""}, {"indexed", ""}}, 0);
    // GIMP rounds its 16-bit PNG export and its Photoshop file apart by up to one step of 8 bits.
    expectReadLikeTheirFlattenedExport(folder, {{"rgba16", ""}, {"greya16", ""}}, 257);
}

} // namespace
