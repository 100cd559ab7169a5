#include "ImageEngine/Model/ConversionError.h"

#include "support/EnglishNumbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <unordered_set>

using namespace pictavo;

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();
const double notANumber = std::nan("");

class EnglishErrors : public testing_support::EnglishNumbers {};

} // namespace

TEST_F(EnglishErrors, EveryCaseHasItsSentenceAndDiagnosticAndUnreadableSizesTheirOwn) {
    const auto jpeg = OutputFormat::jpeg();
    const std::vector<std::tuple<ConversionError, std::string, std::string>> cases = {
        {ConversionError::unsupportedInput("This computer can't read .xyz files."),
         "This computer can't read .xyz files.", "unsupportedInput(This computer can't read .xyz files.)"},
        {ConversionError::decodeFailed("Holiday.heic"),
         "Holiday.heic can't be opened. It may be damaged.", "decodeFailed(Holiday.heic)"},
        {ConversionError::renderFailed(RenderFailure::resizing()),
         "This image can't be processed: resizing it failed.", "renderFailed(resizing)"},
        {ConversionError::noEncoder(jpeg), "This computer can't write JPEG.", "noEncoder(public.jpeg)"},
        {ConversionError::noEncoder(OutputFormat::sameAsSource()),
         "This computer can't write Same as source.", "noEncoder(com.brackwen.pictavobyfenwid.same-as-source)"},
        {ConversionError::formatNeedsAMatchingSource(OutputFormat::pdf()),
         "PDF can only be kept, not created, so this file can't become one.",
         "formatNeedsAMatchingSource(com.adobe.pdf)"},
        {ConversionError::metadataNotRemovable(OutputFormat::png()),
         "This PNG's metadata couldn't be removed safely, so it wasn't converted. Turning on Keep EXIF and GPS "
         "converts it as it is.", "metadataNotRemovable(public.png)"},
        {ConversionError::encodeFailed(OutputFormat::webp()),
         "Writing WebP failed.", "encodeFailed(org.webmproject.webp)"},
        {ConversionError::imageTooLarge(12000, 9000.4),
         "This image is too large to process (12,000 \u00D7 9,000 pixels).", "imageTooLarge(12000.0 by 9000.4)"},
        {ConversionError::sourceTooSmallForIcon(16),
         "This image is smaller than 16 px, the smallest size an icon file holds.",
         "sourceTooSmallForIcon(smallest: 16)"},
        {ConversionError::pageOutOfRange(3, 1),
         "That page isn't there any more. This file has 1 page.", "pageOutOfRange(page: 3, of: 1)"},
        {ConversionError::pageOutOfRange(3, 0),
         "That page isn't there any more. This file has 0 pages.", "pageOutOfRange(page: 3, of: 0)"},
        {ConversionError::pageOutOfRange(12, 11000),
         "That page isn't there any more. This file has 11000 pages.", "pageOutOfRange(page: 12, of: 11000)"},
    };
    for (const auto& [error, description, diagnostic] : cases) {
        EXPECT_EQ(error.errorDescription(), description);
        EXPECT_EQ(error.diagnostic(), diagnostic);
        // What a caller that knows nothing of conversions shows is the same sentence.
        EXPECT_EQ(std::string(static_cast<const std::exception&>(error).what()), description);
    }

    // Sizes that cannot be read get their own sentence.
    const std::string unreadable = "This image doesn't declare a size that can be read. It may be damaged.";
    for (double bad : {0.0, 0.3, 0.49, -5.0, infinity, -infinity, notANumber, 1e15, 1e300}) {
        EXPECT_EQ(ConversionError::imageTooLarge(bad, 100).errorDescription(), unreadable) << bad;
        EXPECT_EQ(ConversionError::imageTooLarge(100, bad).errorDescription(), unreadable) << bad;
    }
    EXPECT_EQ(ConversionError::imageTooLarge(0.5, 999999999999999).errorDescription(),
              "This image is too large to process (1 \u00D7 999,999,999,999,999 pixels).");
    EXPECT_EQ(ConversionError::imageTooLarge(1000000.5, 2.5).errorDescription(),
              "This image is too large to process (1,000,001 \u00D7 3 pixels).");
    EXPECT_EQ(ConversionError::imageTooLarge(infinity, notANumber).diagnostic(), "imageTooLarge(inf by nan)");
    EXPECT_EQ(ConversionError::imageTooLarge(1e16, -0.00001).diagnostic(), "imageTooLarge(1e+16 by -1e-05)");
}

// The clauses themselves stand in one place; what a slip there would break is a case telling
// another's clause or diagnostic, or a payload left out of them.
TEST(RenderFailure, EveryCaseHasAClauseAndADiagnosticOfItsOwnWithItsPayloadAndEqualValuesHashAlike) {
    const std::vector<RenderFailure> cases = {
        RenderFailure::turning(), RenderFailure::resizing(), RenderFailure::background(), RenderFailure::colour(),
        RenderFailure::greyscale(), RenderFailure::iconRung(512), RenderFailure::vectorHasNoSize(),
        RenderFailure::vectorProducedNoImage(800, 600), RenderFailure::pdfPageHasNoSize(3),
        RenderFailure::pdfPageProducedNoImage(12000, 9000), RenderFailure::noDrawingSurface(640, -1),
        RenderFailure::browserNeedsBackgroundThread(), RenderFailure::browserTimedOut(30),
        RenderFailure::browserReturnedNothing(), RenderFailure::browserStalled(),
        RenderFailure::browserProducedNoImage(), RenderFailure::browserCouldNotBeIsolated(),
        RenderFailure::browserCouldNotAssemble(4096, 2048), RenderFailure::browserRenderedWrongSize(100, 50, 200, 100),
        RenderFailure::browser("the page script threw"),
    };
    ASSERT_EQ(cases.size(), std::variant_size_v<RenderFailure::Case>);
    std::unordered_set<std::string> sentences, diagnostics;
    for (const RenderFailure& failure : cases) {
        EXPECT_FALSE(failure.sentence().empty()) << failure.diagnostic();
        EXPECT_TRUE(sentences.insert(failure.sentence()).second) << failure.sentence();
        EXPECT_TRUE(diagnostics.insert(failure.diagnostic()).second) << failure.diagnostic();
    }
    EXPECT_EQ(RenderFailure::noDrawingSurface(640, -1).sentence(),
              "your computer would not provide a 640 by -1 drawing surface");
    EXPECT_EQ(RenderFailure::browserRenderedWrongSize(100, 50, 200, 100).diagnostic(),
              "browserRenderedWrongSize(100 by 50, wanted 200 by 100)");
    EXPECT_EQ(ConversionError::renderFailed(RenderFailure::browser("the page script threw")).errorDescription(),
              "This image can't be processed: the page script threw.");

    const std::unordered_set<RenderFailure> seen{
        RenderFailure::turning(),   RenderFailure::turning(),
        RenderFailure::resizing(),  RenderFailure::vectorProducedNoImage(1, 2),
        RenderFailure::vectorProducedNoImage(1, 2), RenderFailure::pdfPageProducedNoImage(1, 2),
        RenderFailure::vectorProducedNoImage(2, 1), RenderFailure::browser("x"),
    };
    EXPECT_EQ(seen.size(), 6u);
    EXPECT_EQ(RenderFailure::browser("x").hash(), RenderFailure::browser("x").hash());
}
