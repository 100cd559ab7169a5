#include "pctv_jpeg_destination.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <jerror.h>

enum { PCTV_JPEG_FIRST_BUFFER = 64 * 1024 };

static struct pctv_jpeg_destination* destination_of(j_compress_ptr cinfo) {
    return (struct pctv_jpeg_destination*)cinfo->dest;
}

static void pctv_jpeg_init_destination(j_compress_ptr cinfo) {
    struct pctv_jpeg_destination* destination = destination_of(cinfo);
    if (destination->buffer == NULL) {
        destination->buffer = malloc(PCTV_JPEG_FIRST_BUFFER);
        if (destination->buffer == NULL) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
        destination->capacity = PCTV_JPEG_FIRST_BUFFER;
    }
    destination->manager.next_output_byte = destination->buffer;
    destination->manager.free_in_buffer = destination->capacity;
}

static boolean pctv_jpeg_empty_output_buffer(j_compress_ptr cinfo) {
    struct pctv_jpeg_destination* destination = destination_of(cinfo);
    /* The library calls this with the whole buffer used, whatever free_in_buffer says. */
    size_t used = destination->capacity;
    if (used > SIZE_MAX / 2) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);
    /* On failure the old buffer stays the live one, so the error path still frees it. */
    unsigned char* grown = realloc(destination->buffer, used * 2);
    if (grown == NULL) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);
    destination->buffer = grown;
    destination->capacity = used * 2;
    destination->manager.next_output_byte = grown + used;
    destination->manager.free_in_buffer = destination->capacity - used;
    return TRUE;
}

static void pctv_jpeg_term_destination(j_compress_ptr cinfo) {
    struct pctv_jpeg_destination* destination = destination_of(cinfo);
    destination->length = destination->capacity - destination->manager.free_in_buffer;
}

void pctv_jpeg_destination_attach(struct pctv_jpeg_destination* destination, j_compress_ptr cinfo) {
    memset(destination, 0, sizeof *destination);
    destination->manager.init_destination = pctv_jpeg_init_destination;
    destination->manager.empty_output_buffer = pctv_jpeg_empty_output_buffer;
    destination->manager.term_destination = pctv_jpeg_term_destination;
    cinfo->dest = &destination->manager;
}

unsigned char* pctv_jpeg_destination_take(struct pctv_jpeg_destination* destination) {
    unsigned char* buffer = destination->buffer;
    destination->buffer = NULL;
    destination->capacity = 0;
    return buffer;
}

void pctv_jpeg_destination_release(struct pctv_jpeg_destination* destination) {
    free(destination->buffer);
    destination->buffer = NULL;
    destination->capacity = 0;
}
