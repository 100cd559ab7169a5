#include "PNGFiles.h"

#include "platform/colour/ColourSpace.h"

#include <png.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <random>

namespace png_files {
namespace {

struct ReadCursor {
    const platform::Bytes* file;
    std::size_t position;
};

void appendToBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* output = static_cast<platform::Bytes*>(png_get_io_ptr(png));
    output->insert(output->end(), data, data + length);
}

void readFromBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* cursor = static_cast<ReadCursor*>(png_get_io_ptr(png));
    if (cursor->file->size() - cursor->position < length) png_error(png, "read past the end");
    std::memcpy(data, cursor->file->data() + cursor->position, length);
    cursor->position += length;
}

void silence(png_structp, png_const_charp) {}

void recordWarning(png_structp png, png_const_charp message) {
    static_cast<Decoded*>(png_get_error_ptr(png))->warnings.emplace_back(message);
}

std::uint32_t bigEndian32(const platform::Bytes& bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
           bytes[at + 3];
}

} // namespace

int channelsOf(int colourType) {
    switch (colourType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
    }
}

static std::size_t rowBytesOf(int width, int colourType, int bitDepth) {
    return (static_cast<std::size_t>(width) * channelsOf(colourType) * bitDepth + 7) / 8;
}

platform::Bytes samplePixels(int width, int height, int colourType, int bitDepth, bool opaque, unsigned seed) {
    const std::size_t rowBytes = rowBytesOf(width, colourType, bitDepth);
    platform::Bytes rows(rowBytes * height);
    std::mt19937 noise(seed);
    const int channels = channelsOf(colourType);
    const int bytesPerSample = bitDepth == 16 ? 2 : 1;
    const bool hasAlpha = colourType == 4 || colourType == 6;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = rows.data() + y * rowBytes;
        if (bitDepth < 8) {
            for (std::size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<std::uint8_t>((y * 3 + i * 5) ^ (noise() & 0x11));
            continue;
        }
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                std::uint8_t* sample = row + (static_cast<std::size_t>(x) * channels + c) * bytesPerSample;
                // Flat patches with a little noise: compressible as images are, with or without filters.
                int value = ((x / 3) * (c + 1) * 9 + (y / 2) * (4 - c) * 5 + (noise() % 16 == 0 ? 1 : 0)) & 0xFF;
                if (colourType == 3) value %= 16;
                const bool alpha = hasAlpha && c == channels - 1;
                if (alpha) value = opaque ? 0xFF : ((x + y) % 7 == 0 ? 0x40 : 0xFF);
                for (int b = 0; b < bytesPerSample; ++b)
                    sample[b] = static_cast<std::uint8_t>(alpha ? value : (b == 0 ? value : (value * 13 + x) & 0xFF));
            }
        }
    }
    return rows;
}

Picture picture(int width, int height, int colourType, int bitDepth, bool opaque, unsigned seed) {
    Picture made;
    made.width = width;
    made.height = height;
    made.colourType = colourType;
    made.bitDepth = bitDepth;
    made.rows = samplePixels(width, height, colourType, bitDepth, opaque, seed);
    if (colourType == 3) made.paletteSize = bitDepth < 8 ? 1 << bitDepth : 16;
    return made;
}

