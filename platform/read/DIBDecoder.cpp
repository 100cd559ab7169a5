#include "platform/read/DIBDecoder.h"

#include <bit>
#include <vector>

namespace platform {
namespace {

constexpr std::uint32_t compressionRGB = 0, compressionRLE8 = 1, compressionRLE4 = 2, compressionBitfields = 3,
                        compressionAlphaBitfields = 6;
constexpr std::uint32_t embeddedProfile = 0x4D424544; // 'MBED'

std::size_t rowStride(std::int64_t width, int bitCount) {
    return static_cast<std::size_t>((static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4);
}

// Scales the bits a mask selects to 0-255.
std::uint8_t channel(std::uint32_t value, std::uint32_t mask) {
    if (mask == 0) return 255;
    const int shift = std::countr_zero(mask);
    const std::uint32_t bits = mask >> shift;
    const std::uint32_t raw = (value & mask) >> shift;
    if (bits == 0xFF) return static_cast<std::uint8_t>(raw);
    return static_cast<std::uint8_t>((raw * 255 + bits / 2) / bits);
}

// Palette indices of a run-length-coded bitmap, top row first. Pixels that the coding skips
// keep index 0. Nothing when the runs leave the image or the data ends before the end mark.
std::optional<std::vector<std::uint8_t>> expandRunLength(ByteView data, const DIBHeader& header) {
    const std::size_t width = static_cast<std::size_t>(header.width);
    const std::size_t height = static_cast<std::size_t>(header.height);
    std::vector<std::uint8_t> indices(width * height, 0);
    const bool four = header.compression == compressionRLE4;
    std::size_t x = 0, row = 0, at = 0; // row counts from the bottom, as the file does
    auto put = [&](std::uint8_t index) {
        if (x >= width || row >= height) return false;
        indices[(height - 1 - row) * width + x++] = index;
        return true;
    };
    while (true) {
        const auto count = data.u8(at), value = data.u8(at + 1);
        if (!count || !value) return std::nullopt;
        at += 2;
        if (*count > 0) {
            for (unsigned i = 0; i < *count; ++i)
                if (!put(four ? static_cast<std::uint8_t>(i % 2 ? *value & 0x0F : *value >> 4) : *value)) return std::nullopt;
        } else if (*value == 0) {
            x = 0;
            ++row;
        } else if (*value == 1) {
            return indices;
        } else if (*value == 2) {
            const auto dx = data.u8(at), dy = data.u8(at + 1);
            if (!dx || !dy) return std::nullopt;
            at += 2;
            x += *dx;
            row += *dy;
        } else {
            const std::size_t bytes = four ? (*value + 1u) / 2 : *value;
            if (!data.has(at, bytes)) return std::nullopt;
            for (unsigned i = 0; i < *value; ++i) {
                const std::uint8_t byte = data.data()[at + (four ? i / 2 : i)];
                if (!put(four ? static_cast<std::uint8_t>(i % 2 ? byte & 0x0F : byte >> 4) : byte)) return std::nullopt;
            }
            at += bytes + (bytes % 2); // runs of literal pixels end on a 16-bit boundary
        }
    }
}

} // namespace

namespace {

ImageReadResult decodeRunLength(ByteView dib, const DIBHeader& header, std::size_t pixelOffset, const PixelBudget& budget) {
    if (!budget.allows(header.width, header.height, 3)) return {nullptr, true};
    if (!dib.has(header.paletteOffset, header.paletteEntries * header.paletteEntrySize) || pixelOffset > dib.size())
        return {};
    const auto indices = expandRunLength(dib.sub(pixelOffset, dib.size() - pixelOffset), header);
    if (!indices) return {};
    auto pixels = std::make_shared<Bytes>(indices->size() * 3);
    const std::uint8_t* palette = dib.data() + header.paletteOffset;
    for (std::size_t i = 0; i < indices->size(); ++i) {
        const std::size_t index = (*indices)[i];
        if (index >= header.paletteEntries) continue;
        const std::uint8_t* entry = palette + index * header.paletteEntrySize;
        (*pixels)[i * 3] = entry[2];
        (*pixels)[i * 3 + 1] = entry[1];
        (*pixels)[i * 3 + 2] = entry[0];
    }
    return {Image::make(header.width, header.height, 8, 3, AlphaInfo::none, colourSpaceForPixels(&header.iccProfile, 3),
                        std::move(pixels), static_cast<std::size_t>(header.width) * 3),
            false};
}

} // namespace

std::optional<DIBHeader> readDibHeader(ByteView dib, bool icon) {
    DIBHeader header;
    const auto size = dib.u32le(0);
    if (!size) return std::nullopt;
    header.headerSize = *size;
    std::int64_t height = 0;
    if (*size == 12) {
        const auto w = dib.u16le(4), h = dib.u16le(6), planes = dib.u16le(8), bits = dib.u16le(10);
        if (!w || !h || !planes || !bits) return std::nullopt;
        header.width = *w;
        height = *h;
        header.bitCount = *bits;
        header.paletteEntrySize = 3;
    } else if (*size >= 40 && *size <= 124 + 256) {
        const auto w = dib.u32le(4), h = dib.u32le(8);
        const auto bits = dib.u16le(14);
        const auto compression = dib.u32le(16), xppm = dib.u32le(24), yppm = dib.u32le(28), used = dib.u32le(32);
        if (!w || !h || !bits || !compression || !used) return std::nullopt;
        header.width = static_cast<std::int32_t>(*w);
        height = static_cast<std::int32_t>(*h);
        header.bitCount = *bits;
        header.compression = *compression;
        header.paletteEntries = *used;
        if (static_cast<std::int32_t>(*xppm) > 0 && static_cast<std::int32_t>(*yppm) > 0) {
            header.dpiX = static_cast<std::int32_t>(*xppm) * 0.0254;
            header.dpiY = static_cast<std::int32_t>(*yppm) * 0.0254;
        }
        if (*size >= 52 || header.compression == compressionBitfields || header.compression == compressionAlphaBitfields) {
            // Masks sit in the header from version 2 on, else right after a 40-byte header.
            for (int i = 0; i < 3; ++i) header.masks[i] = dib.u32le(40 + 4 * i).value_or(0);
            if (*size >= 56 || header.compression == compressionAlphaBitfields)
                header.masks[3] = dib.u32le(52).value_or(0);
        }
        if (*size >= 124 && dib.u32le(56) == embeddedProfile) {
            const auto offset = dib.u32le(112), length = dib.u32le(116);
            if (offset && length && dib.has(*offset, *length)) {
                const auto profile = dib.sub(*offset, *length);
                header.iccProfile.assign(profile.data(), profile.data() + profile.size());
            }
        }
    } else {
        return std::nullopt;
    }
    if (icon) height /= 2;
    header.topDown = height < 0;
    header.height = height < 0 ? -height : height;
    if (header.width <= 0 || header.height <= 0) return std::nullopt;

    switch (header.bitCount) {
    case 1: case 4: case 8: case 24: break;
    case 16: case 32:
        if (header.compression == compressionRGB) {
            if (header.bitCount == 16) {
                header.masks[0] = 0x7C00; header.masks[1] = 0x03E0; header.masks[2] = 0x001F; header.masks[3] = 0;
            } else {
                header.masks[0] = 0xFF0000; header.masks[1] = 0xFF00; header.masks[2] = 0xFF;
                header.masks[3] = icon ? 0xFF000000 : 0;
            }
        }
        break;
    default: return std::nullopt;
    }
    const bool bitfields = header.compression == compressionBitfields || header.compression == compressionAlphaBitfields;
    const bool runLength = (header.compression == compressionRLE8 && header.bitCount == 8) ||
                           (header.compression == compressionRLE4 && header.bitCount == 4);
    if (runLength && (icon || header.topDown)) return std::nullopt;
    if (header.compression != compressionRGB && !runLength && !(bitfields && (header.bitCount == 16 || header.bitCount == 32)))
        return std::nullopt;

    if (header.bitCount <= 8) {
        const std::size_t most = std::size_t{1} << header.bitCount;
        if (header.paletteEntries == 0 || header.paletteEntries > most) header.paletteEntries = most;
    } else {
        header.paletteEntries = 0;
    }
    header.paletteOffset = header.headerSize;
    if (header.headerSize == 40 && bitfields) header.paletteOffset += header.compression == compressionAlphaBitfields ? 16 : 12;
    return header;
}

ImageReadResult decodeDib(ByteView dib, const DIBHeader& header, std::size_t pixelOffset, bool icon,
                          const PixelBudget& budget) {
    const bool alpha = icon || header.hasAlphaMask();
    const int components = alpha ? 4 : 3;
    if (header.compression == compressionRLE8 || header.compression == compressionRLE4)
        return decodeRunLength(dib, header, pixelOffset, budget);
    const std::size_t stride = rowStride(header.width, header.bitCount);
    const auto height = static_cast<std::uint64_t>(header.height);
    if (stride == 0 || height > dib.size() / stride) return {};
    if (!dib.has(pixelOffset, stride * height)) return {};
    const std::size_t maskStride = rowStride(header.width, 1);
    const bool hasMask = icon && dib.has(pixelOffset + stride * height, maskStride * height);
    if (!dib.has(header.paletteOffset, header.paletteEntries * header.paletteEntrySize)) return {};
    if (!budget.allows(header.width, header.height, components)) return {nullptr, true};

    const std::size_t width = static_cast<std::size_t>(header.width);
    const std::size_t rowBytes = width * components;
    auto pixels = std::make_shared<Bytes>(rowBytes * height);
    const std::uint8_t* palette = dib.data() + header.paletteOffset;
    const std::uint8_t* source = dib.data() + pixelOffset;
    bool anyAlpha = false;

    for (std::size_t y = 0; y < height; ++y) {
        const std::size_t fileRow = header.topDown ? y : height - 1 - y;
        const std::uint8_t* in = source + fileRow * stride;
        std::uint8_t* out = pixels->data() + y * rowBytes;
        for (std::size_t x = 0; x < width; ++x, out += components) {
            std::uint8_t r = 0, g = 0, b = 0, a = 255;
            switch (header.bitCount) {
            case 1: case 4: case 8: {
                const std::size_t bit = x * header.bitCount;
                const unsigned shift = 8 - header.bitCount - bit % 8;
                const unsigned index = (in[bit / 8] >> shift) & ((1u << header.bitCount) - 1);
                if (index < header.paletteEntries) {
                    const std::uint8_t* entry = palette + index * header.paletteEntrySize;
                    b = entry[0]; g = entry[1]; r = entry[2];
                }
                break;
            }
            case 24:
                b = in[x * 3]; g = in[x * 3 + 1]; r = in[x * 3 + 2];
                break;
            case 16: case 32: {
                const std::uint32_t value = header.bitCount == 16
                    ? static_cast<std::uint32_t>(in[x * 2] | in[x * 2 + 1] << 8)
                    : static_cast<std::uint32_t>(in[x * 4] | in[x * 4 + 1] << 8 | in[x * 4 + 2] << 16) |
                          static_cast<std::uint32_t>(in[x * 4 + 3]) << 24;
                r = channel(value, header.masks[0]);
                g = channel(value, header.masks[1]);
                b = channel(value, header.masks[2]);
                if (header.masks[3]) a = channel(value, header.masks[3]);
                break;
            }
            default: break;
            }
            out[0] = r; out[1] = g; out[2] = b;
            if (alpha) {
                out[3] = a;
                if (a != 0) anyAlpha = true;
            }
        }
    }

    // Icons whose pixels carry no alpha of their own take it from the AND mask.
    if (icon && !(header.bitCount == 32 && anyAlpha)) {
        for (std::size_t y = 0; y < height; ++y) {
            const std::size_t fileRow = header.topDown ? y : height - 1 - y;
            const std::uint8_t* mask = hasMask ? source + stride * height + fileRow * maskStride : nullptr;
            std::uint8_t* out = pixels->data() + y * rowBytes;
            for (std::size_t x = 0; x < width; ++x)
                out[x * 4 + 3] = mask && (mask[x / 8] >> (7 - x % 8) & 1) ? 0 : 255;
        }
    }

    auto space = colourSpaceForPixels(&header.iccProfile, 3);
    return {Image::make(header.width, header.height, 8, components, alpha ? AlphaInfo::last : AlphaInfo::none,
                        std::move(space), std::move(pixels), rowBytes),
            false};
}

} // namespace platform
