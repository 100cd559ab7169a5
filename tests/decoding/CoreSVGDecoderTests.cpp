#include "ImageEngine/Decoding/CoreSVGDecoder.h"
#include "ImageEngine/Decoding/CoreSVGSource.h"
#include "ImageEngine/Decoding/DecoderRegistry.h"
#include "ImageEngine/Decoding/SVGFile.h"
#include "ImageEngine/Model/ConversionError.h"
#include "support/ConversionErrorCapture.h"
#include "support/EncodedSamples.h"
#include "support/TemporaryFolder.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>

using namespace pictavo;
using namespace testing_support;

namespace {

const CoreSVGDecoder decoder;

const std::vector<int> red{255, 0, 0, 255};
const std::vector<int> blue{0, 0, 255, 255};
const std::vector<int> clear{0, 0, 0, 0};

platform::Bytes bytesOf(const std::string& text) { return platform::Bytes(text.begin(), text.end()); }

// Red on the left half of the view box, blue on the right, nothing below y = 30 of 40.
std::string halves(const std::string& sizeAttributes) {
    return R"~(<svg xmlns="http://www.w3.org/2000/svg" )~" + sizeAttributes +
           R"~(><rect x="0" y="0" width="30" height="30" fill="#f00"/><rect x="30" y="0" width="30" height="30" fill="#00f"/></svg>)~";
}

class CoreSVGDecoderTest : public ::testing::Test {
protected:
    std::filesystem::path write(const std::string& name, const std::string& text) { return folder.write(name, bytesOf(text)); }
    platform::ImageRef render(const std::filesystem::path& path, double width, double height) {
        return decoder.decode(path).asVector()->source->render(width, height);
    }
    TemporaryFolder folder;
};

TEST_F(CoreSVGDecoderTest, TheDeclaredSizeComesFromWidthAndHeightThenFromTheViewBox) {
    struct Case { std::string attributes; platform::Size size; };
    const std::vector<Case> cases{
        {R"~(width="60" height="40")~", {60, 40}}, {R"~(width="60px" height="40px" viewBox="0 0 6 4")~", {60, 40}},
        // A point is 4/3 of a CSS pixel, as the drawer counts at 96 to the inch.
        {R"~(width="45pt" height="30pt")~", {60, 40}}, {R"~(width="0.625in" height="40")~", {60, 40}},
        {R"~(width="100%" height="100%" viewBox="0 0 60 40")~", {60, 40}}, {R"~(viewBox="0,0,60,40")~", {60, 40}},
        {R"~(viewBox="0, 0 60 ,40")~", {60, 40}}, {R"~(width="60" viewBox="0 0 120 80")~", {120, 80}},
    };
    for (const auto& c : cases) {
        const auto path = write("sized.svg", halves(c.attributes));
        const auto properties = decoder.properties(path);
        SCOPED_TRACE(c.attributes);
        EXPECT_EQ(std::tuple(properties.pixelSize(), properties.isVector, properties.hasAlpha, properties.pageCount,
                             properties.byteCount, properties.sourceUTType),
                  std::tuple(c.size, true, true, 1,
                             static_cast<std::int64_t>(std::filesystem::file_size(path)), platform::ContentType::svg()));
        EXPECT_EQ(decoder.decode(path).asVector()->source->intrinsicSize(), c.size);
    }
    for (const std::string& attributes : {std::string(), std::string(R"~(width="100%" height="50%")~"),
                                         std::string("viewBox=\"0\t0\t60\t40\""), std::string(R"~(viewBox="0 0 0 40")~")}) {
        const auto path = write("unsized.svg", halves(attributes));
        EXPECT_EQ(thrownBy([&] { decoder.properties(path); }), ConversionError::decodeFailed("unsized.svg")) << attributes;
    }
}

TEST_F(CoreSVGDecoderTest, TheViewBoxIsReadAsThePlatformReadsIt) {
    EXPECT_EQ(viewBoxSize(R"~(<svg viewBox="0 0 120 80">)~"), (platform::Size{120, 80}));
    EXPECT_EQ(viewBoxSize(R"~(<svg VIEWBOX="+0 -0 1.2e2 0x50">)~"), (platform::Size{120, 80}));
    // The first occurrence counts, even inside a comment.
    EXPECT_EQ(viewBoxSize(R"~(<!-- viewBox="0 0 10 10" --><svg viewBox="0 0 120 80">)~"), (platform::Size{10, 10}));
    // Only double quotes, only spaces and commas, no units, exactly four numbers.
    for (const char* text : {R"~(<svg viewBox='0 0 120 80'>)~", R"~(<svg viewBox="0 0 120px 80">)~",
                             R"~(<svg viewBox="0 0 120 80 1">)~", R"~(<svg viewBox="0 0 120 -80">)~",
                             R"~(<svg viewBox="0 0 nan 80">)~", R"~(<svg viewBox="0 0 120 80)~"})
        EXPECT_EQ(viewBoxSize(text), std::nullopt) << text;
}

TEST_F(CoreSVGDecoderTest, ADocumentIsDrawnStretchedAtEverySizeOnATransparentBackground) {
    const auto path = write("halves.svg", halves(R"~(width="60" height="40")~"));
    for (auto [w, h] : {std::pair{60.0, 40.0}, {6.0, 4.0}, {600.0, 400.0}, {120.0, 40.0}}) {
        const auto image = render(path, w, h);
        ASSERT_EQ(image->width(), std::lround(w));
        ASSERT_EQ(image->height(), std::lround(h));
        EXPECT_EQ(pixelAt(*image, image->width() / 4, image->height() / 3), red) << w;
        EXPECT_EQ(pixelAt(*image, image->width() * 3 / 4, image->height() / 3), blue) << w;
        EXPECT_EQ(pixelAt(*image, image->width() / 2, image->height() * 9 / 10), clear) << w;
    }
    // Wider than a cairo surface may be: drawn in tiles, the halves meet in the middle.
    const auto wide = render(path, 40'000, 30);
    EXPECT_EQ(pixelAt(*wide, 100, 5), red);
    EXPECT_EQ(pixelAt(*wide, 19'900, 5), red);
    EXPECT_EQ(pixelAt(*wide, 33'000, 5), blue);
    EXPECT_EQ(thrownBy([&] { render(path, 1'000'000, 1'000'000); }), ConversionError::imageTooLarge(1'000'000, 1'000'000));
}

TEST_F(CoreSVGDecoderTest, NothingOutsideTheDocumentIsEverRead) {
    // A red picture beside the document, and a style sheet and an XML fragment that would
    // paint everything red if they were read.
    folder.write("red.png", *encodeSample(SampleImage{}, ".png"));
    write("paint.css", "rect { fill: #f00 !important; }");
    write("fragment.xml", R"~(<rect xmlns="http://www.w3.org/2000/svg" width="60" height="40" fill="#f00"/>)~");
    const std::string redFile = "file://" + folder.file("red.png").string();
    const std::vector<std::string> documents{
        R"~(<svg xmlns="http://www.w3.org/2000/svg" width="60" height="40"><style>@import url("paint.css");</style><rect width="60" height="40" fill-opacity="0"/></svg>)~",
        R"~(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xi="http://www.w3.org/2001/XInclude" width="60" height="40"><xi:include href="fragment.xml"/></svg>)~",
        R"~(<svg xmlns="http://www.w3.org/2000/svg" width="60" height="40"><image href=")~" + redFile + R"~(" width="60" height="40"/></svg>)~",
        R"~(<svg xmlns="http://www.w3.org/2000/svg" width="60" height="40"><rect width="60" height="40" fill="url(fragment.xml#r)"/></svg>)~",
    };
    for (const auto& document : documents) {
        const auto path = write("outside.svg", document);
        // The screening sends the external image to the browser; the drawer is asked directly.
        const auto image = CoreSVGSource(path, {60, 40}).render(60, 40);
        for (auto [x, y] : {std::pair{5, 5}, {30, 20}, {55, 35}}) EXPECT_EQ(pixelAt(*image, x, y), clear) << document;
    }
}

TEST_F(CoreSVGDecoderTest, ACompressedDocumentIsRefusedEvenThoughTheDrawerCouldInflateIt) {
    const auto gzipMessage = ConversionError::unsupportedInput(
        "This SVG is gzip-compressed (.svgz), which this computer can't read. An uncompressed .svg will work.");
    // A filter would send it to the browser, but the compression is found first.
    const auto path = folder.file("packed.svg");
    const std::string text = halves(R"~(width="60" height="40")~") + "<!-- <filter -->";
    gzFile packed = gzopen(path.c_str(), "wb9");
    ASSERT_EQ(gzwrite(packed, text.data(), static_cast<unsigned>(text.size())), static_cast<int>(text.size()));
    ASSERT_EQ(gzclose(packed), Z_OK);
    EXPECT_EQ(thrownBy([&] { decoder.properties(path); }), gzipMessage);
    EXPECT_EQ(thrownBy([&] { decoder.decode(path); }), gzipMessage);
    EXPECT_EQ(thrownBy([&] { CoreSVGSource(path, {60, 40}).render(60, 40); }), ConversionError::decodeFailed("packed.svg"));
    // One byte of the signature is not a signature.
    EXPECT_NO_THROW(refuseGzippedSVG(platform::Bytes{0x1F}));
}

// The browser's side of the hand-over is the WebKit decoder's to show.
TEST_F(CoreSVGDecoderTest, WhatTheDrawerCannotDrawFailsWithoutAFallbackAndWhatItCanIsNeverHandedOver) {
    const auto path = write("blurred.svg", R"~(<svg xmlns="http://www.w3.org/2000/svg" width="60" height="40">
  <filter id="b"><feGaussianBlur stdDeviation="2"/></filter><rect width="60" height="40" filter="url(#b)"/></svg>)~");
    EXPECT_EQ(thrownBy([&] { decoder.decode(path); }),
              ConversionError::unsupportedInput("This SVG uses filters, masks, web fonts or animation, which this app can't draw."));
    // Its properties are read all the same.
    const auto properties = decoder.properties(path);
    EXPECT_EQ(std::tuple(properties.pixelWidth, properties.isVector), std::tuple(60, true));

    const auto plain = write("plain.svg", halves(R"~(width="60" height="40")~"));
    const auto decoded = DecoderRegistry::standard().decoder(plain)->decode(plain, 1);
    ASSERT_NE(decoded.asVector(), nullptr);
    EXPECT_NE(dynamic_cast<const CoreSVGSource*>(decoded.asVector()->source.get()), nullptr);
}

TEST_F(CoreSVGDecoderTest, ASourceRereadsItsFileAtEveryRender) {
    const auto path = write("changing.svg", halves(R"~(width="60" height="40")~"));
    const auto decoded = decoder.decode(path);
    EXPECT_EQ(pixelAt(*decoded.asVector()->source->render(60, 40), 10, 10), red);
    write("changing.svg", R"~(<svg xmlns="http://www.w3.org/2000/svg" width="60" height="40"><rect width="60" height="40" fill="#00f"/></svg>)~");
    EXPECT_EQ(pixelAt(*decoded.asVector()->source->render(60, 40), 10, 10), blue);
    write("changing.svg", "not an SVG at all");
    EXPECT_EQ(thrownBy([&] { decoded.asVector()->source->render(60, 40); }), ConversionError::decodeFailed("changing.svg"));
}

} // namespace
