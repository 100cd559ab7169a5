#include "platform/read/RawBackend.h"

#include "platform/types/ImageTypeIdentifiers.h"

#include <libraw/libraw.h>

#include <cstring>
#include <string_view>

namespace platform {
namespace {

std::unique_ptr<LibRaw> openRaw(const SharedBytes& bytes) {
    auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    // Pixels as stored: the turn is reported, never applied.
    raw->imgdata.params.user_flip = 0;
    if (raw->open_buffer(const_cast<std::uint8_t*>(bytes->data()), bytes->size()) != LIBRAW_SUCCESS) return nullptr;
    if (raw->imgdata.sizes.raw_width == 0 || raw->imgdata.sizes.raw_height == 0) return nullptr;
    return raw;
}

std::string typeOf(const LibRaw& raw, const Bytes& bytes) {
    const auto& id = raw.imgdata.idata;
    if (id.dng_version != 0) return types::dng;
    const std::string_view make(id.make);
    if (make == "Canon") {
        if (bytes.size() > 10 && bytes[8] == 'C' && bytes[9] == 'R') return types::canonCR2;
        if (bytes.size() > 14 && std::memcmp(bytes.data() + 6, "HEAPCCDR", 8) == 0) return types::canonCRW;
        if (bytes.size() > 12 && std::memcmp(bytes.data() + 4, "ftypcrx ", 8) == 0) return types::canonCR3;
        return types::cameraRaw;
    }
    if (make == "Nikon" || make == "NIKON") return types::nikon;
    if (make == "Sony" || make == "SONY") return types::sony;
    if (make == "Fujifilm" || make == "FUJIFILM") return types::fuji;
    if (make == "Olympus" || make == "OLYMPUS" || make == "OM Digital") return types::olympus;
    if (make == "Panasonic") return types::panasonic;
    if (make == "Leica") return types::leica;
    if (make == "Pentax" || make == "PENTAX" || make == "Ricoh") return types::pentax;
    if (make == "Samsung" || make == "SAMSUNG") return types::samsung;
    if (make == "Hasselblad") return types::hasselblad;
    if (make == "Phase One") return types::phaseOne;
    if (make == "Sigma") return types::sigma;
    if (make == "Kodak") return types::kodak;
    if (make == "Minolta" || make == "Konica Minolta") return types::minolta;
    return types::cameraRaw;
}

// libraw's flip: 3 is a half turn, 5 a quarter turn anticlockwise, 6 a quarter turn clockwise.
std::int64_t orientationOf(int flip) {
    switch (flip) {
    case 3: return 3;
    case 5: return 8;
    case 6: return 6;
    default: return 1;
    }
}

} // namespace

std::shared_ptr<const RawBackend> RawBackend::open(SharedBytes bytes) {
    if (!bytes || bytes->empty()) return nullptr;
    auto raw = openRaw(bytes);
    if (!raw) return nullptr;
    // Sizing applies the user's flip (none) to the stored one: read the camera's turn first.
    const int flip = raw->imgdata.sizes.flip;
    if (raw->adjust_sizes_info_only() != LIBRAW_SUCCESS) return nullptr;
    auto backend = std::shared_ptr<RawBackend>(new RawBackend());
    backend->typeIdentifier_ = typeOf(*raw, *bytes);
    backend->width_ = raw->imgdata.sizes.iwidth;
    backend->height_ = raw->imgdata.sizes.iheight;
    backend->orientation_ = orientationOf(flip);
    if (backend->width_ <= 0 || backend->height_ <= 0) return nullptr;
    backend->bytes_ = std::move(bytes);
    return backend;
}

std::optional<PropertyMap> RawBackend::propertiesAt(std::int64_t index) const {
    if (index != 0) return std::nullopt;
    auto properties = basicProperties(width_, height_, false, 16);
    properties[keys::orientation] = orientation_;
    return properties;
}

ImageReadResult RawBackend::imageAt(std::int64_t index, const PixelBudget& budget) const {
    if (index != 0) return {};
    if (!budget.allows(width_, height_, 6)) return {nullptr, true};
    auto raw = openRaw(bytes_);
    if (!raw) return {};
    auto& params = raw->imgdata.params;
    params.output_bps = 16;
    params.output_color = 1; // sRGB primaries
    params.gamm[0] = 1 / 2.4; // and the sRGB tone curve
    params.gamm[1] = 12.92;
    if (raw->unpack() != LIBRAW_SUCCESS || raw->dcraw_process() != LIBRAW_SUCCESS) return {};
    int error = 0;
    libraw_processed_image_t* developed = raw->dcraw_make_mem_image(&error);
    if (!developed) return {};
    std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t*)> owned(developed, LibRaw::dcraw_clear_mem);
    if (developed->type != LIBRAW_IMAGE_BITMAP || (developed->colors != 3 && developed->colors != 1) ||
        (developed->bits != 8 && developed->bits != 16))
        return {};
    const std::size_t rowBytes = static_cast<std::size_t>(developed->width) * developed->colors * developed->bits / 8;
    if (static_cast<std::size_t>(developed->data_size) < rowBytes * developed->height) return {};
    auto pixels = std::make_shared<Bytes>(developed->data, developed->data + rowBytes * developed->height);
    // libraw writes 16-bit samples in the machine's order, as the bitmap expects.
    auto space = developed->colors == 1 ? ColourSpace::deviceGray() : ColourSpace::sRGB();
    return {Image::make(developed->width, developed->height, developed->bits, developed->colors, AlphaInfo::none,
                        std::move(space), std::move(pixels), rowBytes),
            false};
}

} // namespace platform
