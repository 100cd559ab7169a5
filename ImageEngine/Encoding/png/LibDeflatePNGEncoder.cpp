#include "ImageEngine/Encoding/png/LibDeflatePNGEncoder.h"

#include "ImageEngine/Running/EncodeConcurrency.h"
#include "ImageEngine/Running/SpareProcessors.h"
#include "ImageEngine/Encoding/png/PNGAlpha.h"
#include "ImageEngine/Encoding/png/ZlibStream.h"
#include "platform/base/Cancellation.h"
#include "platform/base/ZlibInflatedLength.h"

#include <algorithm>
#include <limits>

namespace pictavo {
namespace {

constexpr int previewLevel = 9;
constexpr int finalLevel = 12;

// Frame chunks of an animated PNG hold pixel data laid out by IHDR; rewriting IHDR or the
// default image alone would leave them describing something else.
bool isAnimated(const std::vector<PNGChunks::Chunk>& chunks) {
    return std::any_of(chunks.begin(), chunks.end(), [](const PNGChunks::Chunk& chunk) {
        return chunk.type == "acTL" || chunk.type == "fcTL" || chunk.type == "fdAT";
    });
}

// Read at the moment of use, as the machine's memory may be shared differently by then.
std::size_t currentBudget() { return static_cast<std::size_t>(std::max<std::int64_t>(0, EncodeConcurrency::pixelBudget())); }

// The length of the filtered rows the header describes; none when it cannot be known.
std::optional<std::uint64_t> filteredLength(const PNGChunks::Header& header) {
    if (header.interlaced) return std::nullopt;
    const auto rowBytes = header.rowByteCount();
    if (!rowBytes) return std::nullopt;
    // Both factors are at most a few hundred million, so the product stays inside 64 bits.
    return static_cast<std::uint64_t>(header.height) * static_cast<std::uint64_t>(*rowBytes + 1);
}

// The length of the filtered rows of all seven passes of an interlaced image, each pass's
// rows being as wide as the pixels it holds; none when the header cannot say.
std::optional<std::uint64_t> interlacedFilteredLength(const PNGChunks::Header& header) {
    struct Pass {
        std::int64_t x, y, dx, dy;
    };
    static constexpr Pass passes[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                      {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    if (!header.rowByteCount()) return std::nullopt;
    std::uint64_t total = 0;
    for (const auto& pass : passes) {
        const std::int64_t columns = (header.width - pass.x + pass.dx - 1) / pass.dx;
        const std::int64_t rows = (header.height - pass.y + pass.dy - 1) / pass.dy;
        if (columns <= 0 || rows <= 0) continue;
        PNGChunks::Header reduced = header;
        reduced.width = columns;
        total += static_cast<std::uint64_t>(rows) * static_cast<std::uint64_t>(*reduced.rowByteCount() + 1);
    }
    return total;
}

// Checks the pixel data without holding it: it is inflated in pieces and only counted.
bool imageDataInflatesTo(const std::vector<PNGChunks::Chunk>& chunks, std::uint64_t expected) {
    std::vector<std::span<const std::uint8_t>> pieces;
    for (const auto& chunk : chunks)
        if (chunk.type == "IDAT") pieces.push_back(chunk.payload);
    return platform::zlibInflatedLength(pieces, expected) == expected;
}

} // namespace

LibDeflatePNGEncoder::LibDeflatePNGEncoder() : format_(OutputFormat::png()), base_(OutputFormat::png()) {}

platform::Bytes LibDeflatePNGEncoder::encode(const platform::ImageRef& image, const EncodeOptions& options) const {
    return encodeReleasing(image, options);
}

platform::Bytes LibDeflatePNGEncoder::encodeReleasing(platform::ImageRef image, const EncodeOptions& options) const {
    platform::Bytes written = base_.encode(image, options);
    image.reset();
    // The recompression takes longer than the writing; nobody waits for it once stopped.
    platform::throwIfCancelled(platform::currentJobStopToken());
    auto smaller = recompressPNG(written, options.effort, options.metadata == MetadataPolicy::strip);
    return smaller ? std::move(*smaller) : written;
}

std::optional<platform::Bytes> LibDeflatePNGEncoder::recompressPNG(std::span<const std::uint8_t> file,
                                                                   EncodeEffort effort, bool strip,
                                                                   std::optional<std::size_t> budget) {
    const std::size_t rowsBudget = budget.value_or(currentBudget());
    std::optional<std::vector<PNGChunks::Chunk>> chunks;
    if (strip) {
        chunks = PNGChunks::parse(file);
        if (!chunks || pixelDataIsDamaged(*chunks, rowsBudget)) return std::nullopt;
    }
    auto recompressed = recompressIDAT(file, effort, strip, rowsBudget);
    // The file as it stands is put together only once the pixel data's buffers are gone.
    std::optional<platform::Bytes> fallback =
        strip ? PNGChunks::assemble(PNGChunks::removingMetadata(*chunks)) : platform::Bytes(file.begin(), file.end());
    if (!fallback) return std::nullopt;
    if (recompressed && recompressed->size() < fallback->size()) return recompressed;
    return fallback;
}

std::uint64_t LibDeflatePNGEncoder::recompressionBytes(const PNGChunks::Header& header, bool animated,
                                                       std::uint64_t fileBytes, std::size_t budget) {
    const auto rows = filteredLength(header);
    if (animated || !rows || *rows > budget) return fileBytes;
    // The gathered pixel data beside its inflated rows; then the rows in three forms at most
    // (as stored, unfiltered, filtered anew or a trial kept beside them) with a compressed
    // stream and its copy for each of the two filterings compared; then the new file beside
    // the one written back without it. The compressed streams are counted at the file's size.
    return std::max({fileBytes + *rows, 4 * *rows + 2 * fileBytes, 2 * fileBytes});
}

bool LibDeflatePNGEncoder::pixelDataIsDamaged(const std::vector<PNGChunks::Chunk>& chunks, std::size_t budget) {
    const auto header = PNGChunks::header(chunks);
    if (!header) return true;
    const auto expected = header->interlaced ? interlacedFilteredLength(*header) : filteredLength(*header);
    if (!expected) return true;
    // Within the budget the data is inflated at once, which is quicker; past it, it is
    // streamed, as data that was never checked must not pass for sound.
    if (!header->interlaced && *expected <= budget) return !inflateZlib(PNGChunks::imageData(chunks), *expected, budget);
    return !imageDataInflatesTo(chunks, *expected);
}

std::optional<platform::Bytes> LibDeflatePNGEncoder::recompressIDAT(std::span<const std::uint8_t> file,
                                                                    EncodeEffort effort, bool strip,
                                                                    std::size_t budget) {
    const auto chunks = PNGChunks::parse(file);
    if (!chunks || isAnimated(*chunks)) return std::nullopt;
    const auto header = PNGChunks::header(*chunks);
    const auto expected = header ? filteredLength(*header) : std::nullopt;
    if (!expected || *expected > budget) return std::nullopt;

    std::vector<PNGChunks::Chunk> kept = strip ? PNGChunks::removingMetadata(*chunks) : *chunks;
    // Each whole-image buffer is let go as soon as nothing further is made from it, so that a
    // large image holds at most its rows in two forms and one compressed stream at a time.
    auto filtered = inflateZlib(PNGChunks::imageData(*chunks), *expected, budget);
    if (!filtered) return std::nullopt;
    const bool final = effort == EncodeEffort::final;
    const int level = final ? finalLevel : previewLevel;

    std::optional<platform::Bytes> raw;
    std::optional<platform::Bytes> stream;
    if (PNGAlpha::canReduce(*header)) raw = unfilterRows(*filtered, *header);
    if (raw && PNGAlpha::isOpaque(*raw, *header)) {
        filtered.reset();
        auto reduced = PNGAlpha::reduction(*raw, *header);
        raw.reset();
        if (!reduced) return std::nullopt;
        kept = PNGAlpha::rewritingHeader(kept, reduced->header.colourType);
        std::optional<Filtering> chosen;
        if (final)
            chosen = bestFiltering(reduced->raw, reduced->header, choiceList, std::numeric_limits<std::size_t>::max());
        const platform::Bytes rows =
            chosen ? std::move(chosen->rows) : filterRows(reduced->raw, reduced->header, minimumSumStrategy);
        reduced.reset();
        stream = deflateAndVerify(rows, level, budget);
        if (!stream) return std::nullopt;
    } else {
        // The input's own filtering and the search for a better one do not depend on each
        // other; on spare processors, and when the memory of a conversion holds both, they
        // run side by side.
        std::optional<platform::Bytes> better;
        std::size_t limit = std::numeric_limits<std::size_t>::max();
        int ownFilter = noStrategy;
        const auto compressOwn = [&] { stream = deflateAndVerify(*filtered, level, budget); };
        const auto prepareRefilter = [&] {
            limit = platformDeflatedSize(*filtered).value_or(std::numeric_limits<std::size_t>::max());
            ownFilter = singleFilterOf(*filtered, *header);
            if (!raw) raw = unfilterRows(*filtered, *header);
        };
        const auto refilter = [&] {
            auto refiltered = raw ? refilterBelow(*raw, *header, limit, ownFilter) : std::nullopt;
            raw.reset();
            if (refiltered) better = deflateAndVerify(*refiltered, finalLevel, budget);
        };
        if (final && filtered->size() >= sideBySideLength && filtered->size() <= sideBySideMemoryLength) {
            SpareProcessors::runSideBySide({compressOwn, [&] {
                                                prepareRefilter();
                                                refilter();
                                            }});
        } else {
            compressOwn();
            if (final && stream) {
                prepareRefilter();
                filtered.reset();
                refilter();
            }
        }
        if (!stream) return std::nullopt;
        if (better && better->size() < stream->size()) stream = std::move(better);
    }

    auto rebuilt = PNGChunks::rebuild(kept, *stream, PNGChunks::largestIDATLength);
    if (!rebuilt || rebuilt->size() >= file.size()) return std::nullopt;
    return rebuilt;
}

} // namespace pictavo
