#include "platform/read/TIFFPageTags.h"

#include "platform/read/TIFFDirectory.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace platform {
namespace {

constexpr std::size_t entryBytes = 12;
// Directories reached through pointer tags past this many are not followed.
constexpr std::size_t mostDirectories = 64;
// A pointer tag naming more directories than this names no real ones.
constexpr std::uint32_t mostPointed = 16;

// The tags whose values are directories the tag readers go into.
bool pointsToDirectories(std::uint16_t tag) {
    return tag == 0x8769 /* EXIF */ || tag == 0x8825 /* GPS */ || tag == 0xA005 /* interoperability */;
}

// Tags whose values no tag reader takes, and which may be as large as the page: where its strips
// and tiles lie, and the payloads libvips reads from the file itself.
bool valueLeftBehind(std::uint16_t tag) {
    switch (tag) {
    case 273: case 279: // strip offsets and byte counts
    case 324: case 325: // tile offsets and byte counts
    case 700:           // XMP
    case 34377:         // Photoshop image resources
    case 34675:         // ICC profile
    case 37724:         // Photoshop layers
        return true;
    default: return false;
    }
}

// The bytes one value of a type takes as exiv2 reads it: one for a type it does not know.
std::uint64_t valueBytes(std::uint16_t type) {
    switch (type) {
    case 3: case 8: return 2;
    case 4: case 9: case 11: case 13: return 4;
    case 5: case 10: case 12: return 8;
    default: return 1;
    }
}

class TagCopier {
public:
    TagCopier(ByteView file, std::uint8_t* to, bool bigEndian) : file_(file), to_(to), bigEndian_(bigEndian) {}

    // The bytes at `offset`, as many of `length` as the file holds, at the same offset: a
    // directory cut by the end is read as far as it goes.
    void copy(std::uint64_t offset, std::uint64_t length) const {
        if (offset >= file_.size()) return;
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(length, file_.size() - offset));
        std::memcpy(to_ + offset, file_.data() + offset, count);
    }

    void directory(std::uint64_t offset) {
        if (seen_.size() >= mostDirectories || !seen_.insert(offset).second) return;
        const auto count = file_.u16(offset, bigEndian_);
        if (!count) return;
        copy(offset, 2 + std::uint64_t{*count} * entryBytes + 4);
        for (std::uint64_t entry = offset + 2, end = entry + std::uint64_t{*count} * entryBytes;
             entry < end && file_.has(entry, entryBytes); entry += entryBytes) {
            const std::uint16_t tag = *file_.u16(entry, bigEndian_);
            const std::uint32_t values = *file_.u32(entry + 4, bigEndian_);
            const std::uint64_t size = values * valueBytes(*file_.u16(entry + 2, bigEndian_));
            const std::uint32_t field = *file_.u32(entry + 8, bigEndian_);
            // A value that runs past the end is one no reader reads.
            if (size > 4 && !valueLeftBehind(tag) && file_.has(field, size)) copy(field, size);
            if (!pointsToDirectories(tag)) continue;
            if (size <= 4) {
                directory(field);
                continue;
            }
            for (std::uint32_t value = 0; value < std::min(values, mostPointed); ++value)
                if (const auto pointed = file_.u32(std::uint64_t{field} + 4 * value, bigEndian_)) directory(*pointed);
        }
    }

private:
    ByteView file_;
    std::uint8_t* to_;
    bool bigEndian_;
    std::set<std::uint64_t> seen_;
};

} // namespace

std::optional<ZeroedPages> tiffPageTags(ByteView tiff, std::int64_t index) {
    if (index < 1) return std::nullopt;
    const auto directory = readTIFFDirectory(byteSourceOf(tiff), index);
    if (!directory) return std::nullopt;
    auto pages = ZeroedPages::make(tiff.size());
    if (!pages) return std::nullopt;
    const bool bigEndian = tiff.data()[0] == 'M';
    const bool big = tiff.u16(2, bigEndian) == 43;
    TagCopier copier(tiff, pages->data(), bigEndian);
    if (!big) copier.directory(directory->offset);
    // The header goes in last, so that no value copied over it undoes the page named first.
    const std::size_t at = big ? 8 : 4;
    const std::size_t width = big ? 8 : 4;
    copier.copy(0, at + width);
    for (std::size_t byte = 0; byte < width; ++byte) {
        const std::size_t shift = 8 * (bigEndian ? width - 1 - byte : byte);
        pages->data()[at + byte] = static_cast<std::uint8_t>(directory->offset >> shift);
    }
    return pages;
}

} // namespace platform
