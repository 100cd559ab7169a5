#include "platform/types/ImageSniffer.h"

#include "platform/types/ImageTypeIdentifiers.h"
#include "platform/types/TGAHeader.h"

#include <algorithm>

namespace platform {
namespace {

// An ISO base media file names its brands in the leading ftyp box; AVIF carries "avif" or
// "avis" among them, HEIC one of the HEVC brands, and a bare "mif1" falls to HEIC.
SniffResult sniffHeif(ByteView bytes) {
    if (!bytes.startsWith(4, "ftyp")) return {};
    const auto boxSize = bytes.u32be(0);
    if (!boxSize || *boxSize < 16) return {};
    const std::size_t end = std::min<std::size_t>(*boxSize, bytes.size());
    bool avif = false;
    bool heif = false;
    for (std::size_t offset = 8; offset + 4 <= end; offset += 4) {
        if (offset == 12) continue; // the minor version, not a brand
        const auto brand = bytes.sub(offset, 4);
        for (const char* name : {"avif", "avis"})
            if (brand.startsWith(0, name)) avif = true;
        for (const char* name : {"heic", "heix", "hevc", "hevx", "heim", "heis", "hevm", "hevs", "mif1", "msf1"})
            if (brand.startsWith(0, name)) heif = true;
    }
    if (avif) return {SniffedFormat::heif, types::avif};
    if (heif) return {SniffedFormat::heif, types::heic};
    return {};
}

SniffResult sniffNetpbm(ByteView bytes) {
    if (!bytes.startsWith(0, "P")) return {};
    const auto kind = bytes.u8(1);
    const auto next = bytes.u8(2);
    if (!kind || !next) return {};
    if (*next != ' ' && *next != '\n' && *next != '\r' && *next != '\t') return {};
    switch (*kind) {
    case '1': case '4': return {SniffedFormat::pnm, types::pbm};
    case '2': case '5': return {SniffedFormat::pnm, types::pgm};
    case '3': case '6': return {SniffedFormat::pnm, types::ppm};
    case 'f': case 'F': return {SniffedFormat::pnm, types::pnm};
    default: return {};
    }
}

} // namespace

SniffResult sniffImageFormat(ByteView bytes) {
    if (bytes.startsWith(0, "\xFF\xD8\xFF")) return {SniffedFormat::jpeg, types::jpeg};
    if (bytes.startsWith(0, "\x89PNG\r\n\x1A\n")) return {SniffedFormat::png, types::png};
    if (bytes.startsWith(0, "GIF87a") || bytes.startsWith(0, "GIF89a")) return {SniffedFormat::gif, types::gif};
    if (bytes.startsWith(0, "RIFF") && bytes.startsWith(8, "WEBP")) return {SniffedFormat::webp, types::webp};
    if (bytes.startsWith(0, std::string_view("II*\0", 4)) || bytes.startsWith(0, std::string_view("MM\0*", 4)) ||
        bytes.startsWith(0, std::string_view("II+\0", 4)) || bytes.startsWith(0, std::string_view("MM\0+", 4)))
        return {SniffedFormat::tiff, types::tiff};
    if (auto heif = sniffHeif(bytes); heif.format != SniffedFormat::unknown) return heif;
    if (bytes.startsWith(0, std::string_view("\0\0\0\x0CjP  \r\n\x87\n", 12)) ||
        bytes.startsWith(0, "\xFF\x4F\xFF\x51"))
        return {SniffedFormat::jpeg2000, types::jpeg2000};
    if (bytes.startsWith(0, std::string_view("\0\0\0\x0CJXL \r\n\x87\n", 12)) || bytes.startsWith(0, "\xFF\x0A"))
        return {SniffedFormat::jpegXL, types::jpegXL};
    if (auto netpbm = sniffNetpbm(bytes); netpbm.format != SniffedFormat::unknown) return netpbm;
    if (bytes.startsWith(0, "#?RADIANCE") || bytes.startsWith(0, "#?RGBE")) return {SniffedFormat::radiance, types::radiance};
    if (bytes.startsWith(0, "\x76\x2F\x31\x01")) return {SniffedFormat::openEXR, types::openEXR};
    if (bytes.startsWith(0, "BM")) return {SniffedFormat::bmp, types::bmp};
    if (bytes.startsWith(0, std::string_view("\0\0\1\0", 4))) return {SniffedFormat::ico, types::ico};
    if (bytes.startsWith(0, "icns")) return {SniffedFormat::icns, types::icns};
    if (readTGAHeader(bytes)) return {SniffedFormat::tga, types::tga};
    return {};
}

} // namespace platform
