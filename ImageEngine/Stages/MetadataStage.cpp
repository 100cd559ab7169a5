#include "ImageEngine/Stages/MetadataStage.h"

#include "platform/metadata/XMPOrientation.h"

namespace pictavo {
namespace {

// Why no writer can carry the packet (it is not XML, or has no description to hold the
// orientation every output declares); empty when they can.
std::string unreadable(const platform::XMPPacket& packet) { return platform::xmpWithOrientation(packet, 1).cause(); }

} // namespace

EncodeOptions MetadataStage::options(MetadataPolicy policy, const ImageProperties& source,
                                     std::optional<std::int64_t> quality, EncodeEffort effort) {
    std::optional<PreservedProperties> preserved;
    if (policy == MetadataPolicy::keepAll) preserved = source.preserved;
    if (preserved && preserved->metadata && !unreadable(*preserved->metadata).empty()) preserved->metadata = nullptr;
    return EncodeOptions(quality, std::uint32_t{1}, std::move(preserved), effort, policy);
}

std::string MetadataStage::leftOut(MetadataPolicy policy, const ImageProperties& source) {
    if (policy != MetadataPolicy::keepAll || !source.preserved || !source.preserved->metadata) return {};
    const platform::XMPPacket& packet = *source.preserved->metadata;
    if (std::string why = unreadable(packet); !why.empty())
        return "the XMP packet of " + std::to_string(packet.text.size()) + " bytes was left out: " + why;
    return packet.leftOut;
}

} // namespace pictavo
