#pragma once
#include "ImageEngine/Decoding/DecodedImage.h"
#include "ImageEngine/Model/ImageProperties.h"
#include "ImageEngine/Model/PixelDimensions.h"
#include "ImageEngine/Running/PixelMemory.h"
#include "platform/base/PixelBudget.h"
#include "platform/types/ContentType.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <unordered_set>

namespace pictavo {

// What a conversion asks of a decode besides the page.
struct DecodeRequest {
    std::int64_t page = 1;
    // The size the page's stored pixels (not yet turned upright) will be drawn at, given its
    // properties; none when it is wanted whole. A decoder may then hand back fewer pixels,
    // never fewer than three times that size a side; a drawing is counted at that size.
    std::function<std::optional<PixelDimensions>(const ImageProperties&)> drawnSize = {};
    // Where the decoded pixels are held for as long as the conversion runs; none decodes within
    // one conversion's share of memory, refusing a larger picture.
    std::shared_ptr<PixelMemory> memory = {};
    // Ends a wait for memory.
    std::stop_token stop = {};
    // Whether the decode waits for memory in turn, or before every conversion waiting.
    PixelMemory::Precedence precedence = PixelMemory::Precedence::inTurn;
    // What the conversion holds at its peak beside the decoded pixels once they are made (the
    // pictures its stages draw, the encoder's buffers, the output), for pixels of that cost;
    // counted in what is held for it. None counts what decoding holds alone.
    std::function<std::uint64_t(const ImageProperties&, const platform::PixelCost&)> heldBeside = {};
    // Called with the page's properties before any pixel of it is decoded; throws to refuse a
    // page whose output could not be written anyway.
    std::function<void(const ImageProperties&)> beforePixels = {};
};

// Everything the program reads goes through one decoder: it names the content types it
// reads, inspects a file without decoding pixels, and decodes a file or one page of it.
// Decoders hold no mutable state and are used from any thread.
class ImageDecoder {
public:
    virtual ~ImageDecoder() = default;

    virtual const std::unordered_set<platform::ContentType>& readableTypes() const = 0;
    // A readable type, or one that conforms to a readable type (a declared subtype); never
    // a supertype such as the generic image type.
    virtual bool canDecode(const platform::ContentType& type) const;
    // The file's first page, inspected; throws ConversionError.
    virtual ImageProperties properties(const std::filesystem::path& url) const = 0;
    // The first page, decoded; throws ConversionError.
    virtual DecodedImage decode(const std::filesystem::path& url) const = 0;
    // A page (1-based) decoded; decoders without pages decode their one image whatever the page.
    virtual DecodedImage decode(const std::filesystem::path& url, std::int64_t page) const;
    // The page decoded as a conversion asks; decoders that cannot decode at a reduced size or
    // hold memory decode the page as decode(url, page) does.
    virtual DecodedImage decodeFor(const std::filesystem::path& url, const DecodeRequest& request) const;
    // What reading the file's properties holds at its peak: the file as read, and whatever the
    // library builds of it to find them.
    virtual std::uint64_t readingBytes(const std::filesystem::path& url) const;
};

using ImageDecoderRef = std::shared_ptr<const ImageDecoder>;

} // namespace pictavo
