#include "platform/metadata/ExtendedXMP.h"
#include "platform/metadata/JPEGExif.h"
#include "platform/metadata/JPEGExtendedXMP.h"
#include "platform/metadata/MD5.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// A JPEG source's extended XMP and EXIF come from the user's file: its segments are read for
// the GUID its standard packet names and for EXIF that goes on past one segment, and the
// joined text is parsed and merged. The first byte picks
// the part under test (the segment reader on a JPEG, the merge of an extension's text, or the
// split of a carried packet for a small segment), the next 32 are the GUID, and the rest is
// the file or the text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 33 || size > 1 << 20) return 0;
    const std::string guid(reinterpret_cast<const char*>(data + 1), 32);
    const platform::ByteView rest(data + 33, size - 33);
    const std::string_view text(reinterpret_cast<const char*>(rest.data()), rest.size());
    if (data[0] % 3 == 2) {
        constexpr std::size_t limit = 600;
        const auto split = platform::splitXMP(platform::XMPPacket{std::string(text)}, limit);
        if (split && (split->standard.text.size() > limit ||
                      (!split->extended.empty() && split->guid != platform::md5UpperHex(split->extended))))
            std::abort();
        return 0;
    }
    if (data[0] % 3 == 1) {
        const std::string standard =
            "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
            "<rdf:Description rdf:about=\"\" xmlns:xmpNote=\"http://ns.adobe.com/xmp/note/\" "
            "xmpNote:HasExtendedXMP=\"" + guid + "\"/></rdf:RDF></x:xmpmeta>";
        const auto merged = platform::mergedXMP(platform::XMPPacket{standard}, text);
        if (merged && platform::extendedXMPGuid(*merged)) std::abort(); // the merged packet names no extension
        return 0;
    }
    // What comes back was all in the file.
    const auto extended = platform::jpegExtendedXMP(rest, guid);
    if (extended && extended->size() > rest.size()) std::abort();
    const auto exif = platform::jpegJoinedExif(rest);
    if (exif && exif->size() > rest.size()) std::abort();
    // The packet names no extension that it does not carry.
    const std::string standard =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
        "<rdf:Description rdf:about=\"\" xmlns:xmpNote=\"http://ns.adobe.com/xmp/note/\" "
        "xmpNote:HasExtendedXMP=\"" + guid + "\"/></rdf:RDF></x:xmpmeta>";
    const auto whole = platform::jpegXMPWithExtension(platform::XMPPacket{standard}, rest);
    if (platform::extendedXMPGuid(whole)) std::abort();
    return 0;
}
