#include "platform/pixels/BitmapContext.h"

#include "platform/colour/ColourTransformCache.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace platform {
namespace {

// Larger than any bitmap the engine's size guards let through, and below what the
// allocator can be asked for at all.
constexpr std::uint64_t largestBuffer = std::uint64_t(1) << 40;

std::uint8_t toByte(float value) {
    if (!(value > 0)) return 0;
    if (value >= 255) return 255;
    return static_cast<std::uint8_t>(value + 0.5f);
}

unsigned multiplyRounded(unsigned a, unsigned b) {
    const unsigned product = a * b + 128;
    return (product + (product >> 8)) >> 8;
}

Rect standardised(Rect rect) {
    if (rect.size.width < 0) {
        rect.origin.x += rect.size.width;
        rect.size.width = -rect.size.width;
    }
    if (rect.size.height < 0) {
        rect.origin.y += rect.size.height;
        rect.size.height = -rect.size.height;
    }
    return rect;
}

// RGBX black: each byte written once, copied from a block of the pattern, rather than the
// whole buffer zeroed and then every fourth byte set.
std::shared_ptr<Bytes> opaqueBlack(std::size_t size) {
    static const Bytes block = [] {
        Bytes pattern(std::size_t(1) << 16);
        for (std::size_t i = 3; i < pattern.size(); i += 4) pattern[i] = 255;
        return pattern;
    }();
    auto buffer = std::make_shared<Bytes>();
    buffer->reserve(size);
    while (buffer->size() < size)
        buffer->insert(buffer->end(), block.begin(),
                       block.begin() + static_cast<std::ptrdiff_t>(std::min(block.size(), size - buffer->size())));
    return buffer;
}

} // namespace

