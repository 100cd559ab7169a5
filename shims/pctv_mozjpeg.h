#ifndef PCTV_MOZJPEG_H
#define PCTV_MOZJPEG_H

/* The program's one door to the JPEG library: every JPEG it writes, and every lossless
 * rewrite of a JPEG it keeps, goes through here. Calls return 0 on success and 1 on
 * failure; out-parameters are cleared once the arguments pass, and a failure message is
 * written into `error` when it is given and has room. */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum pctv_mozjpeg_layout {
    PCTV_MOZJPEG_LAYOUT_RGBX = 0, /* red, green, blue and one ignored byte */
    PCTV_MOZJPEG_LAYOUT_GREY = 1, /* one byte per pixel */
    PCTV_MOZJPEG_LAYOUT_RGB = 2   /* red, green, blue; any value but these three is RGBX */
} pctv_mozjpeg_layout;

typedef struct pctv_mozjpeg_options {
    int32_t quality;     /* 1...100; clamped */
    int32_t progressive; /* non-zero: progressive scans */
    int32_t trellis;     /* non-zero: trellis quantisation where the library has it */
    int32_t full_chroma; /* non-zero: no chroma subsampling (4:4:4) */
    /* The JFIF header's density: x_density by y_density dots per inch (density_unit 1), per
     * centimetre (2), or a pixel shape in no unit (0). Either density outside 1...65535 writes
     * the library's own: 1 by 1 in no unit. */
    int32_t density_unit;
    int32_t x_density;
    int32_t y_density;
    /* When given, asked between rows and between the passes of the compression; a non-zero
     * answer ends the encode as failed, its message "stopped". */
    int32_t (*stop_asked)(void* stop_context);
    void* stop_context;
} pctv_mozjpeg_options;

/* The lossless turns, numbered as the JPEG library's transform codes. */
enum {
    PCTV_MOZJPEG_TURN_NONE = 0,
    PCTV_MOZJPEG_TURN_FLIP_H = 1,
    PCTV_MOZJPEG_TURN_FLIP_V = 2,
    PCTV_MOZJPEG_TURN_TRANSPOSE = 3,
    PCTV_MOZJPEG_TURN_TRANSVERSE = 4,
    PCTV_MOZJPEG_TURN_ROT_90 = 5,
    PCTV_MOZJPEG_TURN_ROT_180 = 6,
    PCTV_MOZJPEG_TURN_ROT_270 = 7
};

/* The memory a rewrite may take when the caller names no budget. */
#define PCTV_MOZJPEG_DEFAULT_MEMORY_LIMIT ((size_t)1 << 30)

void pctv_mozjpeg_default_options(int32_t quality, pctv_mozjpeg_options* options);

/* Compresses `height` rows of `width` pixels, row n at pixels + stride * n. On success
 * *out holds a buffer the caller releases with pctv_mozjpeg_free. */
int pctv_mozjpeg_encode(const uint8_t* pixels, size_t stride, int32_t width, int32_t height,
                        pctv_mozjpeg_layout layout, const pctv_mozjpeg_options* options,
                        const uint8_t* icc, size_t icc_length, uint8_t** out, size_t* out_length,
                        char* error, size_t error_capacity);

/* Rewrites a JPEG without decoding it: the coefficients are kept (turned when `turn` asks),
 * the entropy coding is optimised, and the markers are kept (keep_metadata non-zero) or
 * cut down to the ICC profile. Uses at most PCTV_MOZJPEG_DEFAULT_MEMORY_LIMIT bytes. */
int pctv_mozjpeg_reoptimise(const uint8_t* source, size_t source_length, int32_t keep_metadata,
                            int32_t progressive, uint32_t turn, uint8_t** out, size_t* out_length,
                            char* error, size_t error_capacity);

/* The same within the caller's memory budget: a source whose coefficients would not fit
 * fails before they are read. */
int pctv_mozjpeg_reoptimise_bounded(const uint8_t* source, size_t source_length,
                                    int32_t keep_metadata, int32_t progressive, uint32_t turn,
                                    uint8_t** out, size_t* out_length, char* error,
                                    size_t error_capacity, size_t memory_limit);

/* The smaller of the sequential and the progressive rewrite within the memory budget, the
 * sequential one on equal sizes, from one reading of the coefficients. When the sequential
 * rewrite fails the call fails; when only the progressive one does, the sequential one is
 * given. */
int pctv_mozjpeg_reoptimise_smaller(const uint8_t* source, size_t source_length, int32_t keep_metadata,
                                    uint32_t turn, uint8_t** out, size_t* out_length, char* error,
                                    size_t error_capacity, size_t memory_limit);

/* The bytes of coefficients a rewrite holds (as many again when it turns), read from the
 * header alone, so that a caller can make room for them before the rewrite starts. */
int pctv_mozjpeg_reoptimise_memory(const uint8_t* source, size_t source_length, uint32_t turn,
                                   unsigned long long* memory, char* error, size_t error_capacity);

void pctv_mozjpeg_free(void* buffer);

/* The version of the linked JPEG library (libjpeg-turbo), for the acknowledgements. */
const char* pctv_mozjpeg_version(void);

#ifdef __cplusplus
}
#endif

#endif
