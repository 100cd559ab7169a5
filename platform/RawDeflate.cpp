#include "platform/RawDeflate.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <limits>

namespace platform {
namespace {

// zlib counts in 32-bit fields; larger buffers are handed over in slices of this size.
constexpr std::size_t largestSlice = std::numeric_limits<uInt>::max();

uInt slice(std::size_t left) { return static_cast<uInt>(std::min(left, largestSlice)); }

constexpr int rawWindowBits = -15;
constexpr int estimateLevel = 5;
constexpr int defaultMemoryLevel = 8;

} // namespace

std::optional<std::size_t> inflateRaw(std::span<const std::uint8_t> body, std::span<std::uint8_t> output) {
    z_stream stream{};
    if (inflateInit2(&stream, rawWindowBits) != Z_OK) return std::nullopt;

    std::size_t inputLeft = body.size();
    std::size_t outputLeft = output.size();
    stream.next_in = const_cast<Bytef*>(body.data());
    stream.next_out = output.data();
    std::optional<std::size_t> produced;
    for (;;) {
        if (outputLeft == 0) break; // full before the end: more data than room
        stream.avail_in = slice(inputLeft);
        stream.avail_out = slice(outputLeft);
        const uInt offeredIn = stream.avail_in;
        const uInt offeredOut = stream.avail_out;
        const int status = inflate(&stream, Z_NO_FLUSH);
        const std::size_t consumed = offeredIn - stream.avail_in;
        const std::size_t written = offeredOut - stream.avail_out;
        inputLeft -= consumed;
        outputLeft -= written;
        if (status == Z_STREAM_END) {
            produced = output.size() - outputLeft;
            break;
        }
        if (status != Z_OK) break; // data error, or a buffer error: nothing more can happen
        if (consumed == 0 && written == 0) break;
    }
    inflateEnd(&stream);
    return produced;
}

std::optional<std::size_t> rawDeflatedSize(std::span<const std::uint8_t> input, std::size_t limit) {
    if (input.empty()) return std::nullopt;
    z_stream stream{};
    if (deflateInit2(&stream, estimateLevel, Z_DEFLATED, rawWindowBits, defaultMemoryLevel,
                     Z_DEFAULT_STRATEGY) != Z_OK)
        return std::nullopt;

    // The output is counted and thrown away, so a small scratch area serves any input size.
    std::array<Bytef, 64 * 1024> scratch;
    std::size_t inputLeft = input.size();
    std::size_t total = 0;
    stream.next_in = const_cast<Bytef*>(input.data());
    std::optional<std::size_t> size;
    for (;;) {
        stream.avail_in = slice(inputLeft);
        const uInt offeredIn = stream.avail_in;
        stream.next_out = scratch.data();
        stream.avail_out = static_cast<uInt>(scratch.size());
        const int flush = stream.avail_in == inputLeft ? Z_FINISH : Z_NO_FLUSH;
        const int status = deflate(&stream, flush);
        inputLeft -= offeredIn - stream.avail_in;
        total += scratch.size() - stream.avail_out;
        if (total > limit) break;
        if (status == Z_STREAM_END) {
            size = total;
            break;
        }
        if (status != Z_OK && status != Z_BUF_ERROR) break;
        if (status == Z_BUF_ERROR && stream.avail_out != 0) break; // no progress was possible
    }
    deflateEnd(&stream);
    return size;
}

} // namespace platform
