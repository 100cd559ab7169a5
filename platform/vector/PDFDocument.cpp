#include "platform/vector/PDFDocument.h"

#include <cairo.h>
#include <poppler.h>

#include <system_error>

namespace platform {

void PDFPage::Release::operator()(_PopplerPage* page) const { g_object_unref(page); }

Size PDFPage::displayedSize() const {
    Size size;
    poppler_page_get_size(page_.get(), &size.width, &size.height);
    return size;
}

void PDFPage::drawStretched(_cairo* context, double width, double height) const {
    const Size size = displayedSize();
    if (!(size.width > 0) || !(size.height > 0)) return;
    cairo_save(context);
    cairo_scale(context, width / size.width, height / size.height);
    poppler_page_render(page_.get(), context);
    cairo_restore(context);
}

void PDFDocument::Release::operator()(_PopplerDocument* document) const { g_object_unref(document); }

std::variant<PDFDocument, PDFDocument::Unreadable, PDFDocument::Locked> PDFDocument::open(const std::filesystem::path& path) {
    std::error_code failure;
    const auto absolute = std::filesystem::absolute(path, failure);
    if (failure) return Unreadable{};
    GError* error = nullptr;
    gchar* uri = g_filename_to_uri(absolute.c_str(), nullptr, &error);
    if (!uri) {
        g_clear_error(&error);
        return Unreadable{};
    }
    PopplerDocument* document = poppler_document_new_from_file(uri, nullptr, &error);
    g_free(uri);
    if (document) return PDFDocument(document);
    const bool locked = error && error->domain == POPPLER_ERROR && error->code == POPPLER_ERROR_ENCRYPTED;
    g_clear_error(&error);
    if (locked) return Locked{};
    return Unreadable{};
}

int PDFDocument::pageCount() const { return poppler_document_get_n_pages(document_.get()); }

std::optional<PDFPage> PDFDocument::page(std::int64_t number) const {
    if (number < 1 || number > pageCount()) return std::nullopt;
    PopplerPage* page = poppler_document_get_page(document_.get(), static_cast<int>(number - 1));
    if (!page) return std::nullopt;
    return PDFPage(page);
}

} // namespace platform
