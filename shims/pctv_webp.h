#ifndef PCTV_WEBP_H
#define PCTV_WEBP_H

/* The program's one door to libwebp: every WebP it writes goes through here. Calls return
 * 0 on success and 1 on failure; out-parameters are cleared once the arguments pass, and a
 * failure message "<step> failed (<code>)" is written into `error` when it has room; an
 * encoding failure adds libwebp's name for its code, "WebPEncode failed (<code> <name>)". A
 * picture too large for the limits of libwebp's partitions is encoded again with those
 * limits loosened before it counts as failed. */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Runs count calls of band(band_context, index), index 0...count-1, in any order and on any
 * threads, and returns once all have finished. */
typedef void (*pctv_webp_band_runner)(void* runner_context, void (*band)(void* band_context, int32_t index),
                                      void* band_context, int32_t count);

typedef struct pctv_webp_options {
    int32_t quality;    /* 0...100 as libwebp reads it */
    int32_t lossless;   /* non-zero: lossless */
    int32_t method;     /* libwebp's speed and size trade-off, 0...6 */
    int32_t threads;    /* non-zero: libwebp may use a second thread; the bytes are the same */
    int32_t packed_rgb; /* non-zero: 3-byte pixels (red, green, blue) without alpha */
    /* When given, an opaque lossy picture's colour conversion runs in bands of rows through
     * it; every row pair converts on its own, so the bytes are the same. */
    pctv_webp_band_runner run_bands;
    void* run_bands_context;
    /* When given, asked as libwebp reports its progress; a non-zero answer ends the encode
     * as failed with libwebp's user abort. */
    int32_t (*stop_asked)(void* stop_context);
    void* stop_context;
} pctv_webp_options;

/* Encodes 4-byte pixels (red, green, blue, then straight alpha when has_alpha is non-zero,
 * else an ignored byte), or 3-byte ones when the options say so, row n at pixels + stride * n.
 * The ICC profile, the EXIF block (TIFF-structured, without "Exif\0\0") and the XMP packet, when
 * given, travel as "ICCP", "EXIF" and "XMP " chunks. On success
 * *out holds a buffer the caller releases with pctv_webp_free. */
int pctv_webp_encode(const uint8_t* pixels, int32_t stride, int32_t width, int32_t height, int32_t has_alpha,
                     const pctv_webp_options* options, const uint8_t* icc, size_t icc_length, const uint8_t* exif,
                     size_t exif_length, const uint8_t* xmp, size_t xmp_length, uint8_t** out, size_t* out_length,
                     char* error, size_t error_capacity);

void pctv_webp_free(void* buffer);

/* The linked libwebp encoder's version, "major.minor.revision". */
const char* pctv_webp_version(void);

#ifdef __cplusplus
}
#endif

#endif
