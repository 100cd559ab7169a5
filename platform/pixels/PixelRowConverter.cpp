#include "platform/pixels/PixelRowConverter.h"

#include <lcms2.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace platform {
namespace {

std::uint8_t premultiply(std::uint8_t value, std::uint8_t alpha) {
    const unsigned product = static_cast<unsigned>(value) * alpha + 128;
    return static_cast<std::uint8_t>((product + (product >> 8)) >> 8);
}

std::uint8_t from16(std::uint16_t value) {
    return static_cast<std::uint8_t>((static_cast<std::uint32_t>(value) * 255 + 32767) / 65535);
}

std::uint8_t fromFloat(float value) {
    if (!(value > 0)) return 0; // NaN too
    if (value >= 1) return 255;
    return static_cast<std::uint8_t>(value * 255.0f + 0.5f);
}

// The hot shape of 8-bit rows, RGB with or without a fourth byte, written out as whole
// opaque pixels four bytes at a time; an image with alpha has it read over them afterwards.
template <int Components>
void copyRGB(const std::uint8_t* from, std::int64_t count, std::uint8_t* out) {
    static_assert(std::endian::native == std::endian::little, "the alpha byte is the word's highest");
    constexpr std::uint32_t opaque = 0xff000000u;
    // A four-byte load from a three-byte pixel, or from the colour of an XRGB one, takes a
    // byte of the next pixel too, so the last pixel is copied byte by byte instead of
    // reading past the row.
    std::int64_t i = 0;
    for (; i < count - 1; ++i) {
        std::uint32_t pixel;
        std::memcpy(&pixel, from + i * Components, 4);
        pixel |= opaque;
        std::memcpy(out + i * 4, &pixel, 4);
    }
    for (; i < count; ++i) {
        const std::uint8_t* p = from + i * Components;
        std::uint8_t* o = out + i * 4;
        o[0] = p[0];
        o[1] = p[1];
        o[2] = p[2];
        o[3] = 255;
    }
}

template <int Step>
void fillOpaque(std::int64_t count, std::uint8_t* out) {
    for (std::int64_t i = 0; i < count; ++i) out[i * Step + Step - 1] = 255;
}

bool sameSpace(const ColourSpaceRef& a, const ColourSpaceRef& b) {
    if (a == b) return true;
    if (a->isSRGB() && b->isSRGB()) return true;
    return a->iccData() == b->iccData();
}

bool isDeviceGray(const ColourSpace& space) {
    return space.name() && *space.name() == ColourSpace::deviceGrayName;
}

cmsUInt32Number pixelTypeOf(ColourModel model) {
    switch (model) {
    case ColourModel::monochrome: return PT_GRAY;
    case ColourModel::cmyk: return PT_CMYK;
    case ColourModel::lab: return PT_Lab;
    default: return PT_RGB;
    }
}

} // namespace

