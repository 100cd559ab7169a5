#pragma once
#include "platform/base/Bytes.h"
#include "platform/colour/ColourSpace.h"
#include "platform/pixels/Image.h"
#include "platform/base/PixelBudget.h"
#include "platform/base/PropertyMap.h"
#include "platform/metadata/XMPPacket.h"

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// What decoding one image gave: the pixels, or why there are none.
struct ImageReadResult {
    ImageRef image;
    // True when the image was refused because its decoded size exceeds the budget; it was
    // not decoded. False with no image means the file could not be decoded.
    bool exceedsBudget = false;
    // What the decoding library said of a failure; empty when it said nothing.
    std::string cause = {};
    // How many stored pixels each decoded pixel stands for, across and down: 1 unless the
    // image was decoded at a reduced size. Every decoded pixel stands for the same number, so
    // the last column or row may reach past the stored image's edge, which it repeats.
    double reducedAcross = 1;
    double reducedDown = 1;
};

// One family of formats behind the image reader. Back ends are immutable once opened and
// hold the file's bytes, so that every call reads what was read at opening.
class ImageBackend {
public:
    virtual ~ImageBackend() = default;
    virtual std::string typeIdentifier() const = 0;
    virtual std::int64_t count() const = 0;
    // The images are frames of an animation (the platform's frame-information keys).
    virtual bool hasFrameInfo() const { return false; }
    virtual std::optional<PropertyMap> propertiesAt(std::int64_t index) const = 0;
    virtual std::optional<XMPPacket> xmpAt(std::int64_t) const { return std::nullopt; }
    virtual ImageReadResult imageAt(std::int64_t index, const PixelBudget& budget) const = 0;
    // The pixels at about 1/`reduction` of their size where the format can decode them so
    // more cheaply than whole, never smaller; whole where it cannot.
    virtual ImageReadResult reducedImageAt(std::int64_t index, const PixelBudget& budget, int reduction) const {
        (void)reduction;
        return imageAt(index, budget);
    }
};

// The properties every back end fills for an image.
PropertyMap basicProperties(std::int64_t width, std::int64_t height, bool hasAlpha, int depth);
// Records an embedded ICC profile and the name its description gives.
void addColourProfile(PropertyMap& properties, const Bytes& icc);
// Records a TIFF-structured EXIF block and its GPS fields; gives the orientation it holds.
std::optional<std::int64_t> addExif(PropertyMap& properties, Bytes tiffStructured);

// The colour space of decoded pixels: the embedded profile when it fits the colour
// components, otherwise sRGB for colour and device grey for grey.
ColourSpaceRef colourSpaceForPixels(const Bytes* icc, int colourComponents);
// Floating-point pixels (HDR, EXR, PFM, 32-bit Photoshop files) are linear light with sRGB
// primaries; tagging them with the sRGB curve would brighten every mid-tone.
ColourSpaceRef linearLightSpace(bool colour);

} // namespace platform
