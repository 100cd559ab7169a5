#include "ImageEngine/Decoding/ImageIODecoder.h"

#include "ImageEngine/Decoding/SourceFile.h"
#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Model/DeclaredSize.h"
#include "ImageEngine/Running/EncodeConcurrency.h"
#include "platform/files/FileErrorText.h"
#include "platform/files/FilePath.h"
#include "platform/files/PathCutting.h"
#include "platform/read/ImageReader.h"
#include "platform/base/Cancellation.h"
#include "platform/base/Overloaded.h"
#include "platform/text/TextFormat.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <utility>

#include <limits>
#include <system_error>

namespace pictavo {
namespace {

ConversionError decodeFailed(const std::filesystem::path& url) {
    return ConversionError::decodeFailed(platform::lastPathComponent(url.string()));
}

platform::ImageReader openReader(const std::filesystem::path& url) {
    try {
        auto reader = platform::ImageReader::open(url);
        if (!reader) throw decodeFailed(url).withCause(reader.cause());
        return std::move(*reader);
    } catch (const platform::FileError& error) {
        refuseWhatCannotBeOpened(error);
        throw decodeFailed(url).withCause(platform::fileErrorDiagnostic(error));
    }
}

// Width times height of an image's properties; 0 when either is missing or the product
// does not fit.
std::int64_t area(const platform::ImageReader& reader, std::int64_t index) {
    const auto properties = reader.propertiesAt(index);
    if (!properties) return 0;
    const auto width = platform::integerProperty(*properties, platform::keys::pixelWidth);
    const auto height = platform::integerProperty(*properties, platform::keys::pixelHeight);
    if (!width || !height) return 0;
    std::int64_t product = 0;
    if (__builtin_mul_overflow(*width, *height, &product)) return 0;
    return product;
}

// The image a page stands for: the page itself in a paged file, the largest rendition of an
// icon, and the first image otherwise, whatever the page.
std::int64_t imageIndex(const SourceLayout& layout, std::int64_t page) {
    return std::visit(platform::Overloaded{
                          [&](const SourceLayout::Pages& pages) -> std::int64_t {
                              if (page < 1 || page > pages.count) throw ConversionError::pageOutOfRange(page, pages.count);
                              return page - 1;
                          },
                          [](const SourceLayout::Renditions& renditions) -> std::int64_t { return renditions.largest; },
                          [](const auto&) -> std::int64_t { return 0; },
                      },
                      layout.value);
}

ImageProperties build(const platform::ImageReader& reader, std::int64_t index, const SourceLayout& layout,
                      const std::filesystem::path& url) {
    auto dictionary = reader.propertiesAt(index);
    if (!dictionary) throw decodeFailed(url);
    const auto width = platform::integerProperty(*dictionary, platform::keys::pixelWidth);
    const auto height = platform::integerProperty(*dictionary, platform::keys::pixelHeight);
    if (!width || !height || *width < 1 || *height < 1) throw decodeFailed(url);
    if (!DeclaredSize::usable(*width) || !DeclaredSize::usable(*height))
        throw ConversionError::imageTooLarge(static_cast<double>(*width), static_cast<double>(*height));

    ImageProperties properties;
    properties.pixelWidth = *width;
    properties.pixelHeight = *height;
    const auto orientation = platform::integerProperty(*dictionary, platform::keys::orientation).value_or(1);
    properties.orientation = orientation >= 1 && orientation <= 8 ? static_cast<std::uint32_t>(orientation) : 1;
    std::error_code error;
    const auto size = std::filesystem::file_size(url, error);
    properties.byteCount =
        error || size > static_cast<std::uintmax_t>(std::numeric_limits<std::int64_t>::max()) ? 0 : static_cast<std::int64_t>(size);
    if (const bool* alpha = platform::propertyOf<bool>(*dictionary, platform::keys::hasAlpha))
        properties.hasAlpha = *alpha;
    std::visit(platform::Overloaded{
                   [&](const SourceLayout::Animated& animated) { properties.frameCount = animated.frameCount; },
                   [&](const SourceLayout::Pages& pages) { properties.pageCount = pages.count; },
                   [&](const SourceLayout::Renditions& renditions) { properties.renditionCount = renditions.count; },
                   [](const SourceLayout::Single&) {},
               },
               layout.value);
    if (const auto* name = platform::propertyOf<std::string>(*dictionary, platform::keys::profileName))
        properties.colourSpaceName = *name;
    properties.sourceUTType = platform::ContentType::withIdentifier(reader.typeIdentifier());
    properties.isVector = false;
    platform::XmpRef xmp;
    if (auto packet = reader.xmpAt(index)) xmp = std::make_shared<const platform::XMPPacket>(std::move(*packet));
    properties.preserved = PreservedProperties(std::move(*dictionary), std::move(xmp));
    return properties;
}

} // namespace

const std::unordered_set<platform::ContentType>& ImageIODecoder::readableTypes() const {
    static const std::unordered_set<platform::ContentType> types = [] {
        std::unordered_set<platform::ContentType> found;
        for (const auto& identifier : platform::ImageReader::readableTypeIdentifiers())
            if (auto type = platform::ContentType::withIdentifier(identifier)) found.insert(*type);
        return found;
    }();
    return types;
}

SourceLayout ImageIODecoder::layout(const platform::ImageReader& reader) {
    const std::int64_t count = reader.count();
    if (count < 2) return {SourceLayout::Single{}};
    if (reader.hasFrameInfo()) return {SourceLayout::Animated{count}};
    const auto type = platform::ContentType::withIdentifier(reader.typeIdentifier());
    if (!type) return {SourceLayout::Pages{count}};
    if (type->conforms(platform::ContentType::ico()) || type->conforms(platform::ContentType::icns())) {
        std::int64_t largest = 0;
        std::int64_t best = area(reader, 0);
        for (std::int64_t index = 1; index < count; ++index) {
            const auto candidate = area(reader, index);
            if (candidate > best) {
                best = candidate;
                largest = index;
            }
        }
        return {SourceLayout::Renditions{largest, count}};
    }
    return {SourceLayout::Pages{count}};
}

ImageProperties ImageIODecoder::properties(const std::filesystem::path& url) const {
    const auto reader = openReader(url);
    const auto arrangement = layout(reader);
    return build(reader, imageIndex(arrangement, 1), arrangement, url);
}

DecodedImage ImageIODecoder::decode(const std::filesystem::path& url) const { return decode(url, 1); }

DecodedImage ImageIODecoder::decode(const std::filesystem::path& url, std::int64_t page) const {
    return decodeFor(url, DecodeRequest{page});
}

int ImageIODecoder::reductionFor(const ImageProperties& stored, const PixelDimensions& drawn) {
    if (drawn.width < 1 || drawn.height < 1) return 1;
    // Averaging blocks of pixels dims the finest detail the resampler's own Lanczos would keep,
    // the less the more room is left between the two sizes. Measured on photographs (bench/
    // README.md), three times the drawn size keeps every one past 45 dB of the whole decode,
    // where twice let textured ones (sand, foliage) fall to 44.
    constexpr double room = 3;
    const double across = static_cast<double>(stored.pixelWidth) / static_cast<double>(drawn.width);
    const double down = static_cast<double>(stored.pixelHeight) / static_cast<double>(drawn.height);
    const double factor = std::floor(std::min(across, down) / room);
    return factor >= 2 ? static_cast<int>(std::min(factor, 65536.0)) : 1;
}

DecodedImage ImageIODecoder::decodeFor(const std::filesystem::path& url, const DecodeRequest& request) const {
    const auto share = static_cast<std::uint64_t>(std::max<std::int64_t>(EncodeConcurrency::pixelBudget(), 0));
    const std::uint64_t limit = request.memory ? request.memory->capacity() : share;
    // The reader holds the file whole from before its header is read: that is held first, and
    // the rest of the conversion beside it once the pixels are planned.
    PixelMemory::HoldRef fileHeld;
    if (const auto length = sourceLength(url); request.memory && length <= limit)
        fileHeld = PixelMemory::hold(request.memory, length, request.stop, request.precedence);
    std::optional<platform::ImageReader> reader(openReader(url));
    const auto arrangement = layout(*reader);
    const auto index = imageIndex(arrangement, request.page);
    auto properties = build(*reader, index, arrangement, url);
    if (request.beforePixels) request.beforePixels(properties);
    // Every stored row is still read and averaged: a picture with more pixels than the memory
    // has bytes (a few hundred bytes of PNG can declare billions) would keep a processor busy
    // for minutes, so it is read whole or, as ever, refused.
    int reduction = 1;
    const auto storedPixels =
        static_cast<std::uint64_t>(properties.pixelWidth) * static_cast<std::uint64_t>(properties.pixelHeight);
    if (request.drawnSize && storedPixels <= limit) {
        if (const auto drawn = request.drawnSize(properties)) reduction = reductionFor(properties, *drawn);
    }

    // The size of the pixels is known only once the reader has planned them, in the middle of
    // library work that others may wait on: there the memory is only taken when it is free,
    // and a picture that has to wait for it is planned again once it has it.
    // What the conversion holds at its peak: the decoded pixels, and beside them the more of
    // what the reader holds while it makes them (the file as read, and its working memory) and
    // what the stages and the encoder hold once they are made.
    const auto fileBytes = static_cast<std::uint64_t>(std::max<std::int64_t>(properties.byteCount, 0));
    std::uint64_t wanted = 0;
    PixelMemory::HoldRef held;
    platform::PixelBudget budget;
    budget.stop = request.stop;
    budget.grant = [&](const platform::PixelCost& cost) {
        const std::uint64_t reading = fileBytes + cost.workingBytes;
        const std::uint64_t drawing = request.heldBeside ? request.heldBeside(properties, cost) : 0;
        std::uint64_t bytes = 0;
        if (__builtin_add_overflow(cost.pixelBytes, std::max(reading, drawing), &bytes)) return false;
        wanted = bytes;
        if (bytes > limit) return false;
        // The file as read is part of what is held already.
        const std::uint64_t beside = bytes - std::min(bytes, fileHeld ? fileHeld->bytes() : 0);
        if (!request.memory || (held && held->bytes() >= beside)) return true;
        held = PixelMemory::tryHold(request.memory, beside, request.precedence);
        return held != nullptr;
    };
    auto pixels = reader->imageAt(index, budget, reduction);
    if (pixels.exceedsBudget && request.memory && wanted > 0 && wanted <= limit) {
        // Nothing is held while waiting, the file neither: a wait holding memory could wait
        // for a conversion queued behind it. The file is read again once all is held.
        held.reset();
        reader.reset();
        fileHeld.reset();
        held = PixelMemory::hold(request.memory, wanted, request.stop, request.precedence);
        reader.emplace(openReader(url));
        pixels = reader->imageAt(index, budget, reduction);
    }
    platform::throwIfCancelled(request.stop);
    if (pixels.exceedsBudget) {
        auto error = ConversionError::imageTooLarge(static_cast<double>(properties.pixelWidth),
                                                    static_cast<double>(properties.pixelHeight));
        if (wanted == 0) throw error;
        throw error.withCause("converting it takes " + platform::byteCount(static_cast<std::int64_t>(wanted)) +
                              " of memory, more than the " + platform::byteCount(static_cast<std::int64_t>(limit)) +
                              (request.memory ? " all conversions together" : " one conversion") +
                              " may hold on this computer");
    }
    if (!pixels.image) throw decodeFailed(url).withCause(platform::namingByFileName(pixels.cause, url));
    DecodedImage::Raster raster{std::move(pixels.image), std::move(properties)};
    raster.reducedAcross = pixels.reducedAcross;
    raster.reducedDown = pixels.reducedDown;
    // The file's hold goes with the pixels' hold, as one.
    raster.memory = held ? PixelMemory::joined(std::move(fileHeld), std::move(held)) : nullptr;
    return DecodedImage::raster(std::move(raster));
}

} // namespace pictavo
