#include "ImageEngine/Decoding/DecoderRegistry.h"
#include "ImageEngine/Decoding/PDFDecoder.h"
#include "ImageEngine/Decoding/PDFPageBox.h"
#include "ImageEngine/Model/ConversionError.h"
#include "platform/files/FilePath.h"
#include "support/ConversionErrorCapture.h"
#include "support/PDFSamples.h"
#include "support/SampleImages.h"
#include "support/TemporaryFolder.h"
#include "support/TestImages.h"
#include "support/Thrown.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

using namespace pictavo;
using namespace testing_support;

namespace {

const PDFDecoder decoder;

const std::vector<int> red{255, 0, 0, 255};
const std::vector<int> blue{0, 0, 255, 255};
const std::vector<int> clear{0, 0, 0, 0};

platform::ImageRef rendered(const DecodedImage& decoded, double width, double height) {
    return decoded.asVector()->source->render(width, height);
}

// Pages of 300 x 200, 100 x 400 and 50 x 50 points, each painted green in its top half only.
platform::Bytes cairoDocument() {
    return cairoPDF(300, 200, [](cairo_surface_t* surface, cairo_t* context) {
        for (auto [w, h] : {std::pair{300.0, 200.0}, {100.0, 400.0}, {50.0, 50.0}}) {
            cairo_pdf_surface_set_size(surface, w, h);
            cairo_set_source_rgb(context, 0, 1, 0);
            cairo_rectangle(context, 0, 0, w, h / 2);
            cairo_fill(context);
            cairo_show_page(context);
        }
    });
}

// Cells of a dozen different colours across and down the box, so that a page shifted,
// turned or mirrored by any amount shows.
std::string checkerDrawing(const PDFBox& box) {
    constexpr int cells = 12;
    const double width = (box[2] - box[0]) / cells;
    const double height = (box[3] - box[1]) / cells;
    std::ostringstream text;
    for (int row = 0; row < cells; ++row)
        for (int column = 0; column < cells; ++column)
            text << (column * 21 % 256) / 255.0 << " " << (row * 21 % 256) / 255.0 << " "
                 << ((row + 2 * column) * 13 % 256) / 255.0 << " rg " << box[0] + column * width << " "
                 << box[1] + row * height << " " << width << " " << height << " re f\n";
    return text.str();
}

HandWrittenPage checkerPage(PDFBox mediaBox, std::optional<PDFBox> cropBox = std::nullopt, std::optional<int> rotate = std::nullopt) {
    return handWrittenPage(mediaBox, cropBox, rotate, checkerDrawing(mediaBox));
}

// pdftoppm, poppler's own command, draws one page on white paper, one pixel to the point:
// its media box unless `options` says otherwise.
platform::ImageRef pdftoppm(const std::filesystem::path& pdf, int page, const std::string& options = {}, int resolution = 72) {
    const auto prefix = pdf.parent_path() / ("reference-" + std::to_string(page));
    const std::string command = "pdftoppm -r " + std::to_string(resolution) + " -f " + std::to_string(page) + " -l " +
                                std::to_string(page) + " " + options + " -png -singlefile '" + pdf.string() + "' '" +
                                prefix.string() + "'";
    if (std::system(command.c_str()) != 0) return nullptr;
    return imageReadWithVips(readFile(prefix.string() + ".png"));
}

// The mean difference per channel of ours, laid over white, from the reference's part that
// starts at (left, top), over every `step`-th pixel across and down.
double differenceOverWhite(const platform::Image& ours, const platform::Image& reference, std::int64_t left = 0,
                           std::int64_t top = 0, std::int64_t step = 1) {
    double difference = 0;
    double compared = 0;
    for (std::int64_t y = 0; y < ours.height(); y += step)
        for (std::int64_t x = 0; x < ours.width(); x += step, ++compared) {
            const auto mine = pixelAt(ours, x, y);
            const auto theirs = pixelAt(reference, left + x, top + y);
            // Ours is premultiplied on a transparent background: laid over white it is theirs.
            for (int c = 0; c < 3; ++c) difference += std::abs(mine[c] + (255 - mine[3]) - theirs[c]);
        }
    return difference / (compared * 3);
}

class PDFDecoderTest : public ::testing::Test {
protected:
    std::filesystem::path write(const std::string& name, const platform::Bytes& bytes) { return folder.write(name, bytes); }
    std::filesystem::path page(const HandWrittenPage& page) { return write("page.pdf", handWrittenPDF({page})); }
    TemporaryFolder folder;
};

TEST_F(PDFDecoderTest, EveryPageOfAMultiPageDocumentHasItsOwnSizeAndIsDrawnOnATransparentBackground) {
    const auto path = write("three.pdf", cairoDocument());
    const auto properties = decoder.properties(path);
    EXPECT_EQ(std::tuple(properties.pixelWidth, properties.pixelHeight, properties.pageCount, properties.hasAlpha,
                         properties.isVector, properties.byteCount),
              std::tuple(300, 200, 3, true, true, static_cast<std::int64_t>(std::filesystem::file_size(path))));
    EXPECT_EQ(properties.sourceUTType, platform::ContentType::pdf());
    EXPECT_FALSE(properties.preserved.has_value());
    // The standard registry reads PDF before the raster reader does.
    EXPECT_NE(dynamic_cast<const PDFDecoder*>(DecoderRegistry::standard().decoder(path).get()), nullptr);

    const auto second = decoder.decode(path, 2);
    EXPECT_EQ(std::tuple(second.properties().pixelWidth, second.properties().pixelHeight), std::tuple(100, 400));
    EXPECT_EQ(second.asVector()->source->intrinsicSize(), (platform::Size{100, 400}));
    // Drawn at half size and at three times: the top half green, the bottom untouched.
    for (double scale : {0.5, 3.0}) {
        const auto image = rendered(second, 100 * scale, 400 * scale);
        ASSERT_EQ(std::pair(image->width(), image->height()), std::pair(std::lround(100 * scale), std::lround(400 * scale)));
        EXPECT_EQ(pixelAt(*image, image->width() / 2, image->height() / 4), (std::vector<int>{0, 255, 0, 255}));
        EXPECT_EQ(pixelAt(*image, image->width() / 2, image->height() * 3 / 4), clear);
    }
    for (std::int64_t page : {4, 0}) EXPECT_EQ(thrownBy([&] { decoder.decode(path, page); }), ConversionError::pageOutOfRange(page, 3));
}

TEST_F(PDFDecoderTest, APageIsStretchedOnEachAxisToTheSizeAskedAndDrawnInTilesBeyondCairosLimit) {
    const auto decoded = decoder.decode(page(handWrittenPage({0, 0, 100, 100})));
    const auto image = rendered(decoded, 100, 50);
    EXPECT_EQ(std::pair(image->width(), image->height()), std::pair(100L, 50L));
    EXPECT_EQ(pixelAt(*image, 10, 25), red);
    EXPECT_EQ(pixelAt(*image, 90, 25), blue);
    EXPECT_EQ(image->alphaInfo(), platform::AlphaInfo::premultipliedLast);

    const auto wide = rendered(decoded, 40'000, 20);
    ASSERT_EQ(wide->width(), 40'000);
    for (std::int64_t x : {0, 19'990}) EXPECT_EQ(pixelAt(*wide, x, 10), red) << x;
    for (std::int64_t x : {20'010, 32'766, 32'767, 39'999}) EXPECT_EQ(pixelAt(*wide, x, 10), blue) << x;
    EXPECT_EQ(pixelAt(*wide, 39'999, 19), blue);
}

// Red on the left, turned right: red comes out on top.
TEST_F(PDFDecoderTest, AQuarterTurnSwapsTheSidesAndTurnsThePageClockwise) {
    struct Case { int rotate; platform::Size size; std::pair<int, int> redAt, blueAt; };
    for (const auto& c : {Case{90, {100, 200}, {50, 40}, {50, 160}}, Case{-270, {100, 200}, {50, 40}, {50, 160}},
                          Case{180, {200, 100}, {160, 50}, {40, 50}}, Case{270, {100, 200}, {50, 160}, {50, 40}}}) {
        SCOPED_TRACE(c.rotate);
        const auto decoded = decoder.decode(page(handWrittenPage({0, 0, 200, 100}, std::nullopt, c.rotate)));
        EXPECT_EQ(decoded.asVector()->source->intrinsicSize(), c.size);
        const auto image = rendered(decoded, c.size.width, c.size.height);
        EXPECT_EQ(pixelAt(*image, c.redAt.first, c.redAt.second), red);
        EXPECT_EQ(pixelAt(*image, c.blueAt.first, c.blueAt.second), blue);
    }
}

// Poppler draws an angle between quarter turns upright; the page goes to the nearest quarter
// turn instead, sized and drawn alike, as poppler draws that quarter turn.
TEST_F(PDFDecoderTest, AnAngleBetweenQuarterTurnsTurnsThePageToTheNearestOne) {
    for (auto [angle, turn] : {std::pair{45, 90}, {135, 180}, {-45, 0}, {225, 270}, {-100, 270}, {314, 270}, {315, 0}}) {
        SCOPED_TRACE(angle);
        const auto reference = pdftoppm(write("turned.pdf", handWrittenPDF({checkerPage({0, 0, 240, 120}, std::nullopt, turn)})), 1);
        ASSERT_TRUE(reference) << "pdftoppm (poppler-utils) is needed";
        const auto decoded = decoder.decode(write("angled.pdf", handWrittenPDF({checkerPage({0, 0, 240, 120}, std::nullopt, angle)})));
        const auto size = decoded.asVector()->source->intrinsicSize();
        EXPECT_EQ(size, (platform::Size{static_cast<double>(reference->width()), static_cast<double>(reference->height())}));
        EXPECT_EQ(std::pair(decoded.properties().pixelWidth, decoded.properties().pixelHeight),
                  std::pair(reference->width(), reference->height()));
        EXPECT_LT(differenceOverWhite(*rendered(decoded, size.width, size.height), *reference), 1.0);
    }
    EXPECT_EQ(std::vector({PDFPageBox::quarterTurn(44), PDFPageBox::quarterTurn(-359), PDFPageBox::quarterTurn(-90),
                           PDFPageBox::quarterTurn(-315), PDFPageBox::quarterTurn(359)}),
              std::vector({0, 0, 270, 90, 0}));
}

TEST_F(PDFDecoderTest, TheCropBoxWithinTheMediaBoxSizesAndClipsThePage) {
    // Only the right, blue half of the media box is kept.
    const auto cropped = decoder.decode(page(handWrittenPage({0, 0, 200, 100}, PDFBox{100, 0, 200, 100})));
    EXPECT_EQ(cropped.asVector()->source->intrinsicSize(), (platform::Size{100, 100}));
    const auto image = rendered(cropped, 100, 100);
    EXPECT_EQ(pixelAt(*image, 5, 50), blue);
    EXPECT_EQ(pixelAt(*image, 95, 50), blue);

    // A crop box reaching outside the media box counts only where the two overlap.
    const auto overlapping = decoder.decode(page(handWrittenPage({0, 0, 200, 100}, PDFBox{150, -50, 300, 100})));
    EXPECT_EQ(overlapping.asVector()->source->intrinsicSize(), (platform::Size{50, 100}));
}

// Poppler keeps the media box's sides where the crop box is wider or taller than it, and so
// shows a strip the crop box leaves out; pdftoppm's drawing of the media box, cut by hand to
// the overlap, is the page.
TEST_F(PDFDecoderTest, ACropBoxReachingPastTheMediaBoxShowsTheirOverlapAndNothingElse) {
    const auto path = page(checkerPage({0, 0, 612, 792}, PDFBox{50, 50, 700, 700}));
    const auto decoded = decoder.decode(path);
    EXPECT_EQ(decoded.asVector()->source->intrinsicSize(), (platform::Size{562, 650}));
    EXPECT_EQ(std::pair(decoded.properties().pixelWidth, decoded.properties().pixelHeight), std::pair(562L, 650L));
    const auto reference = pdftoppm(path, 1);
    ASSERT_TRUE(reference) << "pdftoppm (poppler-utils) is needed";
    ASSERT_EQ(std::pair(reference->width(), reference->height()), std::pair(612L, 792L));
    // The overlap runs from x 50 and, counted from the top, from 792 - 700.
    EXPECT_LT(differenceOverWhite(*rendered(decoded, 562, 650), *reference, 50, 92), 1.0);

    // Drawn at twice the size, the overlap's edges stay where they were.
    const auto twice = rendered(decoded, 1124, 1300);
    const auto reference2 = pdftoppm(path, 1, {}, 144);
    ASSERT_TRUE(reference2);
    EXPECT_LT(differenceOverWhite(*twice, *reference2, 100, 184, 3), 1.0);
}

TEST_F(PDFDecoderTest, ACropBoxWithNoAreaOrNoOverlapWithTheMediaBoxGivesWayToTheMediaBox) {
    // Missing the media box, zero wide, zero high, touching it only along an edge.
    for (const PDFBox crop : {PDFBox{700, 700, 800, 800}, PDFBox{100, 50, 100, 100}, PDFBox{0, 60, 240, 60},
                              PDFBox{240, 0, 300, 120}}) {
        SCOPED_TRACE(testing::PrintToString(crop));
        const auto path = page(checkerPage({0, 0, 240, 120}, crop));
        const auto decoded = decoder.decode(path);
        EXPECT_EQ(decoded.asVector()->source->intrinsicSize(), (platform::Size{240, 120}));
        EXPECT_EQ(std::pair(decoder.properties(path).pixelWidth, decoder.properties(path).pixelHeight), std::pair(240L, 120L));
        const auto reference = pdftoppm(path, 1);
        ASSERT_TRUE(reference) << "pdftoppm (poppler-utils) is needed";
        EXPECT_LT(differenceOverWhite(*rendered(decoded, 240, 120), *reference), 1.0);
    }

    // Such a page is drawn from a copy of the document with an update written at its end,
    // which holds for compressed object streams and encryption too.
    const auto plain = page(checkerPage({0, 0, 240, 120}, PDFBox{100, 50, 100, 100}));
    const auto packed = folder.file("packed.pdf");
    const std::string command = "qpdf --object-streams=generate --encrypt '' owner 256 -- '" + plain.string() + "' '" +
                                packed.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << "qpdf is needed";
    const auto reference = pdftoppm(packed, 1);
    ASSERT_TRUE(reference) << "pdftoppm (poppler-utils) is needed";
    EXPECT_LT(differenceOverWhite(*rendered(decoder.decode(packed), 240, 120), *reference), 1.0);
}

// Where poppler reads the tree as we do, its drawing of the crop box is the page.
TEST_F(PDFDecoderTest, BoxesAndTurnsAreInheritedFromThePageTreeAndThePagesOwnWin) {
    HandWrittenPage inheritsAll = checkerPage({0, 0, 240, 120});
    inheritsAll.mediaBox.reset();
    HandWrittenPage ownBoxAndTurn = checkerPage({0, 0, 96, 96}, std::nullopt, 0);
    // Entries that are neither box nor angle count as missing.
    HandWrittenPage unusableOwn = inheritsAll;
    unusableOwn.entries = "/MediaBox [0 0 300] /CropBox (wide) /Rotate /Ninety";
    const auto path = write("tree.pdf", handWrittenPDF({inheritsAll, ownBoxAndTurn, unusableOwn},
                                                       {"/MediaBox [0 0 240 120] /Rotate 90", "/CropBox [0 0 120 96]"}));
    for (auto [number, size] : {std::pair{1, platform::Size{96, 120}}, {2, platform::Size{96, 96}}, {3, platform::Size{96, 120}}}) {
        SCOPED_TRACE(number);
        const auto decoded = decoder.decode(path, number);
        EXPECT_EQ(decoded.asVector()->source->intrinsicSize(), size);
        const auto reference = pdftoppm(path, number, "-cropbox");
        ASSERT_TRUE(reference) << "pdftoppm (poppler-utils) is needed";
        EXPECT_EQ(std::pair(reference->width(), reference->height()),
                  std::pair(std::lround(size.width), std::lround(size.height)));
        EXPECT_LT(differenceOverWhite(*rendered(decoded, size.width, size.height), *reference), 1.0);
    }
}

TEST_F(PDFDecoderTest, MissingInvertedAndVastBoxesAreReadSoundlyOrRefused) {
    // No media box anywhere: US Letter, as poppler has it too.
    HandWrittenPage boxless = handWrittenPage({0, 0, 612, 792});
    boxless.mediaBox.reset();
    EXPECT_EQ(decoder.decode(page(boxless)).asVector()->source->intrinsicSize(), (platform::Size{612, 792}));

    // Corners given the other way round make the same boxes.
    const auto inverted =
        decoder.decode(page(handWrittenPage({240, 120, 0, 0}, PDFBox{120, 96, 0, 0}, std::nullopt, checkerDrawing({0, 0, 240, 120}))));
    EXPECT_EQ(inverted.asVector()->source->intrinsicSize(), (platform::Size{120, 96}));
    const auto reference = pdftoppm(page(checkerPage({0, 0, 240, 120}, PDFBox{0, 0, 120, 96})), 1, "-cropbox");
    ASSERT_TRUE(reference) << "pdftoppm (poppler-utils) is needed";
    EXPECT_LT(differenceOverWhite(*rendered(inverted, 120, 96), *reference), 1.0);

    // A side that fits a double but is far beyond any image is refused as too large.
    HandWrittenPage vast = handWrittenPage({0, 0, 200, 100});
    vast.mediaBox.reset();
    vast.entries = "/MediaBox [0 0 1" + std::string(20, '0') + " 100]";
    const auto huge = page(vast);
    EXPECT_EQ(thrownBy([&] { decoder.properties(huge); }), ConversionError::imageTooLarge(1e20, 100));
}

TEST_F(PDFDecoderTest, ALockedDocumentAsksForNoPasswordAndADamagedOneCannotBeRead) {
    const auto plain = write("plain.pdf", handWrittenPDF({{}}));
    const auto locked = write("locked.pdf", lockedCopy(plain, folder.path()));
    ASSERT_GT(std::filesystem::file_size(locked), 0u) << "qpdf is needed to make the locked document";
    const auto passwordProtected =
        ConversionError::unsupportedInput("This PDF is password-protected, so it can't be read.");
    EXPECT_EQ(thrownBy([&] { decoder.properties(locked); }), passwordProtected);
    EXPECT_EQ(thrownBy([&] { decoder.decode(locked, 1); }), passwordProtected);

    const platform::Bytes garbage{'%', 'P', 'D', 'F', '-', '1', '.', '4', '\n', 0x00, 0xFF, 'x'};
    const auto damaged = write("damaged.pdf", garbage);
    EXPECT_EQ(thrownBy([&] { decoder.properties(damaged); }), ConversionError::decodeFailed("damaged.pdf"));
    // A file that is not there is not damaged: the read error says it is not there.
    const auto missing = thrown<platform::FileError>([&] { decoder.properties(folder.file("missing.pdf")); });
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->errorNumber(), ENOENT);
}

TEST_F(PDFDecoderTest, ASourceRereadsItsFileAtEveryRenderAndRefusesASizeBeyondTheBudgetBeforeOpeningIt) {
    const auto path = page(handWrittenPage({0, 0, 100, 100}));
    const auto decoded = decoder.decode(path);
    EXPECT_EQ(pixelAt(*rendered(decoded, 100, 100), 10, 50), red);
    write("page.pdf", handWrittenPDF({handWrittenPage({0, 0, 100, 100}, std::nullopt, std::nullopt, "0 0 1 rg 0 0 100 100 re f")}));
    EXPECT_EQ(pixelAt(*rendered(decoded, 100, 100), 10, 50), blue);
    std::filesystem::remove(path);
    const auto gone = thrown<platform::FileError>([&] { rendered(decoded, 100, 100); });
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->errorNumber(), ENOENT);
    EXPECT_EQ(thrownBy([&] { rendered(decoded, 1'000'000, 1'000'000); }),
              ConversionError::imageTooLarge(1'000'000, 1'000'000));
    EXPECT_EQ(thrownBy([&] { rendered(decoded, 1'000'001, 10); }), ConversionError::imageTooLarge(1'000'001, 10));
}

// pdftoppm, poppler's own command, draws the same page on white paper.
TEST_F(PDFDecoderTest, APageMatchesPdftoppmAtTheSameResolution) {
    const auto file = cairoPDF(288, 216, [](cairo_surface_t*, cairo_t* context) {
        auto* gradient = cairo_pattern_create_linear(0, 0, 288, 0);
        cairo_pattern_add_color_stop_rgb(gradient, 0, 1, 0.5, 0);
        cairo_pattern_add_color_stop_rgb(gradient, 1, 0, 0.2, 0.9);
        cairo_set_source(context, gradient);
        cairo_rectangle(context, 10, 10, 268, 100);
        cairo_fill(context);
        cairo_pattern_destroy(gradient);
        cairo_set_source_rgba(context, 0.1, 0.6, 0.2, 0.7);
        cairo_arc(context, 144, 150, 50, 0, 2 * M_PI);
        cairo_fill(context);
        cairo_set_source_rgb(context, 0, 0, 0);
        cairo_select_font_face(context, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        cairo_set_font_size(context, 24);
        cairo_move_to(context, 20, 200);
        cairo_show_text(context, "Pictavo 12 pages");
    });
    const auto path = write("drawing.pdf", file);

    // 150 dots to the inch: 288 x 216 points become 600 x 450 pixels.
    const auto reference = pdftoppm(path, 1, {}, 150);
    ASSERT_TRUE(reference) << "pdftoppm (poppler-utils) is needed";
    ASSERT_EQ(std::pair(reference->width(), reference->height()), std::pair(600L, 450L));
    // pdftoppm rasterises with poppler's Splash, we with cairo: the edges of shapes and
    // glyphs are smoothed a little differently, the areas are the same.
    EXPECT_LT(differenceOverWhite(*rendered(decoder.decode(path), 600, 450), *reference), 3.0);
}

} // namespace
