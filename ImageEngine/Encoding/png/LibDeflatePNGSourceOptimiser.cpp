#include "ImageEngine/Encoding/png/LibDeflatePNGSourceOptimiser.h"

#include "ImageEngine/Encoding/png/LibDeflatePNGEncoder.h"

#include <exception>

namespace pictavo {
namespace {

// Only the conversion sees it, and it only learns that this road is closed.
class Unreadable : public std::exception {
public:
    const char* what() const noexcept override { return "The PNG source could not be re-optimised."; }
};

} // namespace

LibDeflatePNGSourceOptimiser::LibDeflatePNGSourceOptimiser() : format_(OutputFormat::png()) {}

platform::Bytes LibDeflatePNGSourceOptimiser::optimise(const platform::Bytes& source, MetadataPolicy metadata,
                                                       std::uint32_t, EncodeEffort effort,
                                                       std::uint64_t) const {
    auto optimised = LibDeflatePNGEncoder::recompressPNG(source, effort, metadata == MetadataPolicy::strip);
    if (!optimised) throw Unreadable();
    return std::move(*optimised);
}

} // namespace pictavo
