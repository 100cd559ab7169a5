#include "support/SampleImages.h"
#include "support/TemporaryFolder.h"
#include "support/TestImages.h"

#include "platform/colour/ColourSpace.h"
#include "platform/vips/VipsRuntime.h"

#include <cstring>
#include <libheif/heif.h>
#include <openjpeg.h>
#include <vips/vips.h>

using namespace platform;

namespace testing_support {

ImageRef patternImage(int width, int height, int bitsPerComponent, int components, AlphaInfo alpha,
                      ColourSpaceRef space) {
    const int bytes = bitsPerComponent / 8;
    const std::size_t rowBytes = static_cast<std::size_t>(width * components * bytes) + 8; // padded rows
    auto pixels = std::make_shared<Bytes>(rowBytes * static_cast<std::size_t>(height), 0xEE);
    const bool alphaFirst = alpha == AlphaInfo::first || alpha == AlphaInfo::premultipliedFirst;
    const bool alphaLast = alpha == AlphaInfo::last || alpha == AlphaInfo::premultipliedLast;
    const bool premultiplied = alpha == AlphaInfo::premultipliedFirst || alpha == AlphaInfo::premultipliedLast;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = pixels->data() + static_cast<std::size_t>(y) * rowBytes +
                                  static_cast<std::size_t>(x * components * bytes);
            const std::uint32_t a16 = static_cast<std::uint32_t>((x * 4111 + y * 2741 + 9000) & 0xFFFF) | 0x0101;
            for (int c = 0; c < components; ++c) {
                const bool isAlpha = (alphaFirst && c == 0) || (alphaLast && c == components - 1);
                std::uint32_t v = isAlpha ? a16 : static_cast<std::uint32_t>((x * 1031 + y * 2053 + c * 16411) & 0xFFFF);
                if (!isAlpha && premultiplied) v = v * a16 / 65535;
                if (bytes == 1) {
                    pixel[c] = static_cast<std::uint8_t>(v >> 8);
                } else {
                    const auto v16 = static_cast<std::uint16_t>(v);
                    std::memcpy(pixel + c * 2, &v16, 2);
                }
            }
        }
    }
    if (!space) space = components - (alpha == AlphaInfo::none ? 0 : 1) == 1 ? ColourSpace::deviceGray() : ColourSpace::sRGB();
    return Image::make(width, height, bitsPerComponent, components, alpha, space, pixels, rowBytes);
}

ImageRef solidImage(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a,
                    bool withAlpha) {
    if (!withAlpha) return filled8(width, height, AlphaInfo::none, ColourSpace::sRGB(), {r, g, b});
    return filled8(width, height, AlphaInfo::last, ColourSpace::sRGB(), {r, g, b, a});
}

std::optional<ReadBack> readWithVips(const Bytes& file) {
    if (!startVips()) return std::nullopt;
    // Every page of the formats that have pages; the option is refused by the others.
    VipsImage* image = vips_image_new_from_buffer(file.data(), file.size(), "n=-1", nullptr);
    if (!image) {
        vips_error_clear();
        image = vips_image_new_from_buffer(file.data(), file.size(), "", nullptr);
    }
    if (!image) {
        vips_error_clear();
        return std::nullopt;
    }
    ReadBack back;
    back.width = image->Xsize;
    back.pages = vips_image_get_n_pages(image);
    back.height = vips_image_get_page_height(image);
    back.bands = image->Bands;
    back.bitsPerComponent = static_cast<int>(vips_format_sizeof(image->BandFmt)) * 8;
    back.dpi = image->Xres * 25.4;
    auto blob = [&](const char* name) {
        const void* data = nullptr;
        std::size_t length = 0;
        if (!vips_image_get_typeof(image, name) || vips_image_get_blob(image, name, &data, &length)) return Bytes{};
        return Bytes(static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + length);
    };
    back.icc = blob(VIPS_META_ICC_NAME);
    back.exif = blob(VIPS_META_EXIF_NAME);
    const Bytes xmp = blob(VIPS_META_XMP_NAME);
    back.xmp.assign(xmp.begin(), xmp.end());
    back.orientation = vips_image_get_orientation(image);
    std::size_t size = 0;
    void* memory = vips_image_write_to_memory(image, &size);
    if (memory) {
        back.pixels.assign(static_cast<std::uint8_t*>(memory), static_cast<std::uint8_t*>(memory) + size);
        g_free(memory);
    }
    g_object_unref(image);
    if (!memory) {
        vips_error_clear();
        return std::nullopt;
    }
    return back;
}

