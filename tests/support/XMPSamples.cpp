#include "support/XMPSamples.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exiv2/exiv2.hpp>

namespace testing_support {

std::string xmpPacketWithHistory(int events) {
    std::string text =
        "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"Adobe XMP Core 7.0-c000\">\n"
        " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
        "  <rdf:Description rdf:about=\"\"\n"
        "    xmlns:dc=\"http://purl.org/dc/elements/1.1/\"\n"
        "    xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\"\n"
        "    xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\"\n"
        "    xmlns:xmpMM=\"http://ns.adobe.com/xap/1.0/mm/\"\n"
        "    xmlns:stEvt=\"http://ns.adobe.com/xap/1.0/sType/ResourceEvent#\"\n"
        "   xmp:Rating=\"4\" xmp:CreateDate=\"2024-05-06T07:08:09+01:00\" tiff:Orientation=\"1\"\n"
        "   xmpMM:DocumentID=\"xmp.did:5f1c0d3e-7a8b-4c2d-9e0f-112233445566\">\n"
        "   <dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Harbour at dusk</rdf:li></rdf:Alt></dc:title>\n"
        "   <xmpMM:History>\n"
        "    <rdf:Seq>\n";
    for (int event = 1; event <= events; ++event) {
        char id[64];
        std::snprintf(id, sizeof id, "xmp.iid:%08x-4c2d-9e0f-%012d", event * 2654435761u, event);
        char when[32];
        std::snprintf(when, sizeof when, "2024-05-%02dT%02d:%02d:%02d+01:00", 1 + event % 28, event % 24, event % 60,
                      (event * 7) % 60);
        text += "     <rdf:li rdf:parseType=\"Resource\">\n"
                "      <stEvt:action>" + std::string(event == 1 ? "created" : "saved") + "</stEvt:action>\n"
                "      <stEvt:instanceID>" + id + "</stEvt:instanceID>\n"
                "      <stEvt:when>" + when + "</stEvt:when>\n"
                "      <stEvt:softwareAgent>Adobe Photoshop 25.0 (Windows)</stEvt:softwareAgent>\n"
                "      <stEvt:changed>/</stEvt:changed>\n"
                "     </rdf:li>\n";
    }
    text += "    </rdf:Seq>\n"
            "   </xmpMM:History>\n"
            "  </rdf:Description>\n"
            " </rdf:RDF>\n"
            "</x:xmpmeta>\n"
            "<?xpacket end=\"w\"?>";
    return text;
}

std::map<std::string, std::string> xmpProperties(const std::string& packet) {
    std::map<std::string, std::string> properties;
    try {
        Exiv2::XmpData data;
        if (Exiv2::XmpParser::decode(data, packet) != 0) return properties;
        for (const auto& datum : data) properties[datum.key()] = datum.toString();
    } catch (const std::exception&) {
        properties.clear();
    }
    return properties;
}

std::string glibMd5Guid(const std::string& text) {
    gchar* hex = g_compute_checksum_for_data(G_CHECKSUM_MD5, reinterpret_cast<const guchar*>(text.data()), text.size());
    std::string guid(hex);
    g_free(hex);
    std::transform(guid.begin(), guid.end(), guid.begin(), [](char c) { return c >= 'a' && c <= 'f' ? c - 32 : c; });
    return guid;
}

std::vector<platform::Bytes> app1Payloads(const platform::Bytes& jpeg, const std::string& header) {
    std::vector<platform::Bytes> payloads;
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA && jpeg[at + 1] != 0xD9) {
        const std::size_t length = static_cast<std::size_t>(jpeg[at + 2]) << 8 | jpeg[at + 3];
        if (length < 2 || at + 2 + length > jpeg.size()) break;
        const auto* payload = jpeg.data() + at + 4;
        if (jpeg[at + 1] == 0xE1 && length - 2 >= header.size() && std::memcmp(payload, header.data(), header.size()) == 0)
            payloads.emplace_back(payload + header.size(), payload + length - 2);
        at += 2 + length;
    }
    return payloads;
}

WrittenXMP writtenXMP(const platform::Bytes& jpeg) {
    WrittenXMP written;
    const auto standard = app1Payloads(jpeg, std::string("http://ns.adobe.com/xap/1.0/\0", 29));
    EXPECT_EQ(standard.size(), 1u);
    if (standard.size() != 1) return written;
    written.standard.assign(standard[0].begin(), standard[0].end());
    const auto properties = xmpProperties(written.standard);
    const auto guid = properties.find("Xmp.xmpNote.HasExtendedXMP");
    const auto chunks = app1Payloads(jpeg, std::string("http://ns.adobe.com/xmp/extension/\0", 35));
    written.chunks = chunks.size();
    if (guid == properties.end()) {
        EXPECT_TRUE(chunks.empty());
        return written;
    }
    std::vector<std::uint32_t> fullLengths;
    for (const auto& chunk : chunks) {
        EXPECT_LE(chunk.size() + 35, 65533u);
        if (chunk.size() < 40) {
            ADD_FAILURE() << "a chunk of " << chunk.size() << " bytes";
            continue;
        }
        EXPECT_EQ(std::string(chunk.begin(), chunk.begin() + 32), guid->second);
        const auto number = [&](std::size_t at) {
            return std::uint32_t{chunk[at]} << 24 | std::uint32_t{chunk[at + 1]} << 16 |
                   std::uint32_t{chunk[at + 2]} << 8 | std::uint32_t{chunk[at + 3]};
        };
        fullLengths.push_back(number(32));
        EXPECT_EQ(number(36), written.extended.size());
        written.extended.append(chunk.begin() + 40, chunk.end());
    }
    EXPECT_EQ(fullLengths, std::vector<std::uint32_t>(fullLengths.size(), static_cast<std::uint32_t>(written.extended.size())));
    EXPECT_EQ(glibMd5Guid(written.extended), guid->second);
    return written;
}

