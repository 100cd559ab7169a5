#include "ImageEngine/Stages/MetadataStage.h"

#include "platform/metadata/ExifFitting.h"
#include "platform/metadata/ExifOutputFacts.h"
#include "platform/metadata/ExifRepair.h"
#include "platform/metadata/PNGTextToXMP.h"
#include "platform/metadata/PhotoshopResources.h"
#include "platform/metadata/PhotoshopResourcesToXMP.h"
#include "platform/metadata/XMPAppendedItems.h"
#include "platform/metadata/XMPOrientation.h"
#include "platform/text/EnglishList.h"
#include "platform/types/FormatFacts.h"

#include <memory>
#include <vector>

namespace pictavo {
namespace {

// Why no writer can carry the packet (it is not XML, or has no description to hold the
// orientation every output declares); empty when they can.
std::string unreadable(const platform::XMPPacket& packet) { return platform::xmpWithOrientation(packet, 1).cause(); }

} // namespace

MetadataStage::MetadataStage(MetadataPolicy policy, const ImageProperties& source) : policy_(policy) {
    // A decoded picture is encoded alone, whatever the policy.
    leftOut_ = afterPictureLeftOut(source, "only the first picture is converted");
    if (policy != MetadataPolicy::keepAll) return;
    preserved_ = source.preserved;
    if (!preserved_) return;
    if (preserved_->metadata) {
        const platform::XMPPacket& packet = *preserved_->metadata;
        if (std::string why = unreadable(packet); why.empty()) {
            addLeftOut(packet.leftOut);
            withoutAppendedItems();
        } else {
            addLeftOut("the XMP packet of " + std::to_string(packet.text.size()) + " bytes was left out: " + why);
            preserved_->metadata = nullptr;
        }
    }
    // Checked once here, so that no writer carries damage a reader of the output trips on.
    if (auto repaired = repairedExif(policy, source)) {
        addLeftOut(repaired->leftOut);
        exifRepaired_ = true;
        platform::PropertyMap& dictionary = preserved_->dictionary;
        if (repaired->block) dictionary[platform::keys::exif] = std::move(*repaired->block);
        else dictionary.erase(platform::keys::exif);
    }
}

std::optional<platform::RepairedExif> MetadataStage::repairedExif(MetadataPolicy policy, const ImageProperties& source) {
    if (policy != MetadataPolicy::keepAll || !source.preserved) return std::nullopt;
    const auto* exif = platform::propertyOf<platform::Bytes>(source.preserved->dictionary, platform::keys::exif);
    if (!exif) return std::nullopt;
    platform::RepairedExif repaired = platform::repairedExif(*exif);
    if (repaired.leftOut.empty()) return std::nullopt;
    return repaired;
}

std::string MetadataStage::afterPictureLeftOut(const ImageProperties& source, const std::string& why) {
    if (!source.preserved) return {};
    const platform::PropertyMap& dictionary = source.preserved->dictionary;
    const auto* bytes = platform::propertyOf<std::int64_t>(dictionary, platform::keys::bytesAfterPicture);
    if (!bytes) return {};
    const auto* listed = platform::propertyOf<std::int64_t>(dictionary, platform::keys::picturesAfterFirst);
    const std::int64_t pictures = listed ? *listed : 0;
    const auto* beyond = platform::propertyOf<std::int64_t>(dictionary, platform::keys::bytesAfterPictures);
    const std::int64_t bytesBeyond = pictures > 0 && beyond ? *beyond : 0;
    const auto bytesAfter = [](std::int64_t count, const std::string& what) {
        return "the " + std::to_string(count) + " bytes after " + what +
               " (a video, a further picture or data of the camera's own)";
    };
    if (pictures <= 0) return bytesAfter(*bytes, "the picture") + " were left out: " + why;
    const bool one = pictures == 1;
    std::string what = one ? "the second picture, with any EXIF and GPS of its own, "
                           : "the " + std::to_string(pictures) +
                                 " pictures after the first, with any EXIF and GPS of their own, ";
    const std::string index = one ? "the MPF index that lists it" : "the MPF index that lists them";
    // A motion photo's video after a gain map goes with them.
    if (bytesBeyond > 0)
        what += index + ", and " + bytesAfter(bytesBeyond, one ? "the second picture" : "the last of them");
    else
        what += "and " + index;
    return what + " were left out: " + why;
}

// The appended items are not carried, so the fields that point at them would point at the
// wrong bytes of the output, or past its end, and a gain map's parameters would send readers
// looking for a gain map that is gone.
void MetadataStage::withoutAppendedItems() {
    auto without = platform::xmpWithoutAppendedItems(*preserved_->metadata);
    if (without.removed.empty()) return;
    std::string names;
    for (const auto& name : without.removed) names += (names.empty() ? "" : ", ") + name;
    addLeftOut("the XMP fields that point at or describe what followed the source's picture (" + names +
               ") were left out: only the first picture is converted");
    preserved_->metadata = std::make_shared<platform::XMPPacket>(std::move(without.packet));
}

void MetadataStage::addLeftOut(const std::string& what) {
    if (what.empty()) return;
    leftOut_ += (leftOut_.empty() ? "" : "; ") + what;
}

void MetadataStage::describeOutput(const OutputFormat& format, std::int64_t width, std::int64_t height, bool turned) {
    if (!preserved_) return;
    const platform::FormatFacts* facts = platform::formatFacts(format.id());
    const std::string files = format.displayName() + " files";
    platform::PropertyMap& dictionary = preserved_->dictionary;
    if (!(facts && facts->holdsExifAndXMP)) leaveOutExifXMPAndIPTC(format, facts && facts->holdsComment);
    if (const auto* exif = platform::propertyOf<platform::Bytes>(dictionary, platform::keys::exif)) {
        platform::Bytes block = *exif;
        if (auto sized = platform::exifWithPixelDimensions(block, width, height)) block = std::move(*sized);
        if (auto withoutThumbnail = turned ? platform::exifWithoutThumbnail(block) : std::nullopt) {
            block = std::move(*withoutThumbnail);
            addLeftOut("the EXIF thumbnail was left out: it shows the picture as it was stored, not turned as the "
                       "output is");
        } else if (facts && facts->leavesOutExifThumbnail && platform::exifWithoutThumbnail(block)) {
            addLeftOut("the EXIF thumbnail was left out: " + files + " would hold it as a page of its own");
        }
        if (facts && facts->leavesOutMakerNote && platform::exifHoldsMakerNote(block))
            addLeftOut("the EXIF maker note was left out: " + files +
                       " are laid out anew, and its offsets would point at the wrong bytes");
        if (facts && facts->largestExif > 0) {
            platform::ExifWithoutOversizedTags fitted = platform::exifWithoutOversizedTags(block, facts->largestExif);
            for (const auto& tag : fitted.leftOut)
                addLeftOut("the EXIF tag " + tag + " was left out: " + files + " hold at most " +
                           std::to_string((facts->largestExif + 1023) / 1024) + " kB of EXIF");
            block = std::move(fitted.block);
        }
        dictionary[platform::keys::exif] = std::move(block);
    }
    if (dictionary.count(platform::keys::comment) && !(facts && facts->holdsComment))
        addLeftOut("the comment was left out: " + format.displayName() + " outputs carry none");
    if (dictionary.count(platform::keys::pngText) && !(facts && facts->holdsPNGText)) placePNGTextInXMP(format);
    if (const auto* resources = platform::propertyOf<platform::Bytes>(dictionary, platform::keys::photoshop)) {
        if (auto withoutThumbnail = turned ? platform::photoshopResourcesWithoutThumbnail(*resources) : std::nullopt) {
            addLeftOut("the Photoshop thumbnail was left out: it shows the picture as it was stored, not turned as "
                       "the output is");
            if (withoutThumbnail->empty()) dictionary.erase(platform::keys::photoshop);
            else dictionary[platform::keys::photoshop] = std::move(*withoutThumbnail);
        }
    }
    if (dictionary.count(platform::keys::photoshop) && !(facts && facts->holdsPhotoshopResources))
        placePhotoshopResourcesInXMP(format);
    if (const platform::XmpRef& packet = preserved_->metadata) {
        auto sized = platform::xmpWithPixelDimensions(*packet, width, height);
        if (sized && sized->text != packet->text) preserved_->metadata = std::make_shared<platform::XMPPacket>(std::move(*sized));
    }
}

void MetadataStage::leaveOutExifXMPAndIPTC(const OutputFormat& format, bool holdsComment) {
    platform::PropertyMap& dictionary = preserved_->dictionary;
    std::vector<std::string> kinds;
    bool plural = false;
    const auto leaveOut = [&](const char* key, const char* kind, bool many = false) {
        if (!dictionary.erase(key)) return;
        kinds.push_back(kind);
        plural = plural || many;
    };
    leaveOut(platform::keys::exif, "EXIF");
    leaveOut(platform::keys::gps, "GPS");
    if (preserved_->metadata) kinds.push_back("XMP");
    preserved_->metadata = nullptr;
    leaveOut(platform::keys::iptc, "IPTC");
    leaveOut(platform::keys::pngText, "PNG texts", true);
    leaveOut(platform::keys::photoshop, "Photoshop resources", true);
    if (!holdsComment) leaveOut(platform::keys::comment, "comment");
    if (!kinds.empty())
        addLeftOut("the " + platform::englishList(kinds) + (kinds.size() == 1 && !plural ? " was" : " were") +
                   " left out: " + format.displayName() + " outputs carry none");
}

void MetadataStage::placePNGTextInXMP(const OutputFormat& format) {
    const auto texts = platform::pngTextsOf(preserved_->dictionary);
    preserved_->dictionary.erase(platform::keys::pngText);
    platform::PNGTextInXMP placed = platform::xmpWithPNGText(preserved_->metadata.get(), texts);
    if (placed.packet) preserved_->metadata = std::make_shared<platform::XMPPacket>(std::move(*placed.packet));
    if (placed.unplaced.empty()) return;
    const bool one = placed.unplaced.size() == 1;
    addLeftOut(std::string(one ? "the PNG text " : "the PNG texts ") + platform::englishList(placed.unplaced) +
               (one ? " was" : " were") + " left out: " + format.displayName() + " files have no place for " +
               (one ? "it" : "them"));
}

void MetadataStage::placePhotoshopResourcesInXMP(const OutputFormat& format) {
    const platform::Bytes resources = *platform::propertyOf<platform::Bytes>(preserved_->dictionary, platform::keys::photoshop);
    preserved_->dictionary.erase(platform::keys::photoshop);
    platform::PhotoshopResourcesInXMP placed = platform::xmpWithPhotoshopResources(preserved_->metadata.get(), resources);
    if (placed.packet) preserved_->metadata = std::make_shared<platform::XMPPacket>(std::move(*placed.packet));
    if (placed.unplaced.empty()) return;
    const bool one = placed.unplaced.size() == 1;
    addLeftOut("the Photoshop " + platform::englishList(placed.unplaced) + (one ? " was" : " were") + " left out: " +
               format.displayName() + " files have no place for " + (one ? "it" : "them"));
}

EncodeOptions MetadataStage::options(std::optional<std::int64_t> quality, EncodeEffort effort) const {
    return EncodeOptions(quality, std::uint32_t{1}, preserved_, effort, policy_);
}

} // namespace pictavo
