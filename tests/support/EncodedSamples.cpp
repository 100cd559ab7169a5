#include "support/EncodedSamples.h"

#include "ImageEngine/Encoding/png/PNGChunks.h"
#include "platform/vips/VipsRuntime.h"
#include "support/ExifSamples.h"
#include "support/TemporaryFolder.h"

#include <libheif/heif.h>
#include <tiffio.h>
#include <vips/vips.h>

#include <cstring>
#include <vector>

namespace testing_support {
namespace {

void putBigEndian(platform::Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

} // namespace

std::uint8_t samplePixel(int x, int y, int band, int page) {
    if (band == 3) return static_cast<std::uint8_t>(255 - (x * 20) % 200); // alpha
    return static_cast<std::uint8_t>((x * 23 + y * 41 + band * 67 + page * 97) & 0xFF);
}

std::optional<platform::Bytes> encodeSample(const SampleImage& sample, const std::string& suffix) {
    const int fullHeight = sample.height * sample.pages;
    const bool hasAlpha = !sample.cmyk && (sample.bands == 2 || sample.bands == 4);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(sample.width) * fullHeight * sample.bands);
    for (int page = 0; page < sample.pages; ++page)
        for (int y = 0; y < sample.height; ++y)
            for (int x = 0; x < sample.width; ++x)
                for (int b = 0; b < sample.bands; ++b) {
                    const bool alphaBand = hasAlpha && b == sample.bands - 1;
                    const std::size_t at = ((static_cast<std::size_t>(page) * sample.height + y) * sample.width + x) * sample.bands + b;
                    pixels[at] = alphaBand ? samplePixel(x, y, 3, page) : samplePixel(x, y, b, page);
                }
    return encodePixels(pixels, sample, suffix);
}

std::optional<platform::Bytes> encodePixels(const std::vector<std::uint8_t>& pixels, const SampleImage& sample,
                                            const std::string& suffix) {
    if (!platform::startVips()) return std::nullopt;
    const int fullHeight = sample.height * sample.pages;
    VipsImage* image = vips_image_new_from_memory_copy(pixels.data(), pixels.size(), sample.width, fullHeight,
                                                       sample.bands, VIPS_FORMAT_UCHAR);
    if (!image) return std::nullopt;
    image->Type = sample.cmyk ? VIPS_INTERPRETATION_CMYK
                  : sample.bands >= 3 ? VIPS_INTERPRETATION_sRGB : VIPS_INTERPRETATION_B_W;
    if (sample.sixteenBit) {
        VipsImage* wide = nullptr;
        if (vips_cast_ushort(image, &wide, nullptr)) return std::nullopt;
        VipsImage* scaled = nullptr;
        if (vips_linear1(wide, &scaled, 257.0, 0.0, "uchar", FALSE, nullptr)) return std::nullopt;
        g_object_unref(wide);
        VipsImage* cast = nullptr;
        if (vips_cast_ushort(scaled, &cast, nullptr)) return std::nullopt;
        g_object_unref(scaled);
        g_object_unref(image);
        image = cast;
        image->Type = sample.bands >= 3 ? VIPS_INTERPRETATION_RGB16 : VIPS_INTERPRETATION_GREY16;
    }
    // Savers change the image's metadata: work on a private copy.
    VipsImage* copy = nullptr;
    vips_copy(image, &copy, nullptr);
    g_object_unref(image);
    image = copy;
    if (sample.pages > 1) {
        vips_image_set_int(image, "page-height", sample.height);
        vips_image_set_int(image, "n-pages", sample.pages);
        std::vector<int> delays(static_cast<std::size_t>(sample.pages), 100);
        vips_image_set_array_int(image, "delay", delays.data(), sample.pages);
        vips_image_set_int(image, "loop", 0);
    }
    if (sample.orientation) vips_image_set_int(image, VIPS_META_ORIENTATION, *sample.orientation);
    if (sample.exif) {
        const platform::Bytes block = withExifMarker(*sample.exif);
        vips_image_set_blob_copy(image, VIPS_META_EXIF_NAME, block.data(), block.size());
    }
    if (sample.icc) {
        vips_image_set_blob_copy(image, VIPS_META_ICC_NAME, sample.icc->data(), sample.icc->size());
    }
    if (sample.xmp) {
        vips_image_set_blob_copy(image, VIPS_META_XMP_NAME, sample.xmp->data(), sample.xmp->size());
    }
    if (sample.dpi) {
        image->Xres = *sample.dpi / 25.4;
        image->Yres = *sample.dpi / 25.4;
    }
    void* buffer = nullptr;
    std::size_t length = 0;
    const int failed = vips_image_write_to_buffer(image, suffix.c_str(), &buffer, &length, nullptr);
    g_object_unref(image);
    if (failed || !buffer) {
        vips_error_clear();
        return std::nullopt;
    }
    platform::Bytes bytes(static_cast<std::uint8_t*>(buffer), static_cast<std::uint8_t*>(buffer) + length);
    g_free(buffer);
    return bytes;
}

platform::Bytes withAnimationControl(const platform::Bytes& png, std::uint32_t frames) {
    auto chunks = *pictavo::PNGChunks::parse(png);
    platform::Bytes control;
    putBigEndian(control, frames);
    putBigEndian(control, 0); // plays forever
    chunks.insert(chunks.begin() + 1, pictavo::PNGChunks::Chunk::owning("acTL", control));
    return *pictavo::PNGChunks::assemble(chunks);
}

platform::Bytes withChunksAfterHeader(const platform::Bytes& png,
                                      const std::vector<std::pair<std::string, platform::Bytes>>& added) {
    auto chunks = *pictavo::PNGChunks::parse(png);
    auto at = chunks.begin() + 1;
    for (const auto& [type, payload] : added) at = chunks.insert(at, pictavo::PNGChunks::Chunk::owning(type, payload)) + 1;
    return *pictavo::PNGChunks::assemble(chunks);
}

std::optional<platform::Bytes> heifOfColour(int width, int height, std::array<std::uint8_t, 3> rgb, const Nclx& nclx,
                                            bool av1) {
    const auto format = av1 ? heif_compression_AV1 : heif_compression_HEVC;
    if (!heif_have_encoder_for_format(format)) return std::nullopt;
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    heif_color_profile_nclx* colour = heif_nclx_color_profile_alloc();
    platform::Bytes file;
    if (heif_context_get_encoder_for_format(context, format, &encoder).code == heif_error_Ok &&
        heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image).code == heif_error_Ok &&
        heif_image_add_plane(image, heif_channel_interleaved, width, height, 8).code == heif_error_Ok) {
        int stride = 0;
        std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) std::memcpy(plane + y * stride + x * 3, rgb.data(), 3);
        heif_nclx_color_profile_set_color_primaries(colour, static_cast<std::uint16_t>(nclx.primaries));
        heif_nclx_color_profile_set_transfer_characteristics(colour, static_cast<std::uint16_t>(nclx.transfer));
        heif_nclx_color_profile_set_matrix_coefficients(colour, static_cast<std::uint16_t>(nclx.matrix));
        colour->full_range_flag = nclx.fullRange ? 1 : 0;
        heif_image_set_nclx_color_profile(image, colour);
        heif_encoder_set_lossy_quality(encoder, 100);
        heif_encoder_set_parameter_string(encoder, "chroma", "444");
        heif_encoding_options* options = heif_encoding_options_alloc();
        // The box as given goes into the file, also beside HEVC, where libheif leaves it out by
        // default for an old macOS reader.
        options->output_nclx_profile = colour;
        options->macOS_compatibility_workaround_no_nclx_profile = 0;
        heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* out) {
                               auto* bytes = static_cast<platform::Bytes*>(out);
                               bytes->insert(bytes->end(), static_cast<const std::uint8_t*>(data),
                                             static_cast<const std::uint8_t*>(data) + size);
                               return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
                           }};
        if (heif_context_encode_image(context, image, encoder, options, nullptr).code != heif_error_Ok ||
            heif_context_write(context, &writer, &file).code != heif_error_Ok)
            file.clear();
        heif_encoding_options_free(options);
    }
    heif_nclx_color_profile_free(colour);
    if (image) heif_image_release(image);
    if (encoder) heif_encoder_release(encoder);
    heif_context_free(context);
    if (file.empty()) return std::nullopt;
    return file;
}

