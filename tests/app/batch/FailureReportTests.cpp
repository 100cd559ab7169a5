#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Pipeline/ConversionEngine.h"
#include "app/export/ExportWriterError.h"
#include "app/batch/BatchItem.h"
#include "app/batch/EngineConverting.h"
#include "app/batch/FailureDetails.h"
#include "platform/files/PathCutting.h"
#include "app/export/ReplaceRefusal.h"
#include "support/JPEGSamples.h"
#include "support/TemporaryFolder.h"
#include "support/Thrown.h"

#include <QLocale>
#include <QStringList>

#include <gtest/gtest.h>

#include <cerrno>
#include <limits>

namespace {

using namespace pictavo;
using platform::FileError;
using platform::FileOperation;

class FailureReports : public testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    static OutputSpec jpegSpec() {
        return OutputSpec{OutputFormat::jpeg(), ResizeSpec::original(), QualityMode::quality(80),
                          MetadataPolicy::keepAll, ColourPolicy::convertToSRGB, MatteColour::white(),
                          Adjustments::none(), "{name}.{format}"};
    }
    static FailureDetails::Environment environment() {
        return {QStringLiteral("1.2"), QStringLiteral("45"), QStringLiteral("direct download"),
                QStringLiteral("Debian GNU/Linux 12 (bookworm), kernel 6.1.0")};
    }
};

TEST_F(FailureReports, ThirteenLinesForAConversionErrorOfATurnedPhoto) {
    ImageProperties properties;
    properties.pixelWidth = 4032;
    properties.pixelHeight = 3024;
    properties.orientation = 6;
    properties.sourceUTType = platform::ContentType::heic();
    auto source = FailureDetails::Source::fromProperties(properties);
    source.byteCount = 2'400'000;

    const QString report = FailureDetails::report(ConversionError::encodeFailed(OutputFormat::jpeg()),
                                                  "/home/x/Pictures/IMG_0001.HEIC", jpegSpec(), source, environment());
    EXPECT_EQ(report.split('\n'),
              (QStringList{"Writing JPEG failed.", "", "File: IMG_0001.HEIC",
                           QString::fromUtf8("Source: HEIC, 3,024 \u00D7 4,032, 2.4 MB, Exif orientation 6"),
                           "App: 1.2 (45), direct download", "Linux: Debian GNU/Linux 12 (bookworm), kernel 6.1.0",
                           "Writing: JPEG, quality 80", "Size: original size", "Colour: converted to sRGB",
                           "Matte: white", "Metadata: kept", "Adjustments: none", "Error: encodeFailed(public.jpeg)"}));
    EXPECT_FALSE(report.contains("/home"));
}

