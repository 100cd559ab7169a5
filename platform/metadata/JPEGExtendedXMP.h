#pragma once
#include "platform/base/ByteView.h"
#include "platform/base/Outcome.h"
#include "platform/metadata/XMPPacket.h"

#include <string>
#include <string_view>

namespace platform {

// What a JPEG APP1 segment of extended XMP starts with: the signature with its NUL, the
// GUID as 32 hexadecimal digits, the full length and this chunk's offset (big-endian).
inline constexpr std::string_view extendedXMPSignature{"http://ns.adobe.com/xmp/extension/\0", 35};
inline constexpr std::size_t extendedXMPChunkHeader = extendedXMPSignature.size() + 32 + 4 + 4;

// The extended XMP a JPEG file's APP1 segments carry for `guid`, its chunks put together by
// offset. Only the segments before the image data are read. As other readers do, a complete
// extension is taken even when its MD5 digest is not the GUID (an editor that changed a
// character without renaming it). Fails, saying why, when there is none, or when the chunks
// disagree on the full length, overlap or leave a gap.
Outcome<std::string> jpegExtendedXMP(ByteView jpeg, std::string_view guid);

// A JPEG file's whole packet: its standard packet with the extended part it names merged
// in. When that part cannot be carried, the packet no longer names it, and its leftOut says
// what was left out and why.
XMPPacket jpegXMPWithExtension(XMPPacket standard, ByteView jpeg);

// The packet without an xmpNote:HasExtendedXMP of its own, for a file whose extension is not
// carried, with `why` in its leftOut; unchanged when it names no extension.
XMPPacket xmpWithoutExtension(XMPPacket packet, const std::string& why);

} // namespace platform