namespace {

// Everything libpng is handed that needs building, made before its setjmp: a function that
// calls setjmp keeps no C++ object of its own, whose state a longjmp could leave stale.
struct WriteInput {
    platform::Bytes profile;
    std::vector<png_color> palette;
    std::vector<png_text> texts;
    std::vector<png_bytep> rowPointers;
};

WriteInput writeInput(const Picture& picture) {
    WriteInput input;
    if (picture.iccProfile) input.profile = platform::ColourSpace::sRGB()->iccData();
    input.palette.reserve(static_cast<std::size_t>(picture.paletteSize));
    for (int i = 0; i < picture.paletteSize; ++i)
        input.palette.push_back(
            png_color{static_cast<png_byte>(i * 16), static_cast<png_byte>(255 - i * 8), static_cast<png_byte>(i * 3)});
    input.texts.reserve(picture.texts.size());
    for (const auto& [key, value] : picture.texts) {
        png_text text{};
        text.compression = PNG_TEXT_COMPRESSION_NONE;
        text.key = const_cast<char*>(key.c_str());
        text.text = const_cast<char*>(value.c_str());
        input.texts.push_back(text);
    }
    const std::size_t rowBytes = rowBytesOf(picture.width, picture.colourType, picture.bitDepth);
    input.rowPointers.reserve(static_cast<std::size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y)
        input.rowPointers.push_back(const_cast<png_bytep>(picture.rows.data() + y * rowBytes));
    return input;
}

bool writeWithLibpng(const Picture& picture, WriteInput& input, platform::Bytes* file) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, silence);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, file, appendToBytes, nullptr);
    png_set_compression_level(png, picture.compressionLevel);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, picture.filters);
    png_set_IHDR(png, info, picture.width, picture.height, picture.bitDepth, picture.colourType,
                 picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                 PNG_FILTER_TYPE_BASE);
    if (!input.palette.empty())
        png_set_PLTE(png, info, input.palette.data(), static_cast<int>(input.palette.size()));
    if (picture.significantBits) {
        png_color_8 bits{};
        bits.red = bits.green = bits.blue = bits.gray = bits.alpha = static_cast<png_byte>(picture.bitDepth);
        png_set_sBIT(png, info, &bits);
    }
    if (picture.background) {
        png_color_16 colour{.index = 0, .red = 10, .green = 20, .blue = 30, .gray = 40};
        png_set_bKGD(png, info, &colour);
    }
    if (picture.physicalSize) png_set_pHYs(png, info, 2835, 2835, PNG_RESOLUTION_METER);
    if (picture.iccProfile)
        png_set_iCCP(png, info, "sRGB", PNG_COMPRESSION_TYPE_BASE, input.profile.data(),
                     static_cast<png_uint_32>(input.profile.size()));
    if (!input.texts.empty()) png_set_text(png, info, input.texts.data(), static_cast<int>(input.texts.size()));
    png_set_rows(png, info, input.rowPointers.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

platform::Bytes encode(const Picture& picture) {
    WriteInput input = writeInput(picture);
    platform::Bytes file;
    if (!writeWithLibpng(picture, input, &file)) return {};
    return file;
}

namespace {

// Fills what the caller owns, so that this function, which calls setjmp, keeps no C++ object.
// Chunks after the pixel data are read into a second info, so that a duplicate eXIf shows.
bool readWithLibpng(const platform::Bytes& file, bool expand, Decoded& decoded, std::vector<png_bytep>& rows) {
    ReadCursor cursor{&file, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &decoded, silence, recordWarning);
    png_infop info = png_create_info_struct(png);
    png_infop end = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, &end);
        return false;
    }
    png_set_read_fn(png, &cursor, readFromBytes);
    png_read_info(png, info);
    if (expand) {
        png_set_expand(png);
        png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xFFFF, PNG_FILLER_AFTER);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    decoded.width = static_cast<int>(png_get_image_width(png, info));
    decoded.height = static_cast<int>(png_get_image_height(png, info));
    decoded.bitDepth = png_get_bit_depth(png, info);
    decoded.colourType = png_get_color_type(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    decoded.rows.resize(rowBytes * decoded.height);
    rows.resize(decoded.height);
    for (int y = 0; y < decoded.height; ++y) rows[y] = decoded.rows.data() + y * rowBytes;
    png_read_image(png, rows.data());
    png_read_end(png, end);
    for (png_infop part : {info, end}) {
        png_uint_32 exifLength = 0;
        png_bytep exif = nullptr;
        if (png_get_eXIf_1(png, part, &exifLength, &exif) && exif) {
            if (decoded.exif) decoded.warnings.emplace_back("a second eXIf after the pixel data");
            decoded.exif = platform::Bytes(exif, exif + exifLength);
        }
        png_textp texts = nullptr;
        const int count = png_get_text(png, part, &texts, nullptr);
        for (int i = 0; i < count; ++i)
            decoded.texts.push_back({texts[i].key, std::string(texts[i].text, texts[i].itxt_length ? texts[i].itxt_length : texts[i].text_length),
                                     texts[i].compression});
    }
    png_destroy_read_struct(&png, &info, &end);
    return true;
}

// libpng's reading, as stored or, with `expand`, as RGBA at the file's own depth.
std::optional<Decoded> read(const platform::Bytes& file, bool expand) {
    Decoded decoded;
    std::vector<png_bytep> rows;
    if (!readWithLibpng(file, expand, decoded, rows)) return std::nullopt;
    return decoded;
}

} // namespace

std::optional<Decoded> decode(const platform::Bytes& file) { return read(file, false); }
std::optional<Decoded> decodeAsRGBA(const platform::Bytes& file) { return read(file, true); }

