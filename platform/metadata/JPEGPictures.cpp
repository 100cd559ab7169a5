#include "platform/metadata/JPEGPictures.h"

#include "platform/metadata/ExifIFD0.h"

#include <algorithm>
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

// What a walk over a JPEG's first picture found: where the picture ends (nothing when it
// never does), and the index of the first APP2 segment that holds one (nothing without one,
// or when it cannot be read).
struct FirstPicture {
    std::optional<std::size_t> end;
    std::optional<MPFIndex> index;
};

// Where the next marker's code stands from `at` on. A strict walk finds it right there; a
// lenient one passes over bytes that are no marker, as the JPEG library does when it reads
// a damaged file (a segment length a few bytes off), so that it ends the picture where the
// library stops reading it.
std::optional<std::size_t> nextMarker(ByteView jpeg, std::size_t at, bool lenient) {
    while (true) {
        if (jpeg.u8(at) != 0xFF) {
            if (!lenient || at >= jpeg.size()) return std::nullopt;
            const void* found = std::memchr(jpeg.data() + at, 0xFF, jpeg.size() - at);
            if (!found) return std::nullopt;
            at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - jpeg.data());
        }
        while (jpeg.u8(at) == 0xFF) ++at; // fill bytes
        const auto code = jpeg.u8(at);
        if (!code) return std::nullopt;
        if (*code != 0x00) return at;
        if (!lenient) return std::nullopt;
        ++at; // a stuffed zero among bytes that are no marker
    }
}

FirstPicture walkFirstPicture(ByteView jpeg, bool lenient) {
    FirstPicture found;
    if (!jpeg.startsWith(0, "\xFF\xD8")) return found;
    bool scanned = false, indexSeen = false;
    std::size_t at = 2;
    while (const auto code = nextMarker(jpeg, at, lenient)) {
        const std::uint8_t marker = *jpeg.u8(*code);
        at = *code + 1;
        // A damaged picture that lacks its end marker ends where the next picture starts;
        // before its image data a second start is damage the library does not read past.
        if (marker == startOfImage) {
            if (scanned && lenient) found.end = *code - 1;
            return found;
        }
        if (marker == endOfImage) {
            found.end = at;
            return found;
        }
        if (isRestart(marker) || marker == 0x01) continue; // no length
        const auto length = jpeg.u16be(at);
        if (!length || *length < 2 || !jpeg.has(at, *length)) return found;
        const ByteView payload = jpeg.sub(at + 2, *length - 2u);
        if (marker == jpegAPP2 && !scanned && !indexSeen && payload.startsWith(0, mpfMark)) {
            indexSeen = true;
            found.index = indexIn(payload.sub(mpfMark.size(), payload.size() - mpfMark.size()), at + 2 + mpfMark.size());
        }
        at += *length;
        if (marker == startOfScan) {
            scanned = true;
            const auto end = endOfEntropyCodedData(jpeg, at);
            if (!end) return found;
            at = *end;
        }
    }
    return found;
}

std::optional<MPFIndex> mpfIndex(ByteView jpeg) { return walkFirstPicture(jpeg, false).index; }

// The bytes after the last of the further pictures the index lists (a motion photo's video
// after a gain map); 0 when none follow them, or when the index lists a picture outside what
// follows the first.
std::size_t bytesAfterListedPictures(ByteView jpeg, const MPFIndex& index, std::size_t firstEnd) {
    std::uint64_t last = firstEnd;
    for (std::uint32_t picture = 1; picture < index.count; ++picture) {
        const std::size_t entry = index.entries + picture * mpEntrySize;
        const std::uint64_t at = std::uint64_t{index.header} + *jpeg.u32(entry + 8, index.bigEndian);
        const std::uint64_t end = at + *jpeg.u32(entry + 4, index.bigEndian);
        if (at < firstEnd || end > jpeg.size()) return 0;
        last = std::max(last, end);
    }
    return static_cast<std::size_t>(jpeg.size() - last);
}

} // namespace

std::optional<std::size_t> jpegFirstPictureLength(ByteView jpeg) { return walkFirstPicture(jpeg, false).end; }

std::optional<JPEGFollowing> jpegFollowing(ByteView jpeg) {
    FirstPicture first = walkFirstPicture(jpeg, false);
    if (!first.end) first = walkFirstPicture(jpeg, true);
    if (!first.end || *first.end == jpeg.size()) return std::nullopt;
    JPEGFollowing following{jpeg.size() - *first.end};
    if (first.index && first.index->count > 1) {
        following.pictures = first.index->count - 1;
        following.bytesAfterPictures = bytesAfterListedPictures(jpeg, *first.index, *first.end);
    }
    return following;
}

Outcome<Bytes> jpegFollowedAsBefore(Bytes first, ByteView source) {
    using Failure = Outcome<Bytes>;
    const auto end = jpegFirstPictureLength(source);
    if (!end) return Failure::failure("the source's first picture never ends");
    if (*end == source.size()) return first;
    const auto from = mpfIndex(source);
    MPFIndex to;
    if (from) {
        const auto rewrittenIndex = mpfIndex(ByteView(first.data(), first.size()));
        if (!rewrittenIndex || rewrittenIndex->count != from->count || rewrittenIndex->bigEndian != from->bigEndian)
            return Failure::failure("the rewritten picture does not hold the source's MPF index");
        to = *rewrittenIndex;
    }
    const std::size_t firstSize = first.size();
    Bytes whole = std::move(first);
    whole.insert(whole.end(), source.data() + *end, source.data() + source.size());
    if (!from) return whole;

    constexpr std::uint64_t largest = std::numeric_limits<std::uint32_t>::max();
    if (firstSize > largest) return Failure::failure("the rewritten picture is too large for the MPF index");
    const exif_ifd::TIFFView written{whole.data(), whole.size(), to.bigEndian};
    for (std::uint32_t picture = 0; picture < from->count; ++picture) {
        const std::size_t entry = from->entries + picture * mpEntrySize;
        const std::uint64_t size = *source.u32(entry + 4, from->bigEndian);
        const std::uint64_t offset = *source.u32(entry + 8, from->bigEndian);
        const std::size_t rewritten = to.entries + picture * mpEntrySize;
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
        const std::uint64_t moved = firstSize + (at - *end) - to.header;
        if (moved > largest) return Failure::failure("the rewritten picture is too large for the MPF index");
        written.put32(rewritten + 8, static_cast<std::uint32_t>(moved));
    }
    return whole;
}

} // namespace platform
