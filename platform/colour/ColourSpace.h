#pragma once
#include "platform/base/Bytes.h"

#include <memory>
#include <optional>
#include <string>

namespace platform {

enum class ColourModel { monochrome, rgb, cmyk, lab, indexed, deviceN, unknown };

class ColourSpace;
using ColourSpaceRef = std::shared_ptr<const ColourSpace>;

// A colour space described by an ICC profile. Spaces are compared by what they describe,
// never by pointer: a profile read from a file that is sRGB is named sRGB.
class ColourSpace {
public:
    static constexpr const char* sRGBName = "sRGB";
    static constexpr const char* deviceGrayName = "DeviceGray";

    static ColourSpaceRef sRGB();
    // Grey with the sRGB tone curve, so a grey value v and the sRGB colour (v, v, v) agree.
    static ColourSpaceRef deviceGray();
    // Null when the bytes are not an ICC profile that can be used for pixels.
    static ColourSpaceRef fromICC(const Bytes& icc);

    ColourModel model() const { return model_; }
    // sRGB (recognised from its colorants and tone curve), DeviceGray, or absent.
    const std::optional<std::string>& name() const { return name_; }
    bool isSRGB() const { return name_ && *name_ == sRGBName; }
    const Bytes& iccData() const { return icc_; }
    // The profile's own description text, when it has one.
    const std::optional<std::string>& description() const { return description_; }
    int componentCount() const;

private:
    ColourSpace() = default;
    ColourModel model_ = ColourModel::unknown;
    std::optional<std::string> name_;
    std::optional<std::string> description_;
    Bytes icc_;
};

} // namespace platform
