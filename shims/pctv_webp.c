#include "pctv_webp.h"

#include "pctv_shim_message.h"

#include <stdatomic.h>
#include <stdio.h>
#include <string.h>
#include <threads.h>

#include <webp/encode.h>
#include <webp/mux.h>
#include <webp/types.h>

static int failed(char* error, size_t error_capacity, const char* step, int code) {
    pctv_shim_message(error, error_capacity, "%s failed (%d)", step, code);
    return 1;
}

/* libwebp's own names for its encoding errors, so that a failure report says which limit was met. */
static const char* encoding_error_name(int code) {
    static const char* const names[] = {
        "VP8_ENC_OK",
        "VP8_ENC_ERROR_OUT_OF_MEMORY",
        "VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY",
        "VP8_ENC_ERROR_NULL_PARAMETER",
        "VP8_ENC_ERROR_INVALID_CONFIGURATION",
        "VP8_ENC_ERROR_BAD_DIMENSION",
        "VP8_ENC_ERROR_PARTITION0_OVERFLOW",
        "VP8_ENC_ERROR_PARTITION_OVERFLOW",
        "VP8_ENC_ERROR_BAD_WRITE",
        "VP8_ENC_ERROR_FILE_TOO_BIG",
        "VP8_ENC_ERROR_USER_ABORT",
    };
    if (code < 0 || (size_t)code >= sizeof names / sizeof names[0]) return "unknown error";
    return names[code];
}

/* A large picture can overflow the partition that holds the prediction modes (512 KiB) or
 * one of the token partitions (16 MiB). libwebp can trade a little quality for fewer mode
 * bits, code the segments without a map, and spread the tokens over up to eight partitions;
 * each overflow loosens the limit that was met, the modes first by degrading the costly
 * four-by-four modes, then by dropping the segment map. Returns 0 when nothing is left to
 * loosen. */
static int loosen_for(int code, WebPConfig* config) {
    if (code == VP8_ENC_ERROR_PARTITION0_OVERFLOW) {
        if (config->partition_limit < 100) {
            config->partition_limit = 100;
            return 1;
        }
        if (config->segments > 1) {
            config->segments = 1;
            return 1;
        }
    } else if (code == VP8_ENC_ERROR_PARTITION_OVERFLOW && config->partitions < 3) {
        config->partitions = 3;
        return 1;
    }
    return 0;
}

static int has_bytes(const uint8_t* bytes, size_t length) {
    return bytes != NULL && length != 0;
}

/* Wraps the encoded image in a mux with the profile, EXIF and packet; nothing is copied. */
static int assemble(const WebPMemoryWriter* image, const uint8_t* icc, size_t icc_length, const uint8_t* exif,
                    size_t exif_length, const uint8_t* xmp, size_t xmp_length, uint8_t** out, size_t* out_length,
                    char* error, size_t error_capacity) {
    WebPMux* mux = WebPMuxNew();
    if (mux == NULL) return failed(error, error_capacity, "WebPMuxNew", 0);
    int status = 1;
    WebPData data = {image->mem, image->size};
    WebPMuxError result = WebPMuxSetImage(mux, &data, 0);
    if (result != WEBP_MUX_OK) {
        failed(error, error_capacity, "WebPMuxSetImage", result);
        goto done;
    }
    const struct {
        const char* fourcc;
        const char* step;
        WebPData bytes;
    } chunks[] = {{"ICCP", "WebPMuxSetChunk ICCP", {icc, icc_length}},
                  {"EXIF", "WebPMuxSetChunk EXIF", {exif, exif_length}},
                  {"XMP ", "WebPMuxSetChunk XMP", {xmp, xmp_length}}};
    for (size_t index = 0; index < sizeof chunks / sizeof chunks[0]; ++index) {
        if (!has_bytes(chunks[index].bytes.bytes, chunks[index].bytes.size)) continue;
        result = WebPMuxSetChunk(mux, chunks[index].fourcc, &chunks[index].bytes, 0);
        if (result != WEBP_MUX_OK) {
            failed(error, error_capacity, chunks[index].step, result);
            goto done;
        }
    }
    WebPData assembled;
    WebPDataInit(&assembled);
    result = WebPMuxAssemble(mux, &assembled);
    if (result != WEBP_MUX_OK) {
        WebPDataClear(&assembled);
        failed(error, error_capacity, "WebPMuxAssemble", result);
        goto done;
    }
    *out = (uint8_t*)assembled.bytes;
    *out_length = assembled.size;
    status = 0;
done:
    WebPMuxDelete(mux);
    return status;
}

