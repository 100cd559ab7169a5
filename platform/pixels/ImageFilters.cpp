#include "platform/pixels/ImageFilters.h"

#include "platform/pixels/BitmapContext.h"
#include "platform/colour/LcmsProfile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace platform {
namespace {

std::shared_ptr<Bytes> allocate(std::size_t size) {
    try {
        return std::make_shared<Bytes>(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// Where output pixel (x, y) of an oriented image comes from, for a W x H source.
struct SourceIndex {
    std::int64_t x;
    std::int64_t y;
};

SourceIndex sourceOf(std::uint32_t orientation, std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h) {
    switch (orientation) {
    case 2: return {w - 1 - x, y};
    case 3: return {w - 1 - x, h - 1 - y};
    case 4: return {x, h - 1 - y};
    case 5: return {y, x};
    case 6: return {y, h - 1 - x};
    case 7: return {w - 1 - y, h - 1 - x};
    case 8: return {w - 1 - y, x};
    default: return {x, y};
    }
}

template <std::size_t N>
void permute(const Image& image, std::uint32_t orientation, std::int64_t outWidth, std::int64_t outHeight,
             std::uint8_t* out, std::size_t outRowBytes, std::size_t pixelBytes) {
    // Quarter turns read the source down its columns; square tiles keep both sides in cache.
    constexpr std::int64_t tile = 64;
    for (std::int64_t ty = 0; ty < outHeight; ty += tile) {
        for (std::int64_t tx = 0; tx < outWidth; tx += tile) {
            const std::int64_t yEnd = std::min(outHeight, ty + tile);
            const std::int64_t xEnd = std::min(outWidth, tx + tile);
            for (std::int64_t y = ty; y < yEnd; ++y) {
                std::uint8_t* target = out + static_cast<std::size_t>(y) * outRowBytes;
                for (std::int64_t x = tx; x < xEnd; ++x) {
                    const auto source = sourceOf(orientation, x, y, image.width(), image.height());
                    const std::uint8_t* from = image.row(source.y) + static_cast<std::size_t>(source.x) * pixelBytes;
                    std::memcpy(target + static_cast<std::size_t>(x) * pixelBytes, from, N ? N : pixelBytes);
                }
            }
        }
    }
}

// An 8-bit RGB image in the layout and space a redraw would give it, ready for the matrix.
ImageRef asWorkingImage(const ImageRef& image) {
    const auto layout = BitmapContext::layoutFor(*image);
    const auto space = BitmapContext::workingSpaceFor(*image);
    const bool ready = image->bitsPerComponent() == 8 && image->componentsPerPixel() == 4 &&
                       image->colourSpace() == space &&
                       (image->alphaInfo() == AlphaInfo::noneSkipLast ||
                        image->alphaInfo() == AlphaInfo::premultipliedLast);
    if (ready) return image;
    auto context = BitmapContext::create(image->width(), image->height(), space, layout);
    if (!context) return nullptr;
    context->setBlendMode(BlendMode::copy);
    const Rect whole{{0, 0}, {static_cast<double>(image->width()), static_cast<double>(image->height())}};
    if (!context->draw(image, whole)) return nullptr;
    return context->makeImage();
}

struct ToneCurves {
    std::array<std::array<float, 256>, 3> toLinear{};
    static constexpr int encodeSteps = 16384;
    std::array<std::vector<std::uint8_t>, 3> fromLinear;
};

double srgbToLinear(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }
double linearToSRGB(double v) { return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055; }

// The space's own tone curves when it has them (matrix-shaper profiles: sRGB, Display P3,
// Adobe RGB and their kind); the sRGB curve for anything else.
ToneCurves toneCurvesOf(const ColourSpace& space) {
    ToneCurves curves;
    const LcmsProfile profile = openLcmsProfile(space.iccData());
    const std::array<cmsTagSignature, 3> tags{cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    for (std::size_t c = 0; c < 3; ++c) {
        auto* curve = profile ? static_cast<cmsToneCurve*>(cmsReadTag(profile.get(), tags[c])) : nullptr;
        cmsToneCurve* reverse = curve ? cmsReverseToneCurve(curve) : nullptr;
        const bool own = curve && reverse;
        for (int v = 0; v < 256; ++v) {
            const double encoded = v / 255.0;
            curves.toLinear[c][v] = own ? cmsEvalToneCurveFloat(curve, static_cast<float>(encoded))
                                            : static_cast<float>(srgbToLinear(encoded));
        }
        curves.fromLinear[c].resize(ToneCurves::encodeSteps + 1);
        for (int i = 0; i <= ToneCurves::encodeSteps; ++i) {
            const double linear = static_cast<double>(i) / ToneCurves::encodeSteps;
            const double encoded = own ? cmsEvalToneCurveFloat(reverse, static_cast<float>(linear))
                                           : linearToSRGB(linear);
            curves.fromLinear[c][i] = static_cast<std::uint8_t>(std::lround(std::clamp(encoded, 0.0, 1.0) * 255.0));
        }
        if (reverse) cmsFreeToneCurve(reverse);
    }
    return curves;
}

} // namespace

namespace ImageFilters {

ImageRef oriented(const ImageRef& image, std::uint32_t orientation) {
    if (!image || orientation <= 1 || orientation > 8) return image;
    const bool swaps = orientation >= 5;
    const std::int64_t outWidth = swaps ? image->height() : image->width();
    const std::int64_t outHeight = swaps ? image->width() : image->height();
    const auto pixelBytes = static_cast<std::size_t>(image->bytesPerPixel());
    const std::size_t rowBytes = static_cast<std::size_t>(outWidth) * pixelBytes;
    auto pixels = allocate(rowBytes * static_cast<std::size_t>(outHeight));
    if (!pixels) return nullptr;
    std::uint8_t* out = pixels->data();
    switch (pixelBytes) {
    case 1: permute<1>(*image, orientation, outWidth, outHeight, out, rowBytes, pixelBytes); break;
    case 2: permute<2>(*image, orientation, outWidth, outHeight, out, rowBytes, pixelBytes); break;
    case 3: permute<3>(*image, orientation, outWidth, outHeight, out, rowBytes, pixelBytes); break;
    case 4: permute<4>(*image, orientation, outWidth, outHeight, out, rowBytes, pixelBytes); break;
    case 8: permute<8>(*image, orientation, outWidth, outHeight, out, rowBytes, pixelBytes); break;
    default: permute<0>(*image, orientation, outWidth, outHeight, out, rowBytes, pixelBytes); break;
    }
    return Image::make(outWidth, outHeight, image->bitsPerComponent(), image->componentsPerPixel(),
                       image->alphaInfo(), image->colourSpace(), std::move(pixels), rowBytes);
}

ImageRef luminanceMatrix(const ImageRef& image, const LuminanceWeights& weights) {
    if (!image) return nullptr;
    const auto working = asWorkingImage(image);
    if (!working) return nullptr;
    const auto curves = toneCurvesOf(*working->colourSpace());
    const std::size_t rowBytes = static_cast<std::size_t>(working->width()) * 4;
    auto pixels = allocate(rowBytes * static_cast<std::size_t>(working->height()));
    if (!pixels) return nullptr;
    std::uint8_t* out = pixels->data();
    const bool premultiplied = working->alphaInfo() == AlphaInfo::premultipliedLast;
    const float w[3] = {static_cast<float>(weights.red), static_cast<float>(weights.green),
                        static_cast<float>(weights.blue)};
    for (std::int64_t y = 0; y < working->height(); ++y) {
        const std::uint8_t* source = working->row(y);
        std::uint8_t* target = out + static_cast<std::size_t>(y) * rowBytes;
        for (std::int64_t x = 0; x < working->width(); ++x) {
            const std::uint8_t* pixel = source + x * 4;
            const unsigned alpha = premultiplied ? pixel[3] : 255;
            std::uint8_t* result = target + x * 4;
            result[3] = premultiplied ? pixel[3] : 255;
            if (alpha == 0) {
                result[0] = result[1] = result[2] = 0;
                continue;
            }
            float luminance = 0;
            for (int c = 0; c < 3; ++c) {
                const unsigned straight = alpha == 255 ? pixel[c] : std::min(255u, (pixel[c] * 255u + alpha / 2) / alpha);
                luminance += w[c] * curves.toLinear[c][straight];
            }
            const auto index = static_cast<std::size_t>(
                std::lround(std::clamp(luminance, 0.0f, 1.0f) * ToneCurves::encodeSteps));
            for (int c = 0; c < 3; ++c) {
                const unsigned encoded = curves.fromLinear[c][index];
                result[c] = static_cast<std::uint8_t>(alpha == 255 ? encoded : (encoded * alpha + 127) / 255);
            }
        }
    }
    return Image::make(working->width(), working->height(), 8, 4, working->alphaInfo(), working->colourSpace(),
                       std::move(pixels), rowBytes);
}

ImageRef cropped(const ImageRef& image, const Rect& rect) {
    if (!image) return nullptr;
    const double left = std::max(0.0, std::floor(std::min(rect.origin.x, rect.origin.x + rect.size.width)));
    const double top = std::max(0.0, std::floor(std::min(rect.origin.y, rect.origin.y + rect.size.height)));
    const double right = std::min(static_cast<double>(image->width()),
                                  std::ceil(std::max(rect.origin.x, rect.origin.x + rect.size.width)));
    const double bottom = std::min(static_cast<double>(image->height()),
                                   std::ceil(std::max(rect.origin.y, rect.origin.y + rect.size.height)));
    if (!(right > left) || !(bottom > top)) return nullptr;
    const auto x = static_cast<std::int64_t>(left);
    const auto y = static_cast<std::int64_t>(top);
    const auto width = static_cast<std::int64_t>(right) - x;
    const auto height = static_cast<std::int64_t>(bottom) - y;
    if (x == 0 && y == 0 && width == image->width() && height == image->height()) return image;
    const auto pixelBytes = static_cast<std::size_t>(image->bytesPerPixel());
    const std::size_t rowBytes = static_cast<std::size_t>(width) * pixelBytes;
    auto pixels = allocate(rowBytes * static_cast<std::size_t>(height));
    if (!pixels) return nullptr;
    std::uint8_t* out = pixels->data();
    for (std::int64_t row = 0; row < height; ++row)
        std::memcpy(out + static_cast<std::size_t>(row) * rowBytes,
                    image->row(y + row) + static_cast<std::size_t>(x) * pixelBytes, rowBytes);
    return Image::make(width, height, image->bitsPerComponent(), image->componentsPerPixel(), image->alphaInfo(),
                       image->colourSpace(), std::move(pixels), rowBytes);
}

} // namespace ImageFilters
} // namespace platform
