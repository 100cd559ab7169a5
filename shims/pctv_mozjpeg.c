#include "pctv_mozjpeg.h"

#include "pctv_jpeg_destination.h"
#include "pctv_jpeg_error.h"
#include "pctv_shim_message.h"

#include <stdio.h>
#include <stdlib.h>

#include <jpeglib.h>

/* An ICC profile travels in at most 255 APP2 markers of this many bytes each. */
enum { PCTV_ICC_BYTES_PER_MARKER = 65519, PCTV_ICC_MAX_MARKERS = 255 };

#define PCTV_STRINGIFY_VALUE(x) #x
#define PCTV_STRINGIFY(x) PCTV_STRINGIFY_VALUE(x)

void pctv_mozjpeg_default_options(int32_t quality, pctv_mozjpeg_options* options) {
    if (options == NULL) return;
    options->quality = quality;
    options->progressive = 1;
    options->trellis = 1;
    options->full_chroma = quality >= 90 ? 1 : 0;
    options->density_unit = 0;
    options->x_density = 0;
    options->y_density = 0;
    options->stop_asked = NULL;
    options->stop_context = NULL;
}

/* Everything the error path needs, kept outside the function that calls setjmp so that no
 * value it reads after the jump lives only in a register. */
struct encode_state {
    struct jpeg_compress_struct cinfo;
    struct pctv_jpeg_error error;
    struct pctv_jpeg_destination destination;
    struct jpeg_progress_mgr progress;
    const pctv_mozjpeg_options* options;
};

/* The library reports its progress between rows and passes; a stop asked meanwhile leaves
 * through the error path, which frees what the library holds. */
static void stop_when_asked(j_common_ptr cinfo) {
    struct encode_state* state = (struct encode_state*)cinfo->client_data;
    if (!state->options->stop_asked(state->options->stop_context)) return;
    pctv_shim_message(state->error.message, sizeof state->error.message, "stopped");
    longjmp(state->error.jump, 1);
}

static int32_t clamped_quality(int32_t quality) {
    return quality < 1 ? 1 : (quality > 100 ? 100 : quality);
}

static size_t bytes_per_pixel(pctv_mozjpeg_layout layout) {
    switch (layout) {
    case PCTV_MOZJPEG_LAYOUT_GREY: return 1;
    case PCTV_MOZJPEG_LAYOUT_RGB: return 3;
    default: return 4;
    }
}

static int encode_into(struct encode_state* state, const uint8_t* pixels, size_t stride,
                       int32_t width, int32_t height, pctv_mozjpeg_layout layout,
                       const pctv_mozjpeg_options* options, const uint8_t* icc, size_t icc_length) {
    struct jpeg_compress_struct* cinfo = &state->cinfo;
    cinfo->err = pctv_jpeg_error_init(&state->error);
    if (setjmp(state->error.jump)) return 1;

    jpeg_create_compress(cinfo);
    pctv_jpeg_destination_attach(&state->destination, cinfo);
    if (options->stop_asked != NULL) {
        state->options = options;
        state->progress.progress_monitor = stop_when_asked;
        cinfo->client_data = state;
        cinfo->progress = &state->progress;
    }

    cinfo->image_width = (JDIMENSION)width;
    cinfo->image_height = (JDIMENSION)height;
    int grey = layout == PCTV_MOZJPEG_LAYOUT_GREY;
    cinfo->input_components = (int)bytes_per_pixel(layout);
    cinfo->in_color_space = grey ? JCS_GRAYSCALE : (layout == PCTV_MOZJPEG_LAYOUT_RGB ? JCS_RGB : JCS_EXT_RGBX);
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, clamped_quality(options->quality), TRUE);
    if (grey) {
        jpeg_set_colorspace(cinfo, JCS_GRAYSCALE);
    } else if (options->full_chroma) {
        cinfo->comp_info[0].h_samp_factor = 1;
        cinfo->comp_info[0].v_samp_factor = 1;
    }
#ifdef PCTV_MOZJPEG_EXTENSIONS
    if (jpeg_c_bool_param_supported(cinfo, JBOOLEAN_TRELLIS_QUANT))
        jpeg_c_set_bool_param(cinfo, JBOOLEAN_TRELLIS_QUANT, options->trellis != 0);
    if (jpeg_c_bool_param_supported(cinfo, JBOOLEAN_OPTIMIZE_SCANS))
        jpeg_c_set_bool_param(cinfo, JBOOLEAN_OPTIMIZE_SCANS, options->progressive != 0);
#endif
    if (options->progressive) {
        jpeg_simple_progression(cinfo);
    } else {
        cinfo->scan_info = NULL;
        cinfo->num_scans = 0;
    }
    /* Not the library's default here: the smallest entropy coding is always wanted. */
    cinfo->optimize_coding = TRUE;
    if (options->x_density >= 1 && options->x_density <= 65535 && options->y_density >= 1 &&
        options->y_density <= 65535 && options->density_unit >= 0 && options->density_unit <= 2) {
        cinfo->density_unit = (UINT8)options->density_unit;
        cinfo->X_density = (UINT16)options->x_density;
        cinfo->Y_density = (UINT16)options->y_density;
    }

    jpeg_start_compress(cinfo, TRUE);
    if (icc != NULL && icc_length != 0) jpeg_write_icc_profile(cinfo, icc, (unsigned int)icc_length);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = (JSAMPROW)(pixels + stride * cinfo->next_scanline);
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return 0;
}

int pctv_mozjpeg_encode(const uint8_t* pixels, size_t stride, int32_t width, int32_t height,
                        pctv_mozjpeg_layout layout, const pctv_mozjpeg_options* options,
                        const uint8_t* icc, size_t icc_length, uint8_t** out, size_t* out_length,
                        char* error, size_t error_capacity) {
    if (height < 1 || width < 1 || pixels == NULL || options == NULL || out == NULL ||
        out_length == NULL || stride / bytes_per_pixel(layout) < (size_t)width ||
        (icc != NULL && icc_length > (size_t)PCTV_ICC_BYTES_PER_MARKER * PCTV_ICC_MAX_MARKERS)) {
        pctv_shim_message(error, error_capacity, "invalid arguments");
        return 1;
    }
    *out = NULL;
    *out_length = 0;

    struct encode_state* state = calloc(1, sizeof *state);
    if (state == NULL) {
        pctv_shim_message(error, error_capacity, "out of memory");
        return 1;
    }
    int failed = encode_into(state, pixels, stride, width, height, layout, options, icc, icc_length);
    jpeg_destroy_compress(&state->cinfo);
    if (failed) {
        pctv_jpeg_destination_release(&state->destination);
        pctv_shim_message(error, error_capacity, "%s", state->error.message);
    } else {
        *out_length = state->destination.length;
        *out = pctv_jpeg_destination_take(&state->destination);
    }
    free(state);
    return failed;
}

void pctv_mozjpeg_free(void* buffer) {
    free(buffer);
}

const char* pctv_mozjpeg_version(void) {
    return PCTV_STRINGIFY(LIBJPEG_TURBO_VERSION);
}
