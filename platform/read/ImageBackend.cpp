#include "platform/read/ImageBackend.h"

#include "platform/colour/LcmsProfile.h"
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
    auto make = [](bool rgb) -> ColourSpaceRef {
        cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
        LcmsProfile profile;
        if (rgb) {
            cmsCIExyY white;
            cmsWhitePointFromTemp(&white, 6504);
            const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
            cmsToneCurve* curves[3] = {linear, linear, linear};
            profile.reset(cmsCreateRGBProfile(&white, &primaries, curves));
        } else {
            profile.reset(cmsCreateGrayProfile(cmsD50_xyY(), linear));
        }
        cmsFreeToneCurve(linear);
        if (!profile) return nullptr;
        cmsMLU* description = cmsMLUalloc(nullptr, 1);
        cmsMLUsetASCII(description, "en", "US", rgb ? "Linear sRGB" : "Linear Grey");
        cmsWriteTag(profile.get(), cmsSigProfileDescriptionTag, description);
        cmsMLUfree(description);
        return ColourSpace::fromICC(lcmsProfileBytes(profile.get()));
    };
    static const ColourSpaceRef rgb = make(true);
    static const ColourSpaceRef grey = make(false);
    return colour ? rgb : grey;
}

} // namespace platform
