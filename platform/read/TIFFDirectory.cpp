#include "platform/read/TIFFDirectory.h"

#include <algorithm>
#include <limits>

namespace platform {
namespace {

enum Tag : std::uint16_t {
    imageWidth = 256,
    imageLength = 257,
    bitsPerSampleTag = 258,
    samplesPerPixelTag = 277,
    rowsPerStripTag = 278,
    planarConfiguration = 284,
    tileWidthTag = 322,
    tileLengthTag = 323,
};

// Directories past this many are not followed: a chain that loops on itself ends here.
constexpr std::int64_t mostDirectories = 65'536;
// More entries than any writer puts in one directory are not read.
constexpr std::uint64_t mostEntries = 65'535;

struct Layout {
    bool bigEndian = false;
    bool big = false; // BigTIFF: 8-byte offsets and counts

    std::size_t offsetBytes() const { return big ? 8 : 4; }
    std::size_t entryBytes() const { return big ? 20 : 12; }
    std::size_t countBytes() const { return big ? 8 : 2; }
};

std::optional<std::uint64_t> unsignedAt(ByteView bytes, std::size_t offset, std::size_t width, bool bigEndian) {
    switch (width) {
    case 1: return bytes.u8(offset);
    case 2: return bytes.u16(offset, bigEndian);
    case 4: return bytes.u32(offset, bigEndian);
    case 8: {
        const auto first = bytes.u32(offset, bigEndian);
        const auto second = bytes.u32(offset + 4, bigEndian);
        if (!first || !second) return std::nullopt;
        return bigEndian ? (std::uint64_t{*first} << 32 | *second) : (std::uint64_t{*second} << 32 | *first);
    }
    default: return std::nullopt;
    }
}

// The width of one value of the integer types (BYTE, SHORT, LONG, LONG8, IFD, IFD8); 0 for
// any other type.
std::size_t integerWidth(std::uint16_t type) {
    switch (type) {
    case 1: return 1;
    case 3: return 2;
    case 4: case 13: return 4;
    case 16: case 18: return 8;
    default: return 0;
    }
}

// The first value of an entry: held in the entry when the values fit there, else where it points.
std::optional<std::uint64_t> firstValue(const ByteSource& source, const Layout& layout, ByteView entry) {
    const auto type = entry.u16(2, layout.bigEndian);
    const auto count = unsignedAt(entry, 4, layout.offsetBytes(), layout.bigEndian);
    if (!type || !count || *count == 0) return std::nullopt;
    const std::size_t width = integerWidth(*type);
    if (width == 0) return std::nullopt;
    const std::size_t field = 4 + layout.offsetBytes();
    if (*count <= layout.offsetBytes() / width) return unsignedAt(entry, field, width, layout.bigEndian);
    const auto at = unsignedAt(entry, field, layout.offsetBytes(), layout.bigEndian);
    if (!at) return std::nullopt;
    const Bytes value = source(*at, width);
    return unsignedAt(ByteView(value.data(), value.size()), 0, width, layout.bigEndian);
}

} // namespace

std::uint64_t TIFFDirectory::blockBytes() const {
    const std::uint64_t across = tiled() ? tileWidth : width;
    const std::uint64_t down = tiled() ? tileHeight : rowsPerStrip;
    const std::uint64_t samples = separatePlanes ? 1 : samplesPerPixel;
    // Sides of up to 2^32 and samples of up to 2^16 bits keep this within 2^64 only in part.
    const long double bits = static_cast<long double>(across) * samples * bitsPerSample;
    const long double bytes = (bits + 7) / 8 * static_cast<long double>(down);
    return bytes >= static_cast<long double>(std::numeric_limits<std::uint64_t>::max())
               ? std::numeric_limits<std::uint64_t>::max()
               : static_cast<std::uint64_t>(bytes);
}

std::uint64_t TIFFDirectory::leastDecodedBytesPerPixel() const {
    const std::uint64_t sampleBytes = std::clamp<std::uint64_t>((bitsPerSample + 7) / 8, 1, 2);
    return std::clamp<std::uint64_t>(samplesPerPixel, 1, 3) * sampleBytes;
}

std::optional<TIFFDirectory> readTIFFDirectory(const ByteSource& source, std::int64_t index) {
    if (index < 0 || index >= mostDirectories) return std::nullopt;
    const Bytes header = source(0, 16);
    const ByteView start(header.data(), header.size());
    Layout layout;
    if (start.startsWith(0, "MM")) layout.bigEndian = true;
    else if (!start.startsWith(0, "II")) return std::nullopt;
    const auto version = start.u16(2, layout.bigEndian);
    if (version == 43) {
        layout.big = true;
        if (start.u16(4, layout.bigEndian) != 8) return std::nullopt;
    } else if (version != 42) {
        return std::nullopt;
    }
    auto next = unsignedAt(start, layout.big ? 8 : 4, layout.offsetBytes(), layout.bigEndian);

    for (std::int64_t directory = 0; next && *next > 0; ++directory) {
        const Bytes countBytes = source(*next, layout.countBytes());
        const auto count = unsignedAt(ByteView(countBytes.data(), countBytes.size()), 0, layout.countBytes(),
                                      layout.bigEndian);
        if (!count || *count == 0 || *count > mostEntries) return std::nullopt;
        const std::size_t entriesBytes = static_cast<std::size_t>(*count) * layout.entryBytes();
        const Bytes entries = source(*next + layout.countBytes(), entriesBytes + layout.offsetBytes());
        const ByteView view(entries.data(), entries.size());
        if (directory < index) {
            next = unsignedAt(view, entriesBytes, layout.offsetBytes(), layout.bigEndian);
            continue;
        }
        TIFFDirectory found;
        found.offset = *next;
        bool rowsNamed = false;
        for (std::size_t at = 0; at < entriesBytes && view.has(at, layout.entryBytes()); at += layout.entryBytes()) {
            const ByteView entry = view.sub(at, layout.entryBytes());
            const auto tag = entry.u16(0, layout.bigEndian);
            if (!tag) break;
            const auto value = firstValue(source, layout, entry);
            if (!value) continue;
            switch (*tag) {
            case imageWidth: found.width = *value; break;
            case imageLength: found.height = *value; break;
            case bitsPerSampleTag: found.bitsPerSample = static_cast<std::uint32_t>(std::min<std::uint64_t>(*value, 0xFFFF)); break;
            case samplesPerPixelTag: found.samplesPerPixel = static_cast<std::uint32_t>(std::min<std::uint64_t>(*value, 0xFFFF)); break;
            case rowsPerStripTag: found.rowsPerStrip = *value; rowsNamed = true; break;
            case planarConfiguration: found.separatePlanes = *value == 2; break;
            case tileWidthTag: found.tileWidth = *value; break;
            case tileLengthTag: found.tileHeight = *value; break;
            default: break;
            }
        }
        if (found.width == 0 || found.height == 0) return std::nullopt;
        if (!rowsNamed || found.rowsPerStrip == 0 || found.rowsPerStrip > found.height) found.rowsPerStrip = found.height;
        return found;
    }
    return std::nullopt;
}

} // namespace platform
