#include "ConversionTesting.h"
#include "SourceImages.h"

#include "ImageEngine/Encoding/EncoderRegistry.h"
#include "support/ConversionErrorCapture.h"
#include "support/EncodedSamples.h"
#include "support/IconSamples.h"
#include "support/PDFSamples.h"
#include "support/TGASamples.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using testing_support::TemporaryFolder;

ConversionEngine engineOf(std::shared_ptr<PixelMemory> memory) {
    return ConversionEngine(DecoderRegistry::standard(), EncoderRegistry::standard(),
                            SourceOptimiserRegistry::standard(), std::move(memory));
}

// Until the conversion ends or waits for memory.
void untilEndedOrWaiting(const std::future<ConversionResult>& conversion, const PixelMemory& memory) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (memory.waiting() == 0 && conversion.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready &&
           std::chrono::steady_clock::now() < giveUp) {
    }
}

// A PNG kept a PNG is unpacked and compressed again: it is admitted for its rows in several
// forms, not for its file alone, and written back as it is when those do not fit.
TEST(CountedReading, APNGRewriteIsAdmittedForTheRowsItUnpacksAndCompresses) {
    TemporaryFolder folder;
    const auto path = folder.write("scan.png", encode(gradient(512, 512), ".png"));
    const auto memory = std::make_shared<PixelMemory>(64'000'000);
    const auto engine = engineOf(memory);
    const auto result = engine.convert(path, specFor(OutputFormat::sameAsSource()), 1, EncodeEffort::final);
    EXPECT_EQ(result.format, OutputFormat::png());
    const std::uint64_t rows = 512 * (512 * 3 + 1);
    EXPECT_GE(memory->mostHeldBytes(), 4 * rows);
    EXPECT_EQ(memory->heldBytes(), 0u);

    // With room for the file but not for its rows, it is still rewritten, only not recompressed.
    auto stripping = specFor(OutputFormat::sameAsSource());
    stripping.metadata = MetadataPolicy::strip;
    const auto small = std::make_shared<PixelMemory>(2'000'000);
    const auto kept = engineOf(small).convert(path, stripping, 1, EncodeEffort::final);
    EXPECT_EQ(kept.format, OutputFormat::png());
    EXPECT_EQ(decodedOutput(kept, folder)->width(), 512);
}

// A file is read only once the memory it takes is held: one changed while its conversion
// waits for memory converts as it is once it runs, kept in its format or decoded.
TEST(CountedReading, NothingOfTheFileIsReadBeforeItsMemoryIsHeld) {
    TemporaryFolder folder;
    const auto red = encode(filled(300, 200, {220, 20, 20}), ".png");
    const auto blue = encode(filled(300, 200, {20, 20, 220}), ".png");
    for (const auto& format : {OutputFormat::sameAsSource(), OutputFormat::jpeg()}) {
        const auto path = folder.write("picture.png", red);
        const auto memory = std::make_shared<PixelMemory>(8'000'000);
        const auto engine = engineOf(memory);
        auto other = PixelMemory::tryHold(memory, memory->capacity());
        auto conversion =
            std::async(std::launch::async, [&] { return engine.convert(path, specFor(format), 1, EncodeEffort::final); });
        untilEndedOrWaiting(conversion, *memory);
        ASSERT_EQ(memory->waiting(), 1) << format.id();
        folder.write("picture.png", blue);
        other.reset();
        const auto output = decodedOutput(conversion.get(), folder);
        EXPECT_GT(colourAt(*output, 150, 100)[2], 200) << format.id();
    }
}

// An output the format cannot hold is refused from the header, without waiting for the memory
// that reading the file would take.
TEST(CountedReading, ARefusalForTheOutputsSidesDoesNotWaitToReadTheFile) {
    TemporaryFolder folder;
    for (const std::string type : {".png", ".jpg"}) {
        const auto wide = folder.write("wide" + type, encode(filled(16400, 2, {200, 120, 40}), type));
        const auto memory = std::make_shared<PixelMemory>(8'000'000);
        const auto engine = engineOf(memory);
        auto other = PixelMemory::tryHold(memory, memory->capacity());
        auto conversion = std::async(std::launch::async, [&] {
            return engine.convert(wide, specFor(OutputFormat::webp()), 1, EncodeEffort::final);
        });
        untilEndedOrWaiting(conversion, *memory);
        EXPECT_EQ(memory->waiting(), 0) << type;
        other.reset();
        const auto error = testing_support::thrownBy([&] { conversion.get(); });
        EXPECT_EQ(error, ConversionError::encodeFailed(OutputFormat::webp())) << error.diagnostic();
    }
}

