#pragma once
#include "platform/base/ByteView.h"
#include "platform/metadata/XMPPacket.h"

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// What a JPEG APP1 segment of extended XMP starts with: the signature with its NUL, the
// GUID as 32 hexadecimal digits, the full length and this chunk's offset (big-endian).
inline constexpr std::string_view extendedXMPSignature{"http://ns.adobe.com/xmp/extension/\0", 35};
inline constexpr std::size_t extendedXMPChunkHeader = extendedXMPSignature.size() + 32 + 4 + 4;

// The extended XMP a JPEG file's APP1 segments carry for `guid`, its chunks put together by
// offset. Only the segments before the image data are read. Nothing when there is none, or
// when the chunks disagree on the full length, overlap, leave a gap, or do not add up to the
// MD5 digest the GUID names.
std::optional<std::string> jpegExtendedXMP(ByteView jpeg, std::string_view guid);

// A JPEG file's whole packet: its standard packet with the extended part it names merged
// in, or the standard packet unchanged when it names none or that part is missing or unsound.
XMPPacket jpegXMPWithExtension(XMPPacket standard, ByteView jpeg);

} // namespace platform
