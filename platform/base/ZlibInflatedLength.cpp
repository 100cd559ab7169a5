#include "platform/base/ZlibInflatedLength.h"

#include <zlib.h>

#include <array>
#include <limits>

namespace platform {

std::optional<std::uint64_t> zlibInflatedLength(std::span<const std::span<const std::uint8_t>> pieces,
                                                std::uint64_t limit) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return std::nullopt;
    std::array<std::uint8_t, 64 * 1024> scratch;
    std::uint64_t total = 0;
    bool ended = false;
    bool sound = true;
    for (const auto& piece : pieces) {
        if (piece.empty()) continue;
        if (ended) {
            sound = false;
            break;
        }
        // zlib counts its input in 32 bits; a larger piece is fed in turns.
        std::size_t offset = 0;
        while (sound && !ended && offset < piece.size()) {
            const std::size_t length = std::min<std::size_t>(piece.size() - offset, std::numeric_limits<uInt>::max());
            stream.next_in = const_cast<Bytef*>(piece.data() + offset);
            stream.avail_in = static_cast<uInt>(length);
            do {
                stream.next_out = scratch.data();
                stream.avail_out = static_cast<uInt>(scratch.size());
                const int status = inflate(&stream, Z_NO_FLUSH);
                total += scratch.size() - stream.avail_out;
                if (status == Z_STREAM_END) ended = true;
                // Z_BUF_ERROR only says that no progress was possible: the piece is used up.
                else if (status != Z_OK && status != Z_BUF_ERROR) sound = false;
                if (total > limit) sound = false;
            } while (sound && !ended && stream.avail_out == 0);
            // Bytes left in a piece after the end of the stream belong to no image.
            if (ended && stream.avail_in != 0) sound = false;
            offset += length;
        }
        if (!sound) break;
    }
    inflateEnd(&stream);
    if (!sound || !ended) return std::nullopt;
    return total;
}

} // namespace platform
