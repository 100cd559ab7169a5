#include "platform/types/TGAHeader.h"

namespace platform {
namespace {

bool isEntrySize(int bits) { return bits == 15 || bits == 16 || bits == 24 || bits == 32; }

} // namespace

std::optional<TGAHeader> readTGAHeader(ByteView bytes) {
    if (!bytes.has(0, TGAHeader::length)) return std::nullopt;
    const std::uint8_t* field = bytes.data();
    TGAHeader header;
    header.idLength = field[0];
    if (field[1] > 1) return std::nullopt;
    header.hasColourMap = field[1] == 1;
    const int imageType = field[2];
    if (imageType != 1 && imageType != 2 && imageType != 3 && imageType != 9 && imageType != 10 && imageType != 11)
        return std::nullopt;
    header.kind = static_cast<TGAHeader::Kind>(imageType & 3);
    header.runLength = imageType >= 9;
    header.mapFirstIndex = *bytes.u16le(3);
    header.mapLength = *bytes.u16le(5);
    header.mapEntryBits = field[7];
    header.width = *bytes.u16le(12);
    header.height = *bytes.u16le(14);
    header.pixelBits = field[16];
    const std::uint8_t descriptor = field[17];
    header.alphaBits = descriptor & 0x0F;
    header.rightToLeft = (descriptor & 0x10) != 0;
    header.topToBottom = (descriptor & 0x20) != 0;

    // The two top bits named an interleaving no writer uses any more.
    if ((descriptor & 0xC0) != 0 || header.width == 0 || header.height == 0 || header.alphaBits > 8) return std::nullopt;
    if (header.hasColourMap) {
        if (header.mapLength == 0 || !isEntrySize(header.mapEntryBits)) return std::nullopt;
    } else if (header.mapFirstIndex != 0 || header.mapLength != 0) {
        return std::nullopt;
    }
    switch (header.kind) {
    case TGAHeader::Kind::colourMapped:
        if (!header.hasColourMap || (header.pixelBits != 8 && header.pixelBits != 16)) return std::nullopt;
        break;
    case TGAHeader::Kind::trueColour:
        if (!isEntrySize(header.pixelBits)) return std::nullopt;
        break;
    case TGAHeader::Kind::grey:
        if (header.pixelBits != 8 && header.pixelBits != 16) return std::nullopt;
        break;
    }
    if (header.pixelOffset() > bytes.size()) return std::nullopt;
    return header;
}

} // namespace platform
