#pragma once
#include "platform/base/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <string>

// What a shim call that allocates its output leaves behind: the file it wrote (its buffer
// released), or its message and whether it cleared the stale pointer and length it was given.
struct ShimOutput {
    int status = -1;
    platform::Bytes file;
    std::string message;
    bool outWasCleared = false;
};

// Runs `call(&out, &length, error, errorSize)` with a stale pointer and length that a
// failing shim must clear, and releases a successful output with `release`.
template <typename Call>
ShimOutput callShim(Call call, void (*release)(void*)) {
    ShimOutput result;
    auto* out = reinterpret_cast<std::uint8_t*>(&result);
    std::size_t length = 12345;
    char error[256] = {};
    result.status = call(&out, &length, error, sizeof error);
    result.message = error;
    if (result.status == 0) {
        result.file.assign(out, out + length);
        release(out);
    } else {
        result.outWasCleared = out == nullptr && length == 0;
    }
    return result;
}
