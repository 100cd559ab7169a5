// Arbitrary bytes through the header readers that follow offsets into the file: the sides of
// each format's header (a camera's as libraw parses it), and a TIFF's chain of directories
// with the bytes of a strip or tile.
#include "platform/read/StoredSides.h"
#include "platform/read/TIFFDirectory.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const platform::ByteView bytes(data, size);
    const platform::ByteSource source = platform::byteSourceOf(bytes);
    for (const std::int64_t index : {0, 1, 7}) {
        (void)platform::storedSidesFromHeader(source, index);
        if (const auto directory = platform::readTIFFDirectory(source, index)) (void)directory->blockBytes();
    }
    return 0;
}
