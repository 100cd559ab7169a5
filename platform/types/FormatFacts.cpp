#include "platform/types/FormatFacts.h"

#include "platform/text/UnicodeText.h"
#include "platform/types/ImageTypeIdentifiers.h"

#include <algorithm>
#include <unordered_map>

namespace platform {
namespace {

using namespace std::string_view_literals;
using Kind = SignatureMark::Kind;

// A file of a Netpbm kind starts with its two-letter magic and a blank.
Signature netpbm(std::string_view magic) { return {{0, magic}, {2, " \n\r\t"sv, Kind::oneOf}}; }

std::vector<Signature> brands(std::initializer_list<std::string_view> names) {
    std::vector<Signature> signatures;
    for (auto name : names) signatures.push_back({{0, name, Kind::isoBrand}});
    return signatures;
}

// A file's type is the first row whose signature it has, so rows whose signatures could both
// match one file keep the order the sniffer tries them in: AVIF before HEIC (an AVIF file
// names HEIF brands too), and the ISO media formats before ICO.
//
// AVIF is declared a kind of public.heif-standard, as the wider platform family does:
// writers of the HEIF family then keep greyscale output in three channels, which every
// AVIF and HEIC reader accepts, instead of relying on single-channel files.
//
// An MPO file, as 3D cameras write it, is a JPEG whose MPF index lists the pictures after
// the first: it is read, and rewritten, as the JPEG it is.
//
// The longest sides: a WebP frame's is 16383 and a GIF screen's 65535; libjpeg writes at
// most 65500; an ICO entry's byte counts to 256 and the largest ICNS element is 1024;
// libheif reads no HEIF image wider or taller than 32768, so neither HEIC nor AVIF is written
// larger. A BMP side may be far longer than the engine draws: its limit is the file's 4 GiB.
std::vector<FormatFacts> makeTable() {
    using namespace types;
    constexpr std::int64_t heifSide = 32768;
    const std::vector<const char*> raw = {cameraRaw};
    return {
        {.identifier = item},
        {.identifier = content},
        {.identifier = data, .parents = {item}},
        {.identifier = compositeContent, .parents = {content}},
        {.identifier = image, .parents = {data, content}},
        {.identifier = jpeg, .parents = {image}, .extensions = {"jpg", "jpeg", "jpe", "jfif", "mpo"}, .mimeType = "image/jpeg",
         .family = SniffedFormat::jpeg, .signatures = {{{0, "\xFF\xD8\xFF"sv}}},
         .reader = ReadBackEnd::vips, .vipsLoader = "jpegload_buffer", .writer = WriteBackEnd::jpeg,
         .lossy = true, .colourProfile = true, .maximumSide = 65500, .displayName = "JPEG", .holdsExifAndXMP = true,
         .holdsComment = true, .holdsPhotoshopResources = true,
         // One APP1 segment of 65,533 bytes, "Exif\0\0" first.
         .largestExif = 65527},
        {.identifier = png, .parents = {image}, .extensions = {"png"}, .mimeType = "image/png",
         .family = SniffedFormat::png, .signatures = {{{0, "\x89PNG\r\n\x1A\n"sv}}},
         .reader = ReadBackEnd::vips, .vipsLoader = "pngload_buffer", .writer = WriteBackEnd::png,
         .alpha = true, .colourProfile = true, .displayName = "PNG", .holdsExifAndXMP = true,
         .holdsComment = true, .holdsPNGText = true},
        {.identifier = gif, .parents = {image}, .extensions = {"gif"}, .mimeType = "image/gif",
         .family = SniffedFormat::gif, .signatures = {{{0, "GIF87a"sv}}, {{0, "GIF89a"sv}}},
         .reader = ReadBackEnd::vips, .vipsLoader = "gifload_buffer", .writer = WriteBackEnd::gif,
         .alpha = true, .palette = true, .maximumSide = 65535, .displayName = "GIF"},
        {.identifier = webp, .parents = {image}, .extensions = {"webp"}, .mimeType = "image/webp",
         .family = SniffedFormat::webp, .signatures = {{{0, "RIFF"sv}, {8, "WEBP"sv}}},
         .reader = ReadBackEnd::vips, .vipsLoader = "webpload_buffer",
         .lossy = true, .alpha = true, .maximumSide = 16383, .displayName = "WebP",
         .holdsExifAndXMP = true},
        {.identifier = tiff, .parents = {image}, .extensions = {"tiff", "tif"}, .mimeType = "image/tiff",
         .family = SniffedFormat::tiff,
         .signatures = {{{0, "II*\0"sv}}, {{0, "MM\0*"sv}}, {{0, "II+\0"sv}}, {{0, "MM\0+"sv}}},
         .reader = ReadBackEnd::vips, .vipsLoader = "tiffload_buffer", .writer = WriteBackEnd::tiff,
         .alpha = true, .colourProfile = true, .displayName = "TIFF", .holdsExifAndXMP = true,
         // A second directory would be a second page, and a maker note's offsets would point
         // at the wrong bytes of a file laid out anew.
         .leavesOutExifThumbnail = true, .leavesOutMakerNote = true, .holdsPhotoshopResources = true},
        {.identifier = heifStandard, .parents = {image}},
        {.identifier = avif, .parents = {heifStandard}, .extensions = {"avif"}, .mimeType = "image/avif",
         .family = SniffedFormat::heif, .signatures = brands({"avif", "avis"}),
         .reader = ReadBackEnd::vips, .vipsLoader = "heifload_buffer", .heifCodec = HEIFCodec::av1,
         .writer = WriteBackEnd::heif, .lossy = true, .alpha = true, .colourProfile = true, .maximumSide = heifSide,
         .displayName = "AVIF", .holdsExifAndXMP = true},
        {.identifier = heic, .parents = {heifStandard}, .extensions = {"heic"}, .mimeType = "image/heic",
         .family = SniffedFormat::heif,
         .signatures = brands({"heic", "heix", "hevc", "hevx", "heim", "heis", "hevm", "hevs", "mif1", "msf1"}),
         .reader = ReadBackEnd::vips, .vipsLoader = "heifload_buffer", .heifCodec = HEIFCodec::hevc,
         .writer = WriteBackEnd::heif, .lossy = true, .alpha = true, .colourProfile = true, .maximumSide = heifSide,
         .displayName = "HEIC", .holdsExifAndXMP = true},
        {.identifier = heif, .parents = {heifStandard}, .extensions = {"heif", "hif"}, .mimeType = "image/heif",
         .reader = ReadBackEnd::vips, .vipsLoader = "heifload_buffer", .heifCodec = HEIFCodec::hevc},
        {.identifier = heics, .parents = {heifStandard}, .extensions = {"heics"}, .mimeType = "image/heic-sequence",
         .lossy = true, .alpha = true, .displayName = "HEICS"},
        {.identifier = jpeg2000, .parents = {image}, .extensions = {"jp2", "jpf", "jpx", "j2k", "j2c"},
         .mimeType = "image/jp2", .family = SniffedFormat::jpeg2000,
         .signatures = {{{0, "\0\0\0\x0CjP  \r\n\x87\n"sv}}, {{0, "\xFF\x4F\xFF\x51"sv}}},
         .reader = ReadBackEnd::vips, .vipsLoader = "jp2kload_buffer", .writer = WriteBackEnd::jpeg2000,
         .lossy = true, .displayName = "JPEG 2000"},
        {.identifier = jpegXL, .parents = {image}, .extensions = {"jxl"}, .mimeType = "image/jxl",
         .family = SniffedFormat::jpegXL, .signatures = {{{0, "\0\0\0\x0CJXL \r\n\x87\n"sv}}, {{0, "\xFF\x0A"sv}}},
         .reader = ReadBackEnd::vips, .vipsLoader = "jxlload_buffer"},
        {.identifier = pbm, .parents = {image}, .extensions = {"pbm"}, .mimeType = "image/x-portable-bitmap",
         .family = SniffedFormat::pnm, .signatures = {netpbm("P1"), netpbm("P4")},
         .reader = ReadBackEnd::vips, .vipsLoader = "ppmload_source"},
        {.identifier = pgm, .parents = {image}, .extensions = {"pgm"}, .mimeType = "image/x-portable-graymap",
         .family = SniffedFormat::pnm, .signatures = {netpbm("P2"), netpbm("P5")},
         .reader = ReadBackEnd::vips, .vipsLoader = "ppmload_source"},
        {.identifier = ppm, .parents = {image}, .extensions = {"ppm"}, .mimeType = "image/x-portable-pixmap",
         .family = SniffedFormat::pnm, .signatures = {netpbm("P3"), netpbm("P6")},
         .reader = ReadBackEnd::vips, .vipsLoader = "ppmload_source"},
        {.identifier = pnm, .parents = {image}, .extensions = {"pnm"}, .mimeType = "image/x-portable-anymap",
         .family = SniffedFormat::pnm, .signatures = {netpbm("Pf"), netpbm("PF")},
         .reader = ReadBackEnd::vips, .vipsLoader = "ppmload_source"},
        {.identifier = radiance, .parents = {image}, .extensions = {"hdr"}, .mimeType = "image/vnd.radiance",
         .family = SniffedFormat::radiance, .signatures = {{{0, "#?RADIANCE"sv}}, {{0, "#?RGBE"sv}}},
         .reader = ReadBackEnd::vips, .vipsLoader = "radload_buffer"},
        {.identifier = openEXR, .parents = {image}, .extensions = {"exr"}, .mimeType = "image/x-exr",
         .family = SniffedFormat::openEXR, .signatures = {{{0, "\x76\x2F\x31\x01"sv}}},
         .reader = ReadBackEnd::vips, .vipsLoader = "openexrload",
         .alpha = true, .colourProfile = true, .displayName = "OpenEXR"},
        {.identifier = bmp, .parents = {image}, .extensions = {"bmp", "dib"}, .mimeType = "image/bmp",
         .family = SniffedFormat::bmp, .signatures = {{{0, "BM"sv}}},
         .reader = ReadBackEnd::bmp, .writer = WriteBackEnd::bmp, .displayName = "BMP"},
        {.identifier = ico, .parents = {image}, .extensions = {"ico"}, .mimeType = "image/vnd.microsoft.icon",
         .family = SniffedFormat::ico, .signatures = {{{0, "\0\0\1\0"sv}}},
         .reader = ReadBackEnd::ico, .writer = WriteBackEnd::ico, .alpha = true, .maximumSide = 256,
         .displayName = "ICO"},
        {.identifier = icns, .parents = {image}, .extensions = {"icns"}, .mimeType = "image/x-icns",
         .family = SniffedFormat::icns, .signatures = {{{0, "icns"sv}}},
         .reader = ReadBackEnd::icns, .alpha = true, .maximumSide = 1024, .displayName = "ICNS"},
        {.identifier = psd, .parents = {image}, .extensions = {"psd", "psb"}, .mimeType = "image/vnd.adobe.photoshop",
         .family = SniffedFormat::psd, .signatures = {{{0, "8BPS\0\1"sv}}, {{0, "8BPS\0\2"sv}}},
         .reader = ReadBackEnd::psd, .alpha = true, .colourProfile = true, .displayName = "PSD"},
        {.identifier = tga, .parents = {image}, .extensions = {"tga"}, .mimeType = "image/x-tga",
         .family = SniffedFormat::tga, .reader = ReadBackEnd::tga},
        {.identifier = svg, .parents = {image}, .extensions = {"svg", "svgz"}, .mimeType = "image/svg+xml"},
        {.identifier = pdf, .parents = {data, compositeContent}, .extensions = {"pdf"}, .mimeType = "application/pdf",
         .writer = WriteBackEnd::pdf, .alpha = true, .displayName = "PDF"},
        {.identifier = cameraRaw, .parents = {image}, .reader = ReadBackEnd::cameraRaw},
        {.identifier = canonCR2, .parents = raw, .extensions = {"cr2"}, .mimeType = "image/x-canon-cr2",
         .reader = ReadBackEnd::cameraRaw},
        {.identifier = canonCR3, .parents = raw, .extensions = {"cr3"}, .mimeType = "image/x-canon-cr3",
         .reader = ReadBackEnd::cameraRaw},
        {.identifier = canonCRW, .parents = raw, .extensions = {"crw"}, .mimeType = "image/x-canon-crw",
         .reader = ReadBackEnd::cameraRaw},
        {.identifier = nikon, .parents = raw, .extensions = {"nef"}, .mimeType = "image/x-nikon-nef",
         .reader = ReadBackEnd::cameraRaw},
        {.identifier = nikonNRW, .parents = raw, .extensions = {"nrw"}, .mimeType = "image/x-nikon-nrw"},
        {.identifier = sony, .parents = raw, .extensions = {"arw"}, .mimeType = "image/x-sony-arw",
         .reader = ReadBackEnd::cameraRaw},
        {.identifier = sonySR2, .parents = raw, .extensions = {"sr2"}, .mimeType = "image/x-sony-sr2"},
        {.identifier = sonySRF, .parents = raw, .extensions = {"srf"}, .mimeType = "image/x-sony-srf"},
        {.identifier = dng, .parents = raw, .extensions = {"dng"}, .mimeType = "image/x-adobe-dng",
         .reader = ReadBackEnd::cameraRaw},
        {.identifier = olympus, .parents = raw, .extensions = {"orf"}, .mimeType = "image/x-olympus-orf",
         .reader = ReadBackEnd::cameraRaw},
        {.identifier = panasonic, .parents = raw, .extensions = {"rw2"}, .mimeType = "image/x-panasonic-rw2",
         .reader = ReadBackEnd::cameraRaw},
        {.identifier = panasonicRaw, .parents = raw, .extensions = {"raw"}, .mimeType = "image/x-panasonic-raw"},
        {.identifier = fuji, .parents = raw, .extensions = {"raf"}, .mimeType = "image/x-fuji-raf",
         .reader = ReadBackEnd::cameraRaw},
        {.identifier = pentax, .parents = raw, .extensions = {"pef"}, .mimeType = "image/x-pentax-pef",
         .reader = ReadBackEnd::cameraRaw},
        {.identifier = samsung, .parents = raw, .extensions = {"srw"}, .mimeType = "image/x-samsung-srw",
         .reader = ReadBackEnd::cameraRaw},
        {.identifier = leica, .parents = raw, .extensions = {"rwl"}, .mimeType = "image/x-leica-rwl",
         .reader = ReadBackEnd::cameraRaw},
        {.identifier = hasselblad, .parents = raw, .extensions = {"3fr"}, .mimeType = "image/x-hasselblad-3fr",
         .reader = ReadBackEnd::cameraRaw},
        {.identifier = phaseOne, .parents = raw, .extensions = {"iiq"}, .mimeType = "image/x-phaseone-iiq",
         .reader = ReadBackEnd::cameraRaw},
        {.identifier = sigma, .parents = raw, .extensions = {"x3f"}, .mimeType = "image/x-sigma-x3f",
         .reader = ReadBackEnd::cameraRaw},
        {.identifier = epson, .parents = raw, .extensions = {"erf"}, .mimeType = "image/x-epson-erf"},
        {.identifier = kodak, .parents = raw, .extensions = {"dcr"}, .mimeType = "image/x-kodak-dcr",
         .reader = ReadBackEnd::cameraRaw},
        {.identifier = minolta, .parents = raw, .extensions = {"mrw"}, .mimeType = "image/x-minolta-mrw",
         .reader = ReadBackEnd::cameraRaw},
    };
}

// An ISO base media file names its brands in the leading ftyp box, after the major brand's
// minor version.
bool hasISOBrand(ByteView bytes, std::string_view brand) {
    if (!bytes.startsWith(4, "ftyp")) return false;
    const auto boxSize = bytes.u32be(0);
    if (!boxSize || *boxSize < 16) return false;
    const std::size_t end = std::min<std::size_t>(*boxSize, bytes.size());
    for (std::size_t offset = 8; offset + 4 <= end; offset += 4) {
        if (offset == 12) continue; // the minor version, not a brand
        if (bytes.sub(offset, 4).startsWith(0, brand)) return true;
    }
    return false;
}

bool holds(ByteView bytes, const SignatureMark& mark) {
    switch (mark.kind) {
    case Kind::exact: return bytes.startsWith(mark.offset, mark.bytes);
    case Kind::oneOf: {
        const auto byte = bytes.u8(mark.offset);
        return byte && mark.bytes.find(static_cast<char>(*byte)) != std::string_view::npos;
    }
    case Kind::isoBrand: return hasISOBrand(bytes, mark.bytes);
    }
    return false;
}

} // namespace

std::optional<std::string> sideLimitRefusal(const FormatFacts& row, std::int64_t width, std::int64_t height) {
    if (row.maximumSide <= 0 || (width <= row.maximumSide && height <= row.maximumSide)) return std::nullopt;
    const std::string name = row.displayName ? row.displayName : row.identifier;
    return name + " holds at most " + std::to_string(row.maximumSide) + " pixels a side; this image is " +
           std::to_string(width) + " \u00D7 " + std::to_string(height) + " pixels";
}

bool matches(ByteView bytes, const Signature& signature) {
    return std::all_of(signature.begin(), signature.end(), [&](const SignatureMark& mark) { return holds(bytes, mark); });
}

const std::vector<FormatFacts>& formatTable() {
    static const std::vector<FormatFacts> table = makeTable();
    return table;
}

const FormatFacts* formatFacts(std::string_view identifier) {
    static const auto byIdentifier = [] {
        std::unordered_map<std::string, const FormatFacts*> index;
        for (const auto& row : formatTable()) index.emplace(asciiLowercased(row.identifier), &row);
        return index;
    }();
    auto found = byIdentifier.find(asciiLowercased(identifier));
    return found == byIdentifier.end() ? nullptr : found->second;
}

} // namespace platform
