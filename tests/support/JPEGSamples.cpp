#include "support/JPEGSamples.h"

#include "platform/colour/ColourSpace.h"
#include "platform/metadata/JPEGSegments.h"
#include "shims/pctv_mozjpeg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace testing_support {

platform::Bytes testPattern(int width, int height, int bytesPerPixel, std::size_t stride) {
    if (stride == 0) stride = static_cast<std::size_t>(width) * bytesPerPixel;
    platform::Bytes pixels(stride * height, 0);
    std::uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            noise = noise * 1103515245u + 12345u;
            int grain = static_cast<int>((noise >> 16) & 31) - 16;
            int edge = ((x / 7 + y / 5) % 2) * 60;
            auto clamp = [](int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
            std::uint8_t* pixel = pixels.data() + y * stride + static_cast<std::size_t>(x) * bytesPerPixel;
            if (bytesPerPixel == 1) {
                pixel[0] = clamp(x * 255 / width / 2 + edge + grain + 40);
                continue;
            }
            pixel[0] = clamp(x * 255 / width + grain);
            pixel[1] = clamp(y * 255 / height + edge / 2 - grain);
            pixel[2] = clamp(128 + edge - x + grain / 2);
            pixel[3] = static_cast<std::uint8_t>((x * 7 + y * 3) & 0xFF);
        }
    }
    return pixels;
}

platform::Bytes makeJpeg(int width, int height, int quality, JPEGKind kind, const platform::Bytes& icc) {
    bool grey = kind == JPEGKind::grey;
    int bytesPerPixel = grey ? 1 : 4;
    platform::Bytes pixels = testPattern(width, height, bytesPerPixel);
    pctv_mozjpeg_options options;
    pctv_mozjpeg_default_options(quality, &options);
    options.progressive = kind == JPEGKind::progressive;
    std::uint8_t* out = nullptr;
    std::size_t length = 0;
    char error[256] = {};
    int status = pctv_mozjpeg_encode(pixels.data(), static_cast<std::size_t>(width) * bytesPerPixel, width, height,
                                     grey ? PCTV_MOZJPEG_LAYOUT_GREY : PCTV_MOZJPEG_LAYOUT_RGBX, &options,
                                     icc.empty() ? nullptr : icc.data(), icc.size(), &out, &length, error,
                                     sizeof error);
    EXPECT_EQ(status, 0) << error;
    platform::Bytes jpeg(out, out + length);
    pctv_mozjpeg_free(out);
    return jpeg;
}

platform::Bytes libraryDefaultJpeg(const platform::Bytes& pixels, int width, int height, int components,
                                   int colourSpace) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr error{};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&cinfo, &buffer, &length);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = static_cast<J_COLOR_SPACE>(colourSpace);
    jpeg_set_defaults(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * components;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + cinfo.next_scanline * rowBytes);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    platform::Bytes jpeg(buffer, buffer + length);
    std::free(buffer);
    return jpeg;
}

platform::Bytes withPicturesAfter(const platform::Bytes& first, const std::vector<platform::Bytes>& after) {
    std::size_t at = 2;
    const platform::ByteView file(first.data(), first.size());
    platform::forEachJPEGSegment(file, [&](std::uint8_t marker, platform::ByteView payload) {
        if (marker < 0xE0 || marker > 0xEF) return false;
        at = static_cast<std::size_t>(payload.data() + payload.size() - first.data());
        return true;
    });
    const auto count = static_cast<std::uint32_t>(after.size() + 1);
    platform::Bytes index{'M', 'P', 'F', 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 3};
    const auto put16 = [&](std::uint32_t v) { index.insert(index.end(), {std::uint8_t(v >> 8), std::uint8_t(v)}); };
    const auto put32 = [&](std::uint32_t v) {
        put16(v >> 16);
        put16(v & 0xFFFF);
    };
    const auto entry = [&](std::uint32_t tag, std::uint32_t type, std::uint32_t n, std::uint32_t value) {
        put16(tag);
        put16(type);
        put32(n);
        put32(value);
    };
    entry(0xB000, 7, 4, 0x30313030); // version "0100"
    entry(0xB001, 4, 1, count);
    entry(0xB002, 7, 16 * count, 50);
    put32(0); // no attribute directory
    const std::size_t header = at + 8;
    std::size_t next = first.size() + 4 + index.size() + 16 * count;
    // Attribute, size, offset from the MP header, and two dependent pictures: none.
    const auto picture = [&](std::uint32_t attribute, std::size_t size, std::size_t offset) {
        put32(attribute);
        put32(static_cast<std::uint32_t>(size));
        put32(static_cast<std::uint32_t>(offset));
        put32(0);
    };
    picture(0x20030000, next, 0);
    for (const auto& each : after) {
        picture(0x00020002, each.size(), next - header);
        next += each.size();
    }
    platform::Bytes pictures(first.begin(), first.begin() + static_cast<long>(at));
    platform::appendJPEGSegment(pictures, 0xE2, platform::ByteView(index.data(), index.size()));
    pictures.insert(pictures.end(), first.begin() + static_cast<long>(at), first.end());
    for (const auto& each : after) pictures.insert(pictures.end(), each.begin(), each.end());
    return pictures;
}

platform::Bytes withSegmentAfterSOI(const platform::Bytes& jpeg, int code, const platform::Bytes& payload) {
    std::size_t length = payload.size() + 2;
    // Room first: g++ 12 at -O2 misreads inserts that grow a two-byte vector as out of bounds.
    platform::Bytes result;
    result.reserve(jpeg.size() + 4 + payload.size());
    result.insert(result.end(), jpeg.begin(), jpeg.begin() + 2);
    for (std::uint8_t byte : {std::uint8_t{0xFF}, static_cast<std::uint8_t>(code),
                              static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length & 0xFF)})
        result.push_back(byte);
    result.insert(result.end(), payload.begin(), payload.end());
    result.insert(result.end(), jpeg.begin() + 2, jpeg.end());
    return result;
}

platform::Bytes bytesOf(const std::string& text) {
    return platform::Bytes(text.begin(), text.end());
}

platform::Bytes sRGBProfile() {
    return platform::ColourSpace::sRGB()->iccData();
}

platform::Bytes withSegmentLengthOff(platform::Bytes jpeg, int code, int by) {
    for (std::size_t at = 2; at + 4 < jpeg.size(); ++at) {
        if (jpeg[at] != 0xFF || jpeg[at + 1] != code) continue;
        const int length = (jpeg[at + 2] << 8 | jpeg[at + 3]) + by;
        jpeg[at + 2] = static_cast<std::uint8_t>(length >> 8);
        jpeg[at + 3] = static_cast<std::uint8_t>(length);
        return jpeg;
    }
    ADD_FAILURE() << "no segment of marker " << code;
    return jpeg;
}

} // namespace testing_support
