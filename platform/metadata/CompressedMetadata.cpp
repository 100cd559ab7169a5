#include "platform/metadata/CompressedMetadata.h"

#include <brotli/decode.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <limits>
#include <memory>

namespace platform {
namespace {

constexpr std::size_t scratchBytes = 64 * 1024;

} // namespace

std::size_t largestInflatedMetadata(std::size_t fileBytes) { return std::max<std::size_t>(fileBytes, 8'000'000); }

std::optional<Bytes> zlibInflated(ByteView compressed, std::size_t limit) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return std::nullopt;
    std::array<std::uint8_t, scratchBytes> scratch;
    Bytes inflated;
    std::size_t offset = 0;
    bool ended = false;
    for (;;) {
        // zlib counts its input in 32 bits; a larger stream is fed in turns.
        if (stream.avail_in == 0 && offset < compressed.size()) {
            const std::size_t length = std::min<std::size_t>(compressed.size() - offset, std::numeric_limits<uInt>::max());
            stream.next_in = const_cast<Bytef*>(compressed.data() + offset);
            stream.avail_in = static_cast<uInt>(length);
            offset += length;
        }
        const uLong before = stream.total_in;
        stream.next_out = scratch.data();
        stream.avail_out = static_cast<uInt>(scratch.size());
        const int status = inflate(&stream, Z_NO_FLUSH);
        const std::size_t made = scratch.size() - stream.avail_out;
        if (made > limit - inflated.size()) break;
        inflated.insert(inflated.end(), scratch.data(), scratch.data() + made);
        ended = status == Z_STREAM_END;
        // Z_BUF_ERROR only says no progress was possible; a call that made none ends the stream early.
        if (ended || (status != Z_OK && status != Z_BUF_ERROR) || (made == 0 && stream.total_in == before)) break;
    }
    inflateEnd(&stream);
    if (!ended) return std::nullopt;
    return inflated;
}

std::optional<Bytes> brotliDecoded(ByteView compressed, std::size_t limit) {
    std::unique_ptr<BrotliDecoderState, decltype(&BrotliDecoderDestroyInstance)> decoder(
        BrotliDecoderCreateInstance(nullptr, nullptr, nullptr), BrotliDecoderDestroyInstance);
    if (!decoder) return std::nullopt;
    std::array<std::uint8_t, scratchBytes> scratch;
    Bytes decoded;
    std::size_t availableIn = compressed.size();
    const std::uint8_t* nextIn = compressed.data();
    for (;;) {
        std::size_t availableOut = scratch.size();
        std::uint8_t* nextOut = scratch.data();
        const BrotliDecoderResult result =
            BrotliDecoderDecompressStream(decoder.get(), &availableIn, &nextIn, &availableOut, &nextOut, nullptr);
        const std::size_t made = scratch.size() - availableOut;
        if (made > limit - decoded.size()) return std::nullopt;
        decoded.insert(decoded.end(), scratch.data(), scratch.data() + made);
        if (result == BROTLI_DECODER_RESULT_SUCCESS) return decoded;
        // Wanting more input when there is none is a stream cut short.
        if (result != BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT || made == 0) return std::nullopt;
    }
}

} // namespace platform