std::unique_ptr<BitmapContext> BitmapContext::create(std::int64_t width, std::int64_t height,
                                                     ColourSpaceRef colourSpace, BitmapLayout layout) {
    if (width <= 0 || height <= 0) return nullptr;
    switch (layout) {
    case BitmapLayout::noneSkipLast:
    case BitmapLayout::premultipliedLast:
        if (!colourSpace || colourSpace->model() != ColourModel::rgb) return nullptr;
        break;
    case BitmapLayout::greyNone:
        if (!colourSpace || colourSpace->model() != ColourModel::monochrome) return nullptr;
        break;
    case BitmapLayout::alphaOnly:
        break;
    }
    std::unique_ptr<BitmapContext> context(new BitmapContext());
    context->width_ = width;
    context->height_ = height;
    context->layout_ = layout;
    context->colourSpace_ = std::move(colourSpace);
    const auto pixelBytes = static_cast<std::uint64_t>(context->bytesPerPixel());
    const auto w = static_cast<std::uint64_t>(width);
    const auto h = static_cast<std::uint64_t>(height);
    if (w > largestBuffer / pixelBytes || h > largestBuffer / (w * pixelBytes)) return nullptr;
    context->bytesPerRow_ = static_cast<std::size_t>(w * pixelBytes);
    const auto size = static_cast<std::size_t>(w * pixelBytes * h);
    try {
        context->buffer_ = layout == BitmapLayout::noneSkipLast ? opaqueBlack(size) : std::make_shared<Bytes>(size, 0);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return context;
}

BitmapLayout BitmapContext::layoutFor(const Image& image) {
    return image.hasAlphaChannel() ? BitmapLayout::premultipliedLast : BitmapLayout::noneSkipLast;
}

ColourSpaceRef BitmapContext::workingSpaceFor(const Image& image) {
    const auto& space = image.colourSpace();
    if (space && space->model() == ColourModel::rgb) return space;
    return ColourSpace::sRGB();
}

int BitmapContext::bytesPerPixel() const {
    return layout_ == BitmapLayout::noneSkipLast || layout_ == BitmapLayout::premultipliedLast ? 4 : 1;
}

PremultipliedChannels BitmapContext::channels() const {
    switch (layout_) {
    case BitmapLayout::alphaOnly: return PremultipliedChannels::alpha;
    case BitmapLayout::greyNone: return PremultipliedChannels::greyAlpha;
    default: return PremultipliedChannels::rgba;
    }
}

// An image handed out shares the buffer; drawing afterwards works on a copy of its own.
bool BitmapContext::makeWritable() {
    if (buffer_.use_count() == 1) return true;
    try {
        buffer_ = std::make_shared<Bytes>(*buffer_);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void BitmapContext::composite(std::int64_t y, std::int64_t firstColumn, std::int64_t count, const float* values,
                              const float* columnCoverage, float rowCoverage) {
    const int channelCount = static_cast<int>(channels());
    std::uint8_t* out = row(y) + static_cast<std::size_t>(firstColumn) * bytesPerPixel();
    const bool copy = blendMode_ == BlendMode::copy;
    for (std::int64_t i = 0; i < count; ++i) {
        const float coverage = columnCoverage[i] * rowCoverage;
        if (coverage <= 0) continue;
        const float* source = values + i * channelCount;
        const float alpha = source[channelCount - 1] * coverage;
        // Copy replaces what the rectangle covers; normal lays the source over it.
        const float keep = copy ? 1.0f - coverage : 1.0f - alpha / 255.0f;
        switch (layout_) {
        case BitmapLayout::premultipliedLast: {
            std::uint8_t* pixel = out + i * 4;
            for (int c = 0; c < 4; ++c) pixel[c] = toByte(source[c] * coverage + pixel[c] * keep);
            break;
        }
        case BitmapLayout::noneSkipLast: {
            std::uint8_t* pixel = out + i * 4;
            for (int c = 0; c < 3; ++c) pixel[c] = toByte(source[c] * coverage + pixel[c] * keep);
            pixel[3] = 255;
            break;
        }
        case BitmapLayout::greyNone:
            out[i] = toByte(source[0] * coverage + out[i] * keep);
            break;
        case BitmapLayout::alphaOnly:
            out[i] = toByte(alpha + out[i] * keep);
            break;
        }
    }
}

void BitmapContext::compositeWhole(std::int64_t y, std::int64_t firstColumn, std::int64_t count,
                                   const std::uint8_t* values) {
    const int channelCount = static_cast<int>(channels());
    const int pixelBytes = bytesPerPixel();
    std::uint8_t* out = row(y) + static_cast<std::size_t>(firstColumn) * pixelBytes;
    const bool copy = blendMode_ == BlendMode::copy;
    const int colours = layout_ == BitmapLayout::greyNone ? 1 : (layout_ == BitmapLayout::alphaOnly ? 0 : 3);
    for (std::int64_t i = 0; i < count; ++i) {
        const std::uint8_t* source = values + i * channelCount;
        std::uint8_t* pixel = out + i * pixelBytes;
        const unsigned alpha = source[channelCount - 1];
        if (alpha == 255 && pixelBytes == 4) { // a run of opaque pixels over either four-byte layout
            std::int64_t end = i + 1;
            while (end < count && values[end * 4 + 3] == 255) ++end;
            std::memcpy(pixel, source, static_cast<std::size_t>(end - i) * 4);
            i = end - 1;
            continue;
        }
        if (alpha == 255 || copy) {
            for (int c = 0; c < colours; ++c) pixel[c] = source[c];
            if (layout_ == BitmapLayout::premultipliedLast || layout_ == BitmapLayout::alphaOnly)
                pixel[pixelBytes - 1] = static_cast<std::uint8_t>(alpha);
            continue;
        }
        const unsigned keep = 255 - alpha;
        for (int c = 0; c < colours; ++c) pixel[c] = static_cast<std::uint8_t>(source[c] + multiplyRounded(pixel[c], keep));
        if (layout_ == BitmapLayout::premultipliedLast)
            pixel[3] = static_cast<std::uint8_t>(alpha + multiplyRounded(pixel[3], keep));
        else if (layout_ == BitmapLayout::alphaOnly)
            pixel[0] = static_cast<std::uint8_t>(alpha + multiplyRounded(pixel[0], keep));
    }
}

// Only the pixels a rectangle's edges cut need coverage arithmetic; the rest are whole.
void BitmapContext::compositeCovered(std::int64_t y, std::int64_t firstColumn, std::int64_t count,
                                     const std::uint8_t* values, const float* columnCoverage, float rowCoverage) {
    const int channelCount = static_cast<int>(channels());
    std::int64_t i = 0;
    while (i < count) {
        std::int64_t whole = i;
        while (whole < count && columnCoverage[whole] * rowCoverage >= 1.0f) ++whole;
        if (whole > i) {
            compositeWhole(y, firstColumn + i, whole - i, values + i * channelCount);
            i = whole;
            continue;
        }
        float pixel[4];
        for (int c = 0; c < channelCount; ++c) pixel[c] = values[i * channelCount + c];
        composite(y, firstColumn + i, 1, pixel, columnCoverage + i, rowCoverage);
        ++i;
    }
}

void BitmapContext::fill(const Rect& given, const SRGBColour& colour) {
    const Rect rect = standardised(given);
    const auto columns = AxisSampling::make(1, rect.origin.x, rect.size.width, width_, Interpolation::none);
    const auto rows = AxisSampling::make(1, static_cast<double>(height_) - rect.origin.y - rect.size.height,
                                         rect.size.height, height_, Interpolation::none);
    if (columns.destinationCount == 0 || rows.destinationCount == 0 || !makeWritable()) return;

    const auto unit = [](double value) { return std::isfinite(value) ? static_cast<float>(std::clamp(value, 0.0, 1.0)) : 0.0f; };
    const float alpha = unit(colour.alpha);
    const float srgb[3] = {unit(colour.red), unit(colour.green), unit(colour.blue)};
    float pixel[4] = {0, 0, 0, alpha * 255.0f};
    const int channelCount = static_cast<int>(channels());
    if (layout_ != BitmapLayout::alphaOnly) {
        float matched[3] = {srgb[0], srgb[1], srgb[2]};
        const bool grey = layout_ == BitmapLayout::greyNone;
        if (grey || !colourSpace_->isSRGB()) {
            const auto transform = ColourTransformCache::shared().transform(
                ColourSpace::sRGB(), TYPE_RGB_FLT, colourSpace_, grey ? TYPE_GRAY_FLT : TYPE_RGB_FLT);
            if (transform) transform->apply(srgb, matched, 1);
        }
        for (int c = 0; c < channelCount - 1; ++c)
            pixel[c] = std::clamp(matched[c], 0.0f, 1.0f) * 255.0f * alpha;
        pixel[channelCount - 1] = alpha * 255.0f;
    }
    std::vector<float> values(static_cast<std::size_t>(columns.destinationCount) * channelCount);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = pixel[i % channelCount];
    for (std::int64_t j = 0; j < rows.destinationCount; ++j)
        composite(rows.firstDestination + j, columns.firstDestination, columns.destinationCount, values.data(),
                  columns.coverage.data(), rows.coverage[j]);
}

bool BitmapContext::draw(const ImageRef& image, const Rect& given) {
    if (!image) return false;
    const Rect rect = standardised(given);
    const auto columns = AxisSampling::make(image->width(), rect.origin.x, rect.size.width, width_, interpolation_);
    const auto rows = AxisSampling::make(image->height(), static_cast<double>(height_) - rect.origin.y - rect.size.height,
                                         rect.size.height, height_, interpolation_);
    const auto wanted = channels();
    const auto space = layout_ == BitmapLayout::alphaOnly ? nullptr : colourSpace_;
    auto makeConverter = [&] { return PixelRowConverter::make(image, wanted, space); };
    if (columns.destinationCount == 0 || rows.destinationCount == 0) return static_cast<bool>(makeConverter());
    if (!makeWritable()) return false;

    if (columns.identity && rows.identity) { // whole pixels onto whole pixels: no resampling
        const double sourcePixels = static_cast<double>(columns.destinationCount) * static_cast<double>(rows.destinationCount);
        return inBands(rows.destinationCount, sourcePixels, makeConverter,
                       [&](PixelRowConverter& converter, std::int64_t first, std::int64_t end) {
                           std::vector<std::uint8_t> line(static_cast<std::size_t>(columns.destinationCount) *
                                                          converter.channelCount());
                           for (std::int64_t j = first; j < end; ++j) {
                               converter.convert(rows.start[j], columns.start[0], columns.destinationCount, line.data());
                               compositeWhole(rows.firstDestination + j, columns.firstDestination,
                                              columns.destinationCount, line.data());
                           }
                       });
    }
    return resample(makeConverter, columns, rows, [&](std::int64_t y, const std::uint8_t* values) {
        compositeCovered(y, columns.firstDestination, columns.destinationCount, values, columns.coverage.data(),
                         rows.coverage[y - rows.firstDestination]);
    });
}

ImageRef BitmapContext::makeImage() {
    switch (layout_) {
    case BitmapLayout::noneSkipLast:
        return Image::make(width_, height_, 8, 4, AlphaInfo::noneSkipLast, colourSpace_, buffer_, bytesPerRow_);
    case BitmapLayout::premultipliedLast:
        return Image::make(width_, height_, 8, 4, AlphaInfo::premultipliedLast, colourSpace_, buffer_, bytesPerRow_);
    case BitmapLayout::alphaOnly:
        return Image::make(width_, height_, 8, 1, AlphaInfo::alphaOnly, colourSpace_, buffer_, bytesPerRow_);
    case BitmapLayout::greyNone:
        return Image::make(width_, height_, 8, 1, AlphaInfo::none, colourSpace_, buffer_, bytesPerRow_);
    }
    return nullptr;
}

} // namespace platform
