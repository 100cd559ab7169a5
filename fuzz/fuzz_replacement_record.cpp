#include "platform/files/ReplacementRecord.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// Replacement records are read from whatever folder a sweep visits, so anyone could have
// written one: a record read must name one file in its folder, and so must each claim it
// notes, and read back the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto record = platform::parseReplacementRecord(text);
    if (!record) return 0;
    const auto oneName = [](const std::string& name) {
        return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
    };
    if (!oneName(record->name) || record->original.byteCount < 0) std::abort();
    if ((record->claimedName && !oneName(*record->claimedName)) ||
        (record->claimedTrashName && !oneName(*record->claimedTrashName)) ||
        (record->originalName && !oneName(*record->originalName))) {
        std::abort();
    }
    if (platform::parseReplacementRecord(platform::replacementRecordText(*record)) != record) std::abort();
    return 0;
}
