#include "platform/read/ImageBackend.h"

#include "platform/colour/DescribedColourSpace.h"
#include "platform/metadata/ExifGPS.h"
#include "platform/metadata/ExifOrientation.h"

namespace platform {

PropertyMap basicProperties(std::int64_t width, std::int64_t height, bool hasAlpha, int depth) {
    PropertyMap properties;
    properties[keys::pixelWidth] = width;
    properties[keys::pixelHeight] = height;
    properties[keys::hasAlpha] = hasAlpha;
    properties[keys::depth] = std::int64_t{depth};
    properties[keys::orientation] = std::int64_t{1};
    return properties;
}

void addColourProfile(PropertyMap& properties, const Bytes& icc) {
    if (icc.empty()) return;
    properties[keys::iccProfile] = icc;
    if (auto space = ColourSpace::fromICC(icc); space && space->description())
        properties[keys::profileName] = *space->description();
}

std::optional<std::int64_t> addExif(PropertyMap& properties, Bytes tiffStructured) {
    if (tiffStructured.empty()) return std::nullopt;
    std::optional<std::int64_t> orientation;
    if (auto stored = exifOrientation(tiffStructured)) {
        orientation = *stored;
        properties[keys::orientation] = *orientation;
    }
    if (auto gps = gpsDictionary(tiffStructured)) properties[keys::gps] = std::move(*gps);
    properties[keys::exif] = std::move(tiffStructured);
    return orientation;
}

ColourSpaceRef colourSpaceForPixels(const Bytes* icc, int colourComponents) {
    if (icc && !icc->empty()) {
        if (auto space = ColourSpace::fromICC(*icc); space && space->componentCount() == colourComponents)
            return space;
    }
    return colourComponents == 1 ? ColourSpace::deviceGray() : ColourSpace::sRGB();
}

ColourSpaceRef linearLightSpace(bool colour) {
    static const ColourSpaceRef rgb =
        describedColourSpace({sRGBChromaticities(), {TransferCurve::power, 1.0}, "Linear sRGB"});
    static const ColourSpaceRef grey =
        describedColourSpace({sRGBChromaticities(), {TransferCurve::power, 1.0}, "Linear Grey"}, false);
    return colour ? rgb : grey;
}

} // namespace platform
