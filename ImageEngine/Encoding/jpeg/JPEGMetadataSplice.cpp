#include "ImageEngine/Encoding/jpeg/JPEGMetadataSplice.h"

#include "platform/metadata/ExifOrientation.h"
#include "platform/metadata/XMPOrientation.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace pictavo {
namespace {

constexpr std::uint8_t markerStart = 0xFF;
constexpr std::uint8_t startOfImage = 0xD8;
constexpr std::uint8_t app0 = 0xE0;
constexpr std::uint8_t app1 = 0xE1;
constexpr std::string_view exifHeader{"Exif\0\0", 6};
constexpr std::string_view xmpHeader{"http://ns.adobe.com/xap/1.0/\0", 29};

bool startsWith(const platform::Bytes& bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

// Big-endian TIFF with one IFD0 entry: Orientation (0x0112), SHORT, count 1.
platform::Bytes orientationOnlyExif(int orientation) {
    return {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1,
            0, static_cast<std::uint8_t>(orientation), 0, 0, 0, 0, 0, 0, 0, 0};
}

platform::Bytes exifPayload(const std::optional<platform::Bytes>& carried, int orientation) {
    std::optional<platform::Bytes> block;
    if (carried) block = platform::exifWithOrientation(*carried, orientation);
    if (!block) block = orientationOnlyExif(orientation);
    if (startsWith(*block, exifHeader)) return *block;
    platform::Bytes payload(exifHeader.begin(), exifHeader.end());
    payload.insert(payload.end(), block->begin(), block->end());
    return payload;
}

bool appendSegment(platform::Bytes& out, std::uint8_t marker, const platform::Bytes& payload) {
    if (payload.size() > JPEGMetadataSplice::largestPayload) return false;
    std::size_t length = payload.size() + 2;
    out.insert(out.end(), {markerStart, marker, static_cast<std::uint8_t>(length >> 8),
                           static_cast<std::uint8_t>(length & 0xFF)});
    out.insert(out.end(), payload.begin(), payload.end());
    return true;
}

// Where the new segments go: after SOI, and after a JFIF APP0 directly behind it, which
// must stay first. Nothing when the file does not start as a JPEG.
std::optional<std::size_t> insertionPoint(const platform::Bytes& jpeg) {
    if (jpeg.size() < 4 || jpeg[0] != markerStart || jpeg[1] != startOfImage) return std::nullopt;
    if (jpeg[2] != markerStart || jpeg[3] != app0) return 2;
    if (jpeg.size() < 6) return std::nullopt;
    std::size_t end = 4 + ((static_cast<std::size_t>(jpeg[4]) << 8) | jpeg[5]);
    if (end > jpeg.size()) return std::nullopt;
    return end;
}

} // namespace

std::optional<platform::Bytes> JPEGMetadataSplice::inserting(const platform::Bytes& jpeg,
                                                             const std::optional<platform::Bytes>& exif,
                                                             const platform::XmpRef& xmp, int orientation) {
    std::optional<std::size_t> point = insertionPoint(jpeg);
    if (!point || orientation < 1 || orientation > 8) return std::nullopt;
    platform::Bytes out(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(*point));
    if (!appendSegment(out, app1, exifPayload(exif, orientation))) return std::nullopt;
    if (xmp) {
        if (std::optional<platform::XMPPacket> turned = platform::xmpWithOrientation(*xmp, orientation)) {
            platform::Bytes payload(xmpHeader.begin(), xmpHeader.end());
            payload.insert(payload.end(), turned->text.begin(), turned->text.end());
            if (!appendSegment(out, app1, payload)) return std::nullopt;
        }
    }
    out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(*point), jpeg.end());
    return out;
}

} // namespace pictavo