platform::Bytes pngDeclaring(std::uint32_t side) {
    platform::Bytes header, file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    putBigEndian(header, side);
    putBigEndian(header, side);
    header.insert(header.end(), {8, 6, 0, 0, 0});
    pictavo::PNGChunks::serialise("IHDR", header, file);
    pictavo::PNGChunks::serialise("IDAT", platform::Bytes{0x78, 0x9c, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}, file);
    pictavo::PNGChunks::serialise("IEND", platform::Bytes{}, file);
    return file;
}

namespace {

void putLittleEndian(platform::Bytes& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void putAttribute(platform::Bytes& out, const std::string& name, const std::string& type, const platform::Bytes& value) {
    out.insert(out.end(), name.begin(), name.end());
    out.push_back(0);
    out.insert(out.end(), type.begin(), type.end());
    out.push_back(0);
    putLittleEndian(out, value.size(), 4);
    out.insert(out.end(), value.begin(), value.end());
}

void putFloat(platform::Bytes& out, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    putLittleEndian(out, bits, 4);
}

} // namespace

platform::Bytes openEXRFile(int width, int height) {
    platform::Bytes out;
    putLittleEndian(out, 20000630, 4); // magic
    putLittleEndian(out, 2, 4);        // version 2, single part, scan lines
    platform::Bytes channels;
    for (const char* name : {"B", "G", "R"}) { // in alphabetical order, as the format wants
        channels.push_back(static_cast<std::uint8_t>(name[0]));
        channels.push_back(0);
        putLittleEndian(channels, 2, 4); // FLOAT
        putLittleEndian(channels, 0, 4); // pLinear and reserved
        putLittleEndian(channels, 1, 4); // x sampling
        putLittleEndian(channels, 1, 4); // y sampling
    }
    channels.push_back(0);
    putAttribute(out, "channels", "chlist", channels);
    putAttribute(out, "compression", "compression", {0});
    platform::Bytes window;
    for (int v : {0, 0, width - 1, height - 1}) putLittleEndian(window, static_cast<std::uint32_t>(v), 4);
    putAttribute(out, "dataWindow", "box2i", window);
    putAttribute(out, "displayWindow", "box2i", window);
    putAttribute(out, "lineOrder", "lineOrder", {0});
    platform::Bytes one;
    putFloat(one, 1.0f);
    putAttribute(out, "pixelAspectRatio", "float", one);
    platform::Bytes centre;
    putFloat(centre, 0.0f);
    putFloat(centre, 0.0f);
    putAttribute(out, "screenWindowCenter", "v2f", centre);
    putAttribute(out, "screenWindowWidth", "float", one);
    out.push_back(0); // end of header

    const std::size_t lineBytes = static_cast<std::size_t>(width) * 3 * 4;
    const std::size_t firstLine = out.size() + static_cast<std::size_t>(height) * 8;
    for (int y = 0; y < height; ++y) putLittleEndian(out, firstLine + static_cast<std::size_t>(y) * (8 + lineBytes), 8);
    for (int y = 0; y < height; ++y) {
        putLittleEndian(out, static_cast<std::uint32_t>(y), 4);
        putLittleEndian(out, lineBytes, 4);
        for (int band : {2, 1, 0})
            for (int x = 0; x < width; ++x) putFloat(out, samplePixel(x, y, band) / 255.0f);
    }
    return out;
}

platform::Bytes multiSizeTiff(const std::vector<std::pair<int, int>>& sizes, bool oneStrip) {
    TemporaryFolder folder;
    const auto path = folder.file("pages.tif");
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    for (std::size_t page = 0; page < sizes.size(); ++page) {
        const auto [width, height] = sizes[page];
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        if (oneStrip) TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(height));
        TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(tiff, TIFFTAG_PAGENUMBER, static_cast<std::uint16_t>(page), static_cast<std::uint16_t>(sizes.size()));
        std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width * 3; ++x)
                row[static_cast<std::size_t>(x)] = samplePixel(x / 3, y, x % 3, static_cast<int>(page));
            TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0);
        }
        TIFFWriteDirectory(tiff);
    }
    TIFFClose(tiff);
    return readFile(path);
}

