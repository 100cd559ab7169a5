#ifndef PCTV_SHIM_MESSAGE_H
#define PCTV_SHIM_MESSAGE_H

#include <stddef.h>

/* Writes a failure message into the caller's buffer, cut to its capacity. Does nothing
 * when the caller gave no buffer or no room, so every failure path can call it. */
void pctv_shim_message(char* error, size_t error_capacity, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

#endif
