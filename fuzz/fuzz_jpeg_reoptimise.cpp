// Untrusted JPEG bytes through the reading of the memory a lossless rewrite takes and through
// the rewrite: every turn, scan order and marker policy, within a small memory budget so a
// declared huge size cannot exhaust the fuzzer.
#include "shims/pctv_mozjpeg.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    std::uint8_t settings = data[0];
    // The memory a rewrite is admitted for is read from the same untrusted header first.
    unsigned long long memory = 0;
    if (pctv_mozjpeg_reoptimise_memory(data + 1, size - 1, settings & 0x07, &memory, nullptr, 0) != 0 && memory != 0)
        __builtin_trap();
    std::uint8_t* out = nullptr;
    std::size_t length = 0;
    char error[256];
    int status = pctv_mozjpeg_reoptimise_bounded(data + 1, size - 1, settings & 0x10, settings & 0x20,
                                                 settings & 0x07, &out, &length, error, sizeof error,
                                                 std::size_t{64} << 20);
    if (status == 0) {
        if (out == nullptr || length == 0) __builtin_trap();
        pctv_mozjpeg_free(out);
    } else if (out != nullptr || length != 0) {
        __builtin_trap();
    }
    return 0;
}
