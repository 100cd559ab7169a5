#ifndef PCTV_LIBDEFLATE_H
#define PCTV_LIBDEFLATE_H

/* The program's one door to libdeflate: every zlib stream it writes goes through here. */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    PCTV_LIBDEFLATE_OK = 0,
    PCTV_LIBDEFLATE_INVALID_ARGUMENTS = 1,
    PCTV_LIBDEFLATE_OUT_OF_MEMORY = 2,
    PCTV_LIBDEFLATE_COMPRESSION_FAILED = 3
};

/* Compresses `input` into one zlib stream at `level` (1 to 12). On success *output holds a
 * buffer the caller releases with pctv_libdeflate_free, and *output_length its size. Both
 * out-parameters are cleared first, so on any failure they hold NULL and 0. */
int pctv_libdeflate_zlib(const uint8_t* input, size_t input_length, int level,
                         uint8_t** output, size_t* output_length);

void pctv_libdeflate_free(void* buffer);

/* Continues a running Adler-32 (start from 1) over `length` bytes. */
uint32_t pctv_libdeflate_adler32(uint32_t adler, const uint8_t* buffer, size_t length);

/* Continues a running CRC-32 of ISO 3309 (start from 0) over `length` bytes. */
uint32_t pctv_libdeflate_crc32(uint32_t crc, const uint8_t* buffer, size_t length);

/* The version of the libdeflate this program was built against, for the acknowledgements. */
const char* pctv_libdeflate_version(void);

#ifdef __cplusplus
}
#endif

#endif
