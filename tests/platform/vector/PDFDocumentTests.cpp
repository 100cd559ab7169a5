#include "platform/vector/PDFDocument.h"
#include "support/PDFSamples.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace testing_support;

namespace {

platform::Rect rect(double x, double y, double width, double height) { return {{x, y}, {width, height}}; }

class PDFDocumentTest : public ::testing::Test {
protected:
    // Page `number` of a document written with these pages and tree.
    platform::PDFPage read(const std::vector<HandWrittenPage>& pages, const HandWrittenTree& tree = {}, int number = 1) {
        auto opened = platform::PDFDocument::open(folder.write("read.pdf", handWrittenPDF(pages, tree)));
        auto* document = std::get_if<platform::PDFDocument>(&opened);
        if (!document) throw std::runtime_error("poppler could not open the document");
        auto page = document->page(number);
        if (!page) throw std::runtime_error("no such page");
        return *page;
    }
    static HandWrittenPage bare(std::string entries = {}) {
        HandWrittenPage page = handWrittenPage({0, 0, 10, 10}, std::nullopt, std::nullopt, "0 0 1 rg 0 0 10 10 re f");
        page.mediaBox.reset();
        page.entries = std::move(entries);
        return page;
    }
    TemporaryFolder folder;
};

using Read = std::tuple<platform::Rect, platform::Rect, int>;
Read readOf(const platform::PDFPage& page) { return {page.mediaBox(), page.cropBox(), page.rotationAngle()}; }

TEST_F(PDFDocumentTest, EachEntryComesFromTheNearestNodeThatGivesOneAlongTheParents) {
    const HandWrittenTree tree{"/MediaBox [0 0 400 300] /CropBox [0 0 50 50] /Rotate 180", "/CropBox [10 10 200 100]"};
    // The page's own entry wins over the middle node's, which wins over the root's.
    EXPECT_EQ(readOf(read({bare()}, tree)), Read(rect(0, 0, 400, 300), rect(10, 10, 190, 90), 180));
    EXPECT_EQ(readOf(read({bare("/Rotate -270 /MediaBox [5 5 105 55]")}, tree)), Read(rect(5, 5, 100, 50), rect(10, 10, 190, 90), -270));
    // An entry that is no box or no angle, or a reference to nothing, counts as missing.
    EXPECT_EQ(readOf(read({bare("/MediaBox [0 0 10] /CropBox [0 0 10 (ten)] /Rotate /Ninety")}, tree)),
              Read(rect(0, 0, 400, 300), rect(10, 10, 190, 90), 180));
    EXPECT_EQ(readOf(read({bare("/MediaBox 99 0 R /Rotate 98 0 R")}, tree)), Read(rect(0, 0, 400, 300), rect(10, 10, 190, 90), 180));
}

TEST_F(PDFDocumentTest, WhatNoNodeGivesIsUSLetterTheMediaBoxAndUpright) {
    EXPECT_EQ(readOf(read({bare()})), Read(rect(0, 0, 612, 792), rect(0, 0, 612, 792), 0));
    EXPECT_EQ(readOf(read({bare("/MediaBox [-20 -10 100 50]")})), Read(rect(-20, -10, 120, 60), rect(-20, -10, 120, 60), 0));
}

TEST_F(PDFDocumentTest, AbsurdNumbersAreReadSoundly) {
    const std::string endless(400, '9');
    // Corners in any order; a zero-wide box is a box; a number beyond a double is none.
    EXPECT_EQ(readOf(read({bare("/MediaBox [300 200 0 0] /CropBox [5 50 5 -50]")})), Read(rect(0, 0, 300, 200), rect(5, -50, 0, 100), 0));
    EXPECT_EQ(readOf(read({bare("/MediaBox [0 0 " + endless + " 10] /CropBox [-" + endless + " 0 1 1]")})),
              Read(rect(0, 0, 612, 792), rect(0, 0, 612, 792), 0));
    // Angles keep their place on the circle and their sign, whatever their size; a fraction
    // is dropped.
    for (auto [rotate, angle] : {std::pair{std::string("3600000000090"), 90}, {"-3600000000180", -180}, {"2147483647", 127},
                                 {"-450.9", -90}, {"720.5", 0}, {endless, 0}, {"-" + endless, 0}}) {
        SCOPED_TRACE(rotate);
        EXPECT_EQ(read({bare("/Rotate " + rotate)}).rotationAngle(), angle);
    }
}

// Poppler finds pages by /Kids; /Parent is only walked for what a page inherits, and a chain
// that comes back on itself ends.
TEST_F(PDFDocumentTest, AParentChainThatLoopsEnds) {
    const auto page = read({bare(), bare("/MediaBox [0 0 20 20]")}, {"/Parent 2 0 R /Rotate 90", std::nullopt}, 2);
    EXPECT_EQ(readOf(page), Read(rect(0, 0, 20, 20), rect(0, 0, 20, 20), 90));
}

} // namespace