ImageRef imageReadWithVips(const Bytes& file) {
    const auto back = readWithVips(file);
    if (!back) return nullptr;
    const bool alpha = back->bands == 2 || back->bands == 4;
    const std::size_t rowBytes = static_cast<std::size_t>(back->width * back->bands * back->bitsPerComponent / 8);
    auto pixels = std::make_shared<Bytes>(back->pixels.begin(),
                                          back->pixels.begin() + static_cast<std::ptrdiff_t>(rowBytes * back->height));
    return Image::make(back->width, back->height, back->bitsPerComponent, back->bands,
                       alpha ? AlphaInfo::last : AlphaInfo::none,
                       back->icc.empty() ? nullptr : ColourSpace::fromICC(back->icc), pixels, rowBytes);
}

Bytes packedPixels(const Image& image) {
    const int bytes = image.bitsPerComponent() / 8;
    const int components = image.componentsPerPixel();
    const bool premultiplied = image.isPremultiplied();
    const bool alphaFirst = image.alphaInfo() == AlphaInfo::first || image.alphaInfo() == AlphaInfo::premultipliedFirst;
    const bool skipFirst = image.alphaInfo() == AlphaInfo::noneSkipFirst;
    const bool skipLast = image.alphaInfo() == AlphaInfo::noneSkipLast;
    const bool hasAlpha = image.hasAlphaChannel();
    Bytes out;
    for (std::int64_t y = 0; y < image.height(); ++y) {
        for (std::int64_t x = 0; x < image.width(); ++x) {
            const std::uint8_t* pixel = image.row(y) + x * components * bytes;
            auto read = [&](int c) -> std::uint32_t {
                if (bytes == 1) return pixel[c];
                std::uint16_t v;
                std::memcpy(&v, pixel + c * 2, 2);
                return v;
            };
            const int alphaIndex = hasAlpha ? (alphaFirst ? 0 : components - 1) : -1;
            const std::uint32_t maximum = bytes == 1 ? 255 : 65535;
            const std::uint32_t a = alphaIndex >= 0 ? read(alphaIndex) : maximum;
            std::vector<std::uint32_t> values;
            for (int c = 0; c < components; ++c) {
                if (c == alphaIndex || (skipFirst && c == 0) || (skipLast && c == components - 1)) continue;
                std::uint32_t v = read(c);
                if (premultiplied) v = a == 0 ? 0 : std::min(maximum, (v * maximum + a / 2) / a);
                values.push_back(v);
            }
            if (alphaIndex >= 0) values.push_back(a);
            for (auto v : values) {
                if (bytes == 1) {
                    out.push_back(static_cast<std::uint8_t>(v));
                } else {
                    const auto v16 = static_cast<std::uint16_t>(v);
                    out.insert(out.end(), reinterpret_cast<const std::uint8_t*>(&v16),
                               reinterpret_cast<const std::uint8_t*>(&v16) + 2);
                }
            }
        }
    }
    return out;
}

std::string heifXmp(const Bytes& file) {
    std::string xmp;
    heif_context* context = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    if (heif_context_read_from_memory_without_copy(context, file.data(), file.size(), nullptr).code == heif_error_Ok &&
        heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok) {
        heif_item_id ids[8];
        const int count = heif_image_handle_get_list_of_metadata_block_IDs(handle, "mime", ids, 8);
        for (int i = 0; i < count; ++i) {
            if (std::string(heif_image_handle_get_metadata_content_type(handle, ids[i])) != "application/rdf+xml") continue;
            xmp.resize(heif_image_handle_get_metadata_size(handle, ids[i]));
            if (heif_image_handle_get_metadata(handle, ids[i], xmp.data()).code != heif_error_Ok) xmp.clear();
        }
        heif_image_handle_release(handle);
    }
    heif_context_free(context);
    return xmp;
}

Bytes jp2Profile(const Bytes& file) {
    Bytes icc;
    const TemporaryFolder folder;
    opj_stream_t* stream = opj_stream_create_default_file_stream(folder.write("image.jp2", file).c_str(), OPJ_TRUE);
    opj_codec_t* codec = opj_create_decompress(OPJ_CODEC_JP2);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    opj_image_t* image = nullptr;
    if (opj_setup_decoder(codec, &parameters) && opj_read_header(stream, codec, &image) &&
        opj_decode(codec, stream, image) && image->icc_profile_buf)
        icc.assign(image->icc_profile_buf, image->icc_profile_buf + image->icc_profile_len);
    if (image) opj_image_destroy(image);
    opj_destroy_codec(codec);
    opj_stream_destroy(stream);
    return icc;
}

} // namespace testing_support
