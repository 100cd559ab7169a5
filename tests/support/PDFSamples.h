#pragma once
#include "platform/base/Bytes.h"

#include <array>
#include <cairo.h>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// x0, y0, x1, y1 in points, as a PDF writes a box.
using PDFBox = std::array<double, 4>;

struct HandWrittenPage {
    // None: the page has no /MediaBox of its own.
    std::optional<PDFBox> mediaBox = PDFBox{0, 0, 200, 100};
    std::optional<PDFBox> cropBox;
    std::optional<int> rotate;
    // The page's content stream; halvesDrawing of the media box (or of US Letter) when empty.
    std::string content;
    // Written into the page dictionary as they stand, after the entries above.
    std::string entries;
};

// Entries written as they stand into the nodes above the pages, for what pages inherit.
struct HandWrittenTree {
    std::string rootEntries;
    // When given, the pages hang from a second /Pages node under the root, which holds these.
    std::optional<std::string> middleEntries;
};

HandWrittenPage handWrittenPage(PDFBox mediaBox, std::optional<PDFBox> cropBox = std::nullopt,
                                std::optional<int> rotate = std::nullopt, std::string content = {});

// A small PDF written out by hand, object by object, with a correct cross-reference table.
platform::Bytes handWrittenPDF(const std::vector<HandWrittenPage>& pages, const HandWrittenTree& tree = {});

// A content stream that paints the left half of the box red and the right half blue.
std::string halvesDrawing(const PDFBox& box);

// A document written by cairo's own PDF surface, first page `width` x `height` points.
platform::Bytes cairoPDF(double width, double height, const std::function<void(cairo_surface_t*, cairo_t*)>& draw);

// The file at `source` encrypted by qpdf with a user password, so that it opens only with it.
platform::Bytes lockedCopy(const std::filesystem::path& source, const std::filesystem::path& scratch);

} // namespace testing_support
