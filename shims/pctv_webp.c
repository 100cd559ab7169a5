#include "pctv_webp.h"

#include "pctv_shim_message.h"

#include <stdio.h>
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

/* Wraps the encoded image in a mux with the profile and packet; nothing is copied. */
static int assemble(const WebPMemoryWriter* image, const uint8_t* icc, size_t icc_length, const uint8_t* xmp,
                    size_t xmp_length, uint8_t** out, size_t* out_length, char* error, size_t error_capacity) {
    WebPMux* mux = WebPMuxNew();
    if (mux == NULL) return failed(error, error_capacity, "WebPMuxNew", 0);
    int status = 1;
    WebPData data = {image->mem, image->size};
    WebPMuxError result = WebPMuxSetImage(mux, &data, 0);
    if (result != WEBP_MUX_OK) {
        failed(error, error_capacity, "WebPMuxSetImage", result);
        goto done;
    }
    if (has_bytes(icc, icc_length)) {
        WebPData profile = {icc, icc_length};
        result = WebPMuxSetChunk(mux, "ICCP", &profile, 0);
        if (result != WEBP_MUX_OK) {
            failed(error, error_capacity, "WebPMuxSetChunk ICCP", result);
            goto done;
        }
    }
    if (has_bytes(xmp, xmp_length)) {
        WebPData packet = {xmp, xmp_length};
        result = WebPMuxSetChunk(mux, "XMP ", &packet, 0);
        if (result != WEBP_MUX_OK) {
            failed(error, error_capacity, "WebPMuxSetChunk XMP", result);
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

int pctv_webp_encode(const uint8_t* pixels, int32_t stride, int32_t width, int32_t height, int32_t has_alpha,
                     const pctv_webp_options* options, const uint8_t* icc, size_t icc_length, const uint8_t* xmp,
                     size_t xmp_length, uint8_t** out, size_t* out_length, char* error, size_t error_capacity) {
    /* A stride narrower than a row would make libwebp read past every row. */
    if (height < 1 || width < 1 || pixels == NULL || options == NULL || out == NULL || out_length == NULL ||
        (int64_t)stride < (int64_t)width * 4)
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
    int imported = has_alpha ? WebPPictureImportRGBA(&picture, pixels, stride)
                             : WebPPictureImportRGBX(&picture, pixels, stride);
    if (!imported) {
        int code = picture.error_code;
        WebPPictureFree(&picture);
        return failed(error, error_capacity, "WebPPictureImport", code);
    }

    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;
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

    if (!has_bytes(icc, icc_length) && !has_bytes(xmp, xmp_length)) {
        *out = writer.mem;
        *out_length = writer.size;
        return 0;
    }
    int status = assemble(&writer, icc, icc_length, xmp, xmp_length, out, out_length, error, error_capacity);
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
