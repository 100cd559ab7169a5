#include "platform/colour/DescribedColourSpace.h"

#include "platform/colour/LcmsProfile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {
namespace {

struct ToneCurveFree {
    void operator()(cmsToneCurve* curve) const {
        if (curve) cmsFreeToneCurve(curve);
    }
};
using ToneCurve = std::unique_ptr<cmsToneCurve, ToneCurveFree>;

// Light relative to the reference white of a high-dynamic-range picture shown on a display
// whose white is that reference (BT.2408): the picture's highlights above it are clipped.
constexpr double referenceWhite = 203.0;

double pqLight(double coded) {
    constexpr double m1 = 2610.0 / 16384, m2 = 2523.0 / 4096 * 128;
    constexpr double c1 = 3424.0 / 4096, c2 = 2413.0 / 4096 * 32, c3 = 2392.0 / 4096 * 32;
    const double power = std::pow(coded, 1 / m2);
    const double light = std::pow(std::max(power - c1, 0.0) / (c2 - c3 * power), 1 / m1);
    return light * 10000 / referenceWhite;
}

// The scene light of the HLG signal, then the light of its 1000 cd/m² reference display
// (system gamma 1.2), taken per component.
double hlgLight(double coded) {
    constexpr double a = 0.17883277, b = 1 - 4 * a, c = 0.55991073;
    const double scene = coded <= 0.5 ? coded * coded / 3 : (std::exp((coded - c) / a) + b) / 12;
    return 1000 * std::pow(scene, 1.2) / referenceWhite;
}

ToneCurve tabulated(double (*light)(double)) {
    constexpr std::size_t entries = 4096;
    std::vector<cmsUInt16Number> table(entries);
    for (std::size_t i = 0; i < entries; ++i) {
        const double value = std::clamp(light(static_cast<double>(i) / (entries - 1)), 0.0, 1.0);
        table[i] = static_cast<cmsUInt16Number>(std::lround(value * 65535));
    }
    return ToneCurve(cmsBuildTabulatedToneCurve16(nullptr, static_cast<cmsUInt32Number>(entries), table.data()));
}

// The inverse of a camera curve coded = (1 + offset) light ^ 0.45 - offset above the knee
// and slope × light below it, as an ICC parametric curve of type 4.
ToneCurve cameraCurve(double offset, double slope, double codedKnee) {
    const cmsFloat64Number parameters[5] = {1 / 0.45, 1 / (1 + offset), offset / (1 + offset), 1 / slope, codedKnee};
    return ToneCurve(cmsBuildParametricToneCurve(nullptr, 4, parameters));
}

ToneCurve toneCurveOf(const Transfer& transfer) {
    switch (transfer.curve) {
    case TransferCurve::sRGB: return ToneCurve(buildSRGBToneCurve());
    case TransferCurve::power: return ToneCurve(cmsBuildGamma(nullptr, transfer.exponent));
    case TransferCurve::bt709: return cameraCurve(0.099, 4.5, 0.081);
    case TransferCurve::smpte240: return cameraCurve(0.1115, 4.0, 0.0913);
    case TransferCurve::pq: return tabulated(pqLight);
    case TransferCurve::hlg: return tabulated(hlgLight);
    }
    return nullptr;
}

bool isUsable(const Chromaticity& point) {
    return std::isfinite(point.x) && std::isfinite(point.y) && point.x >= 0 && point.y > 0.0001 &&
           point.x + point.y <= 1.0001;
}

cmsCIExyY xyYOf(const Chromaticity& point) { return {point.x, point.y, 1.0}; }

LcmsProfile profileOf(const ColourDescription& description, bool colour) {
    const Chromaticities& points = description.chromaticities;
    if (!isUsable(points.white)) return nullptr;
    const ToneCurve curve = toneCurveOf(description.transfer);
    if (!curve) return nullptr;
    // Grey keeps the white of the profile connection space, as device grey does.
    if (!colour) return LcmsProfile(cmsCreateGrayProfile(cmsD50_xyY(), curve.get()));
    const cmsCIExyY white = xyYOf(points.white);
    if (!isUsable(points.red) || !isUsable(points.green) || !isUsable(points.blue)) return nullptr;
    const cmsCIExyYTRIPLE primaries{xyYOf(points.red), xyYOf(points.green), xyYOf(points.blue)};
    cmsToneCurve* curves[3] = {curve.get(), curve.get(), curve.get()};
    // Null when the primaries give no invertible matrix.
    return LcmsProfile(cmsCreateRGBProfile(&white, &primaries, curves));
}

// lcms2 makes a profile of primaries close to a line, whose matrix it cannot invert in a
// transform; such a profile is no colour space for pixels.
bool linksToSRGB(cmsHPROFILE profile, bool colour) {
    const LcmsProfile sRGB(cmsCreate_sRGBProfile());
    void* transform = cmsCreateTransform(profile, colour ? TYPE_RGB_16 : TYPE_GRAY_16, sRGB.get(), TYPE_RGB_16,
                                         INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE);
    if (!transform) return false;
    cmsDeleteTransform(transform);
    return true;
}

} // namespace

Chromaticities sRGBChromaticities() { return {{0.3127, 0.3290}, {0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}}; }

ColourSpaceRef describedColourSpace(const ColourDescription& description, bool colour) {
    const LcmsProfile profile = profileOf(description, colour);
    if (!profile || !linksToSRGB(profile.get(), colour)) return nullptr;
    cmsMLU* name = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(name, "en", "US", description.name.c_str());
    cmsWriteTag(profile.get(), cmsSigProfileDescriptionTag, name);
    cmsMLUfree(name);
    return ColourSpace::fromICC(withFixedCreationDate(lcmsProfileBytes(profile.get())));
}

} // namespace platform