// A page of a PDF or an SVG is held at the size it is drawn at before it is drawn, as a
// raster's decode is: one whose drawing does not fit the memory is refused, named at that
// size, with the bytes it takes, and one that fits is counted at its bitmap at least.
TEST(CountedReading, APageIsHeldAtTheSizeItIsDrawnAtBeforeItIsDrawn) {
    TemporaryFolder folder;
    const std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"40\">"
                            "<rect width=\"40\" height=\"40\" fill=\"#36c\"/></svg>";
    const std::vector<std::filesystem::path> pages{
        folder.write("page.svg", platform::Bytes(svg.begin(), svg.end())),
        folder.write("page.pdf", testing_support::handWrittenPDF({testing_support::handWrittenPage({0, 0, 40, 40})}))};
    auto spec = specFor(OutputFormat::jpeg());
    spec.sizing = ResizeSpec::scale(50);
    const std::uint64_t bitmap = 2000 * 2000 * 4;
    for (const auto& page : pages) {
        const auto small = std::make_shared<PixelMemory>(bitmap);
        const auto error = testing_support::thrownBy([&] { engineOf(small).convert(page, spec, 1, EncodeEffort::final); });
        EXPECT_EQ(error, ConversionError::imageTooLarge(2000, 2000)) << error.diagnostic();
        EXPECT_NE(error.diagnostic().find("converting it takes"), std::string::npos) << error.diagnostic();

        const auto ample = std::make_shared<PixelMemory>(200'000'000);
        const auto result = engineOf(ample).convert(page, spec, 1, EncodeEffort::final);
        EXPECT_EQ(result.pixelSize, (platform::Size{2000, 2000}));
        EXPECT_GE(ample->mostHeldBytes(), bitmap) << page;
        EXPECT_EQ(ample->heldBytes(), 0u);
    }
}

