#include "platform/read/StoredSides.h"

#include "platform/base/ISOBoxes.h"
#include "platform/read/DIBDecoder.h"
#include "platform/read/ICNSElements.h"
#include "platform/read/ICODirectory.h"
#include "platform/read/PNGSummary.h"
#include "platform/read/PNMHeader.h"
#include "platform/read/PSDFile.h"
#include "platform/read/RawBackend.h"
#include "platform/read/TIFFDirectory.h"
#include "platform/types/ImageSniffer.h"
#include "platform/types/TGAHeader.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string_view>

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
// A Radiance header's text, up to the line that gives the resolution, is read up to this much.
constexpr std::size_t radianceHeaderBytes = 8 * 1024;
// Attributes past this many in an OpenEXR header are not walked.
constexpr int mostOpenEXRAttributes = 4096;
// An OpenEXR attribute's name and type, each at most 255 letters and a NUL, and its size.
constexpr std::size_t openEXRAttributeHead = 2 * 256 + 4;
// Icon files with more images than this are not walked: real ones hold a few dozen.
constexpr std::size_t mostIconImages = 1024;
// Enough of an icon image to read a PNG's IHDR or a bitmap's header.
constexpr std::size_t iconImageHeaderBytes = 128;

std::optional<StoredSides> sides(std::uint64_t width, std::uint64_t height) {
    constexpr auto most = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (width == 0 || height == 0 || width > most || height > most) return std::nullopt;
    return StoredSides{static_cast<std::int64_t>(width), static_cast<std::int64_t>(height)};
}

// Sides read by a reader that makes every stored pixel whatever size is drawn, each pixel
// taking at least `bytesPerPixel` once made.
std::optional<StoredSides> readWhole(std::optional<StoredSides> found, std::uint64_t bytesPerPixel) {
    if (found) {
        found->bytesPerPixel = bytesPerPixel;
        found->readsSmaller = false;
    }
    return found;
}

// `perPixel` bytes for every stored pixel, held at the most that any count reaches.
std::uint64_t everyStoredPixel(const StoredSides& of, std::uint64_t perPixel) {
    std::uint64_t bytes = 0;
    if (__builtin_mul_overflow(static_cast<std::uint64_t>(of.width), static_cast<std::uint64_t>(of.height), &bytes) ||
        __builtin_mul_overflow(bytes, perPixel, &bytes))
        return std::numeric_limits<std::uint64_t>::max();
    return bytes;
}

std::optional<StoredSides> pngSides(ByteView start) {
    const auto png = summarisePng(start);
    if (!png) return std::nullopt;
    auto found = sides(png->width, png->height);
    if (!found) return std::nullopt;
    found->bytesPerPixel = static_cast<std::uint64_t>(png->decodedBytesPerPixel());
    // Adam7's passes each cover the whole picture, so libvips decodes an interlaced PNG whole
    // before it hands on a row, whatever size it is then averaged to.
    if (png->interlaced) found->heldBeside = everyStoredPixel(*found, found->bytesPerPixel);
    // Only an animated PNG's default image is read, and whole.
    if (png->animationFrames) found->readsSmaller = false;
    return found;
}

// The start-of-frame markers of every coding process; C4 (Huffman tables), C8 (reserved)
// and CC (arithmetic conditioning) share their range without being frames.
bool isStartOfFrame(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// A frame's pixels as libvips makes them: RGB of a byte a sample from three components, and
// from four too when no profile of the file's own keeps them CMYK; grey from one or two. A
// progressive frame's scans each refine every block, so libjpeg keeps the coefficients of the
// whole stored picture, two bytes each, whatever size it decodes at: counted as the reader
// counts them from libvips' name for the sampling, three components whole when none is
// subsampled, else as one and a half (4:2:0, the least any name gives).
std::optional<StoredSides> jpegFrameSides(std::uint8_t marker, ByteView frame) {
    const auto height = frame.u16be(1);
    const auto width = frame.u16be(3);
    // A height of 0 is given later by a DNL marker, which only the decoder reads.
    if (!width || !height) return std::nullopt;
    auto found = sides(*width, *height);
    const auto components = frame.u8(5);
    if (!found || !components) return found;
    found->bytesPerPixel = *components >= 3 ? 3 : 1;
    const bool progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
    if (!progressive) return found;
    std::uint64_t coefficientBytes = 2 * std::uint64_t{*components};
    if (*components == 3) {
        bool subsampled = false;
        for (std::size_t component = 0; component < 3; ++component)
            subsampled = subsampled || frame.u8(6 + 3 * component + 1) != std::uint8_t{0x11};
        coefficientBytes = subsampled ? 3 : 6;
    }
    found->heldBeside = everyStoredPixel(*found, coefficientBytes);
    return found;
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
            // Its precision, sides, count of components and each one's three bytes.
            const Bytes frame = source(at + 4, std::min<std::size_t>(*length - 2u, 6 + 3 * 255));
            return jpegFrameSides(*marker, ByteView(frame.data(), frame.size()));
        }
        at += 2 + std::uint64_t{*length};
    }
    return std::nullopt;
}

