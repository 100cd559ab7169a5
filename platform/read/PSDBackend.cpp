#include "platform/read/PSDBackend.h"

#include "platform/colour/ColourTransformCache.h"
#include "platform/colour/LcmsProfile.h"
#include "platform/metadata/ExifGPS.h"
#include "platform/metadata/IPTCRecords.h"
#include "platform/metadata/PhotoshopResources.h"
#include "platform/metadata/JPEGExtendedXMP.h"
#include "platform/metadata/XMPOrientation.h"
#include "platform/metadata/XMPText.h"
#include "platform/types/ImageTypeIdentifiers.h"
#include "platform/vips/VipsRuntime.h"

#include <vips/vips.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <cstring>
#include <vector>

namespace platform {
namespace {

using Mode = PSDFile::Mode;

// The press profile libvips ships, for CMYK files that name none.
ColourSpaceRef standardCMYK() {
    static const ColourSpaceRef space = []() -> ColourSpaceRef {
        if (!startVips()) return nullptr;
        VipsBlob* blob = nullptr;
        if (vips_profile_load("cmyk", &blob, nullptr) || !blob) return nullptr;
        std::size_t length = 0;
        const auto* data = static_cast<const std::uint8_t*>(vips_area_get_data(VIPS_AREA(blob), &length, nullptr, nullptr, nullptr));
        auto made = data ? ColourSpace::fromICC(Bytes(data, data + length)) : nullptr;
        vips_area_unref(VIPS_AREA(blob));
        return made;
    }();
    return space;
}

ColourSpaceRef labD50() {
    static const ColourSpaceRef space = []() -> ColourSpaceRef {
        const LcmsProfile profile(cmsCreateLab4Profile(nullptr));
        return profile ? ColourSpace::fromICC(lcmsProfileBytes(profile.get())) : nullptr;
    }();
    return space;
}

// The rows of one channel of the merged image, top to bottom, raw or PackBits-coded. The file
// was checked to hold every byte the rows' counts name.
class ChannelRows {
public:
    ChannelRows(const PSDFile& psd, int channel) : psd_(psd), rowBytes_(psd.rowBytes()) {
        const auto height = static_cast<std::size_t>(psd.height);
        const std::size_t first = static_cast<std::size_t>(channel) * height;
        if (psd.compression == PSDFile::Compression::raw) {
            at_ = first * rowBytes_;
            return;
        }
        countBytes_ = psd.bigDocument ? 4 : 2;
        countAt_ = first * countBytes_;
        at_ = static_cast<std::size_t>(psd.storedChannels) * height * countBytes_;
        for (std::size_t row = 0; row < first; ++row) at_ += count(row * countBytes_);
    }

    // Fills `row` with the next row's rowBytes bytes; false when the data does not hold them.
    bool next(std::uint8_t* row) {
        const ByteView data = psd_.imageData;
        if (psd_.compression == PSDFile::Compression::raw) {
            if (!data.has(at_, rowBytes_)) return false;
            std::memcpy(row, data.data() + at_, rowBytes_);
            at_ += rowBytes_;
            return true;
        }
        const std::size_t packed = count(countAt_);
        countAt_ += countBytes_;
        const ByteView input = data.sub(at_, packed);
        at_ += packed;
        return unpack(input, row);
    }

private:
    std::size_t count(std::size_t at) const {
        if (countBytes_ == 4) return psd_.imageData.u32be(at).value_or(0);
        return psd_.imageData.u16be(at).value_or(0);
    }

    // A control byte n of 0 to 127 copies the next n + 1 bytes; 129 to 255 repeats the next
    // byte 257 − n times; 128 does nothing.
    bool unpack(ByteView input, std::uint8_t* row) const {
        std::size_t at = 0, written = 0;
        while (written < rowBytes_) {
            const auto control = input.u8(at++);
            if (!control) return false;
            if (*control < 128) {
                const std::size_t run = *control + 1u;
                if (run > rowBytes_ - written || !input.has(at, run)) return false;
                std::memcpy(row + written, input.data() + at, run);
                at += run;
                written += run;
            } else if (*control > 128) {
                const std::size_t run = 257u - *control;
                const auto value = input.u8(at++);
                if (!value || run > rowBytes_ - written) return false;
                std::memset(row + written, *value, run);
                written += run;
            }
        }
        return true;
    }

