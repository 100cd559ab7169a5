#include "platform/metadata/CarriedMetadata.h"

#include "platform/metadata/ExifGPS.h"
#include "platform/metadata/ExifOrientation.h"
#include "platform/metadata/IPTCToXMP.h"
#include "platform/metadata/XMPOrientation.h"

#include <cmath>

namespace platform {
namespace {

std::optional<double> positiveNumber(const PropertyMap& map, const char* key) {
    auto found = map.find(key);
    if (found == map.end()) return std::nullopt;
    double value = 0;
    if (auto* d = found->second.get<double>()) value = *d;
    else if (auto* i = found->second.get<std::int64_t>()) value = static_cast<double>(*i);
    else return std::nullopt;
    if (!std::isfinite(value) || value <= 0) return std::nullopt;
    return value;
}

} // namespace

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
        carried.dpiWidth = positiveNumber(map, keys::dpiWidth);
        carried.dpiHeight = positiveNumber(map, keys::dpiHeight);
        if (const bool* noUnit = propertyOf<bool>(map, keys::resolutionHasNoUnit)) carried.resolutionHasNoUnit = *noUnit;
    }
    if (!carried.xmp && properties.xmp) carried.xmp = *properties.xmp;
    if (carried.xmp) carried.xmp = xmpWithOrientation(*carried.xmp, orientation);
    return carried;
}

} // namespace platform
