#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Bytes.h"
#include "platform/base/Outcome.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform {

// The bytes of a JPEG file's first picture, from its SOI to the end of its EOI marker. Phones
// and 3D cameras write more after it: further pictures listed by an MPF index in an APP2
// segment (a preview, a depth map, a gain map, the other eye), or a motion photo's video.
// Nothing when the bytes do not start a JPEG or its first picture never ends.
std::optional<std::size_t> jpegFirstPictureLength(ByteView jpeg);

// What follows a JPEG file's first picture.
struct JPEGFollowing {
    std::size_t bytes = 0;
    // The pictures after the first that the file's MPF index lists; 0 without an index.
    std::int64_t pictures = 0;
    // What follows the last of those pictures (a motion photo's video after a gain map); 0
    // when nothing does, or the index lists a picture outside the file.
    std::size_t bytesAfterPictures = 0;
};
// Nothing when nothing follows the first picture, or it never ends. A damaged first picture
// (a segment length a few bytes off, no end marker before the next picture) ends where the
// JPEG library stops reading it, so that what follows it is still found.
std::optional<JPEGFollowing> jpegFollowing(ByteView jpeg);

// `first`, the source's first picture rewritten with its MPF segment copied as it was,
// followed by what followed the source's first picture, byte for byte, with the MPF index
// made true again: the first picture's size and the offsets of the others follow the
// rewrite. A motion photo's video needs nothing more: its XMP counts its offset from the
// file's end. Fails, saying why, when the source's index lists a picture outside what
// follows the first one, or the rewrite lost or changed the index.
Outcome<Bytes> jpegFollowedAsBefore(Bytes first, ByteView source);

} // namespace platform
