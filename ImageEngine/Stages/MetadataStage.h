#pragma once
#include "ImageEngine/Model/EncodeEffort.h"
#include "ImageEngine/Model/EncodeOptions.h"
#include "ImageEngine/Model/ImageProperties.h"
#include "ImageEngine/Model/MetadataPolicy.h"
#include "ImageEngine/Model/OutputFormat.h"
#include "platform/metadata/ExifRepair.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pictavo {

// What of the source's metadata a conversion's encodes carry, decided once from the source,
// so that its XMP packet is looked at once however many times the picture is encoded.
class MetadataStage {
public:
    // A packet that is not XML at all is left out: no writer could carry it as a packet. A
    // damaged EXIF block is written anew from what can be read of it, or left out. What
    // follows the source's picture is never encoded, nor the XMP that points at it.
    MetadataStage(MetadataPolicy policy, const ImageProperties& source);

    // The options of an ordinary encode: the pixels are upright by now, so the output
    // always declares orientation 1; the source's metadata goes along only under keepAll.
    EncodeOptions options(std::optional<std::int64_t> quality, EncodeEffort effort) const;
    // Makes the carried EXIF and XMP describe the written picture, once its size is known: its
    // width and height, and no EXIF or Photoshop thumbnail when the picture was turned or
    // mirrored on the way (the thumbnail shows it as it was stored). A PNG's texts and
    // Photoshop's resources go into the XMP where the format's files hold no place of their
    // own for them. What the format's files leave out of the rest joins leftOut().
    void describeOutput(const OutputFormat& format, std::int64_t width, std::int64_t height, bool turned);
    // What such an encode leaves out of the source's metadata and why; empty when nothing.
    const std::string& leftOut() const { return leftOut_; }
    // Whether the source's EXIF was damaged: the source's own file would carry the damage on.
    bool exifRepaired() const { return exifRepaired_; }
    // The source's kept EXIF written anew, or left out, with what was lost and why, when it is
    // damaged; nothing when it is sound, absent or not kept.
    static std::optional<platform::RepairedExif> repairedExif(MetadataPolicy policy, const ImageProperties& source);
    // What an output of the source's first picture alone leaves out of what follows it in the
    // file (the further pictures of an MPF index, a motion photo's video), and `why`; empty
    // when nothing follows it.
    static std::string afterPictureLeftOut(const ImageProperties& source, const std::string& why);

private:
    void withoutAppendedItems();
    void addLeftOut(const std::string& what);
    void leaveOutExifXMPAndIPTC(const OutputFormat& format, bool holdsComment);
    void placePNGTextInXMP(const OutputFormat& format);
    void placePhotoshopResourcesInXMP(const OutputFormat& format);

    MetadataPolicy policy_;
    std::optional<PreservedProperties> preserved_;
    std::string leftOut_;
    bool exifRepaired_ = false;
};

} // namespace pictavo
