#include "platform/read/ImageReader.h"

#include "platform/read/BMPBackend.h"
#include "platform/files/FilePath.h"
#include "platform/read/ICNSBackend.h"
#include "platform/read/ICOBackend.h"
#include "platform/read/PNMBackend.h"
#include "platform/types/ImageSniffer.h"
#include "platform/types/ImageTypeIdentifiers.h"
#include "platform/read/RawBackend.h"
#include "platform/read/TGABackend.h"
#include "platform/read/VipsBackend.h"
#include "platform/vips/VipsRuntime.h"

#include <libheif/heif.h>
#include <vips/vips.h>


namespace platform {
namespace {

// Whether the loader with this nickname (such as "heifload_buffer") is built into libvips
// or one of its modules on this machine.
bool vipsHasLoader(const char* nickname) { return startVips() && vips_type_find("VipsOperation", nickname) != 0; }

// A TIFF-structured file is a camera RAW file when libraw recognises a camera in it; a TIFF
// written by any other program goes to the TIFF loader.
std::shared_ptr<const ImageBackend> openTiffFamily(const SharedBytes& bytes, const SniffResult& sniffed,
                                                   const std::optional<std::filesystem::path>& path) {
    if (auto raw = RawBackend::open(bytes)) return raw;
    return VipsBackend::open(bytes, sniffed, path);
}

} // namespace

const std::vector<std::string>& ImageReader::readableTypeIdentifiers() {
    static const std::vector<std::string> identifiers = [] {
        std::vector<std::string> found;
        const std::pair<const char*, const char*> vipsTypes[] = {
            {"jpegload_buffer", types::jpeg}, {"pngload_buffer", types::png}, {"gifload_buffer", types::gif},
            {"webpload_buffer", types::webp}, {"tiffload_buffer", types::tiff}, {"jp2kload_buffer", types::jpeg2000},
            {"jxlload_buffer", types::jpegXL}, {"ppmload_source", types::pbm}, {"ppmload_source", types::pgm},
            {"ppmload_source", types::ppm}, {"ppmload_source", types::pnm}, {"radload_buffer", types::radiance},
            {"openexrload", types::openEXR},
        };
        for (const auto& [loader, type] : vipsTypes)
            if (vipsHasLoader(loader)) found.emplace_back(type);
        if (vipsHasLoader("heifload_buffer")) {
            if (heif_have_decoder_for_format(heif_compression_HEVC)) {
                found.emplace_back(types::heic);
                found.emplace_back(types::heif);
            }
            if (heif_have_decoder_for_format(heif_compression_AV1)) found.emplace_back(types::avif);
        }
        for (const char* own : {types::bmp, types::ico, types::icns, types::tga}) found.emplace_back(own);
        for (const char* raw : {types::cameraRaw, types::dng, types::canonCR2, types::canonCR3, types::canonCRW,
                                types::nikon, types::sony, types::fuji, types::olympus, types::panasonic, types::pentax,
                                types::samsung, types::leica, types::hasselblad, types::phaseOne, types::sigma,
                                types::kodak, types::minolta})
            found.emplace_back(raw);
        return found;
    }();
    return identifiers;
}

std::optional<ImageReader> ImageReader::open(const std::filesystem::path& path) {
    try {
        return open(std::make_shared<const Bytes>(readWholeFile(path)), path);
    } catch (const FileError&) {
        return std::nullopt;
    }
}

std::optional<ImageReader> ImageReader::open(SharedBytes bytes) { return open(std::move(bytes), std::nullopt); }

std::optional<ImageReader> ImageReader::open(SharedBytes bytes, std::optional<std::filesystem::path> path) {
    if (!bytes || bytes->empty()) return std::nullopt;
    const auto sniffed = sniffImageFormat(ByteView(bytes->data(), bytes->size()));
    std::shared_ptr<const ImageBackend> backend;
    switch (sniffed.format) {
    case SniffedFormat::bmp: backend = BMPBackend::open(bytes); break;
    case SniffedFormat::ico: backend = ICOBackend::open(bytes); break;
    case SniffedFormat::icns: backend = ICNSBackend::open(bytes); break;
    case SniffedFormat::tiff: backend = openTiffFamily(bytes, sniffed, path); break;
    case SniffedFormat::pnm: backend = PNMBackend::open(bytes, sniffed); break;
    case SniffedFormat::tga: backend = TGABackend::open(bytes); break;
    case SniffedFormat::unknown: backend = RawBackend::open(bytes); break;
    default: backend = VipsBackend::open(bytes, sniffed, path); break;
    }
    if (!backend || backend->count() < 1) return std::nullopt;
    return ImageReader(std::move(backend));
}

} // namespace platform
