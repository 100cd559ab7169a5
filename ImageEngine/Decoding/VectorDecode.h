#pragma once
#include "ImageEngine/Decoding/ImageDecoder.h"
#include "ImageEngine/Model/ConversionError.h"

#include <cstdint>

#include <filesystem>

namespace pictavo {

// A vector page decoded as a conversion asks, held in its memory as a raster's decode is.
// What reading the document holds is held before it is read; once the size the page is drawn
// at is known, so is its bitmap and, beside it, the more of what drawing it takes (the document
// as the drawer reads it again, the drawer's own memory) and what the conversion holds after.
// Nothing is held while waiting. A page whose drawing takes more than all of that memory (one
// conversion's share without a memory) is refused with the bytes it takes, before it is drawn.
DecodedImage decodedVectorFor(const ImageDecoder& decoder, const std::filesystem::path& url,
                              const DecodeRequest& request);

// The refusal of a document whose reading (its parse) takes `bytes`, more than the `limit` all
// conversions together (`shared`), or one conversion, may hold.
ConversionError readingTakesTooMuch(const std::filesystem::path& url, std::uint64_t bytes, std::uint64_t limit,
                                    bool shared);

} // namespace pictavo
