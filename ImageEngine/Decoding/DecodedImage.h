#pragma once
#include "ImageEngine/Model/ImageProperties.h"
#include "ImageEngine/Decoding/VectorSource.h"
#include "ImageEngine/Running/PixelMemory.h"
#include "platform/pixels/Image.h"

#include <variant>

namespace pictavo {

// A decoded page: its pixels as stored in the file (not yet turned upright), or a source
// that is drawn later at any size. Copies share the image or the source.
class DecodedImage {
public:
    struct Raster {
        platform::ImageRef image;
        ImageProperties properties;
        // How many stored pixels each pixel of `image` stands for, across and down: 1 unless
        // it was decoded at a reduced size, when its last column or row may reach past the
        // stored picture's edge.
        double reducedAcross = 1;
        double reducedDown = 1;
        // The memory the pixels were made in, held for as long as the page is.
        PixelMemory::HoldRef memory = {};

        bool isReduced() const { return reducedAcross != 1 || reducedDown != 1; }
    };
    struct Vector {
        VectorSourceRef source;
        ImageProperties properties;
        // The memory its drawing is held in, for as long as the page is.
        PixelMemory::HoldRef memory = {};
    };

    DecodedImage(Raster raster) : value_(std::move(raster)) {}
    DecodedImage(Vector vector) : value_(std::move(vector)) {}
    static DecodedImage raster(platform::ImageRef image, ImageProperties properties) {
        return Raster{std::move(image), std::move(properties)};
    }
    static DecodedImage raster(Raster raster) { return DecodedImage(std::move(raster)); }
    static DecodedImage vector(VectorSourceRef source, ImageProperties properties) {
        return Vector{std::move(source), std::move(properties)};
    }

    const std::variant<Raster, Vector>& value() const { return value_; }
    const Raster* asRaster() const { return std::get_if<Raster>(&value_); }
    const Vector* asVector() const { return std::get_if<Vector>(&value_); }

    const ImageProperties& properties() const {
        return std::visit([](const auto& page) -> const ImageProperties& { return page.properties; }, value_);
    }
    // The raster's pixels handed over, so that a conversion can let them go as soon as the
    // next stage has drawn its own; the properties stay. Null for a vector.
    platform::ImageRef takeRasterImage() {
        auto* raster = std::get_if<Raster>(&value_);
        return raster ? std::move(raster->image) : nullptr;
    }
    // A vector may be drawn larger than its intrinsic size without loss; pixels may not.
    bool allowsUpscale() const { return asVector() != nullptr; }

private:
    std::variant<Raster, Vector> value_;
};

} // namespace pictavo
