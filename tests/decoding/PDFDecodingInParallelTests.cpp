#include "ImageEngine/Decoding/PDFDecoder.h"
#include "ImageEngine/Model/ConversionError.h"
#include "support/ConversionErrorCapture.h"
#include "support/PDFSamples.h"
#include "support/TemporaryFolder.h"

#include <cairo-pdf.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

using namespace pictavo;
using namespace testing_support;

namespace {

const PDFDecoder decoder;

// Each document carries fonts of its own, which poppler opens while drawing and lets go of
// with the document: a line of text in each of cairo's three families, upright and slanted,
// light and bold, on pages of two sizes.
platform::Bytes textDocument(const std::string& words, double width, double height) {
    return cairoPDF(width, height, [&](cairo_surface_t* surface, cairo_t* context) {
        for (const double side : {1.0, 0.6}) {
            cairo_pdf_surface_set_size(surface, width * side, height * side);
            double y = 4;
            for (const char* family : {"sans-serif", "serif", "monospace"})
                for (const auto slant : {CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_SLANT_ITALIC})
                    for (const auto weight : {CAIRO_FONT_WEIGHT_NORMAL, CAIRO_FONT_WEIGHT_BOLD}) {
                        cairo_select_font_face(context, family, slant, weight);
                        cairo_set_font_size(context, 8);
                        cairo_set_source_rgb(context, 0.1, 0.2 * side, 0.7);
                        cairo_move_to(context, 6, y += 9);
                        cairo_show_text(context, words.c_str());
                    }
            cairo_show_page(context);
        }
    });
}

struct Page {
    std::filesystem::path path;
    int number;
};

class PDFDecodingInParallel : public ::testing::Test {
protected:
    std::filesystem::path write(const std::string& name, const platform::Bytes& bytes) { return folder.write(name, bytes); }
    // `plain` encrypted by qpdf with no user password, its objects packed into streams.
    std::filesystem::path encrypted(const std::filesystem::path& plain, const std::string& name) {
        const auto target = folder.file(name);
        const std::string command = "qpdf --object-streams=generate --encrypt '' owner 128 --use-aes=y -- '" + plain.string() +
                                    "' '" + target.string() + "'";
        if (std::system(command.c_str()) != 0) return {};
        return target;
    }
    TemporaryFolder folder;
};

// The first pages a process draws make poppler's shared colour profiles, and every drawing
// opens and closes faces in one FreeType library shared by the whole process: eight threads
// start at once on documents with fonts, page boxes, turns and encryption, and draw each page
// as one thread alone draws it after.
TEST_F(PDFDecodingInParallel, ManyThreadsDrawTheSameAndDifferentDocumentsAsOneThreadDoes) {
    std::vector<Page> pages;
    const std::vector<std::string> words{"Pictavo", "resizes", "never uploads"};
    for (std::size_t i = 0; i < words.size(); ++i) {
        const auto path = write("text" + std::to_string(i) + ".pdf", textDocument(words[i], 180 + 20.0 * i, 120 + 10.0 * i));
        pages.push_back({path, 1});
        pages.push_back({path, 2});
    }
    const auto packed = encrypted(pages.front().path, "encrypted.pdf");
    ASSERT_FALSE(packed.empty()) << "qpdf is needed";
    pages.push_back({packed, 2});
    // Crop boxes within, across and without the media box (the last drawn from a rewritten
    // copy), and every turn, on pages of their own and inherited from the tree.
    const auto boxes = write("boxes.pdf", handWrittenPDF({handWrittenPage({0, 0, 200, 100}, PDFBox{20, 10, 150, 90}, 90),
                                                          handWrittenPage({0, 0, 160, 120}, PDFBox{-40, 60, 100, 200}, 180),
                                                          handWrittenPage({0, 0, 120, 90}, PDFBox{60, 40, 60, 40}, 270),
                                                          handWrittenPage({10, 10, 130, 70}, std::nullopt, -90)}));
    for (int number = 1; number <= 4; ++number) pages.push_back({boxes, number});
    HandWrittenPage inherits = handWrittenPage({0, 0, 100, 100});
    inherits.mediaBox.reset();
    const auto tree = write("tree.pdf", handWrittenPDF({inherits, inherits}, {"/MediaBox [0 0 150 100] /Rotate 90", "/CropBox [0 0 120 80]"}));
    pages.push_back({tree, 1});
    pages.push_back({tree, 2});
    const auto locked = write("locked.pdf", lockedCopy(boxes, folder.path()));
    ASSERT_GT(std::filesystem::file_size(locked), 0u) << "qpdf is needed to make the locked document";

    // The page's pixels, drawn at an eighth of its size, so that opening the document and its
    // fonts is most of the work.
    const auto draw = [&](const Page& page) -> platform::Bytes {
        const auto decoded = decoder.decode(page.path, page.number);
        const auto size = decoded.asVector()->source->intrinsicSize();
        const auto image = decoded.asVector()->source->render(std::ceil(size.width / 8), std::ceil(size.height / 8));
        return {image->data(), image->data() + image->bytesPerRow() * static_cast<std::size_t>(image->height())};
    };
    constexpr int threadCount = 8;
    std::vector<std::vector<platform::Bytes>> drawn(threadCount, std::vector<platform::Bytes>(pages.size()));
    std::mutex failuresLock;
    std::vector<std::string> failures;
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < threadCount; ++t)
            threads.emplace_back([&, t] {
                try {
                    // Each thread starts at another page, so that the same file is drawn by
                    // several at once and different files by all.
                    for (std::size_t i = 0; i < pages.size(); ++i) {
                        const std::size_t at = (i + static_cast<std::size_t>(t)) % pages.size();
                        drawn[t][at] = draw(pages[at]);
                        if (i % 4 == 0 && !(thrownBy([&] { decoder.properties(locked); }) ==
                                            ConversionError::unsupportedInput("This PDF is password-protected, so it can't be read.")))
                            throw std::runtime_error("the locked document was read");
                    }
                } catch (const std::exception& error) {
                    const std::scoped_lock lock(failuresLock);
                    failures.emplace_back(error.what());
                }
            });
    }
    ASSERT_TRUE(failures.empty()) << failures.front();
    for (std::size_t at = 0; at < pages.size(); ++at) {
        SCOPED_TRACE(pages[at].path.filename().string() + " page " + std::to_string(pages[at].number));
        const auto alone = draw(pages[at]);
        ASSERT_FALSE(alone.empty());
        for (int t = 0; t < threadCount; ++t) ASSERT_TRUE(drawn[t][at] == alone) << "thread " << t;
    }
}

} // namespace
