#pragma once
#include "platform/colour/ColourSpace.h"
#include "platform/colour/ColourTransformCache.h"
#include "platform/pixels/Image.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace platform {

// The channels every drawing step works in: 8 bits, alpha last, colour premultiplied.
enum class PremultipliedChannels { rgba = 4, greyAlpha = 2, alpha = 1 };

// Brings the rows of any image (grey, RGB, CMYK or Lab; 8, 16 or 32-bit float; alpha
// straight, premultiplied, first, last or skipped) into premultiplied 8-bit pixels of one
// colour space, a row segment at a time, so that a draw never holds a converted copy of a
// whole source. One converter serves one thread.
class PixelRowConverter {
public:
    using Factory = std::function<std::unique_ptr<PixelRowConverter>()>;

    // Null when the image's pixels cannot be read as its colour space says, or when no
    // colour transform into `space` can be made.
    static std::unique_ptr<PixelRowConverter> make(ImageRef image, PremultipliedChannels channels,
                                                   ColourSpaceRef space);

    int channelCount() const { return static_cast<int>(channels_); }
    // Writes `count` pixels of row `y`, starting at column `x`.
    void convert(std::int64_t y, std::int64_t x, std::int64_t count, std::uint8_t* out);

private:
    enum class Route { alphaOnly, direct, greyToRGB, lcmsNative, lcmsFloat };

    PixelRowConverter() = default;
    void readAlpha(const std::uint8_t* pixels, std::int64_t count, std::uint8_t* out) const;
    // True when the pixels were written whole, alpha included (8-bit RGB without alpha).
    bool convertDirect(const std::uint8_t* pixels, std::int64_t count, std::uint8_t* out) const;
    void convertThroughFloat(const std::uint8_t* pixels, std::int64_t count, std::uint8_t* out);

    ImageRef image_;
    PremultipliedChannels channels_ = PremultipliedChannels::rgba;
    Route route_ = Route::direct;
    ColourModel sourceModel_ = ColourModel::rgb;
    bool untaggedCMYK_ = false;
    int colourCount_ = 0;   // colour components in the source
    int colourOffset_ = 0;  // 1 when alpha or the skipped byte comes first
    int alphaIndex_ = -1;   // component that holds alpha, -1 when none
    ColourTransformRef transform_;
    std::vector<float> floats_;
};

} // namespace platform
