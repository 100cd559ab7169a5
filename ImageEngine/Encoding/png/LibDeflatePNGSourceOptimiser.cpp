#include "ImageEngine/Encoding/png/LibDeflatePNGSourceOptimiser.h"

#include "ImageEngine/Encoding/png/LibDeflatePNGEncoder.h"
#include "ImageEngine/Running/EncodeConcurrency.h"
#include "platform/read/PNGSummary.h"

#include <algorithm>

#include <exception>

namespace pictavo {
namespace {

// Only the conversion sees it, and it only learns that this road is closed.
class Unreadable : public std::exception {
public:
    const char* what() const noexcept override { return "The PNG source could not be re-optimised."; }
};

// The unpacked pixel data is bounded by one conversion's share, and never by more than the
// memory the conversion was admitted by.
std::size_t rowsBudget(std::uint64_t memoryBound) {
    return static_cast<std::size_t>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(std::max<std::int64_t>(0, EncodeConcurrency::pixelBudget())),
                                memoryBound));
}

} // namespace

LibDeflatePNGSourceOptimiser::LibDeflatePNGSourceOptimiser() : format_(OutputFormat::png()) {}

std::optional<std::uint64_t> LibDeflatePNGSourceOptimiser::workingBytes(std::span<const std::uint8_t> start,
                                                                        std::uint64_t fileBytes, MetadataPolicy,
                                                                        std::uint32_t, std::uint64_t memoryBound) const {
    const auto summary = platform::summarisePng(platform::ByteView(start.data(), start.size()));
    // A file that is not a PNG is at most handed back as it is.
    if (!summary) return fileBytes;
    PNGChunks::Header header{summary->width, summary->height, summary->bitDepth, summary->colourType,
                             summary->interlaced};
    return LibDeflatePNGEncoder::recompressionBytes(header, summary->animationFrames.has_value(), fileBytes,
                                                    rowsBudget(memoryBound));
}

platform::Bytes LibDeflatePNGSourceOptimiser::optimise(const platform::Bytes& source, MetadataPolicy metadata,
                                                       std::uint32_t, EncodeEffort effort,
                                                       std::uint64_t memoryBound) const {
    auto optimised = LibDeflatePNGEncoder::recompressPNG(source, effort, metadata == MetadataPolicy::strip,
                                                         rowsBudget(memoryBound));
    if (!optimised) throw Unreadable();
    return std::move(*optimised);
}

} // namespace pictavo
