#include "platform/read/ImageReader.h"

#include "platform/read/BMPBackend.h"
#include "platform/files/FilePath.h"
#include "platform/files/PathCutting.h"
#include "platform/read/ICNSBackend.h"
#include "platform/read/ICOBackend.h"
#include "platform/read/PNMBackend.h"
#include "platform/read/PSDBackend.h"
#include "platform/types/ImageSniffer.h"
#include "platform/types/FormatFacts.h"
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
                                                   const std::optional<std::filesystem::path>& path, std::string& cause) {
    if (auto raw = RawBackend::open(bytes)) return raw;
    return VipsBackend::open(bytes, sniffed, path, &cause);
}

bool heifDecodes(HEIFCodec codec) {
    switch (codec) {
    case HEIFCodec::none: return true;
    case HEIFCodec::hevc: return heif_have_decoder_for_format(heif_compression_HEVC);
    case HEIFCodec::av1: return heif_have_decoder_for_format(heif_compression_AV1);
    }
    return false;
}

// Whether this machine has what the row's back end needs.
bool canRead(const FormatFacts& row) {
    switch (row.reader) {
    case ReadBackEnd::none: return false;
    case ReadBackEnd::vips: return vipsHasLoader(row.vipsLoader) && heifDecodes(row.heifCodec);
    case ReadBackEnd::bmp: case ReadBackEnd::ico: case ReadBackEnd::icns: case ReadBackEnd::psd: case ReadBackEnd::tga: case ReadBackEnd::cameraRaw:
        return true;
    }
    return false;
}

} // namespace

const std::vector<std::string>& ImageReader::readableTypeIdentifiers() {
    static const std::vector<std::string> identifiers = [] {
        std::vector<std::string> found;
        for (const auto& row : formatTable())
            if (canRead(row)) found.emplace_back(row.identifier);
        return found;
    }();
    return identifiers;
}

Outcome<ImageReader> ImageReader::open(const std::filesystem::path& path) {
    auto opened = open(std::make_shared<const Bytes>(readWholeFile(path)), path);
    // Loaders that read the file themselves name it; the cause names it by its name alone.
    if (!opened) return Outcome<ImageReader>::failure(namingByFileName(opened.cause(), path));
    return opened;
}

Outcome<ImageReader> ImageReader::open(SharedBytes bytes) { return open(std::move(bytes), std::nullopt); }

Outcome<ImageReader> ImageReader::open(SharedBytes bytes, std::optional<std::filesystem::path> path) {
    if (!bytes || bytes->empty()) return std::nullopt;
    const auto sniffed = sniffImageFormat(ByteView(bytes->data(), bytes->size()));
    std::shared_ptr<const ImageBackend> backend;
    std::string cause;
    switch (sniffed.format) {
    case SniffedFormat::bmp: backend = BMPBackend::open(bytes); break;
    case SniffedFormat::ico: backend = ICOBackend::open(bytes); break;
    case SniffedFormat::icns: backend = ICNSBackend::open(bytes); break;
    case SniffedFormat::tiff: backend = openTiffFamily(bytes, sniffed, path, cause); break;
    case SniffedFormat::pnm: backend = PNMBackend::open(bytes, sniffed); break;
    case SniffedFormat::psd: backend = PSDBackend::open(bytes); break;
    case SniffedFormat::tga: backend = TGABackend::open(bytes); break;
    case SniffedFormat::unknown: backend = RawBackend::open(bytes); break;
    default: backend = VipsBackend::open(bytes, sniffed, path, &cause); break;
    }
    if (!backend || backend->count() < 1) return Outcome<ImageReader>::failure(std::move(cause));
    return ImageReader(std::move(backend));
}

} // namespace platform
