#pragma once
#include "platform/base/ByteView.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The families the image reader has a back end for, told apart by their first bytes
// and never by the file's name: a PNG named .jpg is still a PNG. TGA, which has no
// signature, is told by a header whose every field is plausible, after every other family.
enum class SniffedFormat {
    jpeg, png, gif, webp, tiff, heif, jpeg2000, jpegXL, pnm, radiance, openEXR, bmp, ico, icns, psd, tga, unknown
};

// Which of the reader's back ends opens a format; `none` for types it does not read.
enum class ReadBackEnd { none, vips, bmp, ico, icns, psd, tga, cameraRaw };
// Which of the writer's back ends writes a format; `none` for types it does not write.
enum class WriteBackEnd { none, png, jpeg, tiff, gif, heif, jpeg2000, bmp, ico, pdf };
// The libheif codec a HEIF-family format is read and written with.
enum class HEIFCodec { none, hevc, av1 };

// Bytes that stand at an offset of a file of the format.
struct SignatureMark {
    enum class Kind {
        exact,    // `bytes` at `offset`
        oneOf,    // one of the bytes of `bytes` at `offset`
        isoBrand, // `bytes` is one of the brands of the leading ISO base media ftyp box
    };
    std::size_t offset;
    std::string_view bytes;
    Kind kind = Kind::exact;
};
// One way a file of the format starts: every mark holds.
using Signature = std::vector<SignatureMark>;

bool matches(ByteView bytes, const Signature& signature);

// Everything the program knows of one type: its place among the types, its names, how its
// files are recognised, read and written, and what a file of it can hold.
struct FormatFacts {
    const char* identifier = nullptr;
    // Each declared above this row.
    std::vector<const char*> parents = {};
    // Preferred first.
    std::vector<const char*> extensions = {};
    // Null when none is registered.
    const char* mimeType = nullptr;

    // What the sniffer reports a file starting with one of the signatures as.
    SniffedFormat family = SniffedFormat::unknown;
    std::vector<Signature> signatures = {};
    ReadBackEnd reader = ReadBackEnd::none;
    // The libvips loader the vips back end opens it with.
    const char* vipsLoader = nullptr;
    HEIFCodec heifCodec = HEIFCodec::none;
    WriteBackEnd writer = WriteBackEnd::none;

    // What a file of the format holds.
    bool lossy = false;
    bool alpha = false;
    // At most 256 colours.
    bool palette = false;
    // Its written files carry the image's colour profile.
    bool colourProfile = false;
    // The longest side, in pixels, of a picture that a file of it holds as written and read
    // on this system; 0 when that is beyond any side the engine draws.
    std::int64_t maximumSide = 0;
    // The name the format menus show; null for the preferred extension in capitals.
    const char* displayName = nullptr;
    // Of the metadata a conversion keeps, what its written files leave out, so that the result
    // names it rather than dropping it in silence: all of the EXIF (with its GPS), XMP and IPTC
    // unless its files are written with EXIF and XMP (IPTC goes into the XMP where the files
    // hold none), the EXIF thumbnail and maker note, and the source's comment unless its files
    // are written with one. A PNG's text chunks go into the XMP where its files hold no such
    // chunks, and Photoshop's image resources where they hold none (its copyright flag and URL).
    bool holdsExifAndXMP = false;
    bool leavesOutExifThumbnail = false;
    bool leavesOutMakerNote = false;
    bool holdsComment = false;
    bool holdsPNGText = false;
    bool holdsPhotoshopResources = false;
    // The most bytes of TIFF-structured EXIF its files hold, 0 for no bound short of memory:
    // a tag that cannot fit is left out and named.
    std::size_t largestExif = 0;
};

// Why a picture of this size cannot be written as the format, naming its limit and the
// picture's size ("WebP holds at most 16383 pixels a side; this image is 65535 × 1 pixels");
// nothing when it fits.
std::optional<std::string> sideLimitRefusal(const FormatFacts& row, std::int64_t width, std::int64_t height);

// Every type, a parent above its children; the sniffer tries the signatures in this order.
const std::vector<FormatFacts>& formatTable();
// The row with this identifier, compared without regard to ASCII letter case; null for none.
const FormatFacts* formatFacts(std::string_view identifier);

} // namespace platform
