#include "platform/metadata/ExifToXMP.h"

#include <cstddef>
#include <cstdint>

// EXIF carried from a user's file is parsed by exiv2 and merged into the XMP of a WebP. The
// first byte says whether a carried packet is there to merge into.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 1 << 16) return 0;
    static const platform::XMPPacket packet{
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
        "<rdf:Description rdf:about=\"\" xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" tiff:Orientation=\"6\"/>"
        "</rdf:RDF></x:xmpmeta>"};
    (void)platform::xmpWithExif(data[0] & 1 ? &packet : nullptr, platform::Bytes(data + 1, data + size));
    return 0;
}
