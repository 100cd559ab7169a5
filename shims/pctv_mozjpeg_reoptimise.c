/* Lossless rewriting of a JPEG in the DCT domain: the coefficients are read, turned or
 * mirrored block by block when asked, and written again with optimised entropy coding.
 * The turns are our own: the library ships no transform module here. */

#include "pctv_mozjpeg.h"

#include "pctv_jpeg_destination.h"
#include "pctv_jpeg_error.h"
#include "pctv_shim_message.h"

#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <jpeglib.h>

enum { PCTV_MARKER_LENGTH_LIMIT = 0xFFFF, PCTV_APP_MARKER_COUNT = 16 };

/* How one turn moves blocks and coefficients: optionally transpose, then mirror the
 * destination's columns and/or rows. A mirrored axis negates the odd frequencies along it. */
struct turn_geometry {
    int transposes;
    int mirrors_columns;
    int mirrors_rows;
};

static struct turn_geometry geometry_of(unsigned turn) {
    struct turn_geometry geometry = {0, 0, 0};
    switch (turn) {
    case PCTV_MOZJPEG_TURN_FLIP_H: geometry.mirrors_columns = 1; break;
    case PCTV_MOZJPEG_TURN_FLIP_V: geometry.mirrors_rows = 1; break;
    case PCTV_MOZJPEG_TURN_TRANSPOSE: geometry.transposes = 1; break;
    case PCTV_MOZJPEG_TURN_TRANSVERSE:
        geometry.transposes = geometry.mirrors_columns = geometry.mirrors_rows = 1;
        break;
    case PCTV_MOZJPEG_TURN_ROT_90: geometry.transposes = geometry.mirrors_columns = 1; break;
    case PCTV_MOZJPEG_TURN_ROT_180: geometry.mirrors_columns = geometry.mirrors_rows = 1; break;
    case PCTV_MOZJPEG_TURN_ROT_270: geometry.transposes = geometry.mirrors_rows = 1; break;
    default: break;
    }
    return geometry;
}

static JDIMENSION div_round_up(JDIMENSION a, JDIMENSION b) {
    return (JDIMENSION)(((unsigned long long)a + b - 1) / b);
}

static JDIMENSION round_up(JDIMENSION a, JDIMENSION b) {
    return div_round_up(a, b) * b;
}

/* A mirrored edge must be a whole number of iMCUs: otherwise the padding blocks at the
 * right or bottom would end up on the left or top, inside the picture. */
static int turn_keeps_block_padding(j_decompress_ptr source, struct turn_geometry geometry) {
    JDIMENSION imcu_width = DCTSIZE, imcu_height = DCTSIZE;
    if (source->num_components > 1) {
        imcu_width = (JDIMENSION)source->max_h_samp_factor * DCTSIZE;
        imcu_height = (JDIMENSION)source->max_v_samp_factor * DCTSIZE;
    }
    /* In source terms: a mirrored destination column is a reversed source row when the
     * turn transposes, and a reversed source column otherwise. */
    int reverses_source_columns = geometry.transposes ? geometry.mirrors_rows : geometry.mirrors_columns;
    int reverses_source_rows = geometry.transposes ? geometry.mirrors_columns : geometry.mirrors_rows;
    if (reverses_source_columns && source->image_width % imcu_width != 0) return 0;
    if (reverses_source_rows && source->image_height % imcu_height != 0) return 0;
    return 1;
}

/* Bytes of coefficient arrays a run holds: the source's, and as many again for a turn. */
static unsigned long long coefficient_bytes(j_decompress_ptr source, int turns) {
    unsigned long long total = 0;
    for (int ci = 0; ci < source->num_components; ci++) {
        jpeg_component_info* component = source->comp_info + ci;
        total += (unsigned long long)round_up(component->width_in_blocks, (JDIMENSION)component->h_samp_factor) *
                 round_up(component->height_in_blocks, (JDIMENSION)component->v_samp_factor) * sizeof(JBLOCK);
    }
    return turns ? total * 2 : total;
}

static void transpose_quantisation_tables(j_compress_ptr destination) {
    for (int table = 0; table < NUM_QUANT_TBLS; table++) {
        JQUANT_TBL* quantisation = destination->quant_tbl_ptrs[table];
        if (quantisation == NULL) continue;
        for (int row = 0; row < DCTSIZE; row++) {
            for (int column = row + 1; column < DCTSIZE; column++) {
                UINT16 kept = quantisation->quantval[row * DCTSIZE + column];
                quantisation->quantval[row * DCTSIZE + column] = quantisation->quantval[column * DCTSIZE + row];
                quantisation->quantval[column * DCTSIZE + row] = kept;
            }
        }
    }
}

