#include "pctv_shim_message.h"

#include <stdarg.h>
#include <stdio.h>

void pctv_shim_message(char* error, size_t error_capacity, const char* format, ...) {
    if (error == NULL || error_capacity == 0) return;
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(error, error_capacity, format, arguments);
    va_end(arguments);
}
