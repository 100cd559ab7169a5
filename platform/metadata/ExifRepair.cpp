#include "platform/metadata/ExifRepair.h"

#include "platform/metadata/ExifGPS.h"
#include "platform/metadata/ExifIFD0.h"
#include "platform/metadata/Exiv2ExifBlock.h"
#include "platform/metadata/Exiv2Runtime.h"

#include <exiv2/exiv2.hpp>
#include <array>
#include <cstdint>
#include <exception>
#include <limits>
#include <set>

namespace platform {
namespace {

using exif_ifd::entrySize;

constexpr std::uint16_t exifPointerTag = 0x8769;
constexpr std::uint16_t gpsPointerTag = 0x8825;
constexpr std::uint16_t interoperabilityPointerTag = 0xA005;
constexpr std::uint16_t thumbnailOffsetTag = 0x0201;
constexpr std::uint16_t thumbnailLengthTag = 0x0202;
constexpr const char* exifDirectory = "the EXIF directory";
// exiv2 reads no directory of more entries, and takes one that holds more as damage.
constexpr std::uint16_t mostEntries = 256;
// The byte size of each TIFF type, 1 (BYTE) to 13 (IFD); 0 for types no reader knows.
constexpr std::array<std::uint8_t, 14> typeSizes = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};

std::string hex(std::uint16_t tag) {
    static const char digits[] = "0123456789abcdef";
    std::string text = "0x";
    for (int shift = 12; shift >= 0; shift -= 4) text += digits[(tag >> shift) & 0xF];
    return text;
}

// A walk of the directories a reader follows: IFD0 and the ones after it, and the EXIF, GPS
// and interoperability directories they point to. Each offset is visited once.
class DirectoryWalk {
public:
    DirectoryWalk(ByteView tiff, bool bigEndian) : tiff_(tiff), bigEndian_(bigEndian) {}

    // IFD0 and the directories chained after it, one after another: a chain may be long.
    void chain(std::size_t offset) {
        for (std::size_t index = 0; offset != 0; ++index) offset = directory(offset, "IFD" + std::to_string(index), index + 1);
    }

    std::vector<std::string> damages() && { return std::move(damages_); }

private:
    // Walks the directory at `offset` and those it points to; `chainIndex` is 1 for IFD0, 2
    // for IFD1 and so on, 0 for a directory a pointer leads to. Gives the next directory's
    // offset in the chain, 0 at its end.
    std::size_t directory(std::size_t offset, const std::string& name, std::size_t chainIndex) {
        if (offset < 8 || !tiff_.has(offset, 2)) return damaged(name, "its offset points outside the block");
        if (!visited_.insert(offset).second) return damaged(name, "it is a directory read before");
        const std::uint16_t count = *tiff_.u16(offset, bigEndian_);
        // An empty IFD0 is how GIMP writes EXIF with nothing in it, and readers take it so; an
        // empty directory a pointer leads to is a pointer gone astray.
        if (count == 0 && chainIndex == 0) return damaged(name, "it holds no entries");
        if (count > mostEntries) return damaged(name, "it claims " + std::to_string(count) + " entries");
        if (!tiff_.has(offset + 2, count * entrySize + (chainIndex > 0 ? 4 : 0)))
            return damaged(name, "it runs past the end of the block");
        std::optional<std::uint32_t> thumbnailOffset, thumbnailLength;
        for (std::size_t index = 0; index < count; ++index) {
            const std::size_t entry = offset + 2 + index * entrySize;
            const std::uint16_t tag = *tiff_.u16(entry, bigEndian_);
            const std::uint16_t type = *tiff_.u16(entry + 2, bigEndian_);
            const std::uint32_t values = *tiff_.u32(entry + 4, bigEndian_);
            const std::uint32_t field = *tiff_.u32(entry + 8, bigEndian_);
            if (type >= typeSizes.size() || typeSizes[type] == 0) {
                damaged(name + "'s tag " + hex(tag), "its value type " + std::to_string(type) + " is unknown");
                continue;
            }
            const std::uint64_t bytes = std::uint64_t{values} * typeSizes[type];
            if (bytes > 4 && !tiff_.has(field, bytes)) {
                damaged(name + "'s tag " + hex(tag), "its value lies outside the block");
                continue;
            }
            if (tag == thumbnailOffsetTag && chainIndex > 1) thumbnailOffset = field;
            if (tag == thumbnailLengthTag && chainIndex > 1) thumbnailLength = field;
            if (const char* pointed = pointedDirectory(tag, name, chainIndex)) {
                if ((type != exif_ifd::longType && type != exif_ifd::ifdType) || values != 1) damaged(pointed, "its pointer is not one offset");
                else directory(field, pointed, 0);
            }
        }
        if (thumbnailOffset && thumbnailLength && !tiff_.has(*thumbnailOffset, *thumbnailLength))
            damaged("the thumbnail", "it lies outside the block");
        return chainIndex == 0 ? 0 : *tiff_.u32(offset + 2 + count * entrySize, bigEndian_);
    }

