#include "ImageEngine/Stages/MetadataStage.h"

#include "platform/metadata/ExifOutputFacts.h"
#include "platform/metadata/XMPOrientation.h"

#include <memory>

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

void MetadataStage::describeOutput(std::int64_t width, std::int64_t height, bool turned) {
    if (!preserved_) return;
    platform::PropertyMap& dictionary = preserved_->dictionary;
    if (const auto* exif = platform::propertyOf<platform::Bytes>(dictionary, platform::keys::exif)) {
        platform::Bytes block = *exif;
        if (auto sized = platform::exifWithPixelDimensions(block, width, height)) block = std::move(*sized);
        if (auto withoutThumbnail = turned ? platform::exifWithoutThumbnail(block) : std::nullopt) {
            block = std::move(*withoutThumbnail);
            leftOut_ += std::string(leftOut_.empty() ? "" : "; ") +
                        "the EXIF thumbnail was left out: it shows the picture as it was stored, not turned as "
                        "the output is";
        }
        dictionary[platform::keys::exif] = std::move(block);
    }
    if (const platform::XmpRef& packet = preserved_->metadata) {
        auto sized = platform::xmpWithPixelDimensions(*packet, width, height);
        if (sized && sized->text != packet->text) preserved_->metadata = std::make_shared<platform::XMPPacket>(std::move(*sized));
    }
}

EncodeOptions MetadataStage::options(std::optional<std::int64_t> quality, EncodeEffort effort) const {
    return EncodeOptions(quality, std::uint32_t{1}, preserved_, effort, policy_);
}

} // namespace pictavo