// The sides, and whether the picture has alpha, which libwebp decodes as a fourth byte a pixel.
std::optional<StoredSides> webpSides(ByteView start) {
    const auto withAlpha = [](std::optional<StoredSides> found, bool alpha) {
        if (found) found->bytesPerPixel = alpha ? 4 : 3;
        return found;
    };
    if (!start.startsWith(0, "RIFF") || !start.startsWith(8, "WEBP")) return std::nullopt;
    const ByteView data = start.sub(20, start.size() >= 20 ? start.size() - 20 : 0);
    if (start.startsWith(12, "VP8 ")) {
        // A key frame's tag, then its start code and its 14-bit sides (the top two bits scale).
        if (!data.startsWith(3, "\x9D\x01\x2A")) return std::nullopt;
        const auto width = data.u16le(6);
        const auto height = data.u16le(8);
        if (!width || !height) return std::nullopt;
        return withAlpha(sides(*width & 0x3FFFu, *height & 0x3FFFu), false);
    }
    if (start.startsWith(12, "VP8L")) {
        const auto packed = data.u32le(1);
        if (data.u8(0) != 0x2F || !packed) return std::nullopt;
        return withAlpha(sides((*packed & 0x3FFFu) + 1, ((*packed >> 14) & 0x3FFFu) + 1), (*packed >> 28) & 1u);
    }
    if (start.startsWith(12, "VP8X")) {
        const auto flags = data.u8(0);
        const auto width = data.u32le(4);
        const auto height = data.u32le(7);
        if (!flags || !width || !height) return std::nullopt;
        return withAlpha(sides((*width & 0xFFFFFFu) + 1, (*height & 0xFFFFFFu) + 1), *flags & 0x10u);
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

// The sides of the larger of two, the first of equal areas, as the reader picks an icon's
// largest image and HEIF's largest is its primary picture.
std::optional<StoredSides> larger(std::optional<StoredSides> first, std::optional<StoredSides> second) {
    const auto area = [](const StoredSides& of) { return static_cast<double>(of.width) * static_cast<double>(of.height); };
    if (!first) return second;
    if (!second) return first;
    return area(*second) > area(*first) ? second : first;
}

// A HEIF file's images declare their sides in `ispe` properties, in meta/iprp/ipco; the
// largest is the primary picture's, whose tiles and thumbnails are smaller. The top-level
// boxes are stepped over by their lengths to the meta box, which alone is read. libheif
// decodes to RGB however few channels are coded, of 16-bit samples when they are deeper than
// 8 bits: counted so when every image's `pixi` says so, as the one read is not told apart here.
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
    bool deep = false, shallow = false;
    forEachISOBox(ByteView(metaBox.data(), metaBox.size()), [&](ByteView type, ByteView meta) {
        if (!type.startsWith(0, "meta")) return;
        forEachISOBox(meta.sub(4, meta.size() >= 4 ? meta.size() - 4 : 0), [&](ByteView type, ByteView iprp) {
            if (!type.startsWith(0, "iprp")) return;
            forEachISOBox(iprp, [&](ByteView type, ByteView ipco) {
                if (!type.startsWith(0, "ipco")) return;
                forEachISOBox(ipco, [&](ByteView type, ByteView property) {
                    if (type.startsWith(0, "pixi")) {
                        // After its version and flags, a count of channels and the bits of each.
                        const auto channels = property.u8(4);
                        for (std::size_t channel = 0; channels && channel < *channels; ++channel) {
                            const auto bits = property.u8(5 + channel);
                            deep = deep || (bits && *bits > 8);
                            shallow = shallow || !bits || *bits <= 8;
                        }
                    }
                    const auto width = property.u32be(4);
                    const auto height = property.u32be(8);
                    if (type.startsWith(0, "ispe") && width && height) largest = larger(largest, sides(*width, *height));
                });
            });
        });
    });
    return readWhole(largest, deep && !shallow ? 6 : 3);
}

// openjpeg decodes every component whole, and libvips makes of them grey or RGB (with alpha
// where there is a further component) of a byte a sample, or of two for samples deeper than 8
// bits: at least as many bytes as the first component's depth and the count of components say.
// `depthByte` holds the bits less one in its low seven bits.
std::uint64_t jpeg2000BytesPerPixel(std::uint16_t components, std::uint8_t depthByte) {
    return (components >= 3 ? 3 : 1) * ((depthByte & 0x7Fu) + 1 > 8 ? 2 : 1);
}

// A JP2 file's header box holds an image header box; a bare codestream's SIZ marker segment
// declares the reference grid and the picture's offset on it, then its components.
std::optional<StoredSides> jpeg2000Sides(ByteView start) {
    if (start.startsWith(0, "\xFF\x4F\xFF\x51")) {
        const auto right = start.u32be(8);
        const auto bottom = start.u32be(12);
        const auto left = start.u32be(16);
        const auto top = start.u32be(20);
        if (!right || !bottom || !left || !top || *left >= *right || *top >= *bottom) return std::nullopt;
        const auto components = start.u16be(40);
        const auto depth = start.u8(42);
        return readWhole(sides(*right - *left, *bottom - *top),
                         components && depth ? jpeg2000BytesPerPixel(*components, *depth) : 1);
    }
    std::optional<StoredSides> found;
    forEachISOBox(start, [&](ByteView type, ByteView header) {
        if (!type.startsWith(0, "jp2h")) return;
        forEachISOBox(header, [&](ByteView type, ByteView ihdr) {
            const auto height = ihdr.u32be(0);
            const auto width = ihdr.u32be(4);
            const auto components = ihdr.u16be(8);
            const auto depth = ihdr.u8(10);
            if (!type.startsWith(0, "ihdr") || !width || !height) return;
            // A depth of 255 says the components' depths differ, each given in a box of its own:
            // counted at a byte a sample, the least.
            found = readWhole(sides(*width, *height),
                              components && depth ? jpeg2000BytesPerPixel(*components, *depth == 0xFF ? 7 : *depth) : 1);
        });
    });
    return found;
}

// LSB-first bits, as a JPEG XL codestream packs its fields.
class JXLBits {
public:
    explicit JXLBits(ByteView bytes) : bytes_(bytes) {}
    std::optional<std::uint64_t> read(int count) {
        std::uint64_t value = 0;
        for (int i = 0; i < count; ++i, ++at_) {
            const auto byte = bytes_.u8(at_ / 8);
            if (!byte) return std::nullopt;
            value |= std::uint64_t{(*byte >> (at_ % 8)) & 1u} << i;
        }
        return value;
    }
    // A side as the SizeHeader codes it: two bits choose how many bits follow, plus one.
    std::optional<std::uint64_t> side() {
        static constexpr int widths[] = {9, 13, 18, 30};
        const auto choice = read(2);
        if (!choice) return std::nullopt;
        const auto value = read(widths[*choice]);
        if (!value) return std::nullopt;
        return *value + 1;
    }

private:
    ByteView bytes_;
    std::size_t at_ = 0;
};

// The SizeHeader that opens a JPEG XL codestream, after its two-byte signature: the height,
// then the width, given or as one of seven fixed ratios to the height.
std::optional<StoredSides> jxlCodestreamSides(ByteView codestream) {
    if (!codestream.startsWith(0, "\xFF\x0A")) return std::nullopt;
    JXLBits bits(codestream.sub(2, codestream.size() - 2));
    const auto small = bits.read(1);
    if (!small) return std::nullopt;
    const auto eighths = [&]() -> std::optional<std::uint64_t> {
        const auto value = bits.read(5);
        if (!value) return std::nullopt;
        return (*value + 1) * 8;
    };
    const auto height = *small ? eighths() : bits.side();
    const auto ratio = bits.read(3);
    if (!height || !ratio) return std::nullopt;
    static constexpr std::uint64_t across[] = {0, 1, 12, 4, 3, 16, 5, 2};
    static constexpr std::uint64_t down[] = {1, 1, 10, 3, 2, 9, 4, 1};
    if (*ratio != 0) return sides(*height * across[*ratio] / down[*ratio], *height);
    const auto width = *small ? eighths() : bits.side();
    if (!width) return std::nullopt;
    return sides(*width, *height);
}

// A bare codestream, or a container whose boxes lead to the codestream's box (the whole of it,
// or the first of its parts behind their four-byte index).
std::optional<StoredSides> jxlSides(const ByteSource& source) {
    // The SizeHeader takes at most 2 + 9 bytes.
    constexpr std::size_t sizeHeaderBytes = 16;
    const Bytes first = source(0, sizeHeaderBytes);
    if (const auto bare = jxlCodestreamSides(ByteView(first.data(), first.size()))) return bare;
    std::uint64_t at = 0;
    for (int boxes = 0; boxes < mostTopLevelBoxes; ++boxes) {
        const Bytes read = source(at, 16);
        const auto box = isoBoxHeader(ByteView(read.data(), read.size()), std::numeric_limits<std::uint64_t>::max() - at);
        if (!box) return std::nullopt;
        const bool whole = box->type.startsWith(0, "jxlc"), part = box->type.startsWith(0, "jxlp");
        if (whole || part) {
            const std::uint64_t skipped = box->headerBytes + (part ? 4 : 0);
            if (box->size < skipped) return std::nullopt;
            const Bytes codestream = source(at + skipped, static_cast<std::size_t>(std::min<std::uint64_t>(box->size - skipped, sizeHeaderBytes)));
            return jxlCodestreamSides(ByteView(codestream.data(), codestream.size()));
        }
        if (box->size > std::numeric_limits<std::uint64_t>::max() - at) return std::nullopt;
        at += box->size;
    }
    return std::nullopt;
}

// The header's text ends at an empty line; the next gives the resolution as libvips reads it:
// the scan lines run along the axis named second ("-Y 480 +X 640" is 640 across, 480 down).
std::optional<StoredSides> radianceSides(const ByteSource& source) {
    const Bytes read = source(0, radianceHeaderBytes);
    const std::string_view text(reinterpret_cast<const char*>(read.data()), read.size());
    const auto blank = text.find("\n\n");
    if (blank == std::string_view::npos) return std::nullopt;
    const auto start = blank + 2;
    const auto end = text.find('\n', start);
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view line = text.substr(start, end - start);
    const auto x = line.rfind('X'), y = line.rfind('Y');
    if (x == std::string_view::npos || y == std::string_view::npos) return std::nullopt;
    const auto number = [&](std::size_t after) -> std::optional<std::uint64_t> {
        std::size_t at = after + 1;
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
        if (at < line.size() && line[at] == '+') ++at;
        std::uint64_t value = 0;
        const std::size_t digits = at;
        for (; at < line.size() && line[at] >= '0' && line[at] <= '9'; ++at) {
            value = value * 10 + static_cast<std::uint64_t>(line[at] - '0');
            if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
        }
        if (at == digits) return std::nullopt;
        return value;
    };
    const auto xs = number(x), ys = number(y);
    if (!xs || !ys) return std::nullopt;
    return x > y ? sides(*xs, *ys) : sides(*ys, *xs);
}

// The header's attributes are stepped over by their sizes to the data window, whose corners
// are inclusive; a file of several parts gives its first part's.
std::optional<StoredSides> openEXRSides(const ByteSource& source) {
    std::uint64_t at = 8;
    for (int attributes = 0; attributes < mostOpenEXRAttributes; ++attributes) {
        const Bytes read = source(at, openEXRAttributeHead);
        const std::string_view head(reinterpret_cast<const char*>(read.data()), read.size());
        const auto nameEnd = head.find('\0');
        if (nameEnd == std::string_view::npos || nameEnd == 0) return std::nullopt;
        const auto typeEnd = head.find('\0', nameEnd + 1);
        if (typeEnd == std::string_view::npos) return std::nullopt;
        const auto size = ByteView(read.data(), read.size()).u32le(typeEnd + 1);
        if (!size) return std::nullopt;
        const std::uint64_t value = at + typeEnd + 5;
        if (head.substr(0, nameEnd) == "dataWindow") {
            if (head.substr(nameEnd + 1, typeEnd - nameEnd - 1) != "box2i" || *size != 16) return std::nullopt;
            const Bytes box = source(value, 16);
            const ByteView corners(box.data(), box.size());
            const auto left = corners.u32le(0), top = corners.u32le(4), right = corners.u32le(8), bottom = corners.u32le(12);
            if (!left || !top || !right || !bottom) return std::nullopt;
            const auto across = std::int64_t{static_cast<std::int32_t>(*right)} - static_cast<std::int32_t>(*left) + 1;
            const auto down = std::int64_t{static_cast<std::int32_t>(*bottom)} - static_cast<std::int32_t>(*top) + 1;
            if (across < 1 || down < 1) return std::nullopt;
            return sides(static_cast<std::uint64_t>(across), static_cast<std::uint64_t>(down));
        }
        at = value + *size;
    }
    return std::nullopt;
}

// A Windows icon's largest image, from the header of each: a PNG's IHDR or a bitmap's header.
std::optional<StoredSides> icoSides(const ByteSource& source, ByteView start) {
    const auto count = icoEntryCount(start);
    if (!count || *count > mostIconImages) return std::nullopt;
    const Bytes read = source(0, icoHeaderBytes + *count * icoEntryBytes);
    const auto entries = readICODirectory(ByteView(read.data(), read.size()));
    if (!entries) return std::nullopt;
    std::optional<StoredSides> largest;
    for (const auto& entry : *entries) {
        // An image cut short by the end of the file is none.
        if (entry.size == 0 || source(std::uint64_t{entry.offset} + entry.size - 1, 1).empty()) continue;
        const Bytes header = source(entry.offset, std::min<std::size_t>(entry.size, iconImageHeaderBytes));
        const ByteView image(header.data(), header.size());
        std::optional<StoredSides> found;
        if (const auto png = summarisePng(image)) found = sides(png->width, png->height);
        else if (const auto dib = readDibHeader(image, true)) found = sides(dib->width, dib->height);
        largest = larger(largest, found);
    }
    return largest;
}

// An Apple icon's largest image: a legacy element's fixed side, or its PNG or JPEG 2000 header.
std::optional<StoredSides> icnsSides(const ByteSource& source) {
    const auto elements = readICNSElements(source, mostIconImages);
    if (!elements) return std::nullopt;
    std::optional<StoredSides> largest;
    for (const auto& element : *elements) {
        largest = larger(largest, element.coding == ICNSElement::Coding::embedded
                                      ? storedSidesFromHeader(byteSourceWithin(source, element.offset, element.size))
                                      : sides(element.side, element.side));
    }
    return largest;
}

} // namespace