    // The directory a pointer tag leads to: IFD0 (chain index 1) holds the EXIF and GPS ones,
    // the EXIF directory the interoperability one, and no other holds any.
    static const char* pointedDirectory(std::uint16_t tag, const std::string& name, std::size_t chainIndex) {
        if (chainIndex == 1 && tag == exifPointerTag) return exifDirectory;
        if (chainIndex == 1 && tag == gpsPointerTag) return "the GPS directory";
        if (name == exifDirectory && tag == interoperabilityPointerTag) return "the interoperability directory";
        return nullptr;
    }

    std::size_t damaged(const std::string& part, const std::string& why) {
        damages_.push_back(part + " (" + why + ")");
        return 0;
    }

    ByteView tiff_;
    bool bigEndian_;
    std::set<std::size_t> visited_;
    std::vector<std::string> damages_;
};

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const auto& part : parts) text += (text.empty() ? "" : ", ") + part;
    return text;
}

// exiv2 makes the pointers to the directories it writes itself, and a value it had to cut
// short is no value.
bool isStale(const Exiv2::Exifdatum& datum) {
    static const std::set<std::string> pointers = {"Exif.Image.ExifTag", "Exif.Image.GPSTag",
                                                   "Exif.Photo.InteroperabilityTag"};
    return pointers.count(datum.key()) > 0 || datum.size() == 0;
}

} // namespace

std::vector<std::string> exifDamages(ByteView block) {
    const std::size_t marker = block.startsWith(0, std::string_view("Exif\0\0", 6)) ? 6 : 0;
    const ByteView tiff = block.sub(marker, block.size() - marker);
    const bool bigEndian = tiff.startsWith(0, "MM");
    if (!tiff.has(0, 8) || !(bigEndian || tiff.startsWith(0, "II")) || tiff.u16(2, bigEndian) != std::uint16_t{42})
        return {"the whole block (it has no TIFF header)"};
    DirectoryWalk walk(tiff, bigEndian);
    const std::uint32_t first = *tiff.u32(4, bigEndian);
    if (first == 0) return {"IFD0 (its offset points outside the block)"};
    walk.chain(first);
    return std::move(walk).damages();
}

RepairedExif repairedExif(const Bytes& block) {
    const std::vector<std::string> damages = exifDamages(ByteView(block.data(), block.size()));
    if (damages.empty()) return {block, {}};
    const std::string why = "the EXIF is damaged: " + joined(damages) + " could not be read";
    const RepairedExif none{std::nullopt, why + ", so the EXIF was left out"};
    const Bytes tiff = tiffStructuredExif(block.data(), block.size());
    if (tiff.empty() || tiff.size() > std::numeric_limits<std::uint32_t>::max()) return none;
    const auto exclusively = exiv2Exclusively();
    // exiv2 throws on what it cannot read, and its value conversions may throw standard errors too.
    try {
        Exiv2::ExifData data;
        const Exiv2::ByteOrder order =
            Exiv2::ExifParser::decode(data, tiff.data(), static_cast<std::uint32_t>(tiff.size()));
        for (auto datum = data.begin(); datum != data.end();) datum = isStale(*datum) ? data.erase(datum) : std::next(datum);
        if (data.empty()) return none;
        Bytes rebuilt = wholeExifBlock(data, order);
        if (rebuilt.empty() || !exifDamages(ByteView(rebuilt.data(), rebuilt.size())).empty()) return none;
        return {std::move(rebuilt), why + " and was left out; the rest was written anew"};
    } catch (const std::exception&) {
        return none;
    }
}

} // namespace platform