    const PSDFile& psd_;
    std::size_t rowBytes_;
    std::size_t countBytes_ = 0;
    std::size_t countAt_ = 0;
    std::size_t at_ = 0;
};

std::uint16_t bigEndian16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }
float bigEndianFloat(const std::uint8_t* p) {
    return std::bit_cast<float>(static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
                                static_cast<std::uint32_t>(p[2]) << 8 | p[3]);
}

// One stored sample as the output depth holds it: 8 and 16-bit integers, or float; a bitmap's
// set bit is black.
template <typename Sample>
Sample storedSample(const std::uint8_t* row, std::size_t x, int depth) {
    if constexpr (std::is_same_v<Sample, float>) {
        return bigEndianFloat(row + 4 * x);
    } else if constexpr (std::is_same_v<Sample, std::uint16_t>) {
        return bigEndian16(row + 2 * x);
    } else {
        if (depth == 1) return (row[x >> 3] >> (7 - (x & 7)) & 1) ? 0 : 255;
        return row[x];
    }
}

template <typename Sample>
constexpr double fullScale() {
    if constexpr (std::is_same_v<Sample, float>) return 1.0;
    else return static_cast<double>(std::numeric_limits<Sample>::max());
}

// The file's profile when it describes the stored colour: not for Lab, which is brought into
// sRGB, nor for 32-bit channels, which hold linear light whatever profile names them.
ColourSpaceRef profileKept(const PSDFile& psd) {
    if (psd.iccProfile.size() == 0 || psd.depth == 32 || psd.mode == Mode::lab) return nullptr;
    auto space = ColourSpace::fromICC(Bytes(psd.iccProfile.data(), psd.iccProfile.data() + psd.iccProfile.size()));
    if (!space) return nullptr;
    const int wanted = psd.mode == Mode::indexed ? 3 : psd.colourChannels();
    return space->componentCount() == wanted && space->model() != ColourModel::lab ? space : nullptr;
}

} // namespace

std::shared_ptr<const PSDBackend> PSDBackend::open(SharedBytes bytes) {
    if (!bytes) return nullptr;
    auto psd = readPSDFile(ByteView(bytes->data(), bytes->size()));
    if (!psd) return nullptr;
    auto backend = std::shared_ptr<PSDBackend>(new PSDBackend());
    backend->psd_ = *psd;
    backend->profile_ = profileKept(*psd);
    // The views point into the bytes the backend now holds, which a shared pointer keeps.
    backend->bytes_ = std::move(bytes);
    return backend;
}

std::string PSDBackend::typeIdentifier() const { return types::psd; }

bool PSDBackend::alpha() const {
    if (psd_.mode == Mode::indexed) return psd_.transparentIndex && *psd_.transparentIndex < 256;
    return psd_.mergedAlpha && psd_.mode != Mode::bitmap;
}

int PSDBackend::outputColourComponents() const {
    switch (psd_.mode) {
    case Mode::cmyk: return keptProfile() ? 4 : 3;
    case Mode::indexed: case Mode::rgb: case Mode::lab: return 3;
    default: return 1;
    }
}

std::optional<PropertyMap> PSDBackend::propertiesAt(std::int64_t index) const {
    if (index != 0) return std::nullopt;
    auto properties = basicProperties(psd_.width, psd_.height, alpha(), psd_.depth);
    if (auto profile = keptProfile()) addColourProfile(properties, profile->iccData());
    if (auto iptc = iptcRecords(psd_.iptc)) properties[keys::iptc] = std::move(*iptc);
    if (auto resources = photoshopResourcesBesideMetadata(psd_.resources)) properties[keys::photoshop] = std::move(*resources);
    std::optional<std::int64_t> exifOrientation;
    if (psd_.exif.size()) exifOrientation = addExif(properties, tiffStructuredExif(psd_.exif.data(), psd_.exif.size()));
    if (!exifOrientation)
        if (auto xmp = xmpAt(0))
            if (auto value = xmpOrientation(*xmp)) properties[keys::orientation] = std::int64_t{*value};
    if (psd_.horizontalResolution && psd_.verticalResolution) {
        properties[keys::dpiWidth] = *psd_.horizontalResolution;
        properties[keys::dpiHeight] = *psd_.verticalResolution;
    }
    return properties;
}

std::optional<XMPPacket> PSDBackend::xmpAt(std::int64_t index) const {
    if (index != 0 || psd_.xmp.size() == 0) return std::nullopt;
    auto text = xmpText(psd_.xmp);
    if (!text) return std::nullopt;
    // Only a JPEG holds an extension; a packet copied from one names what is not there.
    return xmpWithoutExtension(XMPPacket{std::move(*text)}, "only a JPEG file holds one");
}

