#include "ConversionTesting.h"

#include "support/ConversionErrorCapture.h"
#include "support/PDFSamples.h"

#include <gtest/gtest.h>

#include <future>
#include <zlib.h>

namespace {

using namespace pictavo;
using namespace pipeline_testing;
using testing_support::TemporaryFolder;

platform::Bytes bytesOf(const std::string& text) { return platform::Bytes(text.begin(), text.end()); }

const OutputFormat svg{platform::ContentType::svg()};

// A JPEG four times the drawing's size, laid on the given matte.
OutputSpec largeJPEGOn(MatteColour matte) {
    auto spec = specFor(OutputFormat::jpeg());
    spec.quality = QualityMode::quality(90);
    spec.sizing = ResizeSpec::scale(4);
    spec.matte = matte;
    return spec;
}

class VectorSourceConversion : public testing::Test {
protected:
    ConversionResult convert(const std::filesystem::path& path, const OutputSpec& spec, std::int64_t page = 1) const {
        return standardEngine().convert(path, spec, page, EncodeEffort::final);
    }
    TemporaryFolder folder;
};

TEST_F(VectorSourceConversion, APDFKeptAsPDFIsTheSameFileAndAnSVGKeptAsSVGLosesOnlyItsMetadataWhenAsked) {
    const auto file = testing_support::handWrittenPDF({{}});
    const auto result = convert(folder.write("page.pdf", file), specFor(OutputFormat::pdf()));
    EXPECT_EQ(*result.data, file);
    EXPECT_TRUE(result.warnings.empty());

    const std::string source = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"60\" height=\"40\">\n"
                               "  <metadata><x>author</x></metadata>\n"
                               "  <rect width=\"60\" height=\"40\" fill=\"#f00\"/>\n</svg>\n";
    const auto path = folder.write("drawing.svg", bytesOf(source));
    auto spec = specFor(svg);
    EXPECT_EQ(*convert(path, spec).data, bytesOf(source));
    spec.metadata = MetadataPolicy::strip;
    EXPECT_EQ(*convert(path, spec).data,
              bytesOf("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"60\" height=\"40\">\n"
                      "  <rect width=\"60\" height=\"40\" fill=\"#f00\"/>\n</svg>\n"));
    // No encoder writes SVG: metadata that cannot be cut cannot be removed.
    // librsvg cannot read it either; its size comes from the view box.
    folder.write("drawing.svg", bytesOf("<!DOCTYPE svg [ <!ENTITY a 'x'> ]><svg viewBox=\"0 0 6 4\"><metadata/>&b;</svg>"));
    const auto error = testing_support::thrownBy([&] { convert(path, spec); });
    EXPECT_EQ(error, ConversionError::metadataNotRemovable(svg));
    EXPECT_EQ(error.diagnostic(), "metadataNotRemovable(public.svg-image) because an entity this does not resolve: &b;");
}

TEST_F(VectorSourceConversion, PDFPagesAndSVGDocumentsAreDrawnAtTheSizeAsked) {
    const auto pdf = folder.write("two.pdf", testing_support::handWrittenPDF({testing_support::handWrittenPage({0, 0, 100, 100}),
                                                                               testing_support::handWrittenPage({0, 0, 200, 100}, std::nullopt, 90)}));
    auto spec = specFor(OutputFormat::png());
    spec.sizing = ResizeSpec::longestEdge(2000);
    const auto image = decodedOutput(convert(pdf, spec, 2), folder, {1000, 2000});
    EXPECT_PRED3(near, colourAt(*image, 500, 400), (std::array<int, 4>{255, 0, 0, 255}), 0);
    EXPECT_PRED3(near, colourAt(*image, 500, 1600), (std::array<int, 4>{0, 0, 255, 255}), 0);

    const auto drawing = folder.write("half.svg", bytesOf(R"~(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 30 20"><rect width="15" height="20" fill="#0f0"/></svg>)~"));
    const auto flattened = decodedOutput(convert(drawing, largeJPEGOn(MatteColour{0, 0, 1})), folder, {120, 80});
    EXPECT_PRED3(near, colourAt(*flattened, 20, 40), (std::array<int, 4>{0, 255, 0, 255}), 8);
    EXPECT_PRED3(near, colourAt(*flattened, 100, 40), (std::array<int, 4>{0, 0, 255, 255}), 8);
}

// What the system drawer cannot draw the browser draws, and it converts like any other drawing.
TEST_F(VectorSourceConversion, AnSVGOnlyTheBrowserDrawsConvertsWithAndWithoutTransparency) {
    const auto drawing = folder.write("flooded.svg", bytesOf(R"~(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 30 20">
  <filter id="f" x="0" y="0" width="1" height="1"><feFlood flood-color="#0000ff"/></filter>
  <rect width="15" height="20" filter="url(#f)"/></svg>)~"));
    // A conversion that waits for the browser may not run on the main thread.
    const auto converted = [&](const OutputSpec& spec) {
        return std::async(std::launch::async, [&] { return convert(drawing, spec); }).get();
    };
    auto png = specFor(OutputFormat::png());
    png.sizing = ResizeSpec::scale(4);
    const auto transparent = decodedOutput(converted(png), folder, {120, 80});
    EXPECT_PRED3(near, colourAt(*transparent, 20, 40), (std::array<int, 4>{0, 0, 255, 255}), 0);
    EXPECT_EQ(colourAt(*transparent, 100, 40)[3], 0);

    const auto flattened = decodedOutput(converted(largeJPEGOn(MatteColour{1, 0, 0})), folder);
    EXPECT_PRED3(near, colourAt(*flattened, 20, 40), (std::array<int, 4>{0, 0, 255, 255}), 8);
    EXPECT_PRED3(near, colourAt(*flattened, 100, 40), (std::array<int, 4>{255, 0, 0, 255}), 8);
}

} // namespace

namespace {

// A file named .svgz is an SVG: whatever it is asked to become, the user is told it is
// compressed and that an uncompressed one will do, not that .svgz files are unknown.
TEST_F(VectorSourceConversion, ACompressedSVGIsToldApartFromAnUnknownKindOfFile) {
    const std::string text = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"60\" height=\"40\"/>";
    const auto path = folder.file("drawing.SVGZ");
    gzFile packed = gzopen(path.c_str(), "wb9");
    ASSERT_EQ(gzwrite(packed, text.data(), static_cast<unsigned>(text.size())), static_cast<int>(text.size()));
    ASSERT_EQ(gzclose(packed), Z_OK);
    const auto compressed = ConversionError::unsupportedInput(
        "This SVG is gzip-compressed (.svgz), which this computer can't read. An uncompressed .svg will work.");
    for (const auto& format : {OutputFormat::png(), svg, OutputFormat::sameAsSource()}) {
        SCOPED_TRACE(format.displayName());
        EXPECT_EQ(testing_support::thrownBy([&] { convert(path, specFor(format)); }), compressed);
    }
    EXPECT_EQ(testing_support::thrownBy([&] { standardEngine().decoders().decoder(folder.file("notes.svgy")); }),
              ConversionError::unsupportedInput("This computer can't read .svgy files."));
}

} // namespace