// Reading an SVG's properties parses it whole into a tree many times its file: that is held
// before it starts, and a document whose tree could never fit is not parsed at all.
TEST(CountedReading, AnSVGsParseIsHeldBeforeItStarts) {
    TemporaryFolder folder;
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\">\n";
    while (svg.size() < 100'000) svg += "<rect x=\"1\" y=\"2\" width=\"3\" height=\"4\" fill=\"#123456\"/>\n";
    svg += "</svg>\n";
    const auto path = folder.write("paths.svg", platform::Bytes(svg.begin(), svg.end()));
    for (const auto& format : {OutputFormat::png(), OutputFormat::sameAsSource()}) {
        // Room for the file many times over and for its bitmap, not for its tree.
        const auto memory = std::make_shared<PixelMemory>(1'000'000);
        const auto error = testing_support::thrownBy(
            [&] { engineOf(memory).convert(path, specFor(format), 1, EncodeEffort::final); });
        EXPECT_EQ(error, ConversionError::decodeFailed("paths.svg")) << format.id();
        EXPECT_NE(error.diagnostic().find("reading it takes"), std::string::npos) << error.diagnostic();
    }
}

// What the header says rules a picture out before anything reads its file, whatever the
// output: more pixels than the memory holds bytes, in formats whose header the first bytes
// alone do not give and in those the reader decodes itself or hands on from inside an icon,
// without waiting for the memory a read would take; and a file longer than the memory, even
// where it would be kept as it is.
TEST(CountedReading, ARefusalForMemoryIsDecidedFromTheHeaderWhateverTheOutput) {
    TemporaryFolder folder;
    const auto memory = std::make_shared<PixelMemory>(8'000'000);
    const auto engine = engineOf(memory);
    const auto black = filled(4000, 3000, {0, 0, 0});
    // Runs of 128 black pixels.
    auto tga = testing_support::tgaLayout(10, 4000, 3000, 24);
    for (int run = 0; run < 4000 * 3000 / 128; ++run) tga.pixels.insert(tga.pixels.end(), {0xFF, 0, 0, 0});
    const std::vector<std::pair<std::string, platform::Bytes>> files{
        {"large.tif", encode(black, ".tif[compression=deflate]")},
        {"large.webp", encode(black, ".webp[lossless]")},
        {"large.hdr", encode(black, ".hdr")},
        {"large.tga", testing_support::tgaFile(tga)},
        {"large.icns", testing_support::icnsFile({{"ic10", encode(black, ".png")}})},
    };
    for (const auto& [name, bytes] : files) {
        const auto large = folder.write(name, bytes);
        for (const auto& format : {OutputFormat::sameAsSource(), OutputFormat::jpeg()}) {
            auto other = PixelMemory::tryHold(memory, memory->capacity());
            auto conversion = std::async(std::launch::async, [&] {
                return engine.convert(large, specFor(format), 1, EncodeEffort::final);
            });
            untilEndedOrWaiting(conversion, *memory);
            EXPECT_EQ(memory->waiting(), 0) << name << " to " << format.id();
            other.reset();
            const auto error = testing_support::thrownBy([&] { conversion.get(); });
            EXPECT_TRUE(error.get<ConversionError::ImageTooLarge>()) << error.diagnostic();
        }
    }

    const auto noise = folder.write("noise.png", encode(photoLike(700, 700), ".png"));
    const auto shorter = std::make_shared<PixelMemory>(std::filesystem::file_size(noise) - 1);
    for (const auto& format : {OutputFormat::sameAsSource(), OutputFormat::png()}) {
        const auto error = testing_support::thrownBy(
            [&] { engineOf(shorter).convert(noise, specFor(format), 1, EncodeEffort::final); });
        EXPECT_TRUE(error.get<ConversionError::ImageTooLarge>()) << error.diagnostic();
    }
    EXPECT_EQ(shorter->mostHeldBytes(), 0u);
}

// A picture is refused from its header when its file and its pixels cannot fit, counted at
// what the header says a pixel takes once decoded: a camera's raw picture, developed whole
// whatever size is drawn, a TIFF of 16-bit samples kept at its size, a colour PNG and JPEG at
// three bytes a pixel, and, drawn smaller, an interlaced PNG and a progressive JPEG for the
// whole picture and the coefficients their readers hold. Nothing is held, and so nothing
// read, to find that out; with room, the raw picture is held for what developing it takes.
TEST(CountedReading, WhatAPixelTakesDecodedIsCountedFromTheHeaderBeforeTheFileIsRead) {
    TemporaryFolder folder;
    const auto camera = folder.write("camera.dng", testing_support::dngFile(600, 400, 1, true));
    testing_support::SampleImage sample;
    sample.width = 1000;
    sample.height = 1000;
    sample.sixteenBit = true;
    const auto deep = folder.write("deep.tif", testing_support::encodeSample(sample, ".tif").value());
    auto smaller = specFor(OutputFormat::jpeg());
    smaller.sizing = ResizeSpec::longestEdge(100);
    const auto photo = photoLike(1000, 1000);
    const auto png = folder.write("photo.png", encode(photo, ".png"));
    const auto jpeg = folder.write("photo.jpg", encode(photo, ".jpg"));
    const auto interlaced = folder.write("interlaced.png", encode(photo, ".png[interlace]"));
    const auto progressive = folder.write("progressive.jpg", encode(photo, ".jpg[interlace]"));
    struct Case {
        std::filesystem::path source;
        OutputSpec spec;
        std::uint64_t capacity; // beyond the file and a byte a pixel
    };
    // Beside the file, room for two bytes of each of a million pixels.
    const auto twoBytesAPixel = [](const std::filesystem::path& file) { return std::filesystem::file_size(file) + 2'000'000; };
    const auto original = specFor(OutputFormat::sameAsSource());
    for (const auto& one : {Case{camera, smaller, 3'000'000}, Case{deep, original, 10'000'000},
                            Case{png, specFor(OutputFormat::webp()), twoBytesAPixel(png)},
                            Case{jpeg, specFor(OutputFormat::png()), twoBytesAPixel(jpeg)},
                            Case{interlaced, smaller, twoBytesAPixel(interlaced)},
                            Case{progressive, smaller, twoBytesAPixel(progressive)}}) {
        const auto memory = std::make_shared<PixelMemory>(one.capacity);
        const auto error = testing_support::thrownBy(
            [&] { engineOf(memory).convert(one.source, one.spec, 1, EncodeEffort::final); });
        EXPECT_TRUE(error.get<ConversionError::ImageTooLarge>()) << error.diagnostic();
        EXPECT_EQ(memory->mostHeldBytes(), 0u) << one.source;
    }
    const auto ample = std::make_shared<PixelMemory>(256'000'000);
    engineOf(ample).convert(camera, smaller, 1, EncodeEffort::final);
    EXPECT_GE(ample->mostHeldBytes(), 600u * 400 * (6 + 8 + 8));
}

// libtiff decompresses a strip whole, whatever size the picture is read at: a TIFF of one
// strip is counted for that, not for the averages it hands on.
TEST(CountedReading, ATIFFOfOneStripIsCountedForTheStripItsReaderHolds) {
    TemporaryFolder folder;
    const auto path = folder.write("scan.tif", testing_support::multiSizeTiff({{1500, 1000}}, true));
    const auto memory = std::make_shared<PixelMemory>(256'000'000);
    auto spec = specFor(OutputFormat::jpeg());
    spec.sizing = ResizeSpec::longestEdge(100);
    spec.quality = QualityMode::quality(80);
    const auto result = engineOf(memory).convert(path, spec, 1, EncodeEffort::final);
    EXPECT_EQ(decodedOutput(result, folder)->width(), 100);
    EXPECT_GE(memory->mostHeldBytes(), 1500u * 1000 * 3 * 3 / 2);
}

} // namespace
