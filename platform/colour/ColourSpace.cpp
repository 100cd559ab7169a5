#include "platform/colour/ColourSpace.h"

#include "platform/base/BigEndian.h"
#include "platform/colour/LcmsProfile.h"

#include <array>
#include <cstdint>
#include <cmath>

namespace platform {
namespace {

// The data colour space is read from the header's own bytes: a hostile profile can hold a
// signature outside lcms2's enumeration, and such a value must never be loaded as that enum.
std::uint32_t dataColourSpaceOf(const Bytes& icc) {
    return readBigEndian32(icc.data() + 16);
}

ColourModel modelOf(std::uint32_t signature) {
    switch (signature) {
    case cmsSigGrayData: return ColourModel::monochrome;
    case cmsSigRgbData: return ColourModel::rgb;
    case cmsSigCmykData: return ColourModel::cmyk;
    case cmsSigLabData: return ColourModel::lab;
    default: return ColourModel::deviceN;
    }
}

bool near(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance; }

// sRGB's primaries adapted to D50 as ICC profiles store them, and its tone curve at one point.
bool describesSRGB(cmsHPROFILE profile) {
    constexpr std::array<std::array<double, 3>, 3> expected{{
        {0.4361, 0.2225, 0.0139}, {0.3851, 0.7169, 0.0971}, {0.1431, 0.0606, 0.7141}}};
    const std::array<cmsTagSignature, 3> tags{cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag};
    for (std::size_t i = 0; i < 3; ++i) {
        auto* xyz = static_cast<cmsCIEXYZ*>(cmsReadTag(profile, tags[i]));
        if (!xyz) return false;
        if (!near(xyz->X, expected[i][0], 0.003) || !near(xyz->Y, expected[i][1], 0.003) ||
            !near(xyz->Z, expected[i][2], 0.003))
            return false;
    }
    for (auto tag : {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag}) {
        auto* curve = static_cast<cmsToneCurve*>(cmsReadTag(profile, tag));
        if (!curve) return false;
        if (!near(cmsEvalToneCurveFloat(curve, 0.5f), 0.2140, 0.01) ||
            !near(cmsEvalToneCurveFloat(curve, 0.04f), 0.0031, 0.002))
            return false;
    }
    return true;
}

std::optional<std::string> descriptionOf(cmsHPROFILE profile) {
    char text[256] = {};
    auto length = cmsGetProfileInfoASCII(profile, cmsInfoDescription, "en", "US", text, sizeof text);
    if (length <= 1 || text[0] == '\0') return std::nullopt;
    return std::string(text);
}

} // namespace

ColourSpaceRef ColourSpace::sRGB() {
    static const ColourSpaceRef space = [] {
        LcmsProfile profile(cmsCreate_sRGBProfile());
        auto made = std::shared_ptr<ColourSpace>(new ColourSpace());
        made->model_ = ColourModel::rgb;
        made->name_ = sRGBName;
        made->description_ = "sRGB IEC61966-2.1";
        made->icc_ = withFixedCreationDate(lcmsProfileBytes(profile.get()));
        return made;
    }();
    return space;
}

ColourSpaceRef ColourSpace::deviceGray() {
    static const ColourSpaceRef space = [] {
        cmsToneCurve* curve = buildSRGBToneCurve();
        LcmsProfile profile(cmsCreateGrayProfile(cmsD50_xyY(), curve));
        cmsFreeToneCurve(curve);
        auto made = std::shared_ptr<ColourSpace>(new ColourSpace());
        made->model_ = ColourModel::monochrome;
        made->name_ = deviceGrayName;
        made->icc_ = withFixedCreationDate(lcmsProfileBytes(profile.get()));
        return made;
    }();
    return space;
}

ColourSpaceRef ColourSpace::fromICC(const Bytes& icc) {
    if (icc.size() < 132 || icc.size() > (64u << 20)) return nullptr;
    const LcmsProfile profile = openLcmsProfile(icc);
    if (!profile) return nullptr;
    const auto signature = dataColourSpaceOf(icc);
    if (signature != cmsSigGrayData && signature != cmsSigRgbData && signature != cmsSigCmykData &&
        signature != cmsSigLabData)
        return nullptr;
    auto made = std::shared_ptr<ColourSpace>(new ColourSpace());
    made->model_ = modelOf(signature);
    if (made->model_ == ColourModel::rgb && describesSRGB(profile.get())) made->name_ = sRGBName;
    made->description_ = descriptionOf(profile.get());
    made->icc_ = icc;
    return made;
}

int ColourSpace::componentCount() const {
    switch (model_) {
    case ColourModel::monochrome: return 1;
    case ColourModel::cmyk: return 4;
    default: return 3;
    }
}

} // namespace platform