std::optional<StoredSides> storedSidesFromHeader(const ByteSource& source, std::int64_t index) {
    const Bytes read = source(0, startBytes);
    const ByteView start(read.data(), read.size());
    switch (sniffImageFormat(start).format) {
    case SniffedFormat::png: return pngSides(start);
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
    // These readers make every stored pixel whatever size is drawn, in colour at least: a GIF's
    // colours and a bitmap's as RGB, whatever their palette.
    case SniffedFormat::gif: {
        const auto width = start.u16le(6);
        const auto height = start.u16le(8);
        if (!width || !height) return std::nullopt;
        return readWhole(sides(*width, *height), 3);
    }
    case SniffedFormat::bmp: return readWhole(bmpSides(start), 3);
    case SniffedFormat::heif: return heifSides(source);
    case SniffedFormat::jpeg2000: return jpeg2000Sides(start);
    case SniffedFormat::pnm: {
        const auto header = readPNMHeader(start);
        if (!header) return std::nullopt;
        return readWhole(sides(header->width, header->height), static_cast<std::uint64_t>(header->decodedBytesPerPixel()));
    }
    case SniffedFormat::jpegXL: return readWhole(jxlSides(source), 1);
    case SniffedFormat::radiance: return readWhole(radianceSides(source), 3);
    case SniffedFormat::openEXR: return readWhole(openEXRSides(source), 3);
    case SniffedFormat::tga: {
        const auto header = readTGAHeader(start);
        if (!header) return std::nullopt;
        return readWhole(sides(header->width, header->height), header->kind == TGAHeader::Kind::grey ? 1 : 3);
    }
    // An icon file stands for its largest image, whatever the page.
    case SniffedFormat::ico: return readWhole(icoSides(source, start), 3);
    case SniffedFormat::icns: return readWhole(icnsSides(source), 3);
    case SniffedFormat::psd: {
        const auto height = start.u32be(14);
        const auto width = start.u32be(18);
        const auto depth = start.u16be(22);
        const auto mode = start.u16be(24);
        if (!width || !height || !depth || !mode) return std::nullopt;
        // Colour modes are read as RGB (CMYK too, unless a profile of the file's own keeps it
        // CMYK), the others as grey, of 16-bit samples or 32-bit floats at those depths.
        using Mode = PSDFile::Mode;
        const auto named = static_cast<Mode>(*mode);
        const bool colour = named == Mode::indexed || named == Mode::rgb || named == Mode::cmyk || named == Mode::lab;
        return readWhole(sides(*width, *height), (colour ? 3 : 1) * (*depth == 32 ? 4 : *depth == 16 ? 2 : 1));
    }
    case SniffedFormat::unknown: return index == 0 ? RawBackend::storedSides(source) : std::nullopt;
    default: return std::nullopt;
    }
}

std::optional<StoredSides> storedSidesFromHeader(ByteView start) {
    return storedSidesFromHeader(byteSourceOf(start));
}

} // namespace platform
