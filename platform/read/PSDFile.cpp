#include "platform/read/PSDFile.h"

#include <array>
#include <string_view>

namespace platform {
namespace {

using namespace std::string_view_literals;

constexpr std::size_t headerLength = 26;
constexpr int mostChannels = 56;
constexpr std::size_t paletteLength = 768;

constexpr std::uint16_t resolutionInfo = 1005, iptcRecord = 1028, iccProfileResource = 1039,
                        transparencyIndex = 1047, versionInfo = 1057, exifData = 1058, xmpMetadata = 1060;

// Reads forward through the file; every read past the end leaves it failed.
class Cursor {
public:
    Cursor(ByteView file, std::size_t at) : file_(file), at_(at) {}

    bool failed() const { return failed_; }
    std::size_t at() const { return at_; }
    std::uint64_t u16() { return read(2); }
    std::uint64_t u32() { return read(4); }
    std::uint64_t u64() { return read(8); }
    // A section's bytes after its length field; empty and failed when it runs past the end.
    ByteView section(std::uint64_t length) {
        if (failed_ || length > file_.size() - at_) {
            failed_ = true;
            return {};
        }
        const ByteView view = file_.sub(at_, static_cast<std::size_t>(length));
        at_ += static_cast<std::size_t>(length);
        return view;
    }

private:
    std::uint64_t read(std::size_t bytes) {
        if (failed_ || !file_.has(at_, bytes)) {
            failed_ = true;
            return 0;
        }
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < bytes; ++i) value = value << 8 | file_.data()[at_ + i];
        at_ += bytes;
        return value;
    }

    ByteView file_;
    std::size_t at_;
    bool failed_ = false;
};

bool modeTakesDepth(PSDFile::Mode mode, int depth) {
    switch (mode) {
    case PSDFile::Mode::bitmap: return depth == 1;
    case PSDFile::Mode::indexed: return depth == 8;
    case PSDFile::Mode::greyscale: case PSDFile::Mode::duotone: case PSDFile::Mode::rgb:
        return depth == 8 || depth == 16 || depth == 32;
    case PSDFile::Mode::cmyk: case PSDFile::Mode::lab: return depth == 8 || depth == 16;
    case PSDFile::Mode::multichannel: return false;
    }
    return false;
}

double fixedPoint(std::uint64_t value) { return static_cast<double>(value) / 65536.0; }

// Resource blocks: a signature, an identifier, a padded Pascal name, a length and the data,
// padded to an even length. False when the version resource says the file holds no real
// merged image.
bool readResources(ByteView resources, PSDFile& psd) {
    Cursor cursor(resources, 0);
    while (resources.has(cursor.at(), 4)) {
        const auto signature = resources.sub(cursor.at(), 4);
        if (!signature.startsWith(0, "8BIM"sv) && !signature.startsWith(0, "MeSa"sv) &&
            !signature.startsWith(0, "AgHg"sv) && !signature.startsWith(0, "PHUT"sv) &&
            !signature.startsWith(0, "DCSR"sv))
            return true;
        cursor.section(4);
        const auto identifier = static_cast<std::uint16_t>(cursor.u16());
        const auto nameLength = resources.u8(cursor.at());
        if (!nameLength) return true;
        cursor.section((*nameLength + 2u) & ~1u);
        const std::uint64_t length = cursor.u32();
        const ByteView data = cursor.section(length);
        if (cursor.failed()) return true;
        if (length % 2) cursor.section(1);
        switch (identifier) {
        case iccProfileResource: psd.iccProfile = data; break;
        case exifData: psd.exif = data; break;
        case xmpMetadata: psd.xmp = data; break;
        case iptcRecord: psd.iptc = data; break;
        case versionInfo:
            // A version, then whether the merged image is real: a file saved without it holds
            // a blank stand-in.
            if (data.u8(4) == std::uint8_t{0}) return false;
            psd.compositedOnWhite = true;
            break;
        case transparencyIndex:
            if (auto index = data.u16be(0)) psd.transparentIndex = *index;
            break;
        case resolutionInfo:
            // Below one pixel an inch is a writer's slip (ImageMagick stores 1/65536), not a resolution.
            if (auto horizontal = data.u32be(0), vertical = data.u32be(8);
                horizontal && vertical && *horizontal >= 0x10000 && *vertical >= 0x10000) {
                psd.horizontalResolution = fixedPoint(*horizontal);
                psd.verticalResolution = fixedPoint(*vertical);
            }
            break;
        default: break;
        }
    }
    return true;
}

// The layer count of the layer section; 16 and 32-bit files keep it in a tagged block of the
// section's tail (Lr16, Lr32) and leave the layer information itself empty.
std::optional<std::int16_t> layerCount(ByteView section, bool bigDocument) {
    Cursor cursor(section, 0);
    const std::uint64_t infoLength = bigDocument ? cursor.u64() : cursor.u32();
    if (cursor.failed()) return std::nullopt;
    if (infoLength >= 2) return static_cast<std::int16_t>(cursor.u16());
    cursor.section(infoLength);
    cursor.section(cursor.u32()); // the global layer mask
    while (!cursor.failed() && section.has(cursor.at(), 12)) {
        const auto signature = section.sub(cursor.at(), 4);
        if (!signature.startsWith(0, "8BIM"sv) && !signature.startsWith(0, "8B64"sv)) return std::nullopt;
        cursor.section(4);
        const ByteView key = section.sub(cursor.at(), 4);
        cursor.section(4);
        const bool layers = key.startsWith(0, "Lr16"sv) || key.startsWith(0, "Lr32"sv) || key.startsWith(0, "Layr"sv);
        constexpr std::array<std::string_view, 13> wideKeys = {"LMsk", "Lr16", "Lr32", "Layr", "Mt16", "Mt32", "Mtrn",
                                                                "Alph", "FMsk", "lnk2", "FEid", "FXid", "PxSD"};
        bool wide = false;
        for (auto wideKey : wideKeys) wide = wide || key.startsWith(0, wideKey);
        const std::uint64_t length = bigDocument && wide ? cursor.u64() : cursor.u32();
        const ByteView data = cursor.section(length);
        if (cursor.failed()) return std::nullopt;
        if (layers) {
            if (auto count = data.u16be(0)) return static_cast<std::int16_t>(*count);
            return std::nullopt;
        }
        cursor.section((4 - length % 4) % 4);
    }
    return std::nullopt;
}

// Whether every byte the merged image's channels need is in the file.
bool mergedImageComplete(const PSDFile& psd) {
    const auto rows = static_cast<std::uint64_t>(psd.storedChannels) * static_cast<std::uint64_t>(psd.height);
    if (psd.compression == PSDFile::Compression::raw) {
        const std::uint64_t rowBytes = psd.rowBytes();
        return rowBytes != 0 && rows <= psd.imageData.size() / rowBytes;
    }
    const std::size_t countBytes = psd.bigDocument ? 4 : 2;
    if (rows > psd.imageData.size() / countBytes) return false;
    std::uint64_t total = rows * countBytes;
    for (std::uint64_t row = 0; row < rows; ++row) {
        const std::size_t at = static_cast<std::size_t>(row) * countBytes;
        total += psd.bigDocument ? *psd.imageData.u32be(at) : *psd.imageData.u16be(at);
    }
    return total <= psd.imageData.size();
}

} // namespace

