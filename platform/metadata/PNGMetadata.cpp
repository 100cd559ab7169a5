#include "platform/metadata/PNGMetadata.h"

#include "platform/metadata/CompressedMetadata.h"
#include "platform/metadata/ExifGPS.h"
#include "platform/metadata/IPTCRecords.h"
#include "platform/metadata/PhotoshopResources.h"
#include "platform/metadata/RawProfile.h"
#include "platform/text/UnicodeText.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace platform {
namespace {

constexpr std::string_view signature{"\x89PNG\r\n\x1A\n", 8};
constexpr std::string_view rawProfile = "Raw profile type ";
constexpr std::string_view xmpKeyword = "XML:com.adobe.xmp";
constexpr std::string_view commentKeyword = "Comment";

// Whether a text describes the picture in a way another file can hold again: its keyword is
// one PNG allows (1 to 79 bytes), and not one of ImageMagick's records of the file it wrote
// ("date:create", "date:modify", "date:timestamp") or of the EXIF it copied ("exif:ExifOffset"
// and the like), which the output's own file and EXIF state anew.
bool isPictureText(std::string_view keyword) {
    return !keyword.empty() && keyword.size() <= 79 && !keyword.starts_with("date:") && !keyword.starts_with("exif:");
}

std::string utf8FromLatin1(std::string_view latin1) {
    std::string text;
    for (const char c : latin1) appendScalar(text, static_cast<unsigned char>(c));
    return text;
}

// The keyword and text of a tEXt, zTXt or iTXt chunk, the text in UTF-8 (tEXt and zTXt hold
// Latin-1); nothing for another chunk, or one that does not inflate.
std::optional<PNGText> textChunk(std::string_view type, ByteView payload, std::size_t& inflatable) {
    const auto* begin = reinterpret_cast<const char*>(payload.data());
    const std::string_view chunk(begin, payload.size());
    const std::size_t keywordEnd = chunk.find('\0');
    if (keywordEnd == std::string_view::npos) return std::nullopt;
    PNGText found{std::string(chunk.substr(0, keywordEnd)), {}};
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
    if (compressed) {
        const auto inflated = zlibInflated(body, inflatable);
        if (!inflated) return std::nullopt;
        inflatable -= inflated->size();
        found.text.assign(inflated->begin(), inflated->end());
    } else {
        found.text.assign(begin + at, chunk.size() - at);
    }
    if (type != "iTXt") found.text = utf8FromLatin1(found.text);
    return found;
}

} // namespace

PNGMetadata pngMetadata(ByteView file) {
    PNGMetadata found;
    if (!file.startsWith(0, signature)) return found;
    std::size_t inflatable = largestInflatedMetadata(file.size());
    std::optional<Bytes> profileExif;
    std::optional<std::string> standardXMP;
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
        auto text = textChunk(type, payload, inflatable);
        if (!text) continue;
        if (text->keyword == xmpKeyword) {
            if (!standardXMP) standardXMP = std::move(text->text);
            continue;
        }
        if (text->keyword == commentKeyword && !found.comment) {
            found.comment = std::move(text->text);
            continue;
        }
        if (!text->keyword.starts_with(rawProfile)) {
            if (isPictureText(text->keyword)) found.texts.push_back(std::move(*text));
            continue;
        }
        const std::string_view name = std::string_view(text->keyword).substr(rawProfile.size());
        const auto bytes = rawProfileBytes(text->text);
        if (!bytes) continue;
        if ((name == "exif" || name == "APP1") && !profileExif) {
            // An APP1 profile is the whole segment's payload, which may be XMP rather than EXIF.
            Bytes block = tiffStructuredExif(bytes->data(), bytes->size());
            if (!block.empty()) profileExif = std::move(block);
        } else if (name == "iptc" && !found.iptc) {
            const ByteView view(bytes->data(), bytes->size());
            found.iptc = photoshopIPTC(view);
            if (!found.iptc) found.iptc = iptcRecords(view);
        } else if (name == "8bim" && !found.photoshop) {
            found.photoshop = photoshopResourcesBesideMetadata(ByteView(bytes->data(), bytes->size()));
        } else if (name == "xmp" && !found.xmp) {
            found.xmp = std::string(bytes->begin(), bytes->end());
        }
    }
    if (standardXMP) found.xmp = std::move(standardXMP);
    if (!found.exif) found.exif = std::move(profileExif);
    return found;
}

} // namespace platform
