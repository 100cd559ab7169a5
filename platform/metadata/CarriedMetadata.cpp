#include "platform/metadata/CarriedMetadata.h"

#include "platform/metadata/ExifGPS.h"
#include "platform/metadata/ExifOrientation.h"
#include "platform/metadata/IPTCToXMP.h"
#include "platform/metadata/XMPOrientation.h"

namespace platform {

CarriedMetadata CarriedMetadata::from(const WriterProperties& properties, bool holdsIPTC) {
    CarriedMetadata carried;
    const int orientation = properties.orientation >= 1 && properties.orientation <= 8
                                ? static_cast<int>(properties.orientation)
                                : 1;
    carried.orientation = static_cast<std::uint32_t>(orientation);
    if (properties.properties) {
        const PropertyMap& map = *properties.properties;
        if (const Bytes* exif = propertyOf<Bytes>(map, keys::exif)) {
            if (auto patched = exifWithOrientation(*exif, orientation))
                carried.exif = tiffStructuredExif(patched->data(), patched->size());
        }
        if (const Bytes* iptc = propertyOf<Bytes>(map, keys::iptc); iptc && !iptc->empty()) {
            if (holdsIPTC) carried.iptc = *iptc;
            else carried.xmp = xmpWithIPTC(properties.xmp, *iptc);
        }
        if (const Bytes* resources = propertyOf<Bytes>(map, keys::photoshop); resources && holdsIPTC)
            carried.photoshop = *resources;
        if (const Bytes* comment = propertyOf<Bytes>(map, keys::comment)) carried.comment = *comment;
        carried.pngTexts = pngTextsOf(map);
        carried.dpiWidth = positiveNumberProperty(map, keys::dpiWidth);
        carried.dpiHeight = positiveNumberProperty(map, keys::dpiHeight);
        if (const bool* noUnit = propertyOf<bool>(map, keys::resolutionHasNoUnit)) carried.resolutionHasNoUnit = *noUnit;
    }
    if (!carried.xmp && properties.xmp) carried.xmp = *properties.xmp;
    if (carried.xmp) carried.xmp = xmpWithOrientation(*carried.xmp, orientation);
    return carried;
}

} // namespace platform