namespace {

void appendSegment(platform::Bytes& out, const std::string& header, const std::string& body) {
    const std::size_t length = header.size() + body.size() + 2;
    out.insert(out.end(), {0xFF, 0xE1, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)});
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), body.begin(), body.end());
}

std::string bigEndian32(std::size_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

} // namespace

platform::Bytes withExtendedXMP(const platform::Bytes& jpeg, const std::string& standard, const std::string& extended,
                                const std::string& guid, std::size_t chunkSize,
                                const std::vector<std::size_t>& chunkOrder) {
    platform::Bytes out(jpeg.begin(), jpeg.begin() + 2);
    appendSegment(out, std::string("http://ns.adobe.com/xap/1.0/\0", 29), standard);
    std::vector<std::size_t> order = chunkOrder;
    if (order.empty())
        for (std::size_t index = 0; index * chunkSize < extended.size(); ++index) order.push_back(index);
    for (std::size_t index : order) {
        const std::size_t offset = index * chunkSize;
        const std::string header =
            std::string("http://ns.adobe.com/xmp/extension/\0", 35) + guid + bigEndian32(extended.size()) + bigEndian32(offset);
        appendSegment(out, header, extended.substr(offset, chunkSize));
    }
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

namespace {

struct TIFFWriter {
    platform::Bytes bytes;
    void u16(std::uint16_t value) { bytes.insert(bytes.end(), {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)}); }
    void u32(std::size_t value) {
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    void entry(std::uint16_t tag, std::uint16_t type, std::size_t count, std::size_t valueOrOffset) {
        u16(tag);
        u16(type);
        u32(count);
        u32(valueOrOffset);
    }
};

} // namespace

platform::Bytes exifBlockWithThumbnail(std::size_t thumbnailBytes, std::size_t makerNoteBytes, std::uint16_t largeTag,
                                       const std::string& xmlPacket) {
    const std::string make = std::string("Pictavo Test Camera") + '\0';
    const std::string date = std::string("2024:05:06 07:08:09") + '\0';
    const bool thumbnail = thumbnailBytes > 0;
    const std::size_t ifd0Entries = xmlPacket.empty() ? 3 : 4;
    // Header, IFD0 (3 or 4 entries), the EXIF IFD (2 entries), IFD1 (3 entries), then the values.
    const std::size_t ifd0 = 8, exifIFD = ifd0 + 2 + ifd0Entries * 12 + 4, ifd1 = exifIFD + 2 + 2 * 12 + 4;
    const std::size_t makeAt = ifd1 + (thumbnail ? 2 + 3 * 12 + 4 : 0);
    const std::size_t dateAt = makeAt + make.size(), noteAt = dateAt + date.size(), xmlAt = noteAt + makerNoteBytes;
    const std::size_t thumbnailAt = xmlAt + xmlPacket.size();

    TIFFWriter tiff;
    tiff.bytes = {'I', 'I', 42, 0};
    tiff.u32(ifd0);
    tiff.u16(static_cast<std::uint16_t>(ifd0Entries));
    tiff.entry(0x010F, 2, make.size(), makeAt);
    tiff.entry(0x0112, 3, 1, 1);
    if (!xmlPacket.empty()) tiff.entry(0x02BC, 1, xmlPacket.size(), xmlAt);
    tiff.entry(0x8769, 4, 1, exifIFD);
    tiff.u32(thumbnail ? ifd1 : 0);
    tiff.u16(2);
    tiff.entry(0x9003, 2, date.size(), dateAt);
    tiff.entry(largeTag, 7, makerNoteBytes, noteAt);
    tiff.u32(0);
    if (thumbnail) {
        tiff.u16(3);
        tiff.entry(0x0103, 3, 1, 6);
        tiff.entry(0x0201, 4, 1, thumbnailAt);
        tiff.entry(0x0202, 4, 1, thumbnailBytes);
        tiff.u32(0);
    }
    tiff.bytes.insert(tiff.bytes.end(), make.begin(), make.end());
    tiff.bytes.insert(tiff.bytes.end(), date.begin(), date.end());
    for (std::size_t i = 0; i < makerNoteBytes; ++i) tiff.bytes.push_back(static_cast<std::uint8_t>(i * 31 + 7));
    tiff.bytes.insert(tiff.bytes.end(), xmlPacket.begin(), xmlPacket.end());
    if (thumbnail) {
        platform::Bytes picture(thumbnailBytes, 0x55);
        picture[0] = 0xFF, picture[1] = 0xD8, picture[thumbnailBytes - 2] = 0xFF, picture[thumbnailBytes - 1] = 0xD9;
        tiff.bytes.insert(tiff.bytes.end(), picture.begin(), picture.end());
    }
    return tiff.bytes;
}

} // namespace testing_support
