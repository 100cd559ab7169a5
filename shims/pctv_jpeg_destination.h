#ifndef PCTV_JPEG_DESTINATION_H
#define PCTV_JPEG_DESTINATION_H

/* An in-memory JPEG destination that always holds its one live buffer. The library's own
 * memory destination frees and replaces the buffer as the output grows and tells the
 * caller only on success, so an error path could neither free it nor know it was gone. */

#include <stddef.h>
#include <stdio.h>

#include <jpeglib.h>

struct pctv_jpeg_destination {
    struct jpeg_destination_mgr manager; /* first, so the library's pointer is the record's */
    unsigned char* buffer;
    size_t capacity;
    size_t length; /* bytes written, set when the library terminates the destination */
};

/* Attaches a fresh destination to `cinfo`; the record must outlive the compression. */
void pctv_jpeg_destination_attach(struct pctv_jpeg_destination* destination, j_compress_ptr cinfo);

/* Hands the buffer over to the caller and forgets it. */
unsigned char* pctv_jpeg_destination_take(struct pctv_jpeg_destination* destination);

/* Frees the buffer, if any; safe to call again. */
void pctv_jpeg_destination_release(struct pctv_jpeg_destination* destination);

#endif
