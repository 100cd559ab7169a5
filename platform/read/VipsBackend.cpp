#include "platform/read/VipsBackend.h"

#include "platform/metadata/ExifGPS.h"
#include "platform/metadata/ExifOrientation.h"
#include "platform/metadata/GIFMetadata.h"
#include "platform/metadata/IPTCRecords.h"
#include "platform/metadata/JPEGComment.h"
#include "platform/metadata/JPEGExif.h"
#include "platform/metadata/JPEGExtendedXMP.h"
#include "platform/metadata/JPEGPictures.h"
#include "platform/metadata/JXLBoxes.h"
#include "platform/metadata/PNGMetadata.h"
#include "platform/metadata/PhotoshopResources.h"
#include "platform/metadata/TIFFExif.h"
#include "platform/metadata/TIFFResolutionUnit.h"
#include "platform/metadata/XMPOrientation.h"
#include "platform/metadata/XMPText.h"
#include "platform/read/GIFTransparency.h"
#include "platform/read/HEIFColour.h"
#include "platform/read/HEIFMetadata.h"
#include "platform/read/TIFFDirectory.h"
#include "platform/read/TIFFPageTags.h"
#include "platform/files/RegularFile.h"
#include "platform/vips/VipsRuntime.h"
#include "platform/vips/VipsWork.h"

#include <vips/vips.h>

#include <algorithm>
#include <memory>
#include <string_view>

