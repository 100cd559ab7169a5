#include "platform/metadata/ExifGPS.h"

#include "platform/base/ByteView.h"
#include "platform/metadata/JPEGSegments.h"

#include <cstring>
#include <string>

namespace platform {
namespace {

constexpr std::uint16_t gpsIfdTag = 0x8825;
constexpr std::uint16_t typeByte = 1, typeAscii = 2, typeShort = 3, typeLong = 4, typeRational = 5;

struct Entry {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::size_t valueOffset = 0; // where the value itself starts inside the block
};

class IfdWalker {
public:
    IfdWalker(ByteView bytes, bool bigEndian) : bytes_(bytes), big_(bigEndian) {}

    template <typename Visit>
    void walk(std::size_t ifdOffset, Visit visit) const {
        const auto count = bytes_.u16(ifdOffset, big_);
        if (!count) return;
        for (std::size_t i = 0; i < *count; ++i) {
            const std::size_t at = ifdOffset + 2 + i * 12;
            const auto tag = bytes_.u16(at, big_);
            const auto type = bytes_.u16(at + 2, big_);
            const auto n = bytes_.u32(at + 4, big_);
            if (!tag || !type || !n) return;
            Entry entry{*tag, *type, *n, at + 8};
            const std::size_t unit = unitSize(*type);
            if (unit == 0) continue;
            if (static_cast<std::uint64_t>(unit) * *n > 4) {
                const auto pointer = bytes_.u32(at + 8, big_);
                if (!pointer || !bytes_.has(*pointer, unit * static_cast<std::size_t>(*n))) continue;
                entry.valueOffset = *pointer;
            }
            visit(entry);
        }
    }

    std::optional<std::uint32_t> integer(const Entry& entry) const {
        if (entry.count < 1) return std::nullopt;
        switch (entry.type) {
        case typeByte: return bytes_.u8(entry.valueOffset);
        case typeShort: return bytes_.u16(entry.valueOffset, big_);
        case typeLong: return bytes_.u32(entry.valueOffset, big_);
        default: return std::nullopt;
        }
    }

    std::optional<double> rational(const Entry& entry, std::size_t index) const {
        if (entry.type != typeRational || index >= entry.count) return std::nullopt;
        const auto numerator = bytes_.u32(entry.valueOffset + index * 8, big_);
        const auto denominator = bytes_.u32(entry.valueOffset + index * 8 + 4, big_);
        if (!numerator || !denominator || *denominator == 0) return std::nullopt;
        return static_cast<double>(*numerator) / *denominator;
    }

    std::optional<std::string> text(const Entry& entry) const {
        if (entry.type != typeAscii) return std::nullopt;
        const auto view = bytes_.sub(entry.valueOffset, entry.count);
        if (view.size() != entry.count) return std::nullopt;
        std::string value(reinterpret_cast<const char*>(view.data()), view.size());
        if (auto end = value.find('\0'); end != std::string::npos) value.resize(end);
        return value;
    }

private:
    static std::size_t unitSize(std::uint16_t type) {
        switch (type) {
        case 1: case 2: case 6: case 7: return 1;
        case 3: case 8: return 2;
        case 4: case 9: case 11: return 4;
        case 5: case 10: case 12: return 8;
        default: return 0;
        }
    }

    ByteView bytes_;
    bool big_;
};

PropertyMap readGps(const IfdWalker& walker, std::size_t offset) {
    PropertyMap gps;
    auto degrees = [&](const Entry& entry) -> std::optional<double> {
        const auto d = walker.rational(entry, 0), m = walker.rational(entry, 1), s = walker.rational(entry, 2);
        if (!d) return std::nullopt;
        return *d + m.value_or(0) / 60 + s.value_or(0) / 3600;
    };
    walker.walk(offset, [&](const Entry& entry) {
        switch (entry.tag) {
        case 1: if (auto v = walker.text(entry)) gps["LatitudeRef"] = *v; break;
        case 2: if (auto v = degrees(entry)) gps["Latitude"] = *v; break;
        case 3: if (auto v = walker.text(entry)) gps["LongitudeRef"] = *v; break;
        case 4: if (auto v = degrees(entry)) gps["Longitude"] = *v; break;
        case 5: if (auto v = walker.integer(entry)) gps["AltitudeRef"] = static_cast<std::int64_t>(*v); break;
        case 6: if (auto v = walker.rational(entry, 0)) gps["Altitude"] = *v; break;
        default: break;
        }
    });
    return gps;
}

} // namespace

std::optional<PropertyMap> gpsDictionary(const Bytes& block) {
    const ByteView bytes(block.data(), block.size());
    bool big = false;
    if (bytes.startsWith(0, std::string_view("MM\0*", 4))) big = true;
    else if (!bytes.startsWith(0, std::string_view("II*\0", 4))) return std::nullopt;
    const IfdWalker walker(bytes, big);
    const auto ifd0 = bytes.u32(4, big);
    if (!ifd0) return std::nullopt;
    std::optional<std::uint32_t> gpsOffset;
    walker.walk(*ifd0, [&](const Entry& entry) {
        if (entry.tag == gpsIfdTag) gpsOffset = walker.integer(entry);
    });
    if (!gpsOffset || !bytes.has(*gpsOffset, 2)) return std::nullopt;
    return readGps(walker, *gpsOffset);
}

Bytes tiffStructuredExif(const std::uint8_t* data, std::size_t size) {
    ByteView bytes(data, size);
    std::size_t start = bytes.startsWith(0, jpegExifHeader) ? jpegExifHeader.size() : 0;
    const auto rest = bytes.sub(start, size - start);
    if (!rest.startsWith(0, std::string_view("II*\0", 4)) && !rest.startsWith(0, std::string_view("MM\0*", 4)))
        return {};
    return Bytes(rest.data(), rest.data() + rest.size());
}

} // namespace platform