/* Rows of one piece of a band: whole row pairs, few enough for the piece to stay in cache. */
enum { piece_rows = 64, most_bands = 16 };

typedef struct band_import {
    const uint8_t* pixels;
    int32_t stride;
    int32_t packed_rgb;
    int32_t band_rows; /* even, so that no band splits a row pair */
    WebPPicture* picture;
    atomic_int failed;
} band_import;

static int import_opaque(WebPPicture* picture, const uint8_t* pixels, int32_t stride, int32_t packed_rgb) {
    return packed_rgb ? WebPPictureImportRGB(picture, pixels, stride) : WebPPictureImportRGBX(picture, pixels, stride);
}

/* libwebp fills its conversion tables on the first import; one import before any band runs
 * keeps the bands from filling them at the same time. */
static once_flag conversion_ready = ONCE_FLAG_INIT;

static void prepare_conversion(void) {
    const uint8_t pixels[2 * 2 * 4] = {0};
    WebPPicture picture;
    if (!WebPPictureInit(&picture)) return;
    picture.width = 2;
    picture.height = 2;
    WebPPictureImportRGBX(&picture, pixels, 2 * 4);
    WebPPictureFree(&picture);
}

/* Converts the band's rows piece by piece as the whole picture's import would, and copies
 * each piece's planes into the picture's: libwebp converts every pair of rows on its own
 * (without dithering or the iterative conversion, which it uses for neither call here). */
static void import_band(void* context, int32_t index) {
    band_import* job = context;
    WebPPicture* whole = job->picture;
    const int32_t first = index * job->band_rows;
    const int32_t end = first + job->band_rows < whole->height ? first + job->band_rows : whole->height;
    const size_t uv_width = (size_t)(whole->width + 1) / 2;
    for (int32_t top = first; top < end && !atomic_load(&job->failed); top += piece_rows) {
        const int32_t rows = end - top < piece_rows ? end - top : piece_rows;
        WebPPicture piece;
        if (!WebPPictureInit(&piece)) {
            atomic_store(&job->failed, 1);
            return;
        }
        piece.width = whole->width;
        piece.height = rows;
        if (!import_opaque(&piece, job->pixels + (size_t)top * (size_t)job->stride, job->stride, job->packed_rgb)) {
            WebPPictureFree(&piece);
            atomic_store(&job->failed, 1);
            return;
        }
        for (int32_t row = 0; row < rows; ++row)
            memcpy(whole->y + (size_t)(top + row) * (size_t)whole->y_stride,
                   piece.y + (size_t)row * (size_t)piece.y_stride, (size_t)whole->width);
        for (int32_t row = 0; row < (rows + 1) / 2; ++row) {
            const size_t at = (size_t)(top / 2 + row) * (size_t)whole->uv_stride;
            const size_t from = (size_t)row * (size_t)piece.uv_stride;
            memcpy(whole->u + at, piece.u + from, uv_width);
            memcpy(whole->v + at, piece.v + from, uv_width);
        }
        WebPPictureFree(&piece);
    }
}

/* An opaque picture's planes, converted in bands through the runner. */
static int import_in_bands(WebPPicture* picture, const uint8_t* pixels, int32_t stride,
                           const pctv_webp_options* options) {
    call_once(&conversion_ready, prepare_conversion);
    picture->use_argb = 0;
    picture->colorspace = WEBP_YUV420;
    if (!WebPPictureAlloc(picture)) return 0;
    int32_t bands = (picture->height + piece_rows - 1) / piece_rows;
    if (bands > most_bands) bands = most_bands;
    band_import job;
    job.pixels = pixels;
    job.stride = stride;
    job.packed_rgb = options->packed_rgb != 0;
    job.band_rows = (picture->height + bands - 1) / bands;
    job.band_rows += job.band_rows & 1;
    job.picture = picture;
    atomic_init(&job.failed, 0);
    bands = (picture->height + job.band_rows - 1) / job.band_rows;
    options->run_bands(options->run_bands_context, import_band, &job, bands);
    if (atomic_load(&job.failed)) {
        picture->error_code = VP8_ENC_ERROR_OUT_OF_MEMORY;
        return 0;
    }
    return 1;
}

