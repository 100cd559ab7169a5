#include "platform/metadata/TIFFResolutionUnit.h"

#include "platform/metadata/ExifIFD0.h"

#include <cmath>
#include <limits>
#include <set>
#include <utility>

namespace platform {
namespace {

using namespace exif_ifd;

constexpr std::uint16_t xResolutionTag = 0x011A;
constexpr std::uint16_t yResolutionTag = 0x011B;
constexpr std::uint16_t resolutionUnitTag = 0x0128;
constexpr auto noUnit = static_cast<std::uint16_t>(TIFFResolutionUnit::none);
constexpr std::uint16_t rationalType = 5;

// A number as the rational TIFF stores, to a thousandth; nothing when it does not fit.
std::optional<std::pair<std::uint32_t, std::uint32_t>> rationalOf(double number) {
    const double thousandths = std::round(number * 1000);
    if (!(thousandths >= 1 && thousandths <= std::numeric_limits<std::uint32_t>::max())) return std::nullopt;
    const auto numerator = static_cast<std::uint32_t>(thousandths);
    if (numerator % 1000 == 0) return std::pair{numerator / 1000, 1u};
    return std::pair{numerator, 1000u};
}

} // namespace

bool tiffResolutionHasNoUnit(ByteView tiff) {
    const auto ifd = locateIfd0(tiff);
    if (!ifd) return false;
    bool across = false, down = false, unitless = false;
    for (std::size_t i = 0; i < ifd->count; ++i) {
        const std::size_t entry = ifd->offset + 2 + i * entrySize;
        const std::uint16_t tag = ifd->view.u16(entry);
        across = across || tag == xResolutionTag;
        down = down || tag == yResolutionTag;
        if (tag == resolutionUnitTag)
            unitless = ifd->view.u16(entry + 2) == shortType && ifd->view.u32(entry + 4) == 1 &&
                       ifd->view.u16(entry + 8) == noUnit;
    }
    return across && down && unitless;
}

std::optional<Bytes> tiffWithResolution(Bytes tiff, double across, double down, TIFFResolutionUnit unit,
                                        TIFFDirectories directories) {
    const auto first = locateIfd0(tiff.data(), tiff.size());
    const auto horizontal = rationalOf(across), vertical = rationalOf(down);
    if (!first || !horizontal || !vertical) return std::nullopt;
    const TIFFView& view = first->view;
    // A chain that comes back on itself ends where it does.
    std::set<std::size_t> seen;
    for (std::size_t offset = first->offset; offset != 0 && seen.insert(offset).second;) {
        if (offset < 8 || offset > view.size || view.size - offset < 2) return std::nullopt;
        const std::uint16_t count = view.u16(offset);
        if ((view.size - offset - 2) / entrySize < count || view.size - offset - 2 - count * entrySize < 4)
            return std::nullopt;
        bool resolution = false, unitNamed = false;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t entry = offset + 2 + i * entrySize;
            const std::uint16_t tag = view.u16(entry);
            if (tag == resolutionUnitTag) {
                unitNamed = true;
                view.put16(entry + 2, shortType);
                view.put32(entry + 4, 1);
                view.put32(entry + 8, 0);
                view.put16(entry + 8, static_cast<std::uint16_t>(unit));
            } else if (tag == xResolutionTag || tag == yResolutionTag) {
                resolution = true;
                const std::size_t value = view.u32(entry + 8);
                if (view.u16(entry + 2) != rationalType || view.u32(entry + 4) != 1 || value > view.size ||
                    view.size - value < 8)
                    return std::nullopt;
                const auto& [numerator, denominator] = tag == xResolutionTag ? *horizontal : *vertical;
                view.put32(value, numerator);
                view.put32(value + 4, denominator);
            }
        }
        if (resolution && !unitNamed && unit != TIFFResolutionUnit::inch) return std::nullopt;
        if (directories == TIFFDirectories::first) break;
        offset = view.u32(offset + 2 + count * entrySize);
    }
    return tiff;
}

} // namespace platform
