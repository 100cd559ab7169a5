#pragma once
#include "platform/base/PropertyMap.h"
#include "platform/metadata/XMPPacket.h"

namespace pictavo {

// The source metadata that an output may carry: the reader's property dictionary (EXIF,
// GPS, TIFF, profile and format sub-dictionaries, raw blocks under their agreed keys) and
// the XMP packet, when the source has one. Copies share the packet.
struct PreservedProperties {
    platform::PropertyMap dictionary;
    platform::XmpRef metadata;

    PreservedProperties() = default;
    explicit PreservedProperties(platform::PropertyMap dictionary, platform::XmpRef metadata = nullptr)
        : dictionary(std::move(dictionary)), metadata(std::move(metadata)) {}
};

} // namespace pictavo
