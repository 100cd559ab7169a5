#include "platform/types/ImageSniffer.h"

#include "platform/types/FormatFacts.h"
#include "platform/types/ImageTypeIdentifiers.h"
#include "platform/types/TGAHeader.h"

namespace platform {

SniffResult sniffImageFormat(ByteView bytes) {
    for (const auto& row : formatTable())
        for (const auto& signature : row.signatures)
            if (matches(bytes, signature)) return {row.family, row.identifier};
    // TGA has no signature: only a header whose every field is plausible tells it, after every
    // other family had its say.
    if (readTGAHeader(bytes)) return {SniffedFormat::tga, types::tga};
    return {};
}

} // namespace platform
