// Arbitrary bytes as a PDF file: every page's boxes and /Rotate read from its dictionary and
// its parents', the shown box and turn made of them, and the first pages drawn small, which
// also writes the rewritten copy for a page whose crop box has no area.
#include "ImageEngine/Decoding/PDFPageBox.h"
#include "platform/files/FilePath.h"
#include "platform/vector/PDFDocument.h"

#include <cairo.h>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

constexpr std::size_t largestInput = 1 << 18;
constexpr int pagesRead = 8;
constexpr int pagesDrawn = 2;

void exercise(const platform::PDFDocument& document) {
    for (int number = 0; number <= pagesRead && number <= document.pageCount() + 1; ++number) {
        const auto page = document.page(number);
        if (!page) continue;
        const auto shown = pictavo::PDFPageBox::of(*page);
        if (shown.rotation % 90 != 0 || shown.rotation < 0 || shown.rotation > 270) std::abort();
        if (number > pagesDrawn) continue;
        auto* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
        auto* context = cairo_create(surface);
        page->draw(context, 8, 8, shown.box, shown.rotation);
        cairo_destroy(context);
        cairo_surface_destroy(surface);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > largestInput) return 0;
    // Documents are only opened from files.
    char path[] = "/tmp/fuzz_pdf_page_XXXXXX";
    const int descriptor = mkstemp(path);
    if (descriptor < 0) return 0;
    const bool written = write(descriptor, data, size) == static_cast<ssize_t>(size);
    close(descriptor);
    if (written) {
        try {
            auto opened = platform::PDFDocument::open(std::filesystem::path(path));
            if (const auto* document = std::get_if<platform::PDFDocument>(&opened)) exercise(*document);
        } catch (const platform::FileError&) {
        }
    }
    unlink(path);
    return 0;
}
