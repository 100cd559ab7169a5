#pragma once
#include "platform/base/Bytes.h"

#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace platform {

struct PropertyValue;
using PropertyArray = std::vector<PropertyValue>;
using PropertyMap = std::map<std::string, PropertyValue>;

// A value of an image reader's property dictionary: numbers, flags, text, raw blocks,
// and nested arrays or dictionaries (the EXIF, GPS, TIFF and format sub-dictionaries).
struct PropertyValue {
    std::variant<std::int64_t, double, bool, std::string, Bytes, PropertyArray, PropertyMap> value;

    PropertyValue() : value(std::int64_t{0}) {}
    template <typename T>
    PropertyValue(T v) : value(std::move(v)) {}
    PropertyValue(int v) : value(std::int64_t{v}) {}
    PropertyValue(std::uint32_t v) : value(std::int64_t{v}) {}
    PropertyValue(const char* v) : value(std::string(v)) {}

    template <typename T>
    const T* get() const { return std::get_if<T>(&value); }
    friend bool operator==(const PropertyValue&, const PropertyValue&) = default;
};

// The keys decoders fill and encoders read. Scalars sit at the top level; raw metadata
// blocks are kept whole under their own keys so that writers can carry them unchanged
// (apart from the orientation fields, which every writer rewrites).
namespace keys {
inline constexpr const char* pixelWidth = "PixelWidth";
inline constexpr const char* pixelHeight = "PixelHeight";
inline constexpr const char* orientation = "Orientation";       // int64 1..8
inline constexpr const char* hasAlpha = "HasAlpha";             // bool
inline constexpr const char* profileName = "ProfileName";       // string, the ICC description
inline constexpr const char* depth = "Depth";                   // int64 bits per component
inline constexpr const char* dpiWidth = "DPIWidth";             // double
inline constexpr const char* dpiHeight = "DPIHeight";           // double
// bool: the file names its resolution in no unit (a TIFF's ResolutionUnit "None", a PNG's pHYs
// of unknown unit), so DPIWidth and DPIHeight are pixels per nothing: only their ratio, the
// pixels' shape, means anything.
inline constexpr const char* resolutionHasNoUnit = "ResolutionHasNoUnit";
// bool: the file counts its resolution per centimetre (a TIFF's or a JPEG's unit); DPIWidth and
// DPIHeight are still per inch.
inline constexpr const char* resolutionInCentimetres = "ResolutionInCentimetres";
inline constexpr const char* iccProfile = "ICCProfile";         // Bytes
inline constexpr const char* exif = "{Exif}";                   // Bytes: TIFF-structured EXIF ("II*\0" or "MM\0*" first)
inline constexpr const char* gps = "{GPS}";                     // PropertyMap, present when the EXIF holds a GPS IFD
inline constexpr const char* tiff = "{TIFF}";                   // PropertyMap of TIFF tags the reader names
inline constexpr const char* iptc = "{IPTC}";                   // Bytes
inline constexpr const char* comment = "{Comment}";             // Bytes: a JPEG's COM text, a GIF's comment
inline constexpr const char* photoshop = "{Photoshop}";         // Bytes: Photoshop resources but IPTC (PhotoshopResources.h)
inline constexpr const char* png = "{PNG}";                     // PropertyMap of PNG-specific fields
inline constexpr const char* pngText = "{PNGText}";             // PropertyArray: a PNG's text chunks (PNGText.h)
// What follows a JPEG's first picture, when something does: its bytes, the further pictures
// its MPF index lists (0 without an index), and the bytes after the last of those (0 when
// none follow them).
inline constexpr const char* bytesAfterPicture = "BytesAfterPicture";   // int64
inline constexpr const char* picturesAfterFirst = "PicturesAfterFirst"; // int64
inline constexpr const char* bytesAfterPictures = "BytesAfterPictures"; // int64
} // namespace keys

// The value under the key when it is there and of type T; null otherwise.
template <typename T>
const T* propertyOf(const PropertyMap& map, const std::string& key) {
    auto found = map.find(key);
    return found == map.end() ? nullptr : found->second.get<T>();
}

inline std::optional<std::int64_t> integerProperty(const PropertyMap& map, const std::string& key) {
    if (auto* i = propertyOf<std::int64_t>(map, key)) return *i;
    return std::nullopt;
}

// A number held as a double or an integer, when it is finite and above zero, as a resolution
// must be.
inline std::optional<double> positiveNumberProperty(const PropertyMap& map, const std::string& key) {
    double value = 0;
    if (auto* d = propertyOf<double>(map, key)) value = *d;
    else if (auto* i = propertyOf<std::int64_t>(map, key)) value = static_cast<double>(*i);
    else return std::nullopt;
    if (!std::isfinite(value) || value <= 0) return std::nullopt;
    return value;
}

} // namespace platform