int PSDFile::colourChannels() const {
    switch (mode) {
    case Mode::rgb: case Mode::lab: return 3;
    case Mode::cmyk: return 4;
    default: return 1;
    }
}

std::optional<PSDFile> readPSDFile(ByteView file) {
    if (!file.startsWith(0, "8BPS"sv) || !file.has(0, headerLength)) return std::nullopt;
    Cursor cursor(file, 4);
    const auto version = cursor.u16();
    if (version != 1 && version != 2) return std::nullopt;
    PSDFile psd;
    psd.bigDocument = version == 2;
    cursor.section(6);
    psd.channels = static_cast<int>(cursor.u16());
    psd.height = static_cast<std::int64_t>(cursor.u32());
    psd.width = static_cast<std::int64_t>(cursor.u32());
    psd.depth = static_cast<int>(cursor.u16());
    psd.mode = static_cast<PSDFile::Mode>(cursor.u16());
    if (psd.width < 1 || psd.height < 1 || psd.channels > mostChannels || !modeTakesDepth(psd.mode, psd.depth) ||
        psd.channels < psd.colourChannels())
        return std::nullopt;

    const ByteView colourModeData = cursor.section(cursor.u32());
    if (psd.mode == PSDFile::Mode::indexed) {
        if (colourModeData.size() < paletteLength) return std::nullopt;
        psd.palette = colourModeData.sub(0, paletteLength);
    }
    psd.resources = cursor.section(cursor.u32());
    if (!readResources(psd.resources, psd)) return std::nullopt;
    const ByteView layers = cursor.section(psd.bigDocument ? cursor.u64() : cursor.u32());
    const auto compression = cursor.u16();
    if (cursor.failed() || compression > 1) return std::nullopt;
    psd.compression = static_cast<PSDFile::Compression>(compression);
    psd.imageData = file.sub(cursor.at(), file.size() - cursor.at());

    const auto count = layerCount(layers, psd.bigDocument);
    psd.mergedAlpha = count && *count < 0 && psd.channels > psd.colourChannels();
    constexpr std::int64_t drawableSide = 1'000'000;
    if (psd.width > drawableSide || psd.height > drawableSide) {
        psd.storedChannels = psd.channels;
        return psd;
    }
    psd.storedChannels = psd.channels;
    psd.complete = mergedImageComplete(psd);
    // ImageMagick's indexed colour with transparency names an alpha channel in the header and
    // stores the indices alone; any other shortfall is a file cut short.
    if (!psd.complete && psd.mode == PSDFile::Mode::indexed && psd.channels > 1) {
        psd.storedChannels = psd.colourChannels();
        psd.mergedAlpha = false;
        psd.complete = mergedImageComplete(psd);
    }
    if (!psd.complete) return std::nullopt;
    return psd;
}

} // namespace platform
