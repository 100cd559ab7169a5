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

} // namespace platform
