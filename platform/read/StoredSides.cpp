#include "platform/read/StoredSides.h"

#include "platform/read/PNGSummary.h"
#include "platform/read/TIFFDirectory.h"
#include "platform/types/ImageSniffer.h"

#include <cstdlib>
#include <limits>

namespace platform {
namespace {

// Enough of the start of a file to tell its format and read any header held there.
constexpr std::size_t startBytes = 4096;
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
        const auto directory = readTIFFDirectory(source, index);
        if (!directory) return std::nullopt;
        return sides(directory->width, directory->height);
    }
    case SniffedFormat::webp: return webpSides(start);
    case SniffedFormat::gif: {
        const auto width = start.u16le(6);
        const auto height = start.u16le(8);
        if (!width || !height) return std::nullopt;
        return sides(*width, *height);
    }
    case SniffedFormat::bmp: return bmpSides(start);
    case SniffedFormat::psd: {
        const auto height = start.u32be(14);
        const auto width = start.u32be(18);
        if (!width || !height) return std::nullopt;
        return sides(*width, *height);
    }
    default: return std::nullopt;
    }
}

std::optional<StoredSides> storedSidesFromHeader(ByteView start) {
    return storedSidesFromHeader(byteSourceOf(start));
}

} // namespace platform