TEST_F(FailureReports, ABrokenFilesReportCarriesTheLibrarysWordsInTheErrorLineOnly) {
    // A JPEG cut off inside its header: libvips refuses it and says why.
    const platform::Bytes whole = testing_support::makeJpeg(64, 48);
    const platform::Bytes cut(whole.begin(), whole.begin() + 200);
    testing_support::TemporaryFolder folder;
    const auto file = folder.write("broken.jpg", cut);
    const ConversionEngine engine(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                  SourceOptimiserRegistry::standard());
    OutputSpec spec = jpegSpec();
    spec.format = OutputFormat::png();
    const auto failure = testing_support::thrown<ConversionError>(
        [&] { static_cast<void>(engine.convert(file, spec, 1, EncodeEffort::final)); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(*failure, ConversionError::decodeFailed("broken.jpg"));
    EXPECT_NE(failure->cause().find("libvips: "), std::string::npos) << failure->cause();

    const QStringList lines = FailureDetails::report(*failure, file, spec, std::nullopt, environment()).split('\n');
    ASSERT_EQ(lines.size(), 12);
    EXPECT_EQ(lines[0], "broken.jpg can't be opened. It may be damaged.");
    const QString words = QString::fromStdString(failure->cause());
    EXPECT_EQ(lines[11], "Error: decodeFailed(broken.jpg) because " + words);
    EXPECT_GT(words.size(), QStringLiteral("libvips: ").size());
    EXPECT_FALSE(lines.join('\n').contains(QString::fromStdString(folder.path().string())));
}

TEST_F(FailureReports, CausesStayOutOfTheSentenceAndPathsInLibraryWordsAreCutToTheirNames) {
    const auto plain = ConversionError::encodeFailed(OutputFormat::webp());
    const auto explained = plain.withCause("libwebp: WebPEncode failed (6)");
    EXPECT_EQ(explained, plain);
    EXPECT_EQ(explained.errorDescription(), plain.errorDescription());
    EXPECT_EQ(explained.diagnostic(), "encodeFailed(org.webmproject.webp) because libwebp: WebPEncode failed (6)");
    EXPECT_EQ(plain.withCause("").diagnostic(), "encodeFailed(org.webmproject.webp)");
    // A path a library wrote into its words is cut like any other in the report.
    const auto named = ConversionError::decodeFailed("a.exr").withCause("libvips: unable to open \"/home/x/Pictures/a.exr\"");
    EXPECT_EQ(FailureDetails::diagnostic(named),
              QString::fromUtf8("decodeFailed(a.exr) because libvips: unable to open \"/\u2026/a.exr\""));

    // No source line when nothing but the orientation is known.
    FailureDetails::Source source;
    source.exifOrientation = 3;
    EXPECT_EQ(FailureDetails::sourceLine(source), std::nullopt);
    const QString report = FailureDetails::report(ReplaceRefusal::sourceChanged(), "a.png", jpegSpec(), source, environment());
    EXPECT_EQ(report.split('\n').size(), 12);
    EXPECT_FALSE(report.contains("Source: "));

    const auto error = ConversionError::unsupportedInput("\"/home/x/My Pictures/a.png\" is not a known file format");
    EXPECT_EQ(FailureDetails::description(error), QString::fromUtf8("\"/\u2026/a.png\" is not a known file format"));
    EXPECT_EQ(platform::cuttingPaths("cannot open /tmp/x/y.svg: no such file"), "cannot open /\u2026/y.svg: no such file");
    EXPECT_EQ(platform::cuttingPaths("failed (/var/a/b.png)."), "failed (/\u2026/b.png).");
    // Fractions and words with slashes are not paths; a lone "/name" has no folder to hide.
    EXPECT_EQ(platform::cuttingPaths("1/2 and/or /root"), "1/2 and/or /root");
    EXPECT_EQ(FailureDetails::description(std::runtime_error("at /home/x/f.png")), QString::fromUtf8("at /\u2026/f.png"));

    // The writing line names Same as source by what it became for the source.
    OutputSpec spec = jpegSpec();
    spec.format = OutputFormat::sameAsSource();
    EXPECT_EQ(FailureDetails::writingLine(spec, std::nullopt), "Same as source");
    FailureDetails::Source read;
    read.utType = platform::ContentType::jpeg();
    EXPECT_EQ(FailureDetails::writingLine(spec, read), "Same as source");
    read.sameAsSource = OutputFormat::jpeg();
    EXPECT_EQ(FailureDetails::writingLine(spec, read), "Same as source (JPEG), quality 80");
    read.sameAsSource = OutputFormat::png();
    EXPECT_EQ(FailureDetails::writingLine(spec, read), "Same as source (PNG)");
    spec.format = OutputFormat::png();
    EXPECT_EQ(FailureDetails::writingLine(spec, std::nullopt), "PNG");
    spec.format = OutputFormat::webp();
    spec.quality = QualityMode::targetBytes(150'000);
    EXPECT_EQ(FailureDetails::writingLine(spec, std::nullopt), "WebP, target 150 kB");
}

TEST_F(FailureReports, SameAsSourceNamesTheFormatTheConversionReallyWrites) {
    // A drawing is kept as a drawing only while nothing redraws it: resized, it is written
    // as a picture, and the report must name that picture's format, not the drawing's.
    ImageProperties drawing;
    drawing.pixelWidth = 64;
    drawing.pixelHeight = 48;
    drawing.hasAlpha = true;
    drawing.isVector = true;
    drawing.sourceUTType = platform::ContentType::svg();
    const ConversionEngine engine(DecoderRegistry::standard(), EncoderRegistry::standard(),
                                  SourceOptimiserRegistry::standard());
    const EngineConverting converting(engine);
    BatchItem card;
    card.header = FailureDetails::Source::fromProperties(drawing);
    OutputSpec spec = jpegSpec();
    spec.format = OutputFormat::sameAsSource();
    spec.quality = QualityMode::lossless();
    spec.colour = ColourPolicy::preserve;
    spec.metadata = MetadataPolicy::strip;
    const auto writing = [&] { return FailureDetails::writingLine(spec, reportedSource(card, spec, converting)); };
    EXPECT_EQ(writing(), "Same as source (SVG)");
    spec.sizing = ResizeSpec::scale(0.5);
    EXPECT_EQ(writing(), "Same as source (PNG)");
    spec.sizing = ResizeSpec::original();
    spec.adjustments.greyscale = true;
    EXPECT_EQ(writing(), "Same as source (PNG)");

    // And it is the format a real conversion of a real drawing writes, kept or redrawn.
    testing_support::TemporaryFolder folder;
    const std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"30\">"
                            "<rect width=\"20\" height=\"30\" fill=\"#c30\"/></svg>";
    const auto file = folder.write("square.svg", platform::Bytes(svg.begin(), svg.end()));
    card.header = FailureDetails::Source::fromProperties(engine.properties(file));
    for (const auto& sizing : {ResizeSpec::original(), ResizeSpec::scale(0.5)}) {
        spec.adjustments.greyscale = false;
        spec.sizing = sizing;
        const OutputFormat written = engine.convert(file, spec, 1, EncodeEffort::preview).format;
        EXPECT_EQ(writing(), QStringLiteral("Same as source (%1)").arg(QString::fromStdString(written.displayName())));
    }
}

TEST_F(FailureReports, FileErrorsReadAsAboutTheCardsFileInAFolderCalledEllipsis) {
    const FileError denied("/home/x/Pictures/out/photo.webp", EACCES, FileOperation::write);
    const QStringList lines = FailureDetails::report(denied, "/home/x/Pictures/photo.png", jpegSpec(), std::nullopt,
                                                     environment()).split('\n');
    EXPECT_EQ(lines.first(),
              QString::fromUtf8("You don't have permission to save the file \"photo.png\" in the folder \"\u2026\"."));
    EXPECT_EQ(lines.last(), "Error: POSIX 13 (Permission denied)");

    const auto refused = ExportWriterError::trashRefused(denied);
    const QStringList wrapped =
        FailureDetails::report(refused, "/home/x/photo.png", jpegSpec(), std::nullopt, environment()).split('\n');
    EXPECT_EQ(wrapped.first(), QString::fromUtf8("The original couldn't be moved to the Trash, so it was left as it is "
                                                 "(You don't have permission to save the file \"photo.png\" in the "
                                                 "folder \"\u2026\")."));
    EXPECT_FALSE(wrapped.join('\n').contains("Pictures"));
    EXPECT_EQ(wrapped.last(), "Error: trashRefused(POSIX 13) (Permission denied)");
}

TEST_F(FailureReports, SizeMatteAndAdjustmentTexts) {
    const std::pair<ResizeSpec, QString> sizes[] = {
        {ResizeSpec::fit(std::nullopt, std::nullopt), "original size"},
        {ResizeSpec::fit(1920, 1080), QString::fromUtf8("fit within 1,920 \u00D7 1,080 px")},
        {ResizeSpec::fit(1200, std::nullopt), "fit within 1,200 px wide"},
        {ResizeSpec::fit(std::nullopt, 800), "fit within 800 px high"}, {ResizeSpec::percentage(0.5), "50%"},
        {ResizeSpec::scale(2), "@2x"}, {ResizeSpec::scale(1.5), "@1.5x"},
        {ResizeSpec::longestEdge(2048), "longest edge 2,048 px"}};
    for (const auto& [size, text] : sizes) EXPECT_EQ(FailureDetails::sizeText(size), text);

    EXPECT_EQ(FailureDetails::matteText({0.5, 0, 1}), "#8000FF");
    EXPECT_EQ(FailureDetails::matteText(MatteColour::black()), "black");
    // A corrupt stored value reads as none of that colour rather than as undefined behaviour.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(FailureDetails::matteText({nan, 7, -3}), "#00FF00");
    EXPECT_EQ(FailureDetails::matteText({std::numeric_limits<double>::infinity(), 0.2, 0}), "#003300");

    Adjustments adjustments;
    adjustments.reorientation = Reorientation(1, false);
    adjustments.greyscale = true;
    EXPECT_EQ(FailureDetails::adjustmentsText(adjustments), "turned right, greyscale");
    adjustments.reorientation = Reorientation();
    EXPECT_EQ(FailureDetails::adjustmentsText(adjustments), "greyscale");
}

} // namespace