static int import_pixels(WebPPicture* picture, const uint8_t* pixels, int32_t stride, int32_t has_alpha,
                         const pctv_webp_options* options) {
    if (options->run_bands != NULL && !has_alpha && !picture->use_argb && picture->height >= 2 * piece_rows)
        return import_in_bands(picture, pixels, stride, options);
    if (has_alpha) return WebPPictureImportRGBA(picture, pixels, stride);
    return import_opaque(picture, pixels, stride, options->packed_rgb);
}

/* libwebp aborts the encode when its progress hook answers 0. */
static int go_on_unless_asked_to_stop(int percent, const WebPPicture* picture) {
    (void)percent;
    const pctv_webp_options* options = (const pctv_webp_options*)picture->user_data;
    return !options->stop_asked(options->stop_context);
}

int pctv_webp_encode(const uint8_t* pixels, int32_t stride, int32_t width, int32_t height, int32_t has_alpha,
                     const pctv_webp_options* options, const uint8_t* icc, size_t icc_length, const uint8_t* exif,
                     size_t exif_length, const uint8_t* xmp, size_t xmp_length, uint8_t** out, size_t* out_length,
                     char* error, size_t error_capacity) {
    /* A stride narrower than a row would make libwebp read past every row. */
    if (height < 1 || width < 1 || pixels == NULL || options == NULL || out == NULL || out_length == NULL ||
        (options->packed_rgb && has_alpha) || (int64_t)stride < (int64_t)width * (options->packed_rgb ? 3 : 4))
        return failed(error, error_capacity, "arguments", 0);
    *out = NULL;
    *out_length = 0;

    WebPConfig config;
    if (!WebPConfigPreset(&config, WEBP_PRESET_DEFAULT, 75)) return failed(error, error_capacity, "WebPConfigInit", 0);
    config.lossless = options->lossless != 0;
    config.quality = (float)options->quality;
    config.method = options->method;
    config.exact = 1; /* fully transparent pixels keep their colour */
    config.thread_level = options->threads != 0;
    if (!WebPValidateConfig(&config)) return failed(error, error_capacity, "WebPValidateConfig", 0);

    WebPPicture picture;
    if (!WebPPictureInit(&picture)) return failed(error, error_capacity, "WebPPictureInit", 0);
    picture.width = width;
    picture.height = height;
    picture.use_argb = config.lossless;
    int imported = import_pixels(&picture, pixels, stride, has_alpha, options);
    if (!imported) {
        int code = picture.error_code;
        WebPPictureFree(&picture);
        return failed(error, error_capacity, "WebPPictureImport", code);
    }

    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;
    if (options->stop_asked != NULL) {
        picture.user_data = (void*)options;
        picture.progress_hook = go_on_unless_asked_to_stop;
    }
    int encoded = WebPEncode(&config, &picture);
    int code = picture.error_code;
    /* The imported planes are kept, so a retry encodes them again without a second import. */
    while (!encoded && loosen_for(code, &config)) {
        WebPMemoryWriterClear(&writer);
        WebPMemoryWriterInit(&writer);
        encoded = WebPEncode(&config, &picture);
        code = picture.error_code;
    }
    WebPPictureFree(&picture);
    if (!encoded) {
        WebPMemoryWriterClear(&writer);
        pctv_shim_message(error, error_capacity, "WebPEncode failed (%d %s)", code, encoding_error_name(code));
        return 1;
    }

    if (!has_bytes(icc, icc_length) && !has_bytes(exif, exif_length) && !has_bytes(xmp, xmp_length)) {
        *out = writer.mem;
        *out_length = writer.size;
        return 0;
    }
    int status = assemble(&writer, icc, icc_length, exif, exif_length, xmp, xmp_length, out, out_length, error,
                          error_capacity);
    WebPMemoryWriterClear(&writer);
    return status;
}

void pctv_webp_free(void* buffer) {
    WebPFree(buffer);
}

static char version_text[16];
static once_flag version_once = ONCE_FLAG_INIT;

static void format_version(void) {
    int version = WebPGetEncoderVersion();
    snprintf(version_text, sizeof version_text, "%d.%d.%d", (version >> 16) & 0xFF, (version >> 8) & 0xFF,
             version & 0xFF);
}

const char* pctv_webp_version(void) {
    call_once(&version_once, format_version);
    return version_text;
}
