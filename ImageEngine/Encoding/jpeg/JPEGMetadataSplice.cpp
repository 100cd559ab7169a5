#include "ImageEngine/Encoding/jpeg/JPEGMetadataSplice.h"

#include "platform/metadata/ExifFitting.h"
#include "platform/metadata/ExifOrientation.h"
#include "platform/metadata/ExtendedXMP.h"
#include "platform/metadata/IPTCRecords.h"
#include "platform/metadata/JPEGExtendedXMP.h"
#include "platform/metadata/JPEGSegments.h"
#include "platform/metadata/XMPOrientation.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace pictavo {
namespace {

using Failure = platform::Outcome<platform::Bytes>;

constexpr std::uint8_t markerStart = 0xFF;
constexpr std::uint8_t startOfImage = 0xD8;
constexpr std::uint8_t app0 = 0xE0;
constexpr std::uint8_t commentMarker = 0xFE;
constexpr std::string_view xmpHeader{"http://ns.adobe.com/xap/1.0/\0", 29};

bool startsWith(const platform::Bytes& bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

// Big-endian TIFF with one IFD0 entry: Orientation (0x0112), SHORT, count 1.
platform::Bytes orientationOnlyExif(int orientation) {
    return {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1,
            0, static_cast<std::uint8_t>(orientation), 0, 0, 0, 0, 0, 0, 0, 0};
}

platform::Bytes withHeader(std::string_view header, const std::uint8_t* data, std::size_t size) {
    platform::Bytes payload(header.size() + size);
    std::copy(data, data + size, std::copy(header.begin(), header.end(), payload.begin()));
    return payload;
}

Failure exifPayload(const std::optional<platform::Bytes>& carried, int orientation) {
    std::optional<platform::Bytes> block;
    if (carried) block = platform::exifWithOrientation(*carried, orientation);
    if (!block) block = orientationOnlyExif(orientation);
    const std::size_t skipped = startsWith(*block, platform::jpegExifHeader) ? platform::jpegExifHeader.size() : 0;
    if (block->size() - skipped + platform::jpegExifHeader.size() <= JPEGMetadataSplice::largestPayload)
        return withHeader(platform::jpegExifHeader, block->data() + skipped, block->size() - skipped);
    const platform::Bytes tiff(block->begin() + static_cast<std::ptrdiff_t>(skipped), block->end());
    auto fitted = platform::exifFitting(tiff, JPEGMetadataSplice::largestPayload - platform::jpegExifHeader.size());
    if (!fitted) return Failure::failure(fitted.cause());
    return withHeader(platform::jpegExifHeader, fitted->data(), fitted->size());
}

void appendSegment(platform::Bytes& out, std::uint8_t marker, const platform::Bytes& payload) {
    platform::appendJPEGSegment(out, marker, platform::ByteView(payload.data(), payload.size()));
}

// The XMP segments of a packet: one standard one when it fits, else the standard part of
// the split and the extended part in as many segments as it takes, in order of offset.
platform::Outcome<bool> appendXMP(platform::Bytes& out, const platform::XMPPacket& packet) {
    const auto* text = reinterpret_cast<const std::uint8_t*>(packet.text.data());
    if (packet.text.size() + xmpHeader.size() <= JPEGMetadataSplice::largestPayload) {
        appendSegment(out, platform::jpegAPP1, withHeader(xmpHeader, text, packet.text.size()));
        return true;
    }
    auto split = platform::splitXMP(packet, JPEGMetadataSplice::largestPayload - xmpHeader.size());
    if (!split) return platform::Outcome<bool>::failure(split.cause());
    const auto& standard = split->standard.text;
    appendSegment(out, platform::jpegAPP1,
                  withHeader(xmpHeader, reinterpret_cast<const std::uint8_t*>(standard.data()), standard.size()));

    const std::string& extended = split->extended;
    constexpr std::size_t chunkSize = JPEGMetadataSplice::largestPayload - platform::extendedXMPChunkHeader;
    for (std::size_t offset = 0; offset < extended.size(); offset += chunkSize) {
        const std::size_t size = std::min(chunkSize, extended.size() - offset);
        // Sized once and filled in place: g++ 12 misreads inserts that grow a short vector as
        // writing out of bounds.
        platform::Bytes payload(platform::extendedXMPChunkHeader + size);
        auto cursor = std::copy(platform::extendedXMPSignature.begin(), platform::extendedXMPSignature.end(),
                                payload.begin());
        cursor = std::copy(split->guid.begin(), split->guid.end(), cursor);
        for (const std::size_t number : {extended.size(), offset})
            for (int shift = 24; shift >= 0; shift -= 8) *cursor++ = static_cast<std::uint8_t>(number >> shift);
        std::copy(extended.begin() + static_cast<std::ptrdiff_t>(offset),
                  extended.begin() + static_cast<std::ptrdiff_t>(offset + size), cursor);
        appendSegment(out, platform::jpegAPP1, payload);
    }
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

platform::Outcome<platform::Bytes> JPEGMetadataSplice::inserting(const platform::Bytes& jpeg,
                                                                 const std::optional<platform::Bytes>& exif,
                                                                 const platform::XmpRef& xmp, int orientation,
                                                                 const std::optional<platform::Bytes>& iptc,
                                                                 const std::optional<platform::Bytes>& comment,
                                                                 const std::optional<platform::Bytes>& photoshop) {
    std::optional<std::size_t> point = insertionPoint(jpeg);
    if (!point) return Failure::failure("the encoded bytes do not start a JPEG file");
    if (orientation < 1 || orientation > 8)
        return Failure::failure("orientation " + std::to_string(orientation) + " is not one of 1 to 8");
    platform::Bytes out(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(*point));
    auto exifSegment = exifPayload(exif, orientation);
    if (!exifSegment) return exifSegment;
    appendSegment(out, platform::jpegAPP1, *exifSegment);
    if (xmp) {
        if (std::optional<platform::XMPPacket> turned = platform::xmpWithOrientation(*xmp, orientation)) {
            auto appended = appendXMP(out, *turned);
            if (!appended) return Failure::failure(appended.cause());
        }
    }
    if (iptc || photoshop)
        for (const platform::Bytes& segment : platform::photoshopSegmentsWithIPTC(iptc, largestPayload, photoshop))
            appendSegment(out, platform::jpegAPP13, segment);
    if (comment) {
        for (std::size_t offset = 0; offset < comment->size(); offset += largestPayload) {
            const auto from = comment->begin() + static_cast<std::ptrdiff_t>(offset);
            appendSegment(out, commentMarker,
                          platform::Bytes(from, from + static_cast<std::ptrdiff_t>(
                                                           std::min(largestPayload, comment->size() - offset))));
        }
    }
    out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(*point), jpeg.end());
    return out;
}

platform::Outcome<platform::Bytes> JPEGMetadataSplice::replacingExif(const platform::Bytes& jpeg,
                                                                     const std::optional<platform::Bytes>& exif,
                                                                     int orientation) {
    const platform::ByteView file(jpeg.data(), jpeg.size());
    platform::Bytes kept;
    kept.reserve(jpeg.size());
    std::size_t from = 0;
    platform::forEachJPEGSegment(file, [&](std::uint8_t marker, platform::ByteView payload) {
        if (marker == platform::jpegAPP1 && payload.startsWith(0, platform::jpegExifHeader)) {
            // The marker and the two length bytes stand before the payload.
            const std::size_t start = static_cast<std::size_t>(payload.data() - jpeg.data());
            kept.insert(kept.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(from),
                        jpeg.begin() + static_cast<std::ptrdiff_t>(start - 4));
            from = start + payload.size();
        }
        return true;
    });
    kept.insert(kept.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(from), jpeg.end());
    return inserting(kept, exif, nullptr, orientation);
}

} // namespace pictavo
