#include "platform/vector/PDFDocument.h"

#include "platform/files/RegularFile.h"

#include <cairo.h>
#include <cerrno>
#include <fcntl.h>
#include <poppler.h>

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
    // Poppler opening the path itself would wait on a pipe for ever and read a device
    // without end.
    const OpenRegularFile file = openRegularFile(path);
    // Poppler owns and closes the descriptor it is given, so it gets a copy of ours.
    const int descriptor = ::fcntl(file.descriptor.get(), F_DUPFD_CLOEXEC, 0);
    if (descriptor < 0) throw FileError(path, errno, FileOperation::read);
    GError* error = nullptr;
    PopplerDocument* document = poppler_document_new_from_fd(descriptor, nullptr, &error);
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
