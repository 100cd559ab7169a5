#include "platform/pixels/PackedPixels.h"

#include "platform/colour/ColourTransformCache.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace platform {
namespace {

// Whether the image's alpha info is one the platform knows and fits its component count.
bool hasKnownLayout(const Image& image) {
    if (image.alphaInfo() == AlphaInfo::alphaOnly) return image.componentsPerPixel() == 1;
    return image.alphaInfo() < AlphaInfo::alphaOnly && image.colourComponents() >= 1;
}

// Every component on a 0...65535 scale, whatever the stored depth.
std::uint16_t readComponent(const std::uint8_t* pixel, int index, int bits) {
    switch (bits) {
    case 8: return static_cast<std::uint16_t>(pixel[index] * 257);
    case 16: {
        std::uint16_t v;
        std::memcpy(&v, pixel + index * 2, 2);
        return v;
    }
    default: {
        float v;
        std::memcpy(&v, pixel + index * 4, 4);
        if (!(v > 0.0f)) return 0; // also NaN
        if (v >= 1.0f) return 65535;
        return static_cast<std::uint16_t>(std::lround(v * 65535.0f));
    }
    }
}

// Device grey shares sRGB's tone curve, so its value v is the sRGB colour (v, v, v); so is a
// profile of its very bytes, as files written from device grey carry.
bool isDeviceGray(const ColourSpace& space) {
    return (space.name() && *space.name() == ColourSpace::deviceGrayName) ||
           space.iccData() == ColourSpace::deviceGray()->iccData();
}

} // namespace

std::optional<PackedPixels> packPixels(const Image& image, const PackingRules& rules) {
    if (!hasKnownLayout(image)) return std::nullopt;
    const int colourCount = image.colourComponents();
    const int colourOffset = image.firstColourComponent();
    const int alphaOffset = image.alphaComponent();
    const bool premultiplied = image.isPremultiplied();

    ColourSpaceRef space = image.colourSpace();
    if (!space) {
        if (colourCount == 1 || colourCount == 0) space = ColourSpace::deviceGray();
        else if (colourCount == 3) space = ColourSpace::sRGB();
        else return std::nullopt;
    }
    const ColourModel model = colourCount == 0 ? ColourModel::monochrome : space->model();
    // CMYK and Lab become sRGB; so does grey of a profile other than device grey's, made RGB
    // for a file that is tagged sRGB.
    ColourTransformRef transform;
    int colourIn = colourCount;
    switch (model) {
    case ColourModel::monochrome:
        if (colourIn != 1 && colourCount != 0) return std::nullopt;
        if (rules.colourOnly && colourIn == 1 && !isDeviceGray(*space)) {
            transform = ColourTransformCache::shared().transform(space, TYPE_GRAY_16, ColourSpace::sRGB(), TYPE_RGB_16);
            if (!transform) return std::nullopt;
        }
        break;
    case ColourModel::rgb:
        if (colourIn != 3) return std::nullopt;
        break;
    case ColourModel::cmyk:
    case ColourModel::lab:
        if (colourIn != (model == ColourModel::cmyk ? 4 : 3)) return std::nullopt;
        transform = ColourTransformCache::shared().transform(
            space, model == ColourModel::cmyk ? TYPE_CMYK_16 : TYPE_Lab_16, ColourSpace::sRGB(), TYPE_RGB_16);
        if (!transform) return std::nullopt;
        space = ColourSpace::sRGB();
        break;
    default:
        return std::nullopt;
    }

    const bool grey = model == ColourModel::monochrome;
    const int colourOut = grey && !rules.colourOnly ? 1 : 3;
    const bool alphaOut = (alphaOffset >= 0 && rules.keepAlpha) || rules.alwaysAlpha;
    PackedPixels packed;
    packed.width = image.width();
    packed.height = image.height();
    packed.channels = colourOut + (alphaOut ? 1 : 0);
    packed.bitsPerComponent = image.bitsPerComponent() == 8 || rules.eightBit ? 8 : 16;
    packed.colourSpace = grey && rules.colourOnly ? ColourSpace::sRGB() : space;
    const std::size_t rowBytes = packed.rowBytes();

    // Pixels already laid out as packed (straight alpha or none, colour first, same depth),
    // the common case of every file writer, are shared when their rows have no padding and
    // copied row by row when they have.
    const bool sameLayout = !transform && !premultiplied && colourOffset == 0 &&
                            image.componentsPerPixel() == packed.channels &&
                            image.bitsPerComponent() == packed.bitsPerComponent && colourIn == colourOut;
    if (sameLayout && image.bytesPerRow() == rowBytes) {
        packed.buffer = image.buffer();
        return packed;
    }
    auto buffer = std::make_shared<Bytes>(rowBytes * static_cast<std::size_t>(packed.height));
    packed.buffer = buffer;
    if (sameLayout) {
        for (std::int64_t y = 0; y < image.height(); ++y)
            std::memcpy(buffer->data() + static_cast<std::size_t>(y) * rowBytes, image.row(y), rowBytes);
        return packed;
    }

    const int bits = image.bitsPerComponent();
    const int pixelBytes = image.bytesPerPixel();
    const auto width = static_cast<std::size_t>(image.width());
    std::vector<std::uint16_t> colour(width * static_cast<std::size_t>(std::max(colourIn, 4)));
    std::vector<std::uint16_t> converted(width * 3);
    std::vector<std::uint16_t> alpha(width);
    std::uint8_t* out = buffer->data();

    for (std::int64_t y = 0; y < image.height(); ++y) {
        const std::uint8_t* row = image.row(y);
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint8_t* pixel = row + x * static_cast<std::size_t>(pixelBytes);
            const std::uint16_t a = alphaOffset >= 0 ? readComponent(pixel, alphaOffset, bits) : 65535;
            alpha[x] = a;
            for (int c = 0; c < colourIn; ++c) {
                std::uint32_t v = readComponent(pixel, colourOffset + c, bits);
                if (premultiplied) v = a == 0 ? 0 : std::min<std::uint32_t>(65535, (v * 65535 + a / 2) / a);
                colour[x * static_cast<std::size_t>(colourIn) + c] = static_cast<std::uint16_t>(v);
            }
            if (colourIn == 0) colour[x] = 0; // an alpha-only image is black ink
        }
        const std::uint16_t* source = colour.data();
        int sourceChannels = std::max(colourIn, 1);
        if (transform) {
            transform->apply(colour.data(), converted.data(), width);
            source = converted.data();
            sourceChannels = 3;
        }
        for (std::size_t x = 0; x < width; ++x) {
            std::uint16_t values[4];
            for (int c = 0; c < colourOut; ++c) {
                std::uint32_t v = source[x * static_cast<std::size_t>(sourceChannels) + (sourceChannels == 1 ? 0 : c)];
                // Without an alpha channel in the file, the pixel is what a drawing on black shows.
                if (!alphaOut && alphaOffset >= 0) v = (v * alpha[x] + 32767) / 65535;
                values[c] = static_cast<std::uint16_t>(v);
            }
            if (alphaOut) values[colourOut] = alpha[x];
            for (int c = 0; c < packed.channels; ++c) {
                if (packed.bitsPerComponent == 8) {
                    *out++ = static_cast<std::uint8_t>((values[c] + 128) / 257);
                } else {
                    std::memcpy(out, &values[c], 2);
                    out += 2;
                }
            }
        }
    }
    return packed;
}

} // namespace platform

