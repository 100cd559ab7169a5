#pragma once
#include "platform/base/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

struct _cairo;
struct _RsvgHandle;

namespace platform {

// An SVG document drawn by librsvg, the desktop's own SVG drawer. It is loaded from bytes
// with no base location, so it can never read anything beside itself: xi:include, CSS
// @import and images named by file or web address draw nothing, and only data: images are
// drawn. librsvg's limits on the XML are kept. librsvg inflates gzip by itself, so callers
// that refuse compressed documents check the bytes first.
class SVGDocument {
public:
    // Nothing when librsvg cannot read the bytes.
    static std::optional<SVGDocument> load(std::span<const std::uint8_t> bytes);

    // The size the document's width and height declare at 96 pixels to the inch, one CSS
    // pixel a point; nothing when either is missing, a percentage, or not above 0.
    std::optional<Size> naturalSize() const;

    // Draws the whole document as if it were `documentSize` large, stretched on each axis
    // to fill (0, 0, width, height) of the context's user space. False when librsvg fails.
    bool drawStretched(_cairo* context, Size documentSize, double width, double height) const;

private:
    struct Release {
        // The length of the bytes the document was read from.
        std::size_t readFrom = 0;
        void operator()(_RsvgHandle* handle) const;
    };
    SVGDocument(_RsvgHandle* handle, std::size_t readFrom) : handle_(handle, Release{readFrom}) {}
    std::shared_ptr<_RsvgHandle> handle_;
};

} // namespace platform
