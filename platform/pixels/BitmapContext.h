#pragma once
#include "platform/colour/ColourSpace.h"
#include "platform/base/Geometry.h"
#include "platform/pixels/Image.h"
#include "platform/pixels/Resampler.h"

#include <cstdint>
#include <memory>

namespace platform {

// The pixel layouts a bitmap context can hold, all with 8 bits per component.
enum class BitmapLayout {
    noneSkipLast,      // RGB and an ignored fourth byte (kept at 255)
    premultipliedLast, // RGBA, colour premultiplied
    alphaOnly,         // one alpha byte per pixel
    greyNone,          // one grey byte per pixel, no alpha
};

enum class BlendMode { normal, copy };

// A colour given in sRGB, each component 0 to 1.
struct SRGBColour {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
};

// A bitmap that images are drawn into: every draw converts the image's depth and layout,
// matches its colours into the context's space, premultiplies and resamples it into the
// given rectangle. Rectangles count from the lower-left corner, as platform drawing does;
// rows are stored top first. A context is used by one thread at a time.
class BitmapContext {
public:
    // Zero-filled (transparent, or black for the layouts without alpha). Null when the
    // memory cannot be had, or when the space does not suit the layout (the RGB layouts
    // need an RGB space, grey needs a monochrome one; alpha-only takes any, or none).
    static std::unique_ptr<BitmapContext> create(std::int64_t width, std::int64_t height,
                                                 ColourSpaceRef colourSpace, BitmapLayout layout);

    // The layout a redraw of the image takes: an image without alpha stays opaque (RGBX),
    // anything that carries alpha becomes premultiplied RGBA.
    static BitmapLayout layoutFor(const Image& image);
    // The space a redraw of the image works in: its own when that is RGB, else sRGB, so
    // grey, CMYK, Lab and untagged sources come out as sRGB.
    static ColourSpaceRef workingSpaceFor(const Image& image);

    std::int64_t width() const { return width_; }
    std::int64_t height() const { return height_; }
    BitmapLayout layout() const { return layout_; }
    const ColourSpaceRef& colourSpace() const { return colourSpace_; }
    std::size_t bytesPerRow() const { return bytesPerRow_; }

    void setInterpolation(Interpolation interpolation) { interpolation_ = interpolation; }
    void setBlendMode(BlendMode mode) { blendMode_ = mode; }

    // Fills the rectangle (fractional edges cover their pixels partly) with the colour,
    // matched from sRGB into the context's space.
    void fill(const Rect& rect, const SRGBColour& colour);
    // Draws the whole image scaled into the rectangle. False when its pixels cannot be read
    // or its colours cannot be matched into the context's space.
    bool draw(const ImageRef& image, const Rect& rect);
    // The pixels drawn so far; later drawing does not change the image returned. Null only
    // when memory runs out.
    ImageRef makeImage();

private:
    BitmapContext() = default;
    int bytesPerPixel() const;
    PremultipliedChannels channels() const;
    bool makeWritable();
    std::uint8_t* row(std::int64_t y) { return buffer_->data() + static_cast<std::size_t>(y) * bytesPerRow_; }
    void composite(std::int64_t y, std::int64_t firstColumn, std::int64_t count, const float* values,
                   const float* columnCoverage, float rowCoverage);
    void compositeWhole(std::int64_t y, std::int64_t firstColumn, std::int64_t count, const std::uint8_t* values);
    void compositeCovered(std::int64_t y, std::int64_t firstColumn, std::int64_t count, const std::uint8_t* values,
                          const float* columnCoverage, float rowCoverage);

    std::int64_t width_ = 0;
    std::int64_t height_ = 0;
    std::size_t bytesPerRow_ = 0;
    BitmapLayout layout_ = BitmapLayout::premultipliedLast;
    ColourSpaceRef colourSpace_;
    Interpolation interpolation_ = Interpolation::high;
    BlendMode blendMode_ = BlendMode::normal;
    std::shared_ptr<Bytes> buffer_;
};

} // namespace platform
