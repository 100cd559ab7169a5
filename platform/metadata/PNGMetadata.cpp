#include "platform/metadata/PNGMetadata.h"

#include "platform/metadata/CompressedMetadata.h"
#include "platform/metadata/ExifGPS.h"
#include "platform/metadata/IPTCRecords.h"
#include "platform/metadata/RawProfile.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace platform {
namespace {

constexpr std::string_view signature{"\x89PNG\r\n\x1A\n", 8};
constexpr std::string_view rawProfile = "Raw profile type ";

// The text of a tEXt, zTXt or iTXt chunk whose keyword starts with rawProfile, with that
// keyword's last word; nothing for any other chunk or one that does not inflate.
struct ProfileText {
    std::string_view name;
    std::string text;
};

std::optional<ProfileText> profileText(std::string_view type, ByteView payload, std::size_t& inflatable) {
    const auto* begin = reinterpret_cast<const char*>(payload.data());
    const std::string_view chunk(begin, payload.size());
    const std::size_t keywordEnd = chunk.find('\0');
    if (keywordEnd == std::string_view::npos || !chunk.starts_with(rawProfile)) return std::nullopt;
    ProfileText profile{chunk.substr(rawProfile.size(), keywordEnd - rawProfile.size()), {}};
    std::size_t at = keywordEnd + 1;
    bool compressed = false;
    if (type == "zTXt") {
        compressed = true;
        ++at; // the compression method, 0 (zlib) the only one
    } else if (type == "iTXt") {
        compressed = chunk.size() > at && chunk[at] != 0;
        at += 2; // the compressed flag and method
        for (int field = 0; field < 2 && at <= chunk.size(); ++field) { // language and translated keyword
            const std::size_t end = chunk.find('\0', at);
            at = end == std::string_view::npos ? chunk.size() + 1 : end + 1;
        }
    } else if (type != "tEXt") {
        return std::nullopt;
    }
    if (at > chunk.size()) return std::nullopt;
    const ByteView body = payload.sub(at, payload.size() - at);
    if (!compressed) {
        profile.text.assign(begin + at, chunk.size() - at);
        return profile;
    }
    const auto inflated = zlibInflated(body, inflatable);
    if (!inflated) return std::nullopt;
    inflatable -= inflated->size();
    profile.text.assign(inflated->begin(), inflated->end());
    return profile;
}

} // namespace

PNGMetadata pngMetadata(ByteView file) {
    PNGMetadata found;
    if (!file.startsWith(0, signature)) return found;
    std::size_t inflatable = largestInflatedMetadata(file.size());
    std::optional<Bytes> profileExif;
    for (std::size_t at = signature.size(); file.has(at, 12);) {
        const auto length = file.u32be(at);
        if (!length || !file.has(at + 8, *length) || !file.has(at + 8 + *length, 4)) break;
        const ByteView typeBytes = file.sub(at + 4, 4);
        const std::string_view type(reinterpret_cast<const char*>(typeBytes.data()), 4);
        const ByteView payload = file.sub(at + 8, *length);
        if (type == "IEND") break;
        at += 12 + std::size_t{*length};
        if (type != "eXIf" && type != "tEXt" && type != "zTXt" && type != "iTXt") continue;
        const uLong crc = ::crc32(::crc32(0, typeBytes.data(), 4), payload.data(), static_cast<uInt>(payload.size()));
        if (crc != *file.u32be(at - 4)) continue;
        if (type == "eXIf") {
            if (found.exif) continue;
            Bytes block = tiffStructuredExif(payload.data(), payload.size());
            if (!block.empty()) found.exif = std::move(block);
            continue;
        }
        const auto profile = profileText(type, payload, inflatable);
        if (!profile) continue;
        const auto bytes = rawProfileBytes(profile->text);
        if (!bytes) continue;
        if ((profile->name == "exif" || profile->name == "APP1") && !profileExif) {
            // An APP1 profile is the whole segment's payload, which may be XMP rather than EXIF.
            Bytes block = tiffStructuredExif(bytes->data(), bytes->size());
            if (!block.empty()) profileExif = std::move(block);
        } else if (profile->name == "iptc" && !found.iptc) {
            const ByteView view(bytes->data(), bytes->size());
            found.iptc = photoshopIPTC(view);
            if (!found.iptc) found.iptc = iptcRecords(view);
        } else if (profile->name == "xmp" && !found.xmp) {
            found.xmp = std::string(bytes->begin(), bytes->end());
        }
    }
    if (!found.exif) found.exif = std::move(profileExif);
    return found;
}

} // namespace platform