namespace platform {
namespace {

// The loader the format's row names; null for a type the vips back end does not read.
const char* loaderFor(const std::string& typeIdentifier) {
    const FormatFacts* row = formatFacts(typeIdentifier);
    return row && row->reader == ReadBackEnd::vips ? row->vipsLoader : nullptr;
}

std::optional<Bytes> blobField(VipsImage* image, const char* name) {
    if (vips_image_get_typeof(image, name) == 0) return std::nullopt;
    const void* data = nullptr;
    std::size_t length = 0;
    if (vips_image_get_blob(image, name, &data, &length) || !data || length == 0) return std::nullopt;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return Bytes(bytes, bytes + length);
}

std::optional<int> intField(VipsImage* image, const char* name) {
    if (vips_image_get_typeof(image, name) == 0) return std::nullopt;
    int value = 0;
    if (vips_image_get_int(image, name, &value)) return std::nullopt;
    return value;
}

// libvips names the unit a TIFF's or a JPEG's resolution was counted in, and none for a
// PNG's, which counts per metre.
bool countsInCentimetres(VipsImage* image) {
    const char* unit = nullptr;
    return vips_image_get_typeof(image, VIPS_META_RESOLUTION_UNIT) != 0 &&
           vips_image_get_string(image, VIPS_META_RESOLUTION_UNIT, &unit) == 0 && unit &&
           std::string_view(unit) == "cm";
}

std::optional<XMPPacket> xmpPacket(VipsImage* image) {
    auto xmp = blobField(image, VIPS_META_XMP_NAME);
    if (!xmp) return std::nullopt;
    auto text = xmpText(ByteView(xmp->data(), xmp->size()));
    if (!text) return std::nullopt;
    return XMPPacket{std::move(*text)};
}

int bitsOf(VipsBandFormat format) {
    switch (format) {
    case VIPS_FORMAT_UCHAR: case VIPS_FORMAT_CHAR: return 8;
    case VIPS_FORMAT_USHORT: case VIPS_FORMAT_SHORT: return 16;
    case VIPS_FORMAT_DOUBLE: case VIPS_FORMAT_DPCOMPLEX: return 64;
    default: return 32;
    }
}

// Takes ownership of the result of one vips operation, or gives null when it failed.
template <typename Operation>
VipsImage* apply(VipsImage* input, Operation operation) {
    VipsImage* output = nullptr;
    if (operation(input, &output)) {
        if (output) g_object_unref(output);
        return nullptr;
    }
    return output;
}

struct PixelPlan {
    VipsImage* image = nullptr; // owned
    bool linearLight = false;
    bool keepsProfile = true;   // false when the pixels were converted away from the embedded profile
};

// Brings the loaded image to interleaved 8-bit, 16-bit or float components of grey, RGB or
// CMYK, with at most one alpha channel, still lazily: nothing is decoded here.
PixelPlan planPixels(VipsImage* loaded, bool hasUsableCMYKProfile, bool dropAlpha) {
    PixelPlan plan;
    g_object_ref(loaded);
    VipsImage* current = loaded;
    auto step = [&](VipsImage* next) {
        g_object_unref(current);
        current = next;
        return next != nullptr;
    };

    if (current->Coding == VIPS_CODING_RAD) {
        if (!step(apply(current, [](VipsImage* in, VipsImage** out) { return vips_rad2float(in, out, nullptr); })))
            return plan;
    } else if (current->Coding != VIPS_CODING_NONE) {
        plan.keepsProfile = false;
        if (!step(apply(current, [](VipsImage* in, VipsImage** out) {
                return vips_colourspace(in, out, VIPS_INTERPRETATION_sRGB, nullptr);
            })))
            return plan;
    }

    const auto interpretation = vips_image_guess_interpretation(current);
    const bool sixteen = current->BandFmt == VIPS_FORMAT_USHORT;
    // Pixels libvips converts to sRGB itself no longer match the file's profile.
    const auto convertToSRGB = [&] {
        plan.keepsProfile = false;
        return step(apply(current, [&](VipsImage* in, VipsImage** out) {
            return vips_colourspace(in, out, sixteen ? VIPS_INTERPRETATION_RGB16 : VIPS_INTERPRETATION_sRGB, nullptr);
        }));
    };
    switch (interpretation) {
    case VIPS_INTERPRETATION_CMYK:
        if ((!hasUsableCMYKProfile || current->Bands < 4) && !convertToSRGB()) return plan;
        break;
    case VIPS_INTERPRETATION_LAB: case VIPS_INTERPRETATION_LABQ: case VIPS_INTERPRETATION_LABS:
    case VIPS_INTERPRETATION_LCH: case VIPS_INTERPRETATION_CMC: case VIPS_INTERPRETATION_XYZ:
    case VIPS_INTERPRETATION_YXY: case VIPS_INTERPRETATION_HSV:
        if (!convertToSRGB()) return plan;
        break;
    case VIPS_INTERPRETATION_scRGB:
        plan.linearLight = true;
        break;
    default:
        break;
    }

    const bool cmyk = vips_image_guess_interpretation(current) == VIPS_INTERPRETATION_CMYK;
    const bool alpha = vips_image_hasalpha(current) && !dropAlpha;
    const int colour = cmyk ? 4 : (current->Bands >= 3 ? 3 : 1);
    const int wanted = colour + (alpha ? 1 : 0);
    if (current->Bands > wanted) {
        if (!step(apply(current, [&](VipsImage* in, VipsImage** out) {
                return vips_extract_band(in, out, 0, "n", wanted, nullptr);
            })))
            return plan;
    }

    switch (current->BandFmt) {
    case VIPS_FORMAT_UCHAR: case VIPS_FORMAT_USHORT:
        break;
    case VIPS_FORMAT_FLOAT: case VIPS_FORMAT_DOUBLE:
        if (plan.linearLight) {
            if (current->BandFmt == VIPS_FORMAT_DOUBLE &&
                !step(apply(current, [](VipsImage* in, VipsImage** out) { return vips_cast_float(in, out, nullptr); })))
                return plan;
        } else {
            // Gamma-encoded floating point is on a 0-255 scale in libvips; 16 bits keep its precision.
            if (!step(apply(current, [](VipsImage* in, VipsImage** out) {
                    return vips_linear1(in, out, 257.0, 0.0, "uchar", FALSE, nullptr);
                })))
                return plan;
            if (!step(apply(current, [](VipsImage* in, VipsImage** out) { return vips_cast_ushort(in, out, nullptr); })))
                return plan;
        }
        break;
    case VIPS_FORMAT_CHAR:
        if (!step(apply(current, [](VipsImage* in, VipsImage** out) { return vips_cast_uchar(in, out, "shift", TRUE, nullptr); })))
            return plan;
        break;
    case VIPS_FORMAT_SHORT: case VIPS_FORMAT_INT: case VIPS_FORMAT_UINT:
        if (!step(apply(current, [](VipsImage* in, VipsImage** out) { return vips_cast_ushort(in, out, "shift", TRUE, nullptr); })))
            return plan;
        break;
    default:
        g_object_unref(current);
        return plan;
    }
    plan.image = current;
    return plan;
}

// Every `factor` × `factor` pixels averaged into one, still lazily, so that the rows are read
// in order and never all held: the last column and row average what the edge repeats. Colour
// is averaged premultiplied, as the resampler does, so that transparent pixels lend it none.
VipsImagePtr averaged(VipsImage* image, int factor) {
    const double scale = factor;
    const auto shrink = [scale](VipsImage* in, VipsImage** out) {
        return vips_shrink(in, out, scale, scale, "ceil", TRUE, nullptr);
    };
    if (!vips_image_hasalpha(image)) return VipsImagePtr(apply(image, shrink));
    const VipsBandFormat format = image->BandFmt;
    VipsImagePtr premultiplied(apply(image, [](VipsImage* in, VipsImage** out) { return vips_premultiply(in, out, nullptr); }));
    if (!premultiplied) return nullptr;
    VipsImagePtr shrunk(apply(premultiplied.get(), shrink));
    if (!shrunk) return nullptr;
    VipsImagePtr straight(apply(shrunk.get(), [](VipsImage* in, VipsImage** out) { return vips_unpremultiply(in, out, nullptr); }));
    if (!straight || format == VIPS_FORMAT_FLOAT) return straight;
    // Casting to integers cuts the fraction off; half a step first makes it the nearest.
    VipsImagePtr rounded(apply(straight.get(), [](VipsImage* in, VipsImage** out) {
        return vips_linear1(in, out, 1.0, 0.5, nullptr);
    }));
    if (!rounded) return nullptr;
    return VipsImagePtr(apply(rounded.get(), [&](VipsImage* in, VipsImage** out) { return vips_cast(in, out, format, nullptr); }));
}

// The image is computed here, on the calling thread, a strip at a time from the top, each
// strip's rows appended to the bitmap's buffer, whose room was reserved beforehand, so that no
// byte of it is written twice (zeroed first, then overwritten). libvips' own sinks would
// compute on worker threads while this one waits: a thread more for every conversion running,
// for no speed, as conversions already run one to a processor.
bool copyPixels(VipsImage* image, Bytes& pixels, std::size_t rowBytes, const std::stop_token& stop) {
    const std::size_t size = rowBytes * static_cast<std::size_t>(image->Ysize);
    pixels.reserve(size);
    int tileWidth = 0, tileHeight = 0, stripHeight = 0;
    vips_get_tile_size(image, &tileWidth, &tileHeight, &stripHeight);
    stripHeight = std::max(stripHeight, 1);
    VipsRegion* region = vips_region_new(image);
    if (!region) return false;
    bool computed = true;
    for (int top = 0; computed && top < image->Ysize; top += stripHeight) {
        if (stop.stop_requested()) {
            computed = false;
            break;
        }
        VipsRect strip{0, top, image->Xsize, std::min(stripHeight, image->Ysize - top)};
        computed = vips_region_prepare(region, &strip) == 0;
        for (int y = strip.top; computed && y < strip.top + strip.height; ++y) {
            const auto* row = reinterpret_cast<const std::uint8_t*>(VIPS_REGION_ADDR(region, 0, y));
            pixels.insert(pixels.end(), row, row + rowBytes);
        }
    }
    g_object_unref(region);
    return computed && pixels.size() == size;
}

// Stored components of a JPEG for each pixel, at their sampling: a colour file's two chroma
// components are halved across (4:2:2) or across and down (4:2:0) in most files.
double jpegComponentsPerPixel(VipsImage* loaded) {
    if (loaded->Bands != 3) return loaded->Bands;
    const char* sampling = nullptr;
    if (vips_image_get_typeof(loaded, "jpeg-chroma-subsample") == 0 ||
        vips_image_get_string(loaded, "jpeg-chroma-subsample", &sampling) || !sampling)
        return 3;
    const std::string_view named(sampling);
    if (named == "4:4:4") return 3;
    if (named == "4:2:2") return 2;
    return 1.5;
}

} // namespace

std::uint64_t VipsBackend::loaderWorkingBytes(std::int64_t index, VipsImage* loaded, std::int64_t storedWidth,
                                              std::int64_t storedHeight) const {
    const double stored = static_cast<double>(storedWidth) * static_cast<double>(storedHeight);
    const double decoded = static_cast<double>(loaded->Xsize) * static_cast<double>(loaded->Ysize);
    const double sample = static_cast<double>(vips_format_sizeof(loaded->BandFmt));
    const double bands = std::max(loaded->Bands, 1);
    double bytes = 0;
    switch (format_) {
    // A progressive file's scans each refine every block, so libjpeg keeps the coefficients of
    // the whole stored picture (64 of two bytes a block), whatever size it decodes at.
    case SniffedFormat::jpeg:
        if (intField(loaded, "jpeg-multiscan").value_or(0) == 1) bytes = stored * 2 * jpegComponentsPerPixel(loaded);
        break;
    // Adam7 passes each cover the whole picture: libvips reads an interlaced PNG whole first.
    case SniffedFormat::png:
        if (png_ && png_->interlaced) bytes = stored * bands * sample;
        break;
    // libwebp decodes the whole frame, at the size asked, before its rows are handed on, with
    // its own planes beside it.
    case SniffedFormat::webp: bytes = decoded * 5; break;
    // A GIF frame is drawn over the one before it on a canvas of its own.
    case SniffedFormat::gif: bytes = stored * 4 * 2; break;
    // libheif decodes the whole picture, and its codec keeps the planes it decoded from.
    case SniffedFormat::heif: bytes = stored * (bands * sample + 3); break;
    // openjpeg and libjxl decode every component whole, four bytes a sample.
    case SniffedFormat::jpeg2000: case SniffedFormat::jpegXL: bytes = stored * bands * 4; break;
    // libtiff decompresses a strip whole, whatever size the picture is read at, and the read
    // holds half as much again beside it (measured): a TIFF of one strip holds its whole
    // picture and a half.
    case SniffedFormat::tiff:
        if (const auto directory = readTIFFDirectory(byteSourceOf(ByteView(bytes_->data(), bytes_->size())), index);
            directory && !directory->tiled())
            bytes = 1.5 * static_cast<double>(directory->blockBytes());
        break;
    default: break;
    }
    return static_cast<std::uint64_t>(bytes);
}

bool VipsBackend::isPaged() const {
    return format_ == SniffedFormat::gif || format_ == SniffedFormat::webp || format_ == SniffedFormat::tiff ||
           format_ == SniffedFormat::heif;
}

ColourSpaceRef VipsBackend::taggedColourSpace(std::int64_t index, bool colour) const {
    std::optional<ColourDescription> description;
    if (png_) description = pngChunkColour(*png_);
    if (format_ == SniffedFormat::heif) description = heifColour(file_, index);
    return description ? describedColourSpace(*description, colour) : nullptr;
}

bool VipsBackend::reduces() const {
    return format_ == SniffedFormat::jpeg || format_ == SniffedFormat::webp || format_ == SniffedFormat::png ||
           format_ == SniffedFormat::tiff;
}

int VipsBackend::loaderReduction(int reduction) const {
    if (reduction < 2) return 1;
    switch (format_) {
    // libjpeg's scaling to 1/2 keeps each block's lower half of frequencies. The one to 1/4
    // keeps a quarter of them, with edges that alias fine texture (sand, foliage); the one to
    // 1/8 keeps the average, but repeats the colour of 4:2:0 files in squares instead of
    // blending it. Both change the picture more than averaging does, so neither is used.
    case SniffedFormat::jpeg: return 2;
    // libwebp averages whole areas while it decodes.
    case SniffedFormat::webp: return reduction;
    default: return 1;
    }
}

VipsImagePtr VipsBackend::load(std::int64_t index, bool forPixels, int reduction) const {
    const char* loader = loaderFor(typeIdentifier_);
    if (!loader) return nullptr;
    VipsOperation* operation = vips_operation_new(loader);
    if (!operation) return nullptr;
    VipsObject* object = VIPS_OBJECT(operation);
    bool ready = true;
    if (format_ == SniffedFormat::openEXR) {
        if (openEXRFile_.isOpen()) {
            const std::string name = "/proc/self/fd/" + std::to_string(openEXRFile_.get());
            vips_object_set(object, "filename", name.c_str(), nullptr);
        } else {
            ready = false;
        }
    } else if (format_ == SniffedFormat::pnm) {
        VipsSource* source = vips_source_new_from_memory(file_.data(), file_.size());
        vips_object_set(object, "source", source, nullptr);
        g_object_unref(source);
    } else {
        VipsBlob* blob = vips_blob_new(nullptr, file_.data(), file_.size());
        vips_object_set(object, "buffer", blob, nullptr);
        vips_area_unref(VIPS_AREA(blob));
    }
    vips_object_set(object, "fail_on", VIPS_FAIL_ON_ERROR, "access",
                    forPixels ? VIPS_ACCESS_SEQUENTIAL : VIPS_ACCESS_RANDOM, nullptr);
    if (isPaged()) vips_object_set(object, "page", static_cast<int>(index), "n", 1, nullptr);
    if (reduction > 1 && format_ == SniffedFormat::jpeg) vips_object_set(object, "shrink", reduction, nullptr);
    if (reduction > 1 && format_ == SniffedFormat::webp) vips_object_set(object, "scale", 1.0 / reduction, nullptr);

    VipsImage* out = nullptr;
    if (!ready || vips_object_build(object)) {
        vips_object_unref_outputs(object);
        g_object_unref(operation);
        return nullptr;
    }
    g_object_get(operation, "out", &out, nullptr);
    vips_object_unref_outputs(object);
    g_object_unref(operation);
    return VipsImagePtr(out);
}

VipsImagePtr VipsBackend::loadHeader(std::int64_t index, std::string* cause) const {
    VipsImagePtr header;
    std::string said = runVipsWork([&] {
        header = load(index, false);
        return header != nullptr;
    });
    if (cause) *cause = std::move(said);
    return header;
}

std::shared_ptr<const VipsBackend> VipsBackend::open(SharedBytes bytes, const SniffResult& sniffed,
                                                     std::optional<std::filesystem::path> path,
                                                     std::string* cause) {
    if (!bytes) return nullptr;
    const ByteView file(bytes->data(), bytes->size());
    return open(std::move(bytes), file, sniffed, std::move(path), cause);
}

std::shared_ptr<const VipsBackend> VipsBackend::open(SharedBytes owner, ByteView file, const SniffResult& sniffed,
                                                     std::optional<std::filesystem::path> path,
                                                     std::string* cause) {
    if (!startVips() || !owner || !loaderFor(sniffed.typeIdentifier)) return nullptr;
    auto backend = std::shared_ptr<VipsBackend>(new VipsBackend());
    backend->bytes_ = std::move(owner);
    backend->file_ = file;
    backend->format_ = sniffed.format;
    backend->typeIdentifier_ = sniffed.typeIdentifier;
    // The file read a moment ago may have been swapped for a pipe or a device since; its
    // FileError says so rather than calling it damaged.
    if (sniffed.format == SniffedFormat::openEXR && path) backend->openEXRFile_ = openRegularFile(*path).descriptor;
    if (sniffed.format == SniffedFormat::png) {
        backend->png_ = summarisePng(file);
        if (!backend->png_) return nullptr;
    }

    auto header = backend->loadHeader(0, cause);
    if (!header) {
        // libpng refuses some images whose header is sound (a side beyond its limits); the
        // declared size still has to reach the caller, who refuses it by size.
        if (!backend->png_) return nullptr;
        backend->headerReadable_ = false;
    }
    StoredElsewhere& elsewhere = backend->elsewhere_;
    if (sniffed.format == SniffedFormat::gif) {
        backend->opaqueGif_ = !gifDeclaresTransparency(file);
        GIFMetadata gif = gifMetadata(file);
        elsewhere.comment = std::move(gif.comment);
        elsewhere.xmp = std::move(gif.xmp);
    } else if (sniffed.format == SniffedFormat::png) {
        PNGMetadata png = pngMetadata(file);
        if (png.comment) elsewhere.comment = Bytes(png.comment->begin(), png.comment->end());
        elsewhere.exif = std::move(png.exif);
        elsewhere.iptc = std::move(png.iptc);
        elsewhere.xmp = std::move(png.xmp);
        elsewhere.pngTexts = std::move(png.texts);
        elsewhere.photoshop = std::move(png.photoshop);
    } else if (sniffed.format == SniffedFormat::jpegXL) {
        JXLMetadata jxl = jxlMetadata(file);
        elsewhere.exif = std::move(jxl.exif);
        elsewhere.xmp = std::move(jxl.xmp);
    }
    if (backend->png_ && backend->png_->animationFrames) {
        backend->count_ = *backend->png_->animationFrames;
        backend->hasFrameInfo_ = true;
    } else if (header && backend->isPaged()) {
        backend->count_ = std::max(1, vips_image_get_n_pages(header.get()));
        backend->hasFrameInfo_ =
            (sniffed.format == SniffedFormat::gif || sniffed.format == SniffedFormat::webp) && backend->count_ > 1;
    }
    return backend;
}

bool VipsBackend::hasAlpha(VipsImage* image) const {
    // A Radiance file's four bands are its shared-exponent coding, not colour and alpha.
    if (opaqueGif_ || image->Coding == VIPS_CODING_RAD) return false;
    return vips_image_hasalpha(image);
}

std::optional<PropertyMap> VipsBackend::propertiesAt(std::int64_t index) const {
    if (index < 0 || index >= count_) return std::nullopt;
    if (!headerReadable_) return basicProperties(png_->width, png_->height, png_->hasAlpha(), png_->bitDepth);
    // The frames of an animated PNG all have the canvas size of the default image.
    const std::int64_t page = isPaged() ? index : 0;
    auto header = loadHeader(page);
    if (!header) return std::nullopt;
    VipsImage* image = header.get();

    int depth = intField(image, "bits-per-sample").value_or(bitsOf(image->BandFmt));
    if (image->Coding == VIPS_CODING_RAD) depth = 32;
    auto properties = basicProperties(image->Xsize, image->Ysize, hasAlpha(image), depth);

    if (auto icc = blobField(image, VIPS_META_ICC_NAME)) addColourProfile(properties, *icc);
    else if (auto tagged = taggedColourSpace(page, image->Bands >= 3)) addColourProfile(properties, tagged->iccData());
    // A TIFF page's EXIF, orientation and IPTC are its own directory's, read as a first one's.
    const bool tiff = format_ == SniffedFormat::tiff;
    const ByteView file = file_;
    const std::optional<ZeroedPages> pageTags = tiff ? tiffPageTags(file, page) : std::nullopt;
    const ByteView tags = pageTags ? pageTags->view() : file;
    if (auto iptc = iptcOf(image, tags)) properties[keys::iptc] = std::move(*iptc);
    if (auto resources = photoshopResourcesOf()) properties[keys::photoshop] = std::move(*resources);
    if (auto comment = commentOf()) properties[keys::comment] = std::move(*comment);
    if (!elsewhere_.pngTexts.empty()) properties[keys::pngText] = pngTextProperty(elsewhere_.pngTexts);
    if (format_ == SniffedFormat::jpeg) {
        if (const auto following = jpegFollowing(file)) {
            properties[keys::bytesAfterPicture] = static_cast<std::int64_t>(following->bytes);
            properties[keys::picturesAfterFirst] = following->pictures;
            properties[keys::bytesAfterPictures] = static_cast<std::int64_t>(following->bytesAfterPictures);
        }
    }
    std::optional<std::int64_t> exifOrientation;
    // libvips reads a JPEG's first EXIF segment only; a larger block goes on in the next ones.
    std::optional<Bytes> joinedExif;
    if (format_ == SniffedFormat::jpeg) joinedExif = jpegJoinedExif(file_);
    if (joinedExif) {
        exifOrientation = addExif(properties, std::move(*joinedExif));
    } else if (auto exif = blobField(image, VIPS_META_EXIF_NAME)) {
        exifOrientation = addExif(properties, tiffStructuredExif(exif->data(), exif->size()));
    } else if (auto held = exifHeldElsewhere(tags)) {
        exifOrientation = addExif(properties, tiffStructuredExif(held->data(), held->size()));
    }
    if (!exifOrientation) {
        // A TIFF's own orientation tag, else XMP's, when the EXIF names none. libvips names a
        // TIFF without the tag upright, so the tag is looked for in the file itself.
        std::optional<int> orientation = tiff ? platform::exifOrientation(tags) : std::nullopt;
        if (!orientation)
            if (auto xmp = xmpPacket(image)) orientation = xmpOrientation(*xmp);
        if (!orientation && tiff) orientation = intField(image, VIPS_META_ORIENTATION);
        if (orientation) properties[keys::orientation] = std::int64_t{*orientation};
    }
    // libheif turns the pixels by the file's irot and imir boxes itself, and libjxl by the
    // codestream's orientation; reporting the EXIF orientation as well would turn them twice.
    if (format_ == SniffedFormat::heif || format_ == SniffedFormat::jpegXL) properties[keys::orientation] = std::int64_t{1};

    // libvips reports 1 pixel per millimetre when a file names no resolution, and a resolution
    // in no unit as so many pixels per millimetre.
    if (image->Xres > 0 && image->Yres > 0 && !(image->Xres == 1.0 && image->Yres == 1.0)) {
        const Bytes* exif = propertyOf<Bytes>(properties, keys::exif);
        const bool noUnit = (png_ && png_->resolutionHasNoUnit) || (tiff && tiffResolutionHasNoUnit(tags)) ||
                            (format_ == SniffedFormat::jpeg && exif && tiffResolutionHasNoUnit(*exif));
        const double perUnit = noUnit ? 1 : 25.4;
        properties[keys::dpiWidth] = image->Xres * perUnit;
        properties[keys::dpiHeight] = image->Yres * perUnit;
        if (noUnit) properties[keys::resolutionHasNoUnit] = true;
        else if (countsInCentimetres(image)) properties[keys::resolutionInCentimetres] = true;
    }
    return properties;
}

// The IPTC records, read from the file where libvips reads them partly: it gives a JPEG's
// first APP13 segment alone, a TIFF's cut to as many bytes as the tag counts values, and
// none of a PNG's. A TIFF's are read from `tags`, the page's tags with its directory named first.
std::optional<Bytes> VipsBackend::iptcOf(VipsImage* image, ByteView tags) const {
    if (format_ == SniffedFormat::jpeg) return jpegIPTC(file_);
    if (format_ == SniffedFormat::tiff) return tiffIPTC(tags);
    if (format_ == SniffedFormat::png) return elsewhere_.iptc;
    const auto blob = blobField(image, VIPS_META_IPTC_NAME);
    if (!blob) return std::nullopt;
    const ByteView view(blob->data(), blob->size());
    if (auto records = photoshopIPTC(view)) return records;
    return iptcRecords(view);
}

// Photoshop's resources other than IPTC, which libvips reads in no file; a TIFF's from its first
// directory, whatever the page.
std::optional<Bytes> VipsBackend::photoshopResourcesOf() const {
    if (format_ == SniffedFormat::jpeg) return jpegPhotoshopResources(file_);
    if (format_ == SniffedFormat::tiff) return tiffPhotoshopResources(file_);
    if (format_ == SniffedFormat::png) return elsewhere_.photoshop;
    return std::nullopt;
}

// libvips reads neither a JPEG's COM segments, nor a GIF's comment extensions, nor a PNG's
// Comment chunk after its pixel data.
std::optional<Bytes> VipsBackend::commentOf() const {
    if (format_ == SniffedFormat::jpeg) return jpegComment(file_);
    if (format_ == SniffedFormat::gif || format_ == SniffedFormat::png) return elsewhere_.comment;
    return std::nullopt;
}

// EXIF where libvips does not look: a TIFF's own directories (those of `tags`, the page's tags
// with its directory named first), a JPEG XL container's box, and a PNG's eXIf chunk after its
// pixel data or its text chunk in the form ImageMagick and exiv2 write when the file has no
// eXIf chunk.
std::optional<Bytes> VipsBackend::exifHeldElsewhere(ByteView tags) const {
    if (format_ == SniffedFormat::tiff) return tiffFileExif(tags);
    if (format_ == SniffedFormat::jpegXL || format_ == SniffedFormat::png) return elsewhere_.exif;
    return std::nullopt;
}

std::optional<XMPPacket> VipsBackend::xmpAt(std::int64_t index) const {
    if (index < 0 || index >= count_ || !headerReadable_) return std::nullopt;
    auto header = loadHeader(isPaged() ? index : 0);
    if (!header) return std::nullopt;
    auto packet = xmpPacket(header.get());
    // libvips reads no JPEG XL container's XMP box, no HEIF file's XMP item, no GIF's XMP
    // extension, and no PNG's raw profile nor its XMP chunk after the pixel data.
    if (!packet) {
        const std::optional<std::string> stored =
            format_ == SniffedFormat::heif ? heifXMP(file_, isPaged() ? index : 0)
                                           : elsewhere_.xmp;
        if (auto text = stored ? xmpText(ByteView(reinterpret_cast<const std::uint8_t*>(stored->data()), stored->size()))
                               : std::nullopt)
            packet = XMPPacket{std::move(*text)};
    }
    // libvips reads a JPEG's standard packet only; the rest of a large one is in further segments.
    if (packet && format_ == SniffedFormat::jpeg)
        return jpegXMPWithExtension(std::move(*packet), file_);
    // Only a JPEG holds an extension; a packet copied from one names what is not there.
    if (packet) return xmpWithoutExtension(std::move(*packet), "only a JPEG file holds one");
    return packet;
}

ImageReadResult VipsBackend::imageAt(std::int64_t index, const PixelBudget& budget) const {
    return reducedImageAt(index, budget, 1);
}

ImageReadResult VipsBackend::reducedImageAt(std::int64_t index, const PixelBudget& budget, int reduction) const {
    if (index < 0 || index >= count_) return {};
    // An animated PNG's frames are read whole.
    if (!reduces() || (png_ && png_->animationFrames)) reduction = 1;
    if (!headerReadable_) return {nullptr, !budget.allows(png_->width, png_->height, png_->decodedBytesPerPixel())};
    // Only the default image of an animated PNG can be decoded.
    if (png_ && png_->animationFrames && index > 0) return {};
    ImageReadResult read;
    const std::string cause = runVipsWork([&] {
        read = decodePixels(isPaged() ? index : 0, budget, std::max(reduction, 1));
        return read.image || read.exceedsBudget;
    });
    if (!read.image && !read.exceedsBudget) read.cause = cause;
    return read;
}

ImageReadResult VipsBackend::decodePixels(std::int64_t index, const PixelBudget& budget, int reduction) const {
    const int whileDecoding = loaderReduction(reduction);
    auto loaded = load(index, true, whileDecoding);
    if (!loaded) return {};
    double reducedAcross = whileDecoding, reducedDown = whileDecoding;
    std::int64_t storedWidth = loaded->Xsize, storedHeight = loaded->Ysize;
    if (whileDecoding > 1) {
        const auto whole = load(index, false);
        if (!whole) return {};
        storedWidth = whole->Xsize;
        storedHeight = whole->Ysize;
        // libwebp's scaler spreads the stored sides evenly over the decoded ones.
        if (format_ == SniffedFormat::webp) {
            reducedAcross = static_cast<double>(whole->Xsize) / loaded->Xsize;
            reducedDown = static_cast<double>(whole->Ysize) / loaded->Ysize;
        }
    }
    const std::uint64_t working = loaderWorkingBytes(index, loaded.get(), storedWidth, storedHeight);
    const int byAveraging = format_ == SniffedFormat::webp ? 1 : reduction / whileDecoding;

    const auto icc = blobField(loaded.get(), VIPS_META_ICC_NAME);
    const auto profile = icc ? ColourSpace::fromICC(*icc) : nullptr;
    const bool cmykProfile = profile && profile->model() == ColourModel::cmyk;
    const PixelPlan plan = planPixels(loaded.get(), cmykProfile, opaqueGif_);
    if (!plan.image) return {};
    VipsImagePtr image(plan.image);
    if (byAveraging > 1) {
        image = averaged(image.get(), byAveraging);
        if (!image) return {};
        reducedAcross *= byAveraging;
        reducedDown *= byAveraging;
    }

    const int bands = image->Bands;
    const int bits = image->BandFmt == VIPS_FORMAT_UCHAR ? 8 : image->BandFmt == VIPS_FORMAT_USHORT ? 16 : 32;
    const int bytesPerPixel = bands * bits / 8;
    if (!budget.allows(image->Xsize, image->Ysize, bytesPerPixel, working)) return {nullptr, true};

    const std::size_t rowBytes = static_cast<std::size_t>(image->Xsize) * bytesPerPixel;
    auto pixels = std::make_shared<Bytes>();
    if (!copyPixels(image.get(), *pixels, rowBytes, budget.stop)) return {};
    const bool alpha = vips_image_hasalpha(image.get());
    const int colour = bands - (alpha ? 1 : 0);
    ColourSpaceRef space;
    if (plan.linearLight) {
        space = linearLightSpace(colour >= 3);
    } else {
        if (!icc && plan.keepsProfile) space = taggedColourSpace(index, colour >= 3);
        if (!space) space = colourSpaceForPixels(plan.keepsProfile && icc ? &*icc : nullptr, colour);
    }
    if (!space) return {};
    auto made = Image::make(image->Xsize, image->Ysize, bits, bands, alpha ? AlphaInfo::last : AlphaInfo::none,
                            std::move(space), std::move(pixels), rowBytes);
    ImageReadResult read{std::move(made), false};
    read.reducedAcross = reducedAcross;
    read.reducedDown = reducedDown;
    return read;
}

} // namespace platform
