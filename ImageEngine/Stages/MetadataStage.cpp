#include "ImageEngine/Stages/MetadataStage.h"

#include "platform/metadata/XMPOrientation.h"

namespace pictavo {
namespace {

// Why no writer can carry the packet (it is not XML, or has no description to hold the
// orientation every output declares); empty when they can.
std::string unreadable(const platform::XMPPacket& packet) { return platform::xmpWithOrientation(packet, 1).cause(); }

} // namespace

MetadataStage::MetadataStage(MetadataPolicy policy, const ImageProperties& source) : policy_(policy) {
    if (policy != MetadataPolicy::keepAll) return;
    preserved_ = source.preserved;
    if (!preserved_ || !preserved_->metadata) return;
    const platform::XMPPacket& packet = *preserved_->metadata;
    if (std::string why = unreadable(packet); why.empty()) {
        leftOut_ = packet.leftOut;
    } else {
        leftOut_ = "the XMP packet of " + std::to_string(packet.text.size()) + " bytes was left out: " + why;
        preserved_->metadata = nullptr;
    }
}

EncodeOptions MetadataStage::options(std::optional<std::int64_t> quality, EncodeEffort effort) const {
    return EncodeOptions(quality, std::uint32_t{1}, preserved_, effort, policy_);
}

} // namespace pictavo
