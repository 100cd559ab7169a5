#include "pctv_libdeflate.h"

#include <libdeflate.h>
#include <stdlib.h>

int pctv_libdeflate_zlib(const uint8_t* input, size_t input_length, int level,
                         uint8_t** output, size_t* output_length) {
    if (output != NULL) *output = NULL;
    if (output_length != NULL) *output_length = 0;
    if (level < 1 || level > 12 || input_length == 0 || input == NULL || output == NULL ||
        output_length == NULL)
        return PCTV_LIBDEFLATE_INVALID_ARGUMENTS;

    struct libdeflate_compressor* compressor = libdeflate_alloc_compressor(level);
    if (compressor == NULL) return PCTV_LIBDEFLATE_OUT_OF_MEMORY;

    size_t bound = libdeflate_zlib_compress_bound(compressor, input_length);
    uint8_t* buffer = malloc(bound);
    if (buffer == NULL) {
        libdeflate_free_compressor(compressor);
        return PCTV_LIBDEFLATE_OUT_OF_MEMORY;
    }

    size_t written = libdeflate_zlib_compress(compressor, input, input_length, buffer, bound);
    libdeflate_free_compressor(compressor);
    if (written == 0) {
        free(buffer);
        return PCTV_LIBDEFLATE_COMPRESSION_FAILED;
    }
    *output = buffer;
    *output_length = written;
    return PCTV_LIBDEFLATE_OK;
}

void pctv_libdeflate_free(void* buffer) { free(buffer); }

uint32_t pctv_libdeflate_adler32(uint32_t adler, const uint8_t* buffer, size_t length) {
    if (buffer == NULL || length == 0) return adler;
    return libdeflate_adler32(adler, buffer, length);
}

uint32_t pctv_libdeflate_crc32(uint32_t crc, const uint8_t* buffer, size_t length) {
    if (buffer == NULL || length == 0) return crc;
    return libdeflate_crc32(crc, buffer, length);
}

const char* pctv_libdeflate_version(void) { return LIBDEFLATE_VERSION_STRING; }
