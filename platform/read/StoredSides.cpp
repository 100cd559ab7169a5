#include "platform/read/StoredSides.h"

#include "platform/base/ISOBoxes.h"
#include "platform/read/PNGSummary.h"
#include "platform/read/PNMHeader.h"
#include "platform/read/RawBackend.h"
#include "platform/read/TIFFDirectory.h"
#include "platform/types/ImageSniffer.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace platform {
namespace {

// Enough of the start of a file to tell its format and read any header held there.
constexpr std::size_t startBytes = 4096;
// A HEIF file's meta box is read up to this much, however many tiles it names.
constexpr std::size_t heifMetaBytes = 4 << 20;
// Top-level boxes past this many before the meta box are not walked.
constexpr int mostTopLevelBoxes = 64;
// Marker segments past this many before the frame header are not walked.
constexpr int mostJPEGSegments = 65'536;

std::optional<StoredSides> sides(std::uint64_t width, std::uint64_t height) {
    constexpr auto most = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (width == 0 || height == 0 || width > most || height > most) return std::nullopt;
    return StoredSides{static_cast<std::int64_t>(width), static_cast<std::int64_t>(height)};
}

// The start-of-frame markers of every coding process; C4 (Huffman tables), C8 (reserved)
// and CC (arithmetic conditioning) share their range without being frames.
bool isStartOfFrame(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// The marker segments are walked by their lengths, each read on its own, so that metadata of
// any size before the frame header is stepped over rather than read.
std::optional<StoredSides> jpegSides(const ByteSource& source) {
    std::uint64_t at = 2;
    for (int segment = 0; segment < mostJPEGSegments; ++segment) {
        const Bytes read = source(at, 4);
        const ByteView bytes(read.data(), read.size());
        if (bytes.u8(0) != 0xFF) return std::nullopt;
        const auto marker = bytes.u8(1);
        if (!marker || *marker == 0xDA || *marker == 0xD9 || *marker == 0x00) return std::nullopt;
        if (*marker == 0xFF) { // a fill byte
            at += 1;
            continue;
        }
        if ((*marker >= 0xD0 && *marker <= 0xD7) || *marker == 0x01) { // no length
            at += 2;
            continue;
        }
        const auto length = bytes.u16be(2);
        if (!length || *length < 2) return std::nullopt;
        if (isStartOfFrame(*marker)) {
            const Bytes frame = source(at + 4, 5);
            const ByteView payload(frame.data(), frame.size());
            const auto height = payload.u16be(1);
            const auto width = payload.u16be(3);
            // A height of 0 is given later by a DNL marker, which only the decoder reads.
            if (!width || !height) return std::nullopt;
            return sides(*width, *height);
        }
        at += 2 + std::uint64_t{*length};
    }
    return std::nullopt;
}

std::optional<StoredSides> webpSides(ByteView start) {
    if (!start.startsWith(0, "RIFF") || !start.startsWith(8, "WEBP")) return std::nullopt;
    const ByteView data = start.sub(20, start.size() >= 20 ? start.size() - 20 : 0);
    if (start.startsWith(12, "VP8 ")) {
        // A key frame's tag, then its start code and its 14-bit sides (the top two bits scale).
        if (!data.startsWith(3, "\x9D\x01\x2A")) return std::nullopt;
        const auto width = data.u16le(6);
        const auto height = data.u16le(8);
        if (!width || !height) return std::nullopt;
        return sides(*width & 0x3FFFu, *height & 0x3FFFu);
    }
    if (start.startsWith(12, "VP8L")) {
        const auto packed = data.u32le(1);
        if (data.u8(0) != 0x2F || !packed) return std::nullopt;
        return sides((*packed & 0x3FFFu) + 1, ((*packed >> 14) & 0x3FFFu) + 1);
    }
    if (start.startsWith(12, "VP8X")) {
        const auto width = data.u32le(4);
        const auto height = data.u32le(7);
        if (!width || !height) return std::nullopt;
        return sides((*width & 0xFFFFFFu) + 1, (*height & 0xFFFFFFu) + 1);
    }
    return std::nullopt;
}

std::optional<StoredSides> bmpSides(ByteView start) {
    const auto header = start.u32le(14);
    if (!header) return std::nullopt;
    if (*header == 12) { // OS/2's core header
        const auto width = start.u16le(18);
        const auto height = start.u16le(20);
        if (!width || !height) return std::nullopt;
        return sides(*width, *height);
    }
    const auto width = start.u32le(18);
    const auto height = start.u32le(22);
    if (!width || !height) return std::nullopt;
    // A negative height stores the rows from the top.
    const std::int64_t down = static_cast<std::int32_t>(*height);
    return sides(static_cast<std::int32_t>(*width) > 0 ? *width : 0, static_cast<std::uint64_t>(std::llabs(down)));
}

// A HEIF file's images declare their sides in `ispe` properties, in meta/iprp/ipco; the
// largest is the primary picture's, whose tiles and thumbnails are smaller. The top-level
// boxes are stepped over by their lengths to the meta box, which alone is read.
std::optional<StoredSides> heifSides(const ByteSource& source) {
    std::uint64_t at = 0;
    Bytes metaBox;
    for (int boxes = 0; boxes < mostTopLevelBoxes && metaBox.empty(); ++boxes) {
        const Bytes read = source(at, 16);
        const auto box = isoBoxHeader(ByteView(read.data(), read.size()), heifMetaBytes);
        if (!box) return std::nullopt;
        if (box->type.startsWith(0, "meta"))
            metaBox = source(at, static_cast<std::size_t>(std::min<std::uint64_t>(box->size, heifMetaBytes)));
        at += box->size;
    }
    std::optional<StoredSides> largest;
    forEachISOBox(ByteView(metaBox.data(), metaBox.size()), [&](ByteView type, ByteView meta) {
        if (!type.startsWith(0, "meta")) return;
        forEachISOBox(meta.sub(4, meta.size() >= 4 ? meta.size() - 4 : 0), [&](ByteView type, ByteView iprp) {
            if (!type.startsWith(0, "iprp")) return;
            forEachISOBox(iprp, [&](ByteView type, ByteView ipco) {
                if (!type.startsWith(0, "ipco")) return;
                forEachISOBox(ipco, [&](ByteView type, ByteView ispe) {
                    const auto width = ispe.u32be(4);
                    const auto height = ispe.u32be(8);
                    if (!type.startsWith(0, "ispe") || !width || !height) return;
                    const auto area = [](const StoredSides& of) {
                        return static_cast<double>(of.width) * static_cast<double>(of.height);
                    };
                    const auto found = sides(*width, *height);
                    if (found && (!largest || area(*found) > area(*largest))) largest = found;
                });
            });
        });
    });
    return largest;
}

// A JP2 file's header box holds an image header box; a bare codestream's SIZ marker segment
// declares the reference grid and the picture's offset on it.
std::optional<StoredSides> jpeg2000Sides(ByteView start) {
    if (start.startsWith(0, "\xFF\x4F\xFF\x51")) {
        const auto right = start.u32be(8);
        const auto bottom = start.u32be(12);
        const auto left = start.u32be(16);
        const auto top = start.u32be(20);
        if (!right || !bottom || !left || !top || *left >= *right || *top >= *bottom) return std::nullopt;
        return sides(*right - *left, *bottom - *top);
    }
    std::optional<StoredSides> found;
    forEachISOBox(start, [&](ByteView type, ByteView header) {
        if (!type.startsWith(0, "jp2h")) return;
        forEachISOBox(header, [&](ByteView type, ByteView ihdr) {
            const auto height = ihdr.u32be(0);
            const auto width = ihdr.u32be(4);
            if (type.startsWith(0, "ihdr") && width && height) found = sides(*width, *height);
        });
    });
    return found;
}

} // namespace

std::optional<StoredSides> storedSidesFromHeader(const ByteSource& source, std::int64_t index) {
    const Bytes read = source(0, startBytes);
    const ByteView start(read.data(), read.size());
    switch (sniffImageFormat(start).format) {
    case SniffedFormat::png: {
        const auto png = summarisePng(start);
        if (!png) return std::nullopt;
        return sides(png->width, png->height);
    }
    case SniffedFormat::jpeg: return jpegSides(source);
    case SniffedFormat::tiff: {
        // The reader takes a TIFF-structured file for a camera's whenever libraw does, and a
        // camera's first directory is often a thumbnail of its raw picture.
        if (index == 0)
            if (auto raw = RawBackend::storedSides(source)) return raw;
        const auto directory = readTIFFDirectory(source, index);
        if (!directory) return std::nullopt;
        auto found = sides(directory->width, directory->height);
        if (found) {
            found->bytesPerPixel = directory->leastDecodedBytesPerPixel();
            found->heldBeside = directory->blockBytes();
        }
        return found;
    }
    case SniffedFormat::webp: return webpSides(start);
    case SniffedFormat::gif: {
        const auto width = start.u16le(6);
        const auto height = start.u16le(8);
        if (!width || !height) return std::nullopt;
        return sides(*width, *height);
    }
    case SniffedFormat::bmp: return bmpSides(start);
    case SniffedFormat::heif: return heifSides(source);
    case SniffedFormat::jpeg2000: return jpeg2000Sides(start);
    case SniffedFormat::pnm: {
        const auto header = readPNMHeader(start);
        if (!header) return std::nullopt;
        return sides(header->width, header->height);
    }
    case SniffedFormat::psd: {
        const auto height = start.u32be(14);
        const auto width = start.u32be(18);
        if (!width || !height) return std::nullopt;
        return sides(*width, *height);
    }
    case SniffedFormat::unknown: return index == 0 ? RawBackend::storedSides(source) : std::nullopt;
    default: return std::nullopt;
    }
}

std::optional<StoredSides> storedSidesFromHeader(ByteView start) {
    return storedSidesFromHeader(byteSourceOf(start));
}

} // namespace platform