static int starts_with(jpeg_saved_marker_ptr marker, const char* prefix, unsigned length) {
    return marker->data_length >= length && memcmp(marker->data, prefix, length) == 0;
}

static void adjust_parameters(j_decompress_ptr source, j_compress_ptr destination, unsigned turn,
                              struct turn_geometry geometry, int keep_metadata) {
    if (turn != PCTV_MOZJPEG_TURN_NONE && destination->num_components == 1) {
        /* One component is coded block by block whatever its factors say. */
        destination->comp_info[0].h_samp_factor = 1;
        destination->comp_info[0].v_samp_factor = 1;
    }
    if (geometry.transposes) {
        JDIMENSION width = destination->image_width;
        destination->image_width = destination->image_height;
        destination->image_height = width;
        for (int ci = 0; ci < destination->num_components; ci++) {
            jpeg_component_info* component = destination->comp_info + ci;
            int h = component->h_samp_factor;
            component->h_samp_factor = component->v_samp_factor;
            component->v_samp_factor = h;
        }
        transpose_quantisation_tables(destination);
    }
    /* A kept EXIF marker that comes first stands in for the JFIF header. */
    if (keep_metadata && source->marker_list != NULL && source->marker_list->marker == JPEG_APP0 + 1 &&
        starts_with(source->marker_list, "Exif\0", 5))
        destination->write_JFIF_header = FALSE;
}

static JDIMENSION destination_blocks(JDIMENSION pixels, int factor, int max_factor) {
    return div_round_up((JDIMENSION)((unsigned long long)pixels * (unsigned)factor), (JDIMENSION)max_factor * DCTSIZE);
}

static jvirt_barray_ptr* request_destination_arrays(j_compress_ptr destination) {
    int max_h = 1, max_v = 1;
    for (int ci = 0; ci < destination->num_components; ci++) {
        if (destination->comp_info[ci].h_samp_factor > max_h) max_h = destination->comp_info[ci].h_samp_factor;
        if (destination->comp_info[ci].v_samp_factor > max_v) max_v = destination->comp_info[ci].v_samp_factor;
    }
    jvirt_barray_ptr* arrays = (*destination->mem->alloc_small)(
        (j_common_ptr)destination, JPOOL_IMAGE, sizeof(jvirt_barray_ptr) * (size_t)destination->num_components);
    for (int ci = 0; ci < destination->num_components; ci++) {
        jpeg_component_info* component = destination->comp_info + ci;
        JDIMENSION width = destination_blocks(destination->image_width, component->h_samp_factor, max_h);
        JDIMENSION height = destination_blocks(destination->image_height, component->v_samp_factor, max_v);
        arrays[ci] = (*destination->mem->request_virt_barray)(
            (j_common_ptr)destination, JPOOL_IMAGE, FALSE, round_up(width, (JDIMENSION)component->h_samp_factor),
            round_up(height, (JDIMENSION)component->v_samp_factor), (JDIMENSION)component->v_samp_factor);
    }
    return arrays;
}

static void copy_markers(j_decompress_ptr source, j_compress_ptr destination, int keep_metadata) {
    for (jpeg_saved_marker_ptr marker = source->marker_list; marker != NULL; marker = marker->next) {
        if (!keep_metadata && !(marker->marker == JPEG_APP0 + 2 && starts_with(marker, "ICC_PROFILE\0", 12)))
            continue;
        if (destination->write_JFIF_header && marker->marker == JPEG_APP0 && starts_with(marker, "JFIF\0", 5))
            continue;
        if (destination->write_Adobe_marker && marker->marker == JPEG_APP0 + 14 && starts_with(marker, "Adobe", 5))
            continue;
        jpeg_write_marker(destination, marker->marker, marker->data, marker->data_length);
    }
}

/* Where each coefficient of a turned block comes from, and its sign: c[v][u] is row v
 * (vertical frequency), column u. */
struct block_map {
    int from[DCTSIZE2];
    int sign[DCTSIZE2];
};

static struct block_map block_map_of(struct turn_geometry geometry) {
    struct block_map map;
    for (int v = 0; v < DCTSIZE; v++) {
        for (int u = 0; u < DCTSIZE; u++) {
            int negate = (geometry.mirrors_columns && (u & 1)) != (geometry.mirrors_rows && (v & 1));
            map.from[v * DCTSIZE + u] = geometry.transposes ? u * DCTSIZE + v : v * DCTSIZE + u;
            map.sign[v * DCTSIZE + u] = negate ? -1 : 1;
        }
    }
    return map;
}