namespace {

// Decodes the merged image into interleaved rows of Sample: the colour (turned into sRGB
// through `transform` when there is one, from the mode's own components) then alpha.
template <typename Sample>
bool decodeRows(const PSDFile& psd, int colourOut, bool alpha, const ColourTransform* transform, std::uint8_t* pixels,
                std::size_t rowBytes) {
    const int colourIn = psd.colourChannels();
    const int channelsRead = colourIn + (alpha && psd.mode != Mode::indexed ? 1 : 0);
    const int components = colourOut + (alpha ? 1 : 0);
    const auto width = static_cast<std::size_t>(psd.width);
    const double full = fullScale<Sample>();
    const bool unblend = psd.compositedOnWhite && channelsRead > colourIn;

    std::vector<ChannelRows> channels;
    for (int c = 0; c < channelsRead; ++c) channels.emplace_back(psd, c);
    std::vector<Bytes> stored(static_cast<std::size_t>(channelsRead), Bytes(psd.rowBytes()));
    std::vector<Sample> colour(transform ? width * static_cast<std::size_t>(colourIn) : 0);
    std::vector<Sample> converted(transform ? width * 3 : 0);

    // Colour sample c of pixel x: taken off the white Photoshop lays a transparent composite
    // on (white is no ink, and the neutral point of Lab's a and b), then turned to lcms2's
    // sense of CMYK, where 0 is no ink.
    const auto colourAt = [&](int c, std::size_t x, Sample opacity) -> Sample {
        Sample value = storedSample<Sample>(stored[static_cast<std::size_t>(c)].data(), x, psd.depth);
        const double a = static_cast<double>(opacity) / full;
        if (unblend && a > 0 && a < 1) {
            const bool neutral = psd.mode == Mode::lab && c > 0;
            const double white = neutral ? (std::is_same_v<Sample, float> ? 0.5 : (full + 1) / 2) : full;
            const double straight = (static_cast<double>(value) - white * (1 - a)) / a;
            if constexpr (std::is_same_v<Sample, float>) value = static_cast<float>(straight);
            else value = static_cast<Sample>(std::lround(std::clamp(straight, 0.0, full)));
        }
        if (psd.mode == Mode::cmyk) value = static_cast<Sample>(full - static_cast<double>(value));
        return value;
    };

    for (std::int64_t y = 0; y < psd.height; ++y) {
        for (int c = 0; c < channelsRead; ++c)
            if (!channels[static_cast<std::size_t>(c)].next(stored[static_cast<std::size_t>(c)].data())) return false;
        auto* out = reinterpret_cast<Sample*>(pixels + static_cast<std::size_t>(y) * rowBytes);
        const auto opacityAt = [&](std::size_t x) {
            return channelsRead > colourIn ? storedSample<Sample>(stored[static_cast<std::size_t>(colourIn)].data(), x, psd.depth)
                                           : static_cast<Sample>(full);
        };
        if (transform) {
            for (std::size_t x = 0; x < width; ++x)
                for (int c = 0; c < colourIn; ++c) colour[x * colourIn + c] = colourAt(c, x, opacityAt(x));
            transform->apply(colour.data(), converted.data(), width);
        }
        for (std::size_t x = 0; x < width; ++x) {
            Sample* pixel = out + x * static_cast<std::size_t>(components);
            if (psd.mode == Mode::indexed) {
                const std::uint8_t index = stored[0][x];
                for (int c = 0; c < 3; ++c) pixel[c] = psd.palette.data()[c * 256 + index];
                if (alpha) pixel[3] = index == *psd.transparentIndex ? 0 : 255;
                continue;
            }
            const Sample opacity = opacityAt(x);
            if (transform) std::memcpy(pixel, converted.data() + x * 3, 3 * sizeof(Sample));
            else
                for (int c = 0; c < colourOut; ++c) pixel[c] = colourAt(c, x, opacity);
            if (alpha) pixel[colourOut] = opacity;
        }
    }
    return true;
}

} // namespace

ImageReadResult PSDBackend::imageAt(std::int64_t index, const PixelBudget& budget) const {
    if (index != 0) return {};
    const int colour = outputColourComponents();
    const int components = colour + (alpha() ? 1 : 0);
    const int bits = outputBits();
    if (!budget.allows(psd_.width, psd_.height, components * bits / 8)) return {nullptr, true};
    if (!psd_.complete) return {};

    ColourSpaceRef space;
    ColourTransformRef transform;
    const bool sixteen = bits == 16;
    if (psd_.depth == 32) {
        space = linearLightSpace(colour == 3);
    } else if (psd_.mode == Mode::lab || (psd_.mode == Mode::cmyk && colour == 3)) {
        const bool lab = psd_.mode == Mode::lab;
        const auto source = lab ? labD50() : standardCMYK();
        space = ColourSpace::sRGB();
        if (source)
            transform = ColourTransformCache::shared().transform(
                source, lab ? (sixteen ? TYPE_Lab_16 : TYPE_Lab_8) : (sixteen ? TYPE_CMYK_16 : TYPE_CMYK_8), space,
                sixteen ? TYPE_RGB_16 : TYPE_RGB_8);
        if (!transform) return {nullptr, false, "the colour profile of this image could not be used"};
    } else {
        space = keptProfile();
        if (!space) space = colourSpaceForPixels(nullptr, colour);
    }
    if (!space) return {};

    const std::size_t rowBytes = static_cast<std::size_t>(psd_.width) * static_cast<std::size_t>(components * bits / 8);
    auto pixels = std::make_shared<Bytes>(rowBytes * static_cast<std::size_t>(psd_.height));
    const bool decoded =
        bits == 8    ? decodeRows<std::uint8_t>(psd_, colour, alpha(), transform.get(), pixels->data(), rowBytes)
        : sixteen    ? decodeRows<std::uint16_t>(psd_, colour, alpha(), transform.get(), pixels->data(), rowBytes)
                     : decodeRows<float>(psd_, colour, alpha(), transform.get(), pixels->data(), rowBytes);
    if (!decoded) return {};
    return {Image::make(psd_.width, psd_.height, bits, components, alpha() ? AlphaInfo::last : AlphaInfo::none,
                        std::move(space), std::move(pixels), rowBytes),
            false};
}

} // namespace platform