std::vector<std::string> typesOf(const std::vector<pictavo::PNGChunks::Chunk>& chunks) {
    std::vector<std::string> types;
    for (const auto& chunk : chunks) types.push_back(chunk.type);
    return types;
}

std::vector<std::string> typesOf(const platform::Bytes& file) { return typesOf(*pictavo::PNGChunks::parse(file)); }

platform::Bytes withDamagedPixelData(const platform::Bytes& file) {
    auto chunks = *pictavo::PNGChunks::parse(file);
    auto idat = std::find_if(chunks.begin(), chunks.end(), [](auto& chunk) { return chunk.type == "IDAT"; });
    platform::Bytes payload(idat->payload.begin(), idat->payload.end());
    if (payload.size() < 2) return file;
    payload[payload.size() / 2] ^= 0x33;
    payload[payload.size() / 2 + 1] ^= 0x77;
    *idat = pictavo::PNGChunks::Chunk::owning("IDAT", payload);
    return *pictavo::PNGChunks::assemble(chunks);
}

platform::Bytes withOneIDATOverwritten(const platform::Bytes& file, std::size_t index) {
    auto chunks = *pictavo::PNGChunks::parse(file);
    std::size_t seen = 0;
    for (auto& chunk : chunks) {
        if (chunk.type != "IDAT" || seen++ != index) continue;
        platform::Bytes payload(chunk.payload.begin(), chunk.payload.end());
        for (auto& byte : payload) byte ^= 0x5A;
        chunk = pictavo::PNGChunks::Chunk::owning("IDAT", payload);
        return *pictavo::PNGChunks::assemble(chunks);
    }
    ADD_FAILURE() << "the file has no IDAT chunk " << index;
    return file;
}

platform::Bytes streamedRGBA(int width, int height) {
    platform::Bytes file;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, silence);
    png_infop info = png_create_info_struct(png);
    platform::Bytes row(static_cast<std::size_t>(width) * 4);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &file, appendToBytes, nullptr);
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                 PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int band = (x + y) / 64;
            row[x * 4] = static_cast<std::uint8_t>(band * 40);
            row[x * 4 + 1] = static_cast<std::uint8_t>(band * 90);
            row[x * 4 + 2] = static_cast<std::uint8_t>(y >> 4);
            row[x * 4 + 3] = 255;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return file;
}

platform::Bytes animated(const platform::Bytes& still) {
    using pictavo::PNGChunks::Chunk;
    auto chunks = *pictavo::PNGChunks::parse(still);
    platform::Bytes frameControl(26, 0), frameData{0, 0, 0, 2};
    frameControl[3] = 1;
    const platform::Bytes frame = pictavo::PNGChunks::imageData(chunks);
    frameData.insert(frameData.end(), frame.begin(), frame.end());
    chunks.insert(chunks.begin() + 1, Chunk::owning("acTL", platform::Bytes{0, 0, 0, 2, 0, 0, 0, 0}));
    chunks.insert(chunks.end() - 1, Chunk::owning("fcTL", frameControl));
    chunks.insert(chunks.end() - 1, Chunk::owning("fdAT", frameData));
    return *pictavo::PNGChunks::assemble(chunks);
}

platform::Bytes withoutAlpha(const platform::Bytes& rows, int channels, int bytesPerSample) {
    platform::Bytes colour;
    const std::size_t stride = static_cast<std::size_t>(channels * bytesPerSample);
    for (std::size_t pixel = 0; pixel < rows.size(); pixel += stride)
        colour.insert(colour.end(), rows.begin() + pixel, rows.begin() + pixel + stride - bytesPerSample);
    return colour;
}

std::vector<std::pair<std::string, platform::Bytes>> icnsElements(const platform::Bytes& file) {
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "icns");
    EXPECT_EQ(bigEndian32(file, 4), file.size());
    std::vector<std::pair<std::string, platform::Bytes>> elements;
    std::size_t at = 8;
    while (at + 8 <= file.size()) {
        const std::uint32_t length = bigEndian32(file, at + 4);
        EXPECT_GE(length, 8u);
        if (length < 8 || at + length > file.size()) {
            ADD_FAILURE() << "an element runs past the end";
            break;
        }
        elements.emplace_back(std::string(file.begin() + at, file.begin() + at + 4),
                              platform::Bytes(file.begin() + at + 8, file.begin() + at + length));
        at += length;
    }
    EXPECT_EQ(at, file.size());
    return elements;
}

} // namespace png_files
