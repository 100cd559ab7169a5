#include "ImageEngine/Encoding/jpeg/JFIFDensity.h"

#include "platform/metadata/TIFFResolutionUnit.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace pictavo {
namespace {

constexpr double largest = 65535;

// Whole numbers of the same ratio: as they are when they are whole, else to a thousandth,
// made as small as the ratio allows and scaled down to fit.
std::optional<std::pair<double, double>> shapeOf(double across, double down) {
    const auto whole = [](double v) { return std::abs(v - std::round(v)) < 1e-6; };
    if (!whole(across) || !whole(down)) {
        const auto a = static_cast<std::uint64_t>(std::llround(std::min(across * 1000, 1e15)));
        const auto d = static_cast<std::uint64_t>(std::llround(std::min(down * 1000, 1e15)));
        if (a == 0 || d == 0) return std::nullopt;
        const std::uint64_t common = std::gcd(a, d);
        across = static_cast<double>(a / common);
        down = static_cast<double>(d / common);
    }
    const double over = std::max(across, down) / largest;
    if (over > 1) {
        across /= over;
        down /= over;
    }
    return std::pair{across, down};
}

} // namespace

std::optional<JFIFDensity> JFIFDensity::of(const platform::PropertyMap& source) {
    const auto across = platform::positiveNumberProperty(source, platform::keys::dpiWidth);
    const auto down = platform::positiveNumberProperty(source, platform::keys::dpiHeight);
    if (!across || !down) return std::nullopt;
    const bool* noUnit = platform::propertyOf<bool>(source, platform::keys::resolutionHasNoUnit);
    const bool* centimetres = platform::propertyOf<bool>(source, platform::keys::resolutionInCentimetres);
    JFIFDensity density;
    std::pair<double, double> numbers;
    if (noUnit && *noUnit) {
        const auto shape = shapeOf(*across, *down);
        if (!shape) return std::nullopt;
        numbers = *shape;
    } else {
        density.unit = centimetres && *centimetres ? Unit::centimetre : Unit::inch;
        const double perUnit = density.unit == Unit::centimetre ? 2.54 : 1;
        numbers = {*across / perUnit, *down / perUnit};
    }
    const double x = std::round(numbers.first), y = std::round(numbers.second);
    if (x < 1 || y < 1 || x > largest || y > largest) return std::nullopt;
    density.across = static_cast<std::uint16_t>(x);
    density.down = static_cast<std::uint16_t>(y);
    return density;
}

platform::Bytes JFIFDensity::agreeingExif(platform::Bytes exif) const {
    const platform::TIFFResolutionUnit named = unit == Unit::inch         ? platform::TIFFResolutionUnit::inch
                                               : unit == Unit::centimetre ? platform::TIFFResolutionUnit::centimetre
                                                                          : platform::TIFFResolutionUnit::none;
    auto agreeing = platform::tiffWithResolution(exif, across, down, named, platform::TIFFDirectories::first);
    return agreeing ? std::move(*agreeing) : std::move(exif);
}

} // namespace pictavo
