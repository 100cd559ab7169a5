#include "platform/metadata/IPTCRecords.h"
#include "platform/metadata/IPTCToXMP.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// A user's file gives its IPTC as Photoshop resources, a TIFF's tag or bare records; whatever
// the reader finds goes to exiv2 to become XMP. A reader never gives what is not records.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16) return 0;
    const platform::ByteView bytes(data, size);
    for (const auto& records : {platform::iptcRecords(bytes), platform::photoshopIPTC(bytes), platform::tiffIPTC(bytes)}) {
        if (!records) continue;
        if (records->empty() || records->front() != 0x1C) std::abort();
        if (platform::iptcRecords(platform::ByteView(records->data(), records->size()))->size() != records->size())
            std::abort();
        (void)platform::xmpWithIPTC(nullptr, *records);
        const platform::Bytes segment = platform::photoshopSegmentWithIPTC(*records);
        if (platform::photoshopIPTC(platform::ByteView(segment.data(), segment.size())) != records) std::abort();
    }
    return 0;
}
