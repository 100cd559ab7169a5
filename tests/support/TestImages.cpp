#include "TestImages.h"

#include "platform/colour/LcmsProfile.h"

#include <cstring>

using namespace platform;

namespace testing_support {
namespace {

ColourSpaceRef rgbSpace(const cmsCIExyYTRIPLE& primaries, cmsToneCurve* curve, const char* description) {
    cmsCIExyY d65{0.3127, 0.3290, 1};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&d65, &primaries, curves);
    cmsFreeToneCurve(curve);
    // Named as editors name them, so that readers can report the profile's name.
    cmsMLU* text = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(text, "en", "US", description);
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, text);
    cmsMLUfree(text);
    return ColourSpace::fromICC(profileBytes(profile));
}

template <typename T>
ImageRef makeImage(std::int64_t width, std::int64_t height, int bits, int components, AlphaInfo alpha,
                   ColourSpaceRef space, const std::vector<T>& values) {
    auto bytes = std::make_shared<Bytes>(values.size() * sizeof(T));
    std::memcpy(bytes->data(), values.data(), bytes->size());
    return Image::make(width, height, bits, components, alpha, std::move(space), std::move(bytes),
                       static_cast<std::size_t>(width) * components * sizeof(T));
}

} // namespace

Bytes profileBytes(cmsHPROFILE profile) {
    const LcmsProfile owned(profile);
    return lcmsProfileBytes(owned.get());
}

ColourSpaceRef displayP3() {
    static const auto space = [] {
        const cmsFloat64Number srgbCurve[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
        return rgbSpace({{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}},
                        cmsBuildParametricToneCurve(nullptr, 4, srgbCurve), "Display P3");
    }();
    return space;
}

ColourSpaceRef adobeRGB() {
    static const auto space = [] {
        return rgbSpace({{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}}, cmsBuildGamma(nullptr, 2.19921875), "Adobe RGB (1998)");
    }();
    return space;
}

ImageRef image8(std::int64_t width, std::int64_t height, int components, AlphaInfo alpha, ColourSpaceRef space,
                const std::vector<std::uint8_t>& values) {
    return makeImage(width, height, 8, components, alpha, std::move(space), values);
}

ImageRef image16(std::int64_t width, std::int64_t height, int components, AlphaInfo alpha, ColourSpaceRef space,
                 const std::vector<std::uint16_t>& values) {
    return makeImage(width, height, 16, components, alpha, std::move(space), values);
}

ImageRef imageFloat(std::int64_t width, std::int64_t height, int components, AlphaInfo alpha, ColourSpaceRef space,
                    const std::vector<float>& values) {
    return makeImage(width, height, 32, components, alpha, std::move(space), values);
}

ImageRef filled8(std::int64_t width, std::int64_t height, AlphaInfo alpha, ColourSpaceRef space,
                 const std::vector<std::uint8_t>& pixel) {
    std::vector<std::uint8_t> values;
    values.reserve(static_cast<std::size_t>(width * height) * pixel.size());
    for (std::int64_t i = 0; i < width * height; ++i) values.insert(values.end(), pixel.begin(), pixel.end());
    return image8(width, height, static_cast<int>(pixel.size()), alpha, std::move(space), values);
}

std::vector<int> pixelAt(const Image& image, std::int64_t x, std::int64_t y) {
    std::vector<int> components;
    for (int c = 0; c < image.componentsPerPixel(); ++c) {
        const std::size_t index = static_cast<std::size_t>(x) * image.componentsPerPixel() + c;
        switch (image.bitsPerComponent()) {
        case 8: components.push_back(image.row(y)[index]); break;
        case 16: components.push_back(reinterpret_cast<const std::uint16_t*>(image.row(y))[index]); break;
        default: components.push_back(static_cast<int>(reinterpret_cast<const float*>(image.row(y))[index] * 255 + 0.5f)); break;
        }
    }
    return components;
}

} // namespace testing_support
