#include "platform/types/ImageSniffer.h"

namespace platform {

SniffResult sniffImageFormat(ByteView bytes) {
    for (const auto& row : formatTable())
        for (const auto& signature : row.signatures)
            if (matches(bytes, signature)) return {row.family, row.identifier};
    return {};
}

} // namespace platform
