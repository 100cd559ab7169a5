#include "platform/read/RawBackend.h"

#include "platform/read/ByteSourceDatastream.h"
#include "platform/types/ImageTypeIdentifiers.h"

#include <libraw/libraw.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>

namespace platform {
namespace {

// libraw set to develop the pixels as stored, opened by `open`; null when it finds no camera
// picture.
std::unique_ptr<LibRaw> openRaw(const std::function<int(LibRaw&)>& open) {
    auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    // Pixels as stored: the turn is reported, never applied.
    raw->imgdata.params.user_flip = 0;
    if (open(*raw) != LIBRAW_SUCCESS) return nullptr;
    if (raw->imgdata.sizes.raw_width == 0 || raw->imgdata.sizes.raw_height == 0) return nullptr;
    return raw;
}

std::unique_ptr<LibRaw> openRaw(const SharedBytes& bytes) {
    return openRaw([&](LibRaw& raw) { return raw.open_buffer(const_cast<std::uint8_t*>(bytes->data()), bytes->size()); });
}

// The sides the pixels are developed at, and the camera's turn.
struct DevelopedSides {
    std::int64_t width = 0;
    std::int64_t height = 0;
    int flip = 0;
};

std::optional<DevelopedSides> developedSides(LibRaw& raw) {
    // Sizing applies the user's flip (none) to the stored one: read the camera's turn first.
    const int flip = raw.imgdata.sizes.flip;
    if (raw.adjust_sizes_info_only() != LIBRAW_SUCCESS) return std::nullopt;
    const DevelopedSides sides{raw.imgdata.sizes.iwidth, raw.imgdata.sizes.iheight, flip};
    if (sides.width <= 0 || sides.height <= 0) return std::nullopt;
    return sides;
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

// Three 16-bit samples a pixel, as the pixels are developed.
constexpr int developedBytesPerPixel = 6;
// Four 16-bit samples a pixel, as libraw develops them.
constexpr int librawPictureBytesPerPixel = 8;

// What libraw holds while it develops a picture, beside the bitmap it is copied into: the raw
// data unpacked from the file (a 16-bit sample a photosite for a mosaic or a grey sensor,
// four for any other, over the sensor's whole area and a few rows more) and the picture it
// is developed into, four 16-bit samples a pixel.
std::uint64_t heldWhileDeveloping(LibRaw& raw) {
    const auto& sizes = raw.imgdata.sizes;
    const std::uint64_t across = std::max<std::uint64_t>(sizes.raw_width, std::uint64_t{sizes.width} + sizes.left_margin);
    const std::uint64_t down = std::max<std::uint64_t>(sizes.raw_height, std::uint64_t{sizes.height} + sizes.top_margin) + 8;
    // A decoder that allocates for itself is counted as taking the most.
    libraw_decoder_info_t decoder{};
    const bool ownAllocation =
        raw.get_decoder_info(&decoder) != LIBRAW_SUCCESS || (decoder.decoder_flags & LIBRAW_DECODER_OWNALLOC);
    const bool oneSample = raw.imgdata.idata.filters != 0 || raw.imgdata.idata.colors == 1;
    const std::uint64_t rawData = across * down * (oneSample && !ownAllocation ? 2 : 8);
    const std::uint64_t developed = std::uint64_t{sizes.iwidth} * sizes.iheight * librawPictureBytesPerPixel;
    return rawData + developed;
}

} // namespace

std::shared_ptr<const RawBackend> RawBackend::open(SharedBytes bytes) {
    if (!bytes || bytes->empty()) return nullptr;
    auto raw = openRaw(bytes);
    if (!raw) return nullptr;
    const auto sides = developedSides(*raw);
    if (!sides) return nullptr;
    auto backend = std::shared_ptr<RawBackend>(new RawBackend());
    backend->typeIdentifier_ = typeOf(*raw, *bytes);
    backend->width_ = sides->width;
    backend->height_ = sides->height;
    backend->orientation_ = orientationOf(sides->flip);
    backend->heldBesidePixels_ = heldWhileDeveloping(*raw);
    backend->bytes_ = std::move(bytes);
    return backend;
}

std::optional<StoredSides> RawBackend::storedSides(const ByteSource& source) {
    const auto stream = byteSourceDatastream(source, byteSourceLength(source));
    const auto raw = openRaw([&](LibRaw& opening) { return opening.open_datastream(stream.get()); });
    if (!raw) return std::nullopt;
    const auto sides = developedSides(*raw);
    if (!sides) return std::nullopt;
    return StoredSides{sides->width, sides->height, developedBytesPerPixel, heldWhileDeveloping(*raw), false};
}

std::optional<PropertyMap> RawBackend::propertiesAt(std::int64_t index) const {
    if (index != 0) return std::nullopt;
    auto properties = basicProperties(width_, height_, false, 16);
    properties[keys::orientation] = orientation_;
    return properties;
}

ImageReadResult RawBackend::imageAt(std::int64_t index, const PixelBudget& budget) const {
    if (index != 0) return {};
    if (!budget.allows(width_, height_, developedBytesPerPixel, heldBesidePixels_)) return {nullptr, true};
    auto raw = openRaw(bytes_);
    if (!raw) return {};
    auto& params = raw->imgdata.params;
    params.output_bps = 16;
    params.output_color = 1; // sRGB primaries
    params.gamm[0] = 1 / 2.4; // and the sRGB tone curve
    params.gamm[1] = 12.92;
    if (raw->unpack() != LIBRAW_SUCCESS || raw->dcraw_process() != LIBRAW_SUCCESS) return {};
    int width = 0, height = 0, colors = 0, bits = 0;
    raw->get_mem_image_format(&width, &height, &colors, &bits);
    if (width <= 0 || height <= 0 || (colors != 3 && colors != 1) || bits != 16) return {};
    // Developed straight into the bitmap's buffer: libraw's own copy of it would be held
    // beside both its picture and ours.
    const std::size_t rowBytes = static_cast<std::size_t>(width) * colors * bits / 8;
    auto pixels = std::make_shared<Bytes>(rowBytes * static_cast<std::size_t>(height));
    if (raw->copy_mem_image(pixels->data(), static_cast<int>(rowBytes), 0) != LIBRAW_SUCCESS) return {};
    // libraw writes 16-bit samples in the machine's order, as the bitmap expects.
    auto space = colors == 1 ? ColourSpace::deviceGray() : ColourSpace::sRGB();
    return {Image::make(width, height, bits, colors, AlphaInfo::none, std::move(space), std::move(pixels), rowBytes),
            false};
}

} // namespace platform
