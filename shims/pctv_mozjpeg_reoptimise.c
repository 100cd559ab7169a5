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

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

/* A component's blocks inside the picture as the compressor will count them. */
struct component_blocks {
    JDIMENSION width, height;
};

static struct component_blocks blocks_of(j_compress_ptr destination, int ci) {
    int max_h = 1, max_v = 1;
    for (int c = 0; c < destination->num_components; c++) {
        if (destination->comp_info[c].h_samp_factor > max_h) max_h = destination->comp_info[c].h_samp_factor;
        if (destination->comp_info[c].v_samp_factor > max_v) max_v = destination->comp_info[c].v_samp_factor;
    }
    jpeg_component_info* component = destination->comp_info + ci;
    struct component_blocks blocks = {destination_blocks(destination->image_width, component->h_samp_factor, max_h),
                                      destination_blocks(destination->image_height, component->v_samp_factor, max_v)};
    return blocks;
}

/* The turned coefficients live beside the source's, in the source's memory, so that they
 * outlast each compression that writes them. */
static jvirt_barray_ptr* request_destination_arrays(j_decompress_ptr source, j_compress_ptr destination) {
    jvirt_barray_ptr* arrays = (*source->mem->alloc_small)(
        (j_common_ptr)source, JPOOL_IMAGE, sizeof(jvirt_barray_ptr) * (size_t)destination->num_components);
    for (int ci = 0; ci < destination->num_components; ci++) {
        jpeg_component_info* component = destination->comp_info + ci;
        struct component_blocks blocks = blocks_of(destination, ci);
        arrays[ci] = (*source->mem->request_virt_barray)(
            (j_common_ptr)source, JPOOL_IMAGE, FALSE, round_up(blocks.width, (JDIMENSION)component->h_samp_factor),
            round_up(blocks.height, (JDIMENSION)component->v_samp_factor), (JDIMENSION)component->v_samp_factor);
    }
    (*source->mem->realize_virt_arrays)((j_common_ptr)source);
    return arrays;
}

static int marker_is_copied(jpeg_saved_marker_ptr marker, j_compress_ptr destination, int keep_metadata) {
    if (!keep_metadata && !(marker->marker == JPEG_APP0 + 2 && starts_with(marker, "ICC_PROFILE\0", 12))) return 0;
    if (destination->write_JFIF_header && marker->marker == JPEG_APP0 && starts_with(marker, "JFIF\0", 5)) return 0;
    if (destination->write_Adobe_marker && marker->marker == JPEG_APP0 + 14 && starts_with(marker, "Adobe", 5))
        return 0;
    return 1;
}

static void copy_markers(j_decompress_ptr source, j_compress_ptr destination, int keep_metadata) {
    for (jpeg_saved_marker_ptr marker = source->marker_list; marker != NULL; marker = marker->next)
        if (marker_is_copied(marker, destination, keep_metadata))
            jpeg_write_marker(destination, marker->marker, marker->data, marker->data_length);
}

