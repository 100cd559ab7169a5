#include "ImageEngine/Encoding/png/LibDeflatePNGEncoder.h"
#include "ImageEngine/Encoding/png/PNGAlpha.h"
#include "ImageEngine/Encoding/png/PNGChunks.h"
#include "ImageEngine/Encoding/png/ZlibStream.h"
#include "platform/metadata/CompressedMetadata.h"
#include "platform/metadata/PNGMetadata.h"
#include "platform/metadata/PNGTextToXMP.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

using namespace pictavo;

// PNG files come straight from users: the chunk reader must refuse or give chunks that lie
// inside the file, and writing them back must reproduce the file up to IEND. What the
// metadata reader inflates from text chunks stays within its bound, and its texts become XMP
// without harm.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    const auto metadata = platform::pngMetadata(platform::ByteView(data, size));
    std::size_t found = (metadata.exif ? metadata.exif->size() : 0) + (metadata.iptc ? metadata.iptc->size() : 0) +
                        (metadata.xmp ? metadata.xmp->size() : 0) + (metadata.comment ? metadata.comment->size() : 0) +
                        (metadata.photoshop ? metadata.photoshop->size() : 0);
    for (const auto& text : metadata.texts) found += text.keyword.size() + text.text.size();
    // Latin-1 text takes up to two bytes a character in UTF-8.
    if (found > 2 * (platform::largestInflatedMetadata(size) + size)) std::abort();
    (void)platform::xmpWithPNGText(nullptr, metadata.texts);
    const auto chunks = PNGChunks::parse(file);
    if (!chunks) return 0;
    const auto assembled = PNGChunks::assemble(*chunks);
    if (!assembled || assembled->size() > size || !std::equal(assembled->begin(), assembled->end(), data))
        std::abort();
    (void)PNGChunks::assemble(PNGChunks::removingMetadata(*chunks));
    const platform::Bytes pixelData = PNGChunks::imageData(*chunks);
    const auto rebuilt = PNGChunks::rebuild(*chunks, pixelData, 7);
    if (!rebuilt || !PNGChunks::parse(*rebuilt)) std::abort();

    // A small budget keeps hostile sizes from allocating; the refusal is what is tested.
    constexpr std::size_t budget = 1 << 22;
    // With no budget at all the damage check streams the data through its one small buffer.
    (void)LibDeflatePNGEncoder::pixelDataIsDamaged(*chunks, size % 3 == 0 ? budget : 0);
    const auto recompressed = LibDeflatePNGEncoder::recompressIDAT(file, EncodeEffort::preview, size % 2 == 0, budget);
    if (recompressed && (recompressed->size() >= size || !PNGChunks::parse(*recompressed))) std::abort();

    const auto header = PNGChunks::header(*chunks);
    if (!header) return 0;
    const auto rowBytes = header->rowByteCount();
    if (!rowBytes) return 0;
    const auto expected = static_cast<std::uint64_t>(header->height) * static_cast<std::uint64_t>(*rowBytes + 1);
    const auto filtered = inflateZlib(pixelData, expected, budget);
    if (!filtered) return 0;
    const auto raw = LibDeflatePNGEncoder::unfilterRows(*filtered, *header);
    if (!raw) return 0;
    for (int strategy = 0; strategy <= LibDeflatePNGEncoder::minimumEntropyStrategy; ++strategy)
        if (LibDeflatePNGEncoder::unfilterRows(LibDeflatePNGEncoder::filterRows(*raw, *header, strategy), *header) != raw)
            std::abort();
    if (const auto reduced = PNGAlpha::reduction(*raw, *header)) {
        if (!PNGAlpha::isOpaque(*raw, *header)) std::abort();
        (void)PNGAlpha::rewritingHeader(*chunks, reduced->header.colourType);
    }
    return 0;
}
