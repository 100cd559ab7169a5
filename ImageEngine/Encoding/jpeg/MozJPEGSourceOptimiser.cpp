#include "ImageEngine/Encoding/jpeg/MozJPEGSourceOptimiser.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Encoding/ShimCause.h"
#include "ImageEngine/Encoding/jpeg/JPEGMetadataSplice.h"
#include "ImageEngine/Model/Reorientation.h"
#include "platform/base/Outcome.h"
#include "platform/metadata/JPEGPictures.h"
#include "shims/pctv_mozjpeg.h"

#include <memory>
#include <optional>

namespace pictavo {
namespace {

// The smaller of the sequential and the progressive rewrite, the sequential one on a tie,
// from one reading of the coefficients.
platform::Outcome<platform::Bytes> rewritten(platform::ByteView source, bool strip, std::uint32_t turn,
                                             std::uint64_t memoryBound) {
    std::uint8_t* out = nullptr;
    std::size_t length = 0;
    char message[256] = {};
    // The coefficients of a hostile file declaring a huge size must fail, not be allocated;
    // the conversion was admitted for the rest by the memory that bounds it.
    const auto budget = static_cast<std::size_t>(memoryBound);
    int status = pctv_mozjpeg_reoptimise_smaller(source.data(), source.size(), strip ? 0 : 1, turn, &out, &length,
                                                 message, sizeof message, budget);
    if (status != 0 || out == nullptr)
        return platform::Outcome<platform::Bytes>::failure(shimCause("libjpeg", message, sizeof message));
    std::unique_ptr<std::uint8_t, decltype(&pctv_mozjpeg_free)> owned(out, pctv_mozjpeg_free);
    return platform::Bytes(out, out + length);
}

// The first picture alone: what follows it is no part of it, and the library would take a
// further picture there for damage.
platform::ByteView firstPicture(const platform::Bytes& file) {
    const platform::ByteView whole(file.data(), file.size());
    return whole.sub(0, platform::jpegFirstPictureLength(whole).value_or(file.size()));
}

} // namespace

MozJPEGSourceOptimiser::MozJPEGSourceOptimiser() : format_(OutputFormat::jpeg()) {}

std::uint32_t MozJPEGSourceOptimiser::turnFor(const Reorientation& reorientation) {
    static constexpr std::uint32_t plain[] = {PCTV_MOZJPEG_TURN_NONE, PCTV_MOZJPEG_TURN_ROT_90,
                                              PCTV_MOZJPEG_TURN_ROT_180, PCTV_MOZJPEG_TURN_ROT_270};
    static constexpr std::uint32_t mirrored[] = {PCTV_MOZJPEG_TURN_FLIP_H, PCTV_MOZJPEG_TURN_TRANSVERSE,
                                                 PCTV_MOZJPEG_TURN_FLIP_V, PCTV_MOZJPEG_TURN_TRANSPOSE};
    const std::int64_t turns = reorientation.quarterTurns();
    if (turns < 0 || turns > 3) return PCTV_MOZJPEG_TURN_NONE;
    return reorientation.mirrored() ? mirrored[turns] : plain[turns];
}

namespace {
// Kept metadata carries the orientation on; stripped metadata cannot, so the pixels turn.
std::uint32_t turnOf(MetadataPolicy metadata, std::uint32_t orientation) {
    return metadata == MetadataPolicy::strip ? MozJPEGSourceOptimiser::turnFor(Reorientation::uprighting(orientation))
                                             : std::uint32_t{PCTV_MOZJPEG_TURN_NONE};
}
} // namespace

std::optional<std::uint64_t> MozJPEGSourceOptimiser::workingBytes(std::span<const std::uint8_t> start,
                                                                   std::uint64_t fileBytes, MetadataPolicy metadata,
                                                                   std::uint32_t orientation, std::uint64_t) const {
    unsigned long long coefficients = 0;
    // A header the library cannot read, in a start that is the whole file, fails the rewrite
    // itself, saying why.
    if (pctv_mozjpeg_reoptimise_memory(start.data(), start.size(), turnOf(metadata, orientation), &coefficients,
                                       nullptr, 0) != 0)
        return start.size() < fileBytes ? std::nullopt : std::optional<std::uint64_t>(0);
    return coefficients + 2 * fileBytes;
}

platform::Bytes MozJPEGSourceOptimiser::optimise(const platform::Bytes& source, MetadataPolicy metadata,
                                                 std::uint32_t orientation, EncodeEffort,
                                                 std::uint64_t memoryBound) const {
    const bool strip = metadata == MetadataPolicy::strip;
    auto smaller = rewritten(firstPicture(source), strip, turnOf(metadata, orientation), memoryBound);
    if (!smaller) throw ConversionError::encodeFailed(format_).withCause(smaller.cause());
    // What follows the picture (further pictures of an MPF index, a motion photo's video) goes
    // with the metadata, or stays as it was with the index made true.
    if (strip) return std::move(*smaller);
    auto whole = platform::jpegFollowedAsBefore(std::move(*smaller), platform::ByteView(source.data(), source.size()));
    if (!whole) throw ConversionError::encodeFailed(format_).withCause(whole.cause());
    return std::move(*whole);
}

std::optional<platform::Bytes> MozJPEGSourceOptimiser::withExif(const platform::Bytes& file,
                                                                const std::optional<platform::Bytes>& exif,
                                                                std::uint32_t orientation) const {
    const platform::ByteView first = firstPicture(file);
    auto replaced = JPEGMetadataSplice::replacingExif(platform::Bytes(first.data(), first.data() + first.size()), exif,
                                                      static_cast<int>(orientation));
    if (!replaced) return std::nullopt;
    auto whole = platform::jpegFollowedAsBefore(std::move(*replaced), platform::ByteView(file.data(), file.size()));
    if (!whole) return std::nullopt;
    return std::move(*whole);
}

} // namespace pictavo
