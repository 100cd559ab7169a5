#include "ImageEngine/Encoding/jpeg/MozJPEGSourceOptimiser.h"

#include "ImageEngine/Model/ConversionError.h"
#include "ImageEngine/Encoding/ShimCause.h"
#include "ImageEngine/Running/EncodeConcurrency.h"
#include "ImageEngine/Model/Reorientation.h"
#include "platform/base/Outcome.h"
#include "shims/pctv_mozjpeg.h"

#include <memory>
#include <optional>

namespace pictavo {
namespace {

// The smaller of the sequential and the progressive rewrite, the sequential one on a tie,
// from one reading of the coefficients.
platform::Outcome<platform::Bytes> rewritten(const platform::Bytes& source, bool strip, std::uint32_t turn) {
    std::uint8_t* out = nullptr;
    std::size_t length = 0;
    char message[256] = {};
    // The coefficients of a hostile file declaring a huge size must fail, not be allocated.
    const auto budget = static_cast<std::size_t>(EncodeConcurrency::pixelBudget());
    int status = pctv_mozjpeg_reoptimise_smaller(source.data(), source.size(), strip ? 0 : 1, turn, &out, &length,
                                                 message, sizeof message, budget);
    if (status != 0 || out == nullptr)
        return platform::Outcome<platform::Bytes>::failure(shimCause("libjpeg", message, sizeof message));
    std::unique_ptr<std::uint8_t, decltype(&pctv_mozjpeg_free)> owned(out, pctv_mozjpeg_free);
    return platform::Bytes(out, out + length);
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

platform::Bytes MozJPEGSourceOptimiser::optimise(const platform::Bytes& source, MetadataPolicy metadata,
                                                 std::uint32_t orientation, EncodeEffort) const {
    const bool strip = metadata == MetadataPolicy::strip;
    // Kept metadata carries the orientation on; stripped metadata cannot, so the pixels turn.
    const std::uint32_t turn =
        strip ? turnFor(Reorientation::uprighting(orientation)) : std::uint32_t{PCTV_MOZJPEG_TURN_NONE};
    auto smaller = rewritten(source, strip, turn);
    if (!smaller) throw ConversionError::encodeFailed(format_).withCause(smaller.cause());
    return std::move(*smaller);
}

} // namespace pictavo
