#include "platform/metadata/IPTCRecords.h"
#include "platform/metadata/IPTCToXMP.h"
#include "platform/metadata/JPEGSegments.h"
#include "platform/metadata/PhotoshopResources.h"
#include "platform/metadata/PhotoshopResourcesToXMP.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// A user's file gives its IPTC as Photoshop resources, a JPEG's APP13 segments, a TIFF's tag
// or bare records; whatever the reader finds goes to exiv2 to become XMP. A reader never gives
// what is not records, and records written across segments of any size read back whole.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16) return 0;
    const platform::ByteView bytes(data, size);
    for (const auto& records : {platform::iptcRecords(bytes), platform::photoshopIPTC(bytes), platform::tiffIPTC(bytes),
                                platform::jpegIPTC(bytes)}) {
        if (!records) continue;
        if (records->empty() || records->front() != 0x1C) std::abort();
        if (platform::iptcRecords(platform::ByteView(records->data(), records->size()))->size() != records->size())
            std::abort();
        (void)platform::xmpWithIPTC(nullptr, *records);
        platform::Bytes jpeg = {0xFF, 0xD8};
        const std::size_t largest = size % 2 ? platform::jpegLargestPayload : 15 + size % 300;
        for (const platform::Bytes& part : platform::photoshopSegmentsWithIPTC(*records, largest))
            platform::appendJPEGSegment(jpeg, platform::jpegAPP13, platform::ByteView(part.data(), part.size()));
        if (platform::jpegIPTC(platform::ByteView(jpeg.data(), jpeg.size())) != records) std::abort();
    }
    // Photoshop's other resources, as a JPEG, a TIFF or a resource block holds them, written back
    // beside the records read back as they were, and their copyright flag and URL become XMP.
    for (const auto& resources : {platform::photoshopResourcesBesideMetadata(bytes), platform::jpegPhotoshopResources(bytes),
                                  platform::tiffPhotoshopResources(bytes)}) {
        if (!resources) continue;
        (void)platform::xmpWithPhotoshopResources(nullptr, *resources);
        (void)platform::photoshopResourcesWithoutThumbnail(*resources);
        const platform::Bytes records = {0x1C, 2, 0, 0, 2, 0, 4};
        platform::Bytes jpeg = {0xFF, 0xD8};
        const std::size_t largest = size % 2 ? platform::jpegLargestPayload : 15 + size % 300;
        for (const platform::Bytes& part : platform::photoshopSegmentsWithIPTC(records, largest, resources))
            platform::appendJPEGSegment(jpeg, platform::jpegAPP13, platform::ByteView(part.data(), part.size()));
        const platform::ByteView written(jpeg.data(), jpeg.size());
        if (platform::jpegPhotoshopResources(written) != resources || platform::jpegIPTC(written) != records)
            std::abort();
    }
    return 0;
}
