#pragma once
#include "platform/base/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

// An XMP packet as an editor saves it after a long session: a title, a rating, a creation
// date, tiff:Orientation 1 and an xmpMM:History of `events` stEvt entries (action, instance
// ID, time, software agent, changed parts), the part that grows with every save.
std::string xmpPacketWithHistory(int events);

// Every property exiv2 reads from a packet or an extended XMP serialisation
// ("Xmp.xmpMM.History[3]/stEvt:action" -> "saved"); empty when exiv2 cannot read it.
std::map<std::string, std::string> xmpProperties(const std::string& packet);

// The upper-case hexadecimal MD5 of the text, computed by GLib, as an extended XMP GUID.
std::string glibMd5Guid(const std::string& text);

// The payloads of a JPEG's APP1 segments that start with `header`, in file order, without
// the header; read before the image data, with every length checked.
std::vector<platform::Bytes> app1Payloads(const platform::Bytes& jpeg, const std::string& header);

// The XMP a written JPEG carries: its one standard packet, and the chunks of the extension
// it names joined in file order. Each chunk is checked as a reader would (the GUID, the
// whole length, its offset, the segment's size limit) and the joined text against the GUID's
// MD5; a failure of the current test when one is wrong.
struct WrittenXMP {
    std::string standard;
    std::string extended; // empty when the packet names no extension
    std::size_t chunks = 0;
};
WrittenXMP writtenXMP(const platform::Bytes& jpeg);

// The JPEG with a standard XMP segment holding `standard` and the extended part written as
// extended XMP segments of at most `chunkSize` bytes each, named by `guid`, placed right
// after SOI in the order of `chunkOrder` (indices of the chunks; all in order when empty).
platform::Bytes withExtendedXMP(const platform::Bytes& jpeg, const std::string& standard, const std::string& extended,
                                const std::string& guid, std::size_t chunkSize,
                                const std::vector<std::size_t>& chunkOrder = {});

// A little-endian EXIF block (TIFF-structured) as a camera writes one: make "Pictavo Test
// Camera", orientation 1, a capture date, an undefined maker note of `makerNoteBytes` bytes
// in the EXIF IFD (or, with `largeTag` 0x9286, a user comment of that size instead), and an
// IFD1 thumbnail of `thumbnailBytes` bytes (none when 0), and in IFD0 the XMLPacket given
// (none when empty), as a TIFF keeps its XMP; laid out by hand so that it may be larger than
// any one JPEG segment.
platform::Bytes exifBlockWithThumbnail(std::size_t thumbnailBytes, std::size_t makerNoteBytes,
                                       std::uint16_t largeTag = 0x927C, const std::string& xmlPacket = "");

} // namespace testing_support
