#include "ImageEngine/Encoding/png/LibDeflatePNGSourceOptimiser.h"

#include "ImageEngine/Encoding/png/LibDeflatePNGEncoder.h"
#include "ImageEngine/Running/EncodeConcurrency.h"
#include "platform/read/PNGSummary.h"

#include <algorithm>
#include <optional>
#include <utility>

#include <exception>

namespace pictavo {
namespace {

// Only the conversion sees it, and it only learns that this road is closed.
class Unreadable : public std::exception {
public:
    const char* what() const noexcept override { return "The PNG source could not be re-optimised."; }
};

// The rows of the first bytes' header, and whether the file is animated; none for a file
// that does not start as a PNG.
std::optional<std::pair<PNGChunks::Header, bool>> headerOf(std::span<const std::uint8_t> start) {
    const auto summary = platform::summarisePng(platform::ByteView(start.data(), start.size()));
    if (!summary) return std::nullopt;
    return std::pair{PNGChunks::Header{summary->width, summary->height, summary->bitDepth, summary->colourType,
                                       summary->interlaced},
                     summary->animationFrames.has_value()};
}

// The most the unpacked rows may take: one conversion's share, never more than the memory
// that admits the rewrite, and nothing when unpacking and compressing them would not fit in
// it beside the file; the rewrite then only writes the file back, without its metadata.
std::size_t rowsBudget(std::span<const std::uint8_t> start, std::uint64_t fileBytes, std::uint64_t memoryBound) {
    const auto header = headerOf(start);
    if (!header) return 0;
    const auto share = static_cast<std::uint64_t>(std::max<std::int64_t>(0, EncodeConcurrency::pixelBudget()));
    const auto budget = static_cast<std::size_t>(std::min(share, memoryBound));
    const std::uint64_t working = LibDeflatePNGEncoder::recompressionBytes(header->first, header->second, fileBytes, budget);
    return fileBytes + working <= memoryBound ? budget : 0;
}

} // namespace

LibDeflatePNGSourceOptimiser::LibDeflatePNGSourceOptimiser() : format_(OutputFormat::png()) {}

std::optional<std::uint64_t> LibDeflatePNGSourceOptimiser::workingBytes(std::span<const std::uint8_t> start,
                                                                        std::uint64_t fileBytes, MetadataPolicy,
                                                                        std::uint32_t, std::uint64_t memoryBound) const {
    // A file that is not a PNG is at most handed back as it is.
    const auto header = headerOf(start);
    if (!header) return fileBytes;
    return LibDeflatePNGEncoder::recompressionBytes(header->first, header->second, fileBytes,
                                                    rowsBudget(start, fileBytes, memoryBound));
}

platform::Bytes LibDeflatePNGSourceOptimiser::optimise(const platform::Bytes& source, MetadataPolicy metadata,
                                                       std::uint32_t, EncodeEffort effort,
                                                       std::uint64_t memoryBound) const {
    auto optimised = LibDeflatePNGEncoder::recompressPNG(source, effort, metadata == MetadataPolicy::strip,
                                                         rowsBudget(source, source.size(), memoryBound));
    if (!optimised) throw Unreadable();
    return std::move(*optimised);
}

} // namespace pictavo
