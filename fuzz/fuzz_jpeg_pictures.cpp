#include "platform/metadata/JPEGPictures.h"
#include "platform/metadata/JPEGSegments.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// A JPEG from the user's file is cut after its first picture, and what follows it, with the
// MPF index that lists it, is carried on after a rewrite of that picture. The rewrite here
// is the picture itself, and the picture grown by a segment, as a rewrite that writes a
// header of its own grows it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) return 0;
    const platform::ByteView file(data, size);
    const auto length = platform::jpegFirstPictureLength(file);
    const auto following = platform::jpegFollowing(file);
    if (length && *length > size) std::abort();
    // A damaged first picture may end where only a lenient reading finds its end; a sound one
    // ends where both do.
    if (following && (following->bytes == 0 || following->bytes > size - 2 ||
                      following->bytesAfterPictures > following->bytes || (length && following->bytes != size - *length)))
        std::abort();
    if (!length) return 0;

    const platform::Bytes first(data, data + *length);
    platform::Bytes grown(first.begin(), first.begin() + 2);
    const std::uint8_t header[] = {'J', 'F', 'I', 'F', 0, 1, 2, 0, 0, 1, 0, 1, 0, 0};
    platform::appendJPEGSegment(grown, 0xE0, platform::ByteView(header, sizeof header));
    grown.insert(grown.end(), first.begin() + 2, first.end());

    const auto direct = platform::jpegFollowedAsBefore(first, file);
    const auto moved = platform::jpegFollowedAsBefore(grown, file);
    for (const auto* whole : {&direct, &moved}) {
        if (!*whole) continue;
        const std::size_t rewritten = whole == &direct ? first.size() : grown.size();
        // What followed is there byte for byte.
        if ((*whole)->size() != rewritten + size - *length ||
            std::memcmp((*whole)->data() + rewritten, data + *length, size - *length) != 0)
            std::abort();
    }
    // Moved through another layout and back, the index says what it says when moved at once.
    if (direct && moved) {
        const auto back = platform::jpegFollowedAsBefore(first, platform::ByteView(moved->data(), moved->size()));
        if (!back || *back != *direct) std::abort();
    }
    return 0;
}
