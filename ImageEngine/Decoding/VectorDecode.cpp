#include "ImageEngine/Decoding/VectorDecode.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Running/EncodeConcurrency.h"
#include "platform/files/FilePath.h"
#include "platform/text/TextFormat.h"

#include <algorithm>
#include <limits>
#include <string>

namespace pictavo {

namespace {

std::string takesMoreThanHeld(std::uint64_t bytes, std::uint64_t limit, bool shared) {
    return platform::byteCount(static_cast<std::int64_t>(std::min<std::uint64_t>(bytes, std::numeric_limits<std::int64_t>::max()))) +
           " of memory, more than the " + platform::byteCount(static_cast<std::int64_t>(limit)) +
           (shared ? " all conversions together" : " one conversion") + " may hold on this computer";
}

} // namespace

ConversionError readingTakesTooMuch(const std::filesystem::path& url, std::uint64_t bytes, std::uint64_t limit,
                                    bool shared) {
    return ConversionError::decodeFailed(platform::lastPathComponent(url.string()))
        .withCause("reading it takes " + takesMoreThanHeld(bytes, limit, shared));
}

DecodedImage decodedVectorFor(const ImageDecoder& decoder, const std::filesystem::path& url,
                              const DecodeRequest& request) {
    const auto share = static_cast<std::uint64_t>(std::max<std::int64_t>(EncodeConcurrency::pixelBudget(), 0));
    const std::uint64_t limit = request.memory ? request.memory->capacity() : share;
    const std::uint64_t reading = decoder.readingBytes(url);
    if (reading > limit) throw readingTakesTooMuch(url, reading, limit, request.memory != nullptr);
    PixelMemory::HoldRef readingHeld;
    if (request.memory) readingHeld = PixelMemory::hold(request.memory, reading, request.stop);
    DecodedImage decoded = decoder.decode(url, request.page);
    const DecodedImage::Vector* vector = decoded.asVector();
    if (!vector) return decoded;
    const ImageProperties& properties = vector->properties;
    if (request.beforePixels) request.beforePixels(properties);

    PixelDimensions drawn{properties.pixelWidth, properties.pixelHeight};
    if (request.drawnSize)
        if (const auto size = request.drawnSize(properties)) drawn = *size;
    // Drawn into four bytes a pixel, which become the page's pixels.
    platform::PixelCost cost;
    cost.width = std::max<std::int64_t>(drawn.width, 1);
    cost.height = std::max<std::int64_t>(drawn.height, 1);
    cost.bytesPerPixel = 4;
    std::uint64_t wanted = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t area = 0;
    if (!__builtin_mul_overflow(static_cast<std::uint64_t>(cost.width), static_cast<std::uint64_t>(cost.height), &area) &&
        !__builtin_mul_overflow(area, std::uint64_t{4}, &cost.pixelBytes)) {
        cost.workingBytes = vector->source->workingBytes(cost.width, cost.height);
        const std::uint64_t after = request.heldBeside ? request.heldBeside(properties, cost) : 0;
        if (__builtin_add_overflow(cost.pixelBytes, std::max(cost.workingBytes, after), &wanted))
            wanted = std::numeric_limits<std::uint64_t>::max();
    }
    // Named at the size asked, which is what does not fit: the page's own size may be small.
    if (wanted > limit) {
        throw ConversionError::imageTooLarge(static_cast<double>(cost.width), static_cast<double>(cost.height))
            .withCause("converting it takes " + takesMoreThanHeld(wanted, limit, request.memory != nullptr));
    }
    if (!request.memory) return decoded;

    // The reading's hold is part of the drawing's; the rest is taken beside it when it is free,
    // and otherwise all of it is waited for with nothing held.
    PixelMemory::HoldRef held;
    if (wanted <= reading) held = std::move(readingHeld);
    else if (auto beside = PixelMemory::tryHold(request.memory, wanted - reading))
        held = PixelMemory::joined(std::move(readingHeld), std::move(beside));
    else {
        readingHeld.reset();
        held = PixelMemory::hold(request.memory, wanted, request.stop);
    }
    DecodedImage::Vector counted = *vector;
    counted.memory = std::move(held);
    return DecodedImage(std::move(counted));
}

} // namespace pictavo