std::unique_ptr<PixelRowConverter> PixelRowConverter::make(ImageRef image, PremultipliedChannels channels,
                                                           ColourSpaceRef space) {
    if (!image) return nullptr;
    std::unique_ptr<PixelRowConverter> converter(new PixelRowConverter());
    auto& c = *converter;
    c.image_ = image;
    c.channels_ = channels;

    const auto info = image->alphaInfo();
    const int components = image->componentsPerPixel();
    c.colourCount_ = image->colourComponents();
    c.colourOffset_ = image->firstColourComponent();
    c.alphaIndex_ = image->alphaComponent();
    if (info == AlphaInfo::alphaOnly && components != 1) return nullptr;
    if (info != AlphaInfo::none && info != AlphaInfo::alphaOnly && components < 2) return nullptr;

    if (channels == PremultipliedChannels::alpha || info == AlphaInfo::alphaOnly) {
        c.route_ = Route::alphaOnly;
        return converter;
    }
    const ColourModel wanted = channels == PremultipliedChannels::rgba ? ColourModel::rgb : ColourModel::monochrome;
    if (!space || space->model() != wanted) return nullptr;

    ColourSpaceRef source = image->colourSpace();
    if (source) {
        if (source->componentCount() != c.colourCount_) return nullptr;
        c.sourceModel_ = source->model();
    } else if (c.colourCount_ == 1) {
        source = ColourSpace::deviceGray();
        c.sourceModel_ = ColourModel::monochrome;
    } else if (c.colourCount_ == 3) {
        source = ColourSpace::sRGB();
        c.sourceModel_ = ColourModel::rgb;
    } else if (c.colourCount_ == 4) {
        // CMYK with no profile has no defined colours; the textbook formula into sRGB is
        // what readers without a profile show.
        c.untaggedCMYK_ = true;
        c.sourceModel_ = ColourModel::cmyk;
        source = ColourSpace::sRGB();
    } else {
        return nullptr;
    }

    const cmsUInt32Number output = channels == PremultipliedChannels::rgba ? TYPE_RGBA_8 : TYPE_GRAYA_8;
    if (!c.untaggedCMYK_ && c.sourceModel_ == wanted && sameSpace(source, space)) {
        c.route_ = Route::direct;
    } else if (!c.untaggedCMYK_ && c.sourceModel_ == ColourModel::monochrome && isDeviceGray(*source) &&
               space->isSRGB()) {
        // Device grey shares sRGB's tone curve, so a grey value is the sRGB colour (v, v, v).
        c.route_ = Route::greyToRGB;
    } else if (!c.untaggedCMYK_ && !image->isPremultiplied() && !image->isFloat()) {
        c.route_ = Route::lcmsNative;
        const cmsUInt32Number format =
            COLORSPACE_SH(pixelTypeOf(c.sourceModel_)) | CHANNELS_SH(c.colourCount_) |
            BYTES_SH(image->bitsPerComponent() / 8) | EXTRA_SH(components - c.colourCount_) |
            SWAPFIRST_SH(c.colourOffset_);
        c.transform_ = ColourTransformCache::shared().transform(source, format, space, output);
        if (!c.transform_) return nullptr;
    } else {
        c.route_ = Route::lcmsFloat;
        const ColourModel floatModel = c.untaggedCMYK_ ? ColourModel::rgb : c.sourceModel_;
        const int floatCount = c.untaggedCMYK_ ? 3 : c.colourCount_;
        const cmsUInt32Number format = FLOAT_SH(1) | COLORSPACE_SH(pixelTypeOf(floatModel)) |
                                       CHANNELS_SH(floatCount) | BYTES_SH(4);
        if (!(c.untaggedCMYK_ && space->isSRGB())) {
            c.transform_ = ColourTransformCache::shared().transform(source, format, space, output);
            if (!c.transform_) return nullptr;
        }
    }
    return converter;
}

void PixelRowConverter::readAlpha(const std::uint8_t* pixels, std::int64_t count, std::uint8_t* out) const {
    const int step = channelCount();
    if (alphaIndex_ < 0) {
        switch (step) {
        case 4: fillOpaque<4>(count, out); break;
        case 2: fillOpaque<2>(count, out); break;
        default: fillOpaque<1>(count, out); break;
        }
        return;
    }
    const int components = image_->componentsPerPixel();
    switch (image_->bitsPerComponent()) {
    case 8:
        for (std::int64_t i = 0; i < count; ++i) out[i * step + step - 1] = pixels[i * components + alphaIndex_];
        break;
    case 16: {
        const auto* values = reinterpret_cast<const std::uint16_t*>(pixels);
        for (std::int64_t i = 0; i < count; ++i) out[i * step + step - 1] = from16(values[i * components + alphaIndex_]);
        break;
    }
    default: {
        const auto* values = reinterpret_cast<const float*>(pixels);
        for (std::int64_t i = 0; i < count; ++i) out[i * step + step - 1] = fromFloat(values[i * components + alphaIndex_]);
        break;
    }
    }
}

bool PixelRowConverter::convertDirect(const std::uint8_t* pixels, std::int64_t count, std::uint8_t* out) const {
    const int step = channelCount();
    const int colours = step - 1;
    const int components = image_->componentsPerPixel();
    const int replicate = route_ == Route::greyToRGB ? 3 : 1;
    const int sourceColours = colours / replicate;
    if (image_->bitsPerComponent() == 8 && replicate == 1) { // the common case, kept free of branches
        const std::uint8_t* from = pixels + colourOffset_;
        if (step == 4 && (components == 3 || components == 4)) {
            if (components == 3) copyRGB<3>(from, count, out);
            else copyRGB<4>(from, count, out);
            return alphaIndex_ < 0;
        }
        for (std::int64_t i = 0; i < count; ++i)
            for (int k = 0; k < colours; ++k) out[i * step + k] = from[i * components + k];
        return false;
    }
    for (std::int64_t i = 0; i < count; ++i) {
        std::uint8_t* pixel = out + i * step;
        for (int k = 0; k < sourceColours; ++k) {
            const std::size_t index = static_cast<std::size_t>(i) * components + colourOffset_ + k;
            std::uint8_t value;
            switch (image_->bitsPerComponent()) {
            case 8: value = pixels[index]; break;
            case 16: value = from16(reinterpret_cast<const std::uint16_t*>(pixels)[index]); break;
            default: value = fromFloat(reinterpret_cast<const float*>(pixels)[index]); break;
            }
            for (int r = 0; r < replicate; ++r) pixel[k * replicate + r] = value;
        }
    }
    return false;
}

