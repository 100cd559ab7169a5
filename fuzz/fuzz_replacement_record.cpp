#include "platform/files/ReplacementRecord.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// Replacement records are read from whatever folder a sweep visits, so anyone could have
// written one: a record read must name one file in its folder and read back the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto record = platform::parseReplacementRecord(text);
    if (!record) return 0;
    if (record->name.empty() || record->name.find('/') != std::string::npos || record->original.byteCount < 0) {
        std::abort();
    }
    if (platform::parseReplacementRecord(platform::replacementRecordText(*record)) != record) std::abort();
    return 0;
}