static void turn_block(const JCOEF* in, JCOEF* out, const struct block_map* map) {
    for (int k = 0; k < DCTSIZE2; k++) out[k] = (JCOEF)(in[map->from[k]] * map->sign[k]);
}

/* Every row of a virtual array, reached a sampling row group at a time as the array was
 * declared. With the memory limit in place there is no backing store, so each array lies
 * whole in memory and the row pointers stay valid while blocks are copied; taking all of
 * them first lets the copy go in tiles, which keeps a transposing turn in the cache. */
static JBLOCKROW* array_rows(j_common_ptr cinfo, jvirt_barray_ptr array, JDIMENSION rows, JDIMENSION group,
                             boolean writable) {
    JBLOCKROW* pointers = (*cinfo->mem->alloc_small)(cinfo, JPOOL_IMAGE, sizeof(JBLOCKROW) * (size_t)rows);
    for (JDIMENSION first = 0; first < rows; first += group) {
        JBLOCKARRAY chunk = (*cinfo->mem->access_virt_barray)(cinfo, array, first, group, writable);
        for (JDIMENSION offset = 0; offset < group && first + offset < rows; offset++)
            pointers[first + offset] = chunk[offset];
    }
    return pointers;
}

enum { PCTV_TILE_BLOCKS = 16 };

/* Fills the destination arrays; only blocks inside the picture are taken from the source,
 * the compressor makes its own padding blocks. Returns 0 when the sizes disagree. */
static int transform_blocks(j_decompress_ptr source, j_compress_ptr destination, jvirt_barray_ptr* source_arrays,
                            jvirt_barray_ptr* destination_arrays, struct turn_geometry geometry) {
    struct block_map map = block_map_of(geometry);
    for (int ci = 0; ci < destination->num_components; ci++) {
        jpeg_component_info* from = source->comp_info + ci;
        jpeg_component_info* to = destination->comp_info + ci;
        JDIMENSION width = to->width_in_blocks, height = to->height_in_blocks;
        JDIMENSION source_width = geometry.transposes ? from->height_in_blocks : from->width_in_blocks;
        JDIMENSION source_height = geometry.transposes ? from->width_in_blocks : from->height_in_blocks;
        if (width != source_width || height != source_height) return 0;
        JBLOCKROW* in = array_rows((j_common_ptr)source, source_arrays[ci], from->height_in_blocks,
                                   (JDIMENSION)from->v_samp_factor, FALSE);
        JDIMENSION padded_rows = round_up(height, (JDIMENSION)to->v_samp_factor);
        JDIMENSION padded_columns = round_up(width, (JDIMENSION)to->h_samp_factor);
        /* Rows are handed out in order, as the array requires, before any is filled. */
        JBLOCKROW* out = array_rows((j_common_ptr)destination, destination_arrays[ci], padded_rows,
                                    (JDIMENSION)to->v_samp_factor, TRUE);
        for (JDIMENSION dy = 0; dy < padded_rows; dy++) {
            JDIMENSION first_padding = dy < height ? width : 0;
            memset(out[dy] + first_padding, 0, sizeof(JBLOCK) * (padded_columns - first_padding));
        }
        for (JDIMENSION top = 0; top < height; top += PCTV_TILE_BLOCKS) {
            for (JDIMENSION left = 0; left < width; left += PCTV_TILE_BLOCKS) {
                for (JDIMENSION dy = top; dy < height && dy < top + PCTV_TILE_BLOCKS; dy++) {
                    JDIMENSION y = geometry.mirrors_rows ? height - 1 - dy : dy;
                    for (JDIMENSION dx = left; dx < width && dx < left + PCTV_TILE_BLOCKS; dx++) {
                        JDIMENSION x = geometry.mirrors_columns ? width - 1 - dx : dx;
                        turn_block(geometry.transposes ? in[x][y] : in[y][x], out[dy][dx], &map);
                    }
                }
            }
        }
    }
    return 1;
}

static int holds_another_image(j_decompress_ptr source) {
    const JOCTET* tail = source->src->next_input_byte;
    size_t length = source->src->bytes_in_buffer;
    for (size_t i = 0; i + 1 < length; i++)
        if (tail[i] == 0xFF && tail[i + 1] == 0xD8) return 1;
    return 0;
}

/* Everything the error path needs, kept outside the function that calls setjmp. */
struct reoptimise_state {
    struct jpeg_decompress_struct source;
    struct jpeg_compress_struct destination;
    struct pctv_jpeg_error error;
    struct pctv_jpeg_destination output;
};

