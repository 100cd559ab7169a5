#include "platform/pixels/Image.h"

namespace platform {

ImageRef Image::make(std::int64_t width, std::int64_t height, int bitsPerComponent,
                     int componentsPerPixel, AlphaInfo alphaInfo, ColourSpaceRef colourSpace,
                     SharedBytes pixels, std::size_t bytesPerRow) {
    if (width <= 0 || height <= 0 || !pixels) return nullptr;
    if (bitsPerComponent != 8 && bitsPerComponent != 16 && bitsPerComponent != 32) return nullptr;
    if (componentsPerPixel < 1 || componentsPerPixel > 5) return nullptr;
    const auto pixelBytes = static_cast<std::uint64_t>(componentsPerPixel) * (bitsPerComponent / 8);
    const auto w = static_cast<std::uint64_t>(width);
    const auto h = static_cast<std::uint64_t>(height);
    if (w > (UINT64_MAX / pixelBytes) || bytesPerRow < w * pixelBytes) return nullptr;
    if (h > 1 && (h - 1) > (UINT64_MAX - w * pixelBytes) / bytesPerRow) return nullptr;
    const std::uint64_t needed = (h - 1) * bytesPerRow + w * pixelBytes;
    if (pixels->size() < needed) return nullptr;

    auto image = std::shared_ptr<Image>(new Image());
    image->width_ = width;
    image->height_ = height;
    image->bitsPerComponent_ = bitsPerComponent;
    image->componentsPerPixel_ = componentsPerPixel;
    image->bytesPerRow_ = bytesPerRow;
    image->alphaInfo_ = alphaInfo;
    image->colourSpace_ = std::move(colourSpace);
    image->pixels_ = std::move(pixels);
    return image;
}

bool Image::hasAlphaChannel() const {
    switch (alphaInfo_) {
    case AlphaInfo::premultipliedLast:
    case AlphaInfo::premultipliedFirst:
    case AlphaInfo::last:
    case AlphaInfo::first:
    case AlphaInfo::alphaOnly:
        return true;
    default:
        return false;
    }
}

bool Image::isPremultiplied() const {
    return alphaInfo_ == AlphaInfo::premultipliedLast || alphaInfo_ == AlphaInfo::premultipliedFirst;
}

int Image::colourComponents() const {
    if (alphaInfo_ == AlphaInfo::alphaOnly) return 0;
    return alphaInfo_ == AlphaInfo::none ? componentsPerPixel_ : componentsPerPixel_ - 1;
}

int Image::alphaComponent() const {
    switch (alphaInfo_) {
    case AlphaInfo::premultipliedLast:
    case AlphaInfo::last:
        return componentsPerPixel_ - 1;
    case AlphaInfo::premultipliedFirst:
    case AlphaInfo::first:
    case AlphaInfo::alphaOnly:
        return 0;
    default:
        return -1;
    }
}

int Image::firstColourComponent() const {
    const bool first = alphaInfo_ == AlphaInfo::first || alphaInfo_ == AlphaInfo::premultipliedFirst;
    return first || alphaInfo_ == AlphaInfo::noneSkipFirst ? 1 : 0;
}

} // namespace platform
