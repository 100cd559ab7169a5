#include "platform/colour/LcmsProfile.h"

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

} // namespace platform