/* Returns NULL on success, else the failure's text. */
static const char* reoptimise_into(struct reoptimise_state* state, const uint8_t* bytes, size_t length,
                                   int keep_metadata, int progressive, unsigned turn, size_t memory_limit) {
    j_decompress_ptr source = &state->source;
    j_compress_ptr destination = &state->destination;
    struct turn_geometry geometry = geometry_of(turn);
    source->err = pctv_jpeg_error_init(&state->error);
    destination->err = source->err;
    if (setjmp(state->error.jump)) return state->error.message;

    jpeg_create_decompress(source);
    jpeg_create_compress(destination);
    long library_limit = memory_limit > (size_t)LONG_MAX ? LONG_MAX : (long)memory_limit;
    source->mem->max_memory_to_use = library_limit;
    destination->mem->max_memory_to_use = library_limit;

    jpeg_save_markers(source, JPEG_COM, PCTV_MARKER_LENGTH_LIMIT);
    for (int app = 0; app < PCTV_APP_MARKER_COUNT; app++)
        jpeg_save_markers(source, JPEG_APP0 + app, PCTV_MARKER_LENGTH_LIMIT);
    jpeg_mem_src(source, bytes, (unsigned long)length);
    jpeg_read_header(source, TRUE);

    if (!turn_keeps_block_padding(source, geometry))
        return "this turn cannot be made without moving the block padding";
    if (coefficient_bytes(source, turn != PCTV_MOZJPEG_TURN_NONE) > memory_limit)
        return "source needs more memory than the budget allows";

    jvirt_barray_ptr* source_arrays = jpeg_read_coefficients(source);
    jpeg_copy_critical_parameters(source, destination);
    adjust_parameters(source, destination, turn, geometry, keep_metadata);
    jvirt_barray_ptr* destination_arrays =
        turn == PCTV_MOZJPEG_TURN_NONE ? source_arrays : request_destination_arrays(destination);
#ifdef PCTV_MOZJPEG_EXTENSIONS
    if (jpeg_c_bool_param_supported(destination, JBOOLEAN_OPTIMIZE_SCANS))
        jpeg_c_set_bool_param(destination, JBOOLEAN_OPTIMIZE_SCANS, TRUE);
#endif
    if (progressive) {
        jpeg_simple_progression(destination);
    } else {
        destination->scan_info = NULL;
        destination->num_scans = 0;
    }
    destination->optimize_coding = TRUE;
    pctv_jpeg_destination_attach(&state->output, destination);
    jpeg_write_coefficients(destination, destination_arrays);
    copy_markers(source, destination, keep_metadata);
    if (turn != PCTV_MOZJPEG_TURN_NONE &&
        !transform_blocks(source, destination, source_arrays, destination_arrays, geometry))
        return "the turned image does not match the source's blocks";
    jpeg_finish_compress(destination);
    jpeg_finish_decompress(source);

    if (holds_another_image(source)) return "source holds more than one image";
    if (state->error.warned) return "source data is damaged";
    return NULL;
}

int pctv_mozjpeg_reoptimise_bounded(const uint8_t* source, size_t source_length, int32_t keep_metadata,
                                    int32_t progressive, uint32_t turn, uint8_t** out, size_t* out_length,
                                    char* error, size_t error_capacity, size_t memory_limit) {
    if (source_length == 0 || source == NULL || out == NULL || out_length == NULL) {
        pctv_shim_message(error, error_capacity, "invalid arguments");
        return 1;
    }
    if (turn >= 8) {
        pctv_shim_message(error, error_capacity, "unknown turn");
        return 1;
    }
    *out = NULL;
    *out_length = 0;

    struct reoptimise_state* state = calloc(1, sizeof *state);
    if (state == NULL) {
        pctv_shim_message(error, error_capacity, "out of memory");
        return 1;
    }
    const char* failure =
        reoptimise_into(state, source, source_length, keep_metadata, progressive, turn, memory_limit);
    jpeg_destroy_compress(&state->destination);
    jpeg_destroy_decompress(&state->source);
    if (failure != NULL) {
        pctv_jpeg_destination_release(&state->output);
        pctv_shim_message(error, error_capacity, "%s", failure);
    } else {
        *out_length = state->output.length;
        *out = pctv_jpeg_destination_take(&state->output);
    }
    free(state);
    return failure != NULL;
}

int pctv_mozjpeg_reoptimise(const uint8_t* source, size_t source_length, int32_t keep_metadata,
                            int32_t progressive, uint32_t turn, uint8_t** out, size_t* out_length,
                            char* error, size_t error_capacity) {
    return pctv_mozjpeg_reoptimise_bounded(source, source_length, keep_metadata, progressive, turn, out,
                                           out_length, error, error_capacity, PCTV_MOZJPEG_DEFAULT_MEMORY_LIMIT);
}