void PixelRowConverter::convertThroughFloat(const std::uint8_t* pixels, std::int64_t count, std::uint8_t* out) {
    const int components = image_->componentsPerPixel();
    const int floatCount = untaggedCMYK_ ? 3 : colourCount_;
    floats_.resize(static_cast<std::size_t>(count) * floatCount);
    const bool premultiplied = image_->isPremultiplied();
    const int step = channelCount();
    float source[5];
    for (std::int64_t i = 0; i < count; ++i) {
        const std::size_t base = static_cast<std::size_t>(i) * components;
        for (int k = 0; k < components && k < 5; ++k) {
            switch (image_->bitsPerComponent()) {
            case 8: source[k] = pixels[base + k] / 255.0f; break;
            case 16: source[k] = reinterpret_cast<const std::uint16_t*>(pixels)[base + k] / 65535.0f; break;
            default: {
                const float value = reinterpret_cast<const float*>(pixels)[base + k];
                source[k] = std::isfinite(value) ? value : 0.0f;
                break;
            }
            }
        }
        const float alpha = alphaIndex_ >= 0 ? std::clamp(source[alphaIndex_], 0.0f, 1.0f) : 1.0f;
        float* colour = floats_.data() + static_cast<std::size_t>(i) * floatCount;
        float straight[4];
        for (int k = 0; k < colourCount_; ++k) {
            float value = source[colourOffset_ + k];
            if (premultiplied) value = alpha > 0 ? std::min(value / alpha, 1.0f) : 0.0f;
            straight[k] = value;
        }
        if (untaggedCMYK_) {
            const float key = 1.0f - std::clamp(straight[3], 0.0f, 1.0f);
            for (int k = 0; k < 3; ++k) colour[k] = (1.0f - std::clamp(straight[k], 0.0f, 1.0f)) * key;
        } else if (sourceModel_ == ColourModel::cmyk) {
            for (int k = 0; k < 4; ++k) colour[k] = straight[k] * 100.0f; // lcms2 counts ink in percent
        } else if (sourceModel_ == ColourModel::lab) {
            colour[0] = straight[0] * 100.0f;
            colour[1] = straight[1] * 255.0f - 128.0f;
            colour[2] = straight[2] * 255.0f - 128.0f;
        } else {
            for (int k = 0; k < colourCount_; ++k) colour[k] = straight[k];
        }
    }
    if (transform_) {
        transform_->apply(floats_.data(), out, static_cast<std::size_t>(count));
    } else { // untagged CMYK straight into sRGB
        for (std::int64_t i = 0; i < count; ++i)
            for (int k = 0; k < 3; ++k) out[i * step + k] = fromFloat(floats_[static_cast<std::size_t>(i) * 3 + k]);
    }
}

void PixelRowConverter::convert(std::int64_t y, std::int64_t x, std::int64_t count, std::uint8_t* out) {
    const std::uint8_t* pixels = image_->row(y) + static_cast<std::size_t>(x) * image_->bytesPerPixel();
    const int step = channelCount();
    switch (route_) {
    case Route::alphaOnly:
        if (step > 1) std::memset(out, 0, static_cast<std::size_t>(count) * step);
        readAlpha(pixels, count, out);
        return;
    case Route::direct:
    case Route::greyToRGB:
        if (convertDirect(pixels, count, out)) return;
        break;
    case Route::lcmsNative:
        transform_->apply(pixels, out, static_cast<std::size_t>(count));
        break;
    case Route::lcmsFloat:
        convertThroughFloat(pixels, count, out);
        break;
    }
    readAlpha(pixels, count, out);
    if (alphaIndex_ < 0) return;
    const bool alreadyPremultiplied = image_->isPremultiplied() && route_ != Route::lcmsFloat;
    for (std::int64_t i = 0; i < count; ++i) {
        std::uint8_t* pixel = out + i * step;
        const std::uint8_t alpha = pixel[step - 1];
        for (int k = 0; k < step - 1; ++k)
            pixel[k] = alreadyPremultiplied ? std::min(pixel[k], alpha) : premultiply(pixel[k], alpha);
    }
}

} // namespace platform
