#pragma once
#include "platform/base/Bytes.h"

#include <lcms2.h>

#include <memory>

namespace platform {

struct LcmsProfileCloser {
    void operator()(cmsHPROFILE profile) const {
        if (profile) cmsCloseProfile(profile);
    }
};
// An lcms2 profile, closed when dropped.
using LcmsProfile = std::unique_ptr<void, LcmsProfileCloser>;

// The profile the ICC bytes hold; null when lcms2 cannot read them.
LcmsProfile openLcmsProfile(const Bytes& icc);
// The profile as ICC bytes; empty when lcms2 cannot write it.
Bytes lcmsProfileBytes(cmsHPROFILE profile);
// lcms2 stamps a profile it makes with the current time, which would make the same
// conversion give different bytes on every run. The profiles made here carry one fixed date,
// the one of the widely shipped sRGB profile, 1998-02-09 06:49:00.
Bytes withFixedCreationDate(Bytes icc);
// The sRGB curve as an ICC parametric type 4 curve, for the caller to free.
cmsToneCurve* buildSRGBToneCurve();

} // namespace platform
