#pragma once
#include "platform/base/Geometry.h"
#include "platform/pixels/Image.h"

#include <cstdint>
#include <memory>

namespace pictavo {

// A page that is drawn on demand at whatever pixel size a conversion needs. Sources hold
// no open document between calls: each render opens its file again, so a source may be
// kept and shared freely between threads.
class VectorSource {
public:
    virtual ~VectorSource() = default;

    // The size the source declares, in points; both sides are above 0 for a usable source.
    virtual platform::Size intrinsicSize() const = 0;
    // A new bitmap of that many pixels; throws ConversionError when it cannot be drawn.
    virtual platform::ImageRef render(double width, double height) const = 0;
    // What a render of that many pixels holds at its peak beyond the bitmap it hands back: the
    // document as the drawer reads it and the drawer's own working memory.
    virtual std::uint64_t workingBytes(std::int64_t /*width*/, std::int64_t /*height*/) const { return 0; }
};

using VectorSourceRef = std::shared_ptr<const VectorSource>;

} // namespace pictavo
