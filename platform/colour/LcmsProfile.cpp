#include "platform/colour/LcmsProfile.h"

#include <array>
#include <cstdint>

namespace platform {

LcmsProfile openLcmsProfile(const Bytes& icc) {
    if (icc.empty()) return nullptr;
    return LcmsProfile(cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size())));
}

Bytes lcmsProfileBytes(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    if (!cmsSaveProfileToMem(profile, nullptr, &size) || size == 0) return {};
    Bytes data(size);
    if (!cmsSaveProfileToMem(profile, data.data(), &size)) return {};
    data.resize(size);
    return data;
}

Bytes withFixedCreationDate(Bytes icc) {
    constexpr std::array<std::uint16_t, 6> date{1998, 2, 9, 6, 49, 0};
    if (icc.size() < 36) return icc;
    for (std::size_t i = 0; i < date.size(); ++i) {
        icc[24 + 2 * i] = static_cast<std::uint8_t>(date[i] >> 8);
        icc[25 + 2 * i] = static_cast<std::uint8_t>(date[i] & 0xFF);
    }
    return icc;
}

cmsToneCurve* buildSRGBToneCurve() {
    const cmsFloat64Number parameters[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    return cmsBuildParametricToneCurve(nullptr, 4, parameters);
}

} // namespace platform
