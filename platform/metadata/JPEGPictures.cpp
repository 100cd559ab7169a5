#include "platform/metadata/JPEGPictures.h"

#include "platform/metadata/ExifIFD0.h"
#include "platform/metadata/JPEGSegments.h"

#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace platform {
namespace {

constexpr std::uint8_t startOfImage = 0xD8;
constexpr std::uint8_t endOfImage = 0xD9;
constexpr std::uint8_t startOfScan = 0xDA;
constexpr std::uint8_t jpegAPP2 = 0xE2;
constexpr std::string_view mpfMark{"MPF\0", 4};
constexpr std::uint16_t mpEntryTag = 0xB002;
constexpr std::size_t mpEntrySize = 16;

bool isRestart(std::uint8_t marker) { return marker >= 0xD0 && marker <= 0xD7; }

// Where the marker that ends the entropy-coded data from `at` on starts: stuffed zeros and
// restart markers belong to the data.
std::optional<std::size_t> endOfEntropyCodedData(ByteView jpeg, std::size_t at) {
    while (at < jpeg.size()) {
        const void* found = std::memchr(jpeg.data() + at, 0xFF, jpeg.size() - at);
        if (!found) return std::nullopt;
        const auto mark = static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - jpeg.data());
        const auto next = jpeg.u8(mark + 1);
        if (!next) return std::nullopt;
        if (*next != 0x00 && !isRestart(*next)) return mark;
        at = mark + 2;
    }
    return std::nullopt;
}

// Where a JPEG's MPF index lies in the file: the MP header its offsets count from, and its
// entries, sixteen bytes for each picture, the first picture's first.
struct MPFIndex {
    std::size_t header = 0;
    std::size_t entries = 0;
    std::uint32_t count = 0;
    bool bigEndian = false;
};

std::optional<MPFIndex> indexIn(ByteView header, std::size_t headerInFile) {
    MPFIndex index{headerInFile};
    if (header.startsWith(0, "MM\0*")) index.bigEndian = true;
    else if (!header.startsWith(0, "II*\0")) return std::nullopt;
    const bool big = index.bigEndian;
    const auto directory = header.u32(4, big);
    const auto count = directory ? header.u16(*directory, big) : std::nullopt;
    if (!count) return std::nullopt;
    const std::size_t entries = std::size_t{*directory} + 2;
    for (std::size_t entry = entries; entry < entries + *count * exif_ifd::entrySize; entry += exif_ifd::entrySize) {
        if (header.u16(entry, big) != mpEntryTag) continue;
        const auto bytes = header.u32(entry + 4, big);
        const auto at = header.u32(entry + 8, big);
        if (!bytes || !at || *bytes == 0 || *bytes % mpEntrySize != 0 || !header.has(*at, *bytes)) return std::nullopt;
        // Entries laid over the header or the directory that points at them are no index:
        // writing a picture's size or place there would move the entries themselves.
        const std::uint64_t directoryEnd = std::uint64_t{*directory} + 2 + std::uint64_t{*count} * exif_ifd::entrySize + 4;
        if (*at < 8 || (*at < directoryEnd && *directory < std::uint64_t{*at} + *bytes)) return std::nullopt;
        index.entries = headerInFile + *at;
        index.count = static_cast<std::uint32_t>(*bytes / mpEntrySize);
        return index;
    }
    return std::nullopt;
}

// The index of the first APP2 segment that holds one; nothing without one, or when it
// cannot be read.
std::optional<MPFIndex> mpfIndex(ByteView jpeg) {
    std::optional<MPFIndex> index;
    forEachJPEGSegment(jpeg, [&](std::uint8_t marker, ByteView payload) {
        if (marker != jpegAPP2 || !payload.startsWith(0, mpfMark)) return true;
        const ByteView header = payload.sub(mpfMark.size(), payload.size() - mpfMark.size());
        index = indexIn(header, static_cast<std::size_t>(header.data() - jpeg.data()));
        return false;
    });
    return index;
}

} // namespace

std::optional<std::size_t> jpegFirstPictureLength(ByteView jpeg) {
    if (!jpeg.startsWith(0, "\xFF\xD8")) return std::nullopt;
    std::size_t at = 2;
    while (jpeg.u8(at) == 0xFF) {
        while (jpeg.u8(at) == 0xFF) ++at; // fill bytes
        const auto marker = jpeg.u8(at++);
        if (!marker || *marker == 0x00 || *marker == startOfImage) return std::nullopt;
        if (*marker == endOfImage) return at;
        if (isRestart(*marker) || *marker == 0x01) continue; // no length
        const auto length = jpeg.u16be(at);
        if (!length || *length < 2 || !jpeg.has(at, *length)) return std::nullopt;
        at += *length;
        if (*marker == startOfScan) {
            const auto end = endOfEntropyCodedData(jpeg, at);
            if (!end) return std::nullopt;
            at = *end;
        }
    }
    return std::nullopt;
}

std::optional<JPEGFollowing> jpegFollowing(ByteView jpeg) {
    const auto end = jpegFirstPictureLength(jpeg);
    if (!end || *end == jpeg.size()) return std::nullopt;
    JPEGFollowing following{jpeg.size() - *end};
    if (const auto index = mpfIndex(jpeg); index && index->count > 1) following.pictures = index->count - 1;
    return following;
}

Outcome<Bytes> jpegFollowedAsBefore(Bytes first, ByteView source) {
    using Failure = Outcome<Bytes>;
    const auto end = jpegFirstPictureLength(source);
    if (!end) return Failure::failure("the source's first picture never ends");
    if (*end == source.size()) return first;
    const auto from = mpfIndex(source);
    const auto to = from ? mpfIndex(ByteView(first.data(), first.size())) : std::nullopt;
    if (from && (!to || to->count != from->count || to->bigEndian != from->bigEndian))
        return Failure::failure("the rewritten picture does not hold the source's MPF index");
    const std::size_t firstSize = first.size();
    Bytes whole = std::move(first);
    whole.insert(whole.end(), source.data() + *end, source.data() + source.size());
    if (!from) return whole;

    constexpr std::uint64_t largest = std::numeric_limits<std::uint32_t>::max();
    if (firstSize > largest) return Failure::failure("the rewritten picture is too large for the MPF index");
    const exif_ifd::TIFFView written{whole.data(), whole.size(), to->bigEndian};
    for (std::uint32_t picture = 0; picture < from->count; ++picture) {
        const std::size_t entry = from->entries + picture * mpEntrySize;
        const std::uint64_t size = *source.u32(entry + 4, from->bigEndian);
        const std::uint64_t offset = *source.u32(entry + 8, from->bigEndian);
        const std::size_t rewritten = to->entries + picture * mpEntrySize;
        if (picture == 0) {
            if (offset != 0) return Failure::failure("the MPF index does not list the first picture first");
            written.put32(rewritten + 4, static_cast<std::uint32_t>(firstSize));
            continue;
        }
        // Each further picture keeps its place in what follows the first.
        const std::uint64_t at = from->header + offset;
        if (at < *end || at + size > source.size())
            return Failure::failure("the MPF index lists picture " + std::to_string(picture + 1) +
                                    " outside what follows the first");
        const std::uint64_t moved = firstSize + (at - *end) - to->header;
        if (moved > largest) return Failure::failure("the rewritten picture is too large for the MPF index");
        written.put32(rewritten + 8, static_cast<std::uint32_t>(moved));
    }
    return whole;
}

} // namespace platform