platform::Bytes dngFile(int width, int height, int orientation, bool behindThumbnail) {
    TemporaryFolder folder;
    const auto path = folder.file("camera.dng");
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    // The camera's tags are the first directory's, whatever picture it holds.
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, orientation);
    TIFFSetField(tiff, TIFFTAG_MAKE, "Pictavo");
    TIFFSetField(tiff, TIFFTAG_MODEL, "Test Camera");
    const std::uint8_t version[4] = {1, 4, 0, 0};
    TIFFSetField(tiff, TIFFTAG_DNGVERSION, version);
    TIFFSetField(tiff, TIFFTAG_DNGBACKWARDVERSION, version);
    TIFFSetField(tiff, TIFFTAG_UNIQUECAMERAMODEL, "Pictavo Test Camera");
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    TIFFSetField(tiff, TIFFTAG_COLORMATRIX1, 9, identity);
    const float neutral[3] = {1, 1, 1};
    TIFFSetField(tiff, TIFFTAG_ASSHOTNEUTRAL, 3, neutral);
    TIFFSetField(tiff, TIFFTAG_CALIBRATIONILLUMINANT1, 21);
    const auto writePicture = [&](int pictureWidth, int pictureHeight, int bits, int photometric) {
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, pictureWidth);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, pictureHeight);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
        const int bytes = bits / 8;
        std::vector<std::uint8_t> row(static_cast<std::size_t>(pictureWidth) * 3 * bytes);
        for (int y = 0; y < pictureHeight; ++y) {
            for (int x = 0; x < pictureWidth * 3; ++x) {
                const int value = samplePixel(x / 3, y, x % 3) * (bytes == 2 ? 257 : 1);
                for (int at = 0; at < bytes; ++at)
                    row[static_cast<std::size_t>(x * bytes + at)] = static_cast<std::uint8_t>(value >> (8 * at));
            }
            TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0);
        }
    };
    if (behindThumbnail) {
        TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
        toff_t rawPicture[1] = {0};
        TIFFSetField(tiff, TIFFTAG_SUBIFD, 1, rawPicture);
        writePicture(32, 21, 8, PHOTOMETRIC_RGB);
        TIFFWriteDirectory(tiff);
    }
    TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, 0);
    writePicture(width, height, 16, 34892); // linear raw
    TIFFClose(tiff);
    return readFile(path);
}

} // namespace testing_support
