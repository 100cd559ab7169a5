#ifndef PCTV_JPEG_ERROR_H
#define PCTV_JPEG_ERROR_H

/* The JPEG shims' error record: library errors jump back to the shim with the library's
 * message kept, and warnings are remembered instead of printed. */

#include <setjmp.h>
#include <stdio.h>

#include <jpeglib.h>

struct pctv_jpeg_error {
    struct jpeg_error_mgr manager; /* first, so the library's pointer is the record's */
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    int warned;
};

/* Prepares the record and returns the manager to put in a library object's `err`. */
struct jpeg_error_mgr* pctv_jpeg_error_init(struct pctv_jpeg_error* record);

#endif
