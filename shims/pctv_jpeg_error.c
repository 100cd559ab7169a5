#include "pctv_jpeg_error.h"

#include <string.h>

static void pctv_jpeg_error_exit(j_common_ptr cinfo) {
    struct pctv_jpeg_error* record = (struct pctv_jpeg_error*)cinfo->err;
    (*cinfo->err->format_message)(cinfo, record->message);
    longjmp(record->jump, 1);
}

static void pctv_jpeg_emit_message(j_common_ptr cinfo, int msg_level) {
    /* Negative levels are warnings (damaged data); the rest are trace messages. */
    if (msg_level < 0) ((struct pctv_jpeg_error*)cinfo->err)->warned = 1;
}

struct jpeg_error_mgr* pctv_jpeg_error_init(struct pctv_jpeg_error* record) {
    memset(record, 0, sizeof *record);
    struct jpeg_error_mgr* manager = jpeg_std_error(&record->manager);
    manager->error_exit = pctv_jpeg_error_exit;
    manager->emit_message = pctv_jpeg_emit_message;
    return manager;
}