/* Bytes the copied markers take in the output: code, length and data each. */
static unsigned long long copied_marker_bytes(j_decompress_ptr source, j_compress_ptr destination,
                                              int keep_metadata) {
    unsigned long long total = 0;
    for (jpeg_saved_marker_ptr marker = source->marker_list; marker != NULL; marker = marker->next)
        if (marker_is_copied(marker, destination, keep_metadata)) total += 4 + (unsigned long long)marker->data_length;
    return total;
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
        struct component_blocks blocks = blocks_of(destination, ci);
        JDIMENSION width = blocks.width, height = blocks.height;
        JDIMENSION source_width = geometry.transposes ? from->height_in_blocks : from->width_in_blocks;
        JDIMENSION source_height = geometry.transposes ? from->width_in_blocks : from->height_in_blocks;
        if (width != source_width || height != source_height) return 0;
        JBLOCKROW* in = array_rows((j_common_ptr)source, source_arrays[ci], from->height_in_blocks,
                                   (JDIMENSION)from->v_samp_factor, FALSE);
        JDIMENSION padded_rows = round_up(height, (JDIMENSION)to->v_samp_factor);
        JDIMENSION padded_columns = round_up(width, (JDIMENSION)to->h_samp_factor);
        /* Rows are handed out in order, as the array requires, before any is filled. */
        JBLOCKROW* out = array_rows((j_common_ptr)source, destination_arrays[ci], padded_rows,
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

/* The zigzag order in which a block's coefficients are coded. */
static const unsigned char zigzag[DCTSIZE2] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

static int magnitude_bits(int value) {
    unsigned magnitude = (unsigned)(value < 0 ? -value : value);
    return magnitude == 0 ? 0 : 32 - __builtin_clz(magnitude);
}

/* Where each coefficient, in memory order, comes in the zigzag order. */
static const unsigned char zigzag_position[DCTSIZE2] = {
    0,  1,  5,  6,  14, 15, 27, 28, 2,  4,  7,  13, 16, 26, 29, 42, 3,  8,  12, 17, 25, 30,
    41, 43, 9,  11, 18, 24, 31, 40, 44, 53, 10, 19, 23, 32, 39, 45, 52, 54, 20, 22, 33, 38,
    46, 51, 55, 60, 21, 34, 37, 47, 50, 56, 59, 61, 35, 36, 48, 49, 57, 58, 62, 63};

/* One bit for each AC coefficient that is not zero, in zigzag order. The values are found in
 * memory order, eight at a time where the processor can, and only those are then placed, so
 * a block costs a step per value, not per position. */
static uint64_t nonzero_ac(const JCOEF* block) {
    uint64_t found = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (int part = 0; part < 4; part++) {
        __m128i low = _mm_loadu_si128((const __m128i*)(const void*)(block + part * 16));
        __m128i high = _mm_loadu_si128((const __m128i*)(const void*)(block + part * 16 + 8));
        __m128i zeros = _mm_packs_epi16(_mm_cmpeq_epi16(low, zero), _mm_cmpeq_epi16(high, zero));
        found |= (uint64_t)(uint16_t)~_mm_movemask_epi8(zeros) << (part * 16);
    }
#else
    for (int k = 0; k < DCTSIZE2; k++) found |= (uint64_t)(block[k] != 0) << k;
#endif
    uint64_t mask = 0;
    for (found &= ~(uint64_t)1; found != 0; found &= found - 1)
        mask |= (uint64_t)1 << zigzag_position[__builtin_ctzll(found)];
    return mask;
}

/* How often each Huffman symbol of one component occurs in a sequential scan. */
struct symbol_counts {
    unsigned long long dc[17];
    unsigned long long ac[256];
};

static int ascending(const void* a, const void* b) {
    unsigned long long x = *(const unsigned long long*)a, y = *(const unsigned long long*)b;
    return (x > y) - (x < y);
}

/* The bits of the best prefix code for these counts: Huffman's merging, which no code the
 * library builds can beat, whatever its length limit and reserved code word cost it. */
static unsigned long long huffman_bits(const unsigned long long* counts, int symbols) {
    unsigned long long leaves[256], merged[256];
    int leaf_count = 0;
    for (int symbol = 0; symbol < symbols; symbol++)
        if (counts[symbol] != 0) leaves[leaf_count++] = counts[symbol];
    qsort(leaves, (size_t)leaf_count, sizeof leaves[0], ascending);
    /* Two queues in ascending order: the leaves, and the merged nodes as they are made. */
    int next_leaf = 0, first_merged = 0, merged_count = 0;
    unsigned long long bits = 0;
    for (int remaining = leaf_count; remaining > 1; remaining--) {
        unsigned long long pair[2];
        for (int i = 0; i < 2; i++) {
            if (next_leaf < leaf_count && (first_merged == merged_count || leaves[next_leaf] <= merged[first_merged]))
                pair[i] = leaves[next_leaf++];
            else
                pair[i] = merged[first_merged++];
        }
        merged[merged_count++] = pair[0] + pair[1];
        bits += pair[0] + pair[1];
    }
    return bits;
}

/* Counts the symbols of the blocks of one component in the order the scan codes them:
 * interleaved scans visit each MCU's blocks row by row, a scan of one component goes in
 * raster order. Padding blocks repeat the previous DC value and hold no AC value, so
 * leaving them out changes no other block's symbols and only lowers the counts. */
static unsigned long long count_symbols(j_decompress_ptr source, j_compress_ptr destination, jvirt_barray_ptr array,
                                        int ci, struct symbol_counts* counts) {
    jpeg_component_info* component = destination->comp_info + ci;
    struct component_blocks blocks = blocks_of(destination, ci);
    int interleaved = destination->num_components > 1;
    JDIMENSION h = interleaved ? (JDIMENSION)component->h_samp_factor : 1;
    JDIMENSION v = interleaved ? (JDIMENSION)component->v_samp_factor : 1;
    JDIMENSION mcu_columns = div_round_up(blocks.width, h), mcu_rows = div_round_up(blocks.height, v);
    if (interleaved) {
        int max_h = 1, max_v = 1;
        for (int c = 0; c < destination->num_components; c++) {
            if (destination->comp_info[c].h_samp_factor > max_h) max_h = destination->comp_info[c].h_samp_factor;
            if (destination->comp_info[c].v_samp_factor > max_v) max_v = destination->comp_info[c].v_samp_factor;
        }
        mcu_columns = div_round_up(destination->image_width, (JDIMENSION)max_h * DCTSIZE);
        mcu_rows = div_round_up(destination->image_height, (JDIMENSION)max_v * DCTSIZE);
    }
    JBLOCKROW* rows = array_rows((j_common_ptr)source, array, round_up(blocks.height, (JDIMENSION)component->v_samp_factor),
                                 (JDIMENSION)component->v_samp_factor, FALSE);
    unsigned long long extra_bits = 0;
    int previous_dc = 0;
    for (JDIMENSION mcu_row = 0; mcu_row < mcu_rows; mcu_row++) {
        for (JDIMENSION mcu_column = 0; mcu_column < mcu_columns; mcu_column++) {
            for (JDIMENSION dy = 0; dy < v; dy++) {
                JDIMENSION y = mcu_row * v + dy;
                if (y >= blocks.height) break;
                for (JDIMENSION dx = 0; dx < h; dx++) {
                    JDIMENSION x = mcu_column * h + dx;
                    if (x >= blocks.width) break;
                    const JCOEF* block = rows[y][x];
                    int dc_bits = magnitude_bits(block[0] - previous_dc);
                    previous_dc = block[0];
                    counts->dc[dc_bits]++;
                    extra_bits += (unsigned long long)dc_bits;
                    int previous = 0;
                    for (uint64_t left = nonzero_ac(block); left != 0; left &= left - 1) {
                        int k = __builtin_ctzll(left);
                        int run = k - previous - 1;
                        for (; run > 15; run -= 16) counts->ac[0xF0]++;
                        int bits = magnitude_bits(block[zigzag[k]]);
                        counts->ac[(run << 4) | bits]++;
                        extra_bits += (unsigned long long)bits;
                        previous = k;
                    }
                    /* Zeros after the last value end the block with one symbol. */
                    if (previous < DCTSIZE2 - 1) counts->ac[0x00]++;
                }
            }
        }
    }
    return extra_bits;
}

/* Everything the error path needs, kept outside the functions that call setjmp. */
struct reoptimise_state {
    struct jpeg_decompress_struct source;
    struct jpeg_compress_struct destination;
    struct pctv_jpeg_error error;
    jvirt_barray_ptr* arrays; /* the coefficients to write: the source's, or their turned copy */
    unsigned turn;
    struct turn_geometry geometry;
    int keep_metadata;
};

/* No sequential rewrite can be shorter than this: its copied markers, and its entropy-coded
 * data under codes that could only be longer than each component's own Huffman code, with
 * no byte stuffing, tables or headers counted. */
static unsigned long long sequential_bytes_at_least(struct reoptimise_state* state) {
    j_decompress_ptr source = &state->source;
    j_compress_ptr destination = &state->destination;
    jpeg_copy_critical_parameters(source, destination);
    adjust_parameters(source, destination, state->turn, state->geometry, state->keep_metadata);
    unsigned long long bits = 0;
    for (int ci = 0; ci < destination->num_components; ci++) {
        struct symbol_counts counts;
        memset(&counts, 0, sizeof counts);
        bits += count_symbols(source, destination, state->arrays[ci], ci, &counts);
        bits += huffman_bits(counts.dc, 17) + huffman_bits(counts.ac, 256);
    }
    return bits / 8 + copied_marker_bytes(source, destination, state->keep_metadata);
}

/* Reads the source's coefficients and turns them when asked. Returns NULL on success, else
 * the failure's text. */
static const char* read_source(struct reoptimise_state* state, const uint8_t* bytes, size_t length,
                               size_t memory_limit) {
    j_decompress_ptr source = &state->source;
    j_compress_ptr destination = &state->destination;
    if (setjmp(state->error.jump)) return state->error.message;

    jpeg_create_decompress(source);
    jpeg_create_compress(destination);
    long library_limit = memory_limit > (size_t)LONG_MAX ? LONG_MAX : (long)memory_limit;
    /* A turn keeps its copy of the coefficients in the source's memory too. */
    source->mem->max_memory_to_use =
        state->turn != PCTV_MOZJPEG_TURN_NONE && library_limit <= LONG_MAX / 2 ? library_limit * 2 : library_limit;
    destination->mem->max_memory_to_use = library_limit;

    jpeg_save_markers(source, JPEG_COM, PCTV_MARKER_LENGTH_LIMIT);
    for (int app = 0; app < PCTV_APP_MARKER_COUNT; app++)
        jpeg_save_markers(source, JPEG_APP0 + app, PCTV_MARKER_LENGTH_LIMIT);
    jpeg_mem_src(source, bytes, (unsigned long)length);
    jpeg_read_header(source, TRUE);

    if (!turn_keeps_block_padding(source, state->geometry))
        return "this turn cannot be made without moving the block padding";
    if (coefficient_bytes(source, state->turn != PCTV_MOZJPEG_TURN_NONE) > memory_limit)
        return "source needs more memory than the budget allows";

    jvirt_barray_ptr* source_arrays = jpeg_read_coefficients(source);
    /* The whole source has been read: a second image or a damaged one fails before any
     * rewrite is made. */
    if (holds_another_image(source)) return "source holds more than one image";
    if (state->error.warned) return "source data is damaged";
    state->arrays = source_arrays;
    if (state->turn == PCTV_MOZJPEG_TURN_NONE) return NULL;
    jpeg_copy_critical_parameters(source, destination);
    adjust_parameters(source, destination, state->turn, state->geometry, state->keep_metadata);
    state->arrays = request_destination_arrays(source, destination);
    if (!transform_blocks(source, destination, source_arrays, state->arrays, state->geometry))
        return "the turned image does not match the source's blocks";
    return NULL;
}

/* Writes the coefficients read in one layout; the compressor is ready for another after. */
static const char* write_layout(struct reoptimise_state* state, int progressive,
                                struct pctv_jpeg_destination* output) {
    j_decompress_ptr source = &state->source;
    j_compress_ptr destination = &state->destination;
    if (setjmp(state->error.jump)) {
        jpeg_abort_compress(destination);
        return state->error.message;
    }
    jpeg_copy_critical_parameters(source, destination);
    adjust_parameters(source, destination, state->turn, state->geometry, state->keep_metadata);
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
    pctv_jpeg_destination_attach(output, destination);
    jpeg_write_coefficients(destination, state->arrays);
    copy_markers(source, destination, state->keep_metadata);
    jpeg_finish_compress(destination);
    return state->error.warned ? "source data is damaged" : NULL;
}

/* Ends the reading; a library error here is the run's failure. */
static const char* finish_source(struct reoptimise_state* state) {
    if (setjmp(state->error.jump)) return state->error.message;
    jpeg_finish_decompress(&state->source);
    return NULL;
}

static const char* read_arguments(const uint8_t* source, size_t source_length, uint32_t turn, uint8_t** out,
                                  size_t* out_length) {
    if (source_length == 0 || source == NULL || out == NULL || out_length == NULL) return "invalid arguments";
    if (turn >= 8) return "unknown turn";
    *out = NULL;
    *out_length = 0;
    return NULL;
}

/* The layouts a run writes, and how it picks one. */
enum run_kind { PCTV_RUN_SEQUENTIAL, PCTV_RUN_PROGRESSIVE, PCTV_RUN_SMALLER };

static struct pctv_jpeg_destination* smaller_of(struct pctv_jpeg_destination* sequential,
                                                struct pctv_jpeg_destination* progressive) {
    return progressive->length < sequential->length ? progressive : sequential;
}

/* Writes what the kind asks for into `kept`. The smaller of the two layouts is the
 * progressive one without a sequential rewrite when it is shorter than any sequential
 * rewrite could be; otherwise both are written, and a tie goes to the sequential. A failed
 * progressive rewrite leaves the sequential one. */
/* The bound above, or 0 (which proves nothing) when the library fails to give it. */
static unsigned long long sequential_bound(struct reoptimise_state* state) {
    if (setjmp(state->error.jump)) return 0;
    return sequential_bytes_at_least(state);
}

static const char* write_kind(struct reoptimise_state* state, enum run_kind kind,
                              struct pctv_jpeg_destination* kept) {
    if (kind != PCTV_RUN_SMALLER) return write_layout(state, kind == PCTV_RUN_PROGRESSIVE, kept);
    struct pctv_jpeg_destination progressive, sequential;
    memset(&progressive, 0, sizeof progressive);
    memset(&sequential, 0, sizeof sequential);
    if (write_layout(state, 1, &progressive) != NULL) {
        pctv_jpeg_destination_release(&progressive);
        return write_layout(state, 0, kept);
    }
    if (progressive.length < sequential_bound(state)) {
        *kept = progressive;
        return NULL;
    }
    const char* failure = write_layout(state, 0, &sequential);
    if (failure != NULL) {
        pctv_jpeg_destination_release(&progressive);
        pctv_jpeg_destination_release(&sequential);
        return failure;
    }
    struct pctv_jpeg_destination* winner = smaller_of(&sequential, &progressive);
    pctv_jpeg_destination_release(winner == &sequential ? &progressive : &sequential);
    *kept = *winner;
    return NULL;
}

static int run(const uint8_t* source, size_t source_length, int32_t keep_metadata, enum run_kind kind, uint32_t turn,
               uint8_t** out, size_t* out_length, char* error, size_t error_capacity, size_t memory_limit) {
    const char* failure = read_arguments(source, source_length, turn, out, out_length);
    if (failure != NULL) {
        pctv_shim_message(error, error_capacity, "%s", failure);
        return 1;
    }
    struct reoptimise_state* state = calloc(1, sizeof *state);
    if (state == NULL) {
        pctv_shim_message(error, error_capacity, "out of memory");
        return 1;
    }
    state->turn = turn;
    state->geometry = geometry_of(turn);
    state->keep_metadata = keep_metadata;
    state->source.err = pctv_jpeg_error_init(&state->error);
    state->destination.err = state->source.err;
    struct pctv_jpeg_destination output;
    memset(&output, 0, sizeof output);
    failure = read_source(state, source, source_length, memory_limit);
    if (failure == NULL) failure = write_kind(state, kind, &output);
    if (failure == NULL) failure = finish_source(state);
    jpeg_destroy_compress(&state->destination);
    jpeg_destroy_decompress(&state->source);
    if (failure != NULL) {
        pctv_jpeg_destination_release(&output);
        pctv_shim_message(error, error_capacity, "%s", failure);
    } else {
        *out_length = output.length;
        *out = pctv_jpeg_destination_take(&output);
    }
    free(state);
    return failure != NULL;
}

int pctv_mozjpeg_reoptimise_bounded(const uint8_t* source, size_t source_length, int32_t keep_metadata,
                                    int32_t progressive, uint32_t turn, uint8_t** out, size_t* out_length,
                                    char* error, size_t error_capacity, size_t memory_limit) {
    return run(source, source_length, keep_metadata, progressive ? PCTV_RUN_PROGRESSIVE : PCTV_RUN_SEQUENTIAL, turn,
               out, out_length, error, error_capacity, memory_limit);
}

int pctv_mozjpeg_reoptimise(const uint8_t* source, size_t source_length, int32_t keep_metadata,
                            int32_t progressive, uint32_t turn, uint8_t** out, size_t* out_length,
                            char* error, size_t error_capacity) {
    return pctv_mozjpeg_reoptimise_bounded(source, source_length, keep_metadata, progressive, turn, out,
                                           out_length, error, error_capacity, PCTV_MOZJPEG_DEFAULT_MEMORY_LIMIT);
}

int pctv_mozjpeg_reoptimise_smaller(const uint8_t* source, size_t source_length, int32_t keep_metadata,
                                    uint32_t turn, uint8_t** out, size_t* out_length, char* error,
                                    size_t error_capacity, size_t memory_limit) {
    return run(source, source_length, keep_metadata, PCTV_RUN_SMALLER, turn, out, out_length, error, error_capacity,
               memory_limit);
}

/* Reads the header alone, in a function of its own for the jump target. */
static const char* read_memory(struct jpeg_decompress_struct* source, struct pctv_jpeg_error* error,
                               const uint8_t* bytes, size_t length, int turns, unsigned long long* memory) {
    if (setjmp(error->jump)) return error->message;
    jpeg_create_decompress(source);
    jpeg_mem_src(source, bytes, (unsigned long)length);
    jpeg_read_header(source, TRUE);
    *memory = coefficient_bytes(source, turns);
    return NULL;
}

int pctv_mozjpeg_reoptimise_memory(const uint8_t* source, size_t source_length, uint32_t turn,
                                   unsigned long long* memory, char* error, size_t error_capacity) {
    if (memory != NULL) *memory = 0;
    if (source == NULL || source_length == 0 || memory == NULL || turn >= 8) {
        pctv_shim_message(error, error_capacity, "invalid arguments");
        return 1;
    }
    struct jpeg_decompress_struct* decompress = calloc(1, sizeof *decompress);
    struct pctv_jpeg_error* failure = calloc(1, sizeof *failure);
    if (decompress == NULL || failure == NULL) {
        free(decompress);
        free(failure);
        pctv_shim_message(error, error_capacity, "out of memory");
        return 1;
    }
    decompress->err = pctv_jpeg_error_init(failure);
    const char* said = read_memory(decompress, failure, source, source_length, turn != PCTV_MOZJPEG_TURN_NONE, memory);
    jpeg_destroy_decompress(decompress);
    if (said != NULL) pctv_shim_message(error, error_capacity, "%s", said);
    free(decompress);
    free(failure);
    return said != NULL;
}
