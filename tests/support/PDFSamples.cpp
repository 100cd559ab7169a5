#include "support/PDFSamples.h"

#include "support/TemporaryFolder.h"

#include <cairo-pdf.h>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace testing_support {

namespace {

std::string boxText(const PDFBox& box) {
    std::ostringstream text;
    text << "[" << box[0] << " " << box[1] << " " << box[2] << " " << box[3] << "]";
    return text.str();
}

} // namespace

HandWrittenPage handWrittenPage(PDFBox mediaBox, std::optional<PDFBox> cropBox, std::optional<int> rotate, std::string content) {
    HandWrittenPage page;
    page.mediaBox = mediaBox;
    page.cropBox = cropBox;
    page.rotate = rotate;
    page.content = std::move(content);
    return page;
}

std::string halvesDrawing(const PDFBox& box) {
    const double middle = (box[0] + box[2]) / 2;
    std::ostringstream text;
    text << "1 0 0 rg " << box[0] << " " << box[1] << " " << middle - box[0] << " " << box[3] - box[1] << " re f\n"
         << "0 0 1 rg " << middle << " " << box[1] << " " << box[2] - middle << " " << box[3] - box[1] << " re f\n";
    return text.str();
}

platform::Bytes handWrittenPDF(const std::vector<HandWrittenPage>& pages, const HandWrittenTree& tree) {
    std::string file = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    auto object = [&](const std::string& body) {
        offsets.push_back(file.size());
        file += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    };
    const std::string count = std::to_string(pages.size());
    // The middle node, when there is one, comes after the pages and their contents.
    const std::string middle = std::to_string(3 + 2 * pages.size()) + " 0 R";
    const std::string parent = tree.middleEntries ? middle : "2 0 R";
    object("<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids;
    for (std::size_t i = 0; i < pages.size(); ++i) kids += std::to_string(3 + 2 * i) + " 0 R ";
    object("<< /Type /Pages /Kids [" + (tree.middleEntries ? middle : kids) + "] /Count " + count + " " +
           tree.rootEntries + " >>");
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const auto& page = pages[i];
        std::string dictionary = "<< /Type /Page /Parent " + parent;
        if (page.mediaBox) dictionary += " /MediaBox " + boxText(*page.mediaBox);
        if (page.cropBox) dictionary += " /CropBox " + boxText(*page.cropBox);
        if (page.rotate) dictionary += " /Rotate " + std::to_string(*page.rotate);
        dictionary += " /Resources << >> /Contents " + std::to_string(4 + 2 * i) + " 0 R " + page.entries + " >>";
        object(dictionary);
        const std::string content =
            page.content.empty() ? halvesDrawing(page.mediaBox.value_or(PDFBox{0, 0, 612, 792})) : page.content;
        object("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream");
    }
    if (tree.middleEntries)
        object("<< /Type /Pages /Parent 2 0 R /Kids [" + kids + "] /Count " + count + " " + *tree.middleEntries + " >>");
    const std::size_t table = file.size();
    file += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (const auto offset : offsets) {
        char line[32];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        file += line;
    }
    file += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
            std::to_string(table) + "\n%%EOF\n";
    return platform::Bytes(file.begin(), file.end());
}

platform::Bytes cairoPDF(double width, double height, const std::function<void(cairo_surface_t*, cairo_t*)>& draw) {
    platform::Bytes file;
    auto* surface = cairo_pdf_surface_create_for_stream(
        [](void* closure, const unsigned char* data, unsigned int length) {
            auto* out = static_cast<platform::Bytes*>(closure);
            out->insert(out->end(), data, data + length);
            return CAIRO_STATUS_SUCCESS;
        },
        &file, width, height);
    auto* context = cairo_create(surface);
    draw(surface, context);
    cairo_destroy(context);
    cairo_surface_destroy(surface);
    return file;
}

platform::Bytes lockedCopy(const std::filesystem::path& source, const std::filesystem::path& scratch) {
    const auto target = scratch / "locked-by-qpdf.pdf";
    const std::string command = "qpdf --encrypt secret owner 256 -- '" + source.string() + "' '" + target.string() + "'";
    if (std::system(command.c_str()) != 0) return {};
    return readFile(target);
}

} // namespace testing_support
