#include "platform/vector/SVGDocument.h"

#include "platform/base/ProcessInfo.h"

#include <cairo.h>
#include <librsvg/rsvg.h>

namespace platform {

namespace {
constexpr double cssPixelsPerInch = 96;
} // namespace

void SVGDocument::Release::operator()(_RsvgHandle* handle) const {
    g_object_unref(handle);
    // librsvg's tree of the document, some 35 times its bytes.
    ProcessInfo::releaseParsedMemory(readFrom);
}

std::optional<SVGDocument> SVGDocument::load(std::span<const std::uint8_t> bytes) {
    GError* error = nullptr;
    // From bytes, with no base file: librsvg then loads no resource but data: URLs.
    RsvgHandle* handle = rsvg_handle_new_from_data(bytes.data(), bytes.size(), &error);
    g_clear_error(&error);
    if (!handle) return std::nullopt;
    rsvg_handle_set_dpi(handle, cssPixelsPerInch);
    return SVGDocument(handle, bytes.size());
}

std::optional<Size> SVGDocument::naturalSize() const {
    Size size;
    if (!rsvg_handle_get_intrinsic_size_in_pixels(handle_.get(), &size.width, &size.height)) return std::nullopt;
    if (!(size.width > 0) || !(size.height > 0)) return std::nullopt;
    return size;
}

bool SVGDocument::drawStretched(_cairo* context, Size documentSize, double width, double height) const {
    if (!(documentSize.width > 0) || !(documentSize.height > 0)) return false;
    cairo_save(context);
    cairo_scale(context, width / documentSize.width, height / documentSize.height);
    const RsvgRectangle viewport{0, 0, documentSize.width, documentSize.height};
    GError* error = nullptr;
    const bool drawn = rsvg_handle_render_document(handle_.get(), context, &viewport, &error);
    g_clear_error(&error);
    cairo_restore(context);
    return drawn;
}

} // namespace platform
