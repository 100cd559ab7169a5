#include "platform/base/RawDeflate.h"

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

bool inflatesRawTo(std::span<const std::uint8_t> body, std::span<const std::uint8_t> expected) {
    z_stream stream{};
    if (inflateInit2(&stream, rawWindowBits) != Z_OK) return false;
    std::array<Bytef, 256 * 1024> window;
    std::size_t inputLeft = body.size();
    std::size_t compared = 0;
    stream.next_in = const_cast<Bytef*>(body.data());
    bool matches = false;
    for (;;) {
        stream.avail_in = slice(inputLeft);
        stream.next_out = window.data();
        stream.avail_out = static_cast<uInt>(window.size());
        const uInt offeredIn = stream.avail_in;
        const int status = inflate(&stream, Z_NO_FLUSH);
        const std::size_t consumed = offeredIn - stream.avail_in;
        const std::size_t written = window.size() - stream.avail_out;
        inputLeft -= consumed;
        if (written > expected.size() - compared ||
            !std::equal(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(written),
                        expected.begin() + static_cast<std::ptrdiff_t>(compared)))
            break;
        compared += written;
        if (status == Z_STREAM_END) {
            matches = compared == expected.size();
            break;
        }
        if (status != Z_OK) break; // data error, or a buffer error: nothing more can happen
        if (consumed == 0 && written == 0) break;
    }
    inflateEnd(&stream);
    return matches;
}

std::optional<std::size_t> rawDeflatedSize(std::span<const std::uint8_t> input, std::size_t limit) {
    RawDeflatedSizeCounter counter(limit);
    counter.add(input);
    return counter.finish();
}

struct RawDeflatedSizeCounter::Stream {
    z_stream z{};
    bool open = false;
    // The output is counted and thrown away, so a small scratch area serves any input size.
    std::array<Bytef, 64 * 1024> scratch;

    ~Stream() {
        if (open) deflateEnd(&z);
    }
};

RawDeflatedSizeCounter::RawDeflatedSizeCounter(std::size_t limit) : stream_(std::make_unique<Stream>()), limit_(limit) {
    // A fresh stream for every count: zlib's reset keeps stale window bytes past the end of
    // the input, which can steer the last matches and so the size.
    stream_->open = deflateInit2(&stream_->z, estimateLevel, Z_DEFLATED, rawWindowBits, defaultMemoryLevel,
                                 Z_DEFAULT_STRATEGY) == Z_OK;
    failed_ = !stream_->open;
}

RawDeflatedSizeCounter::~RawDeflatedSizeCounter() = default;

bool RawDeflatedSizeCounter::add(std::span<const std::uint8_t> piece) {
    if (failed_ || total_ > limit_) {
        failed_ = true;
        return false;
    }
    if (piece.empty()) return true;
    anyInput_ = true;
    return run(piece, false);
}

std::optional<std::size_t> RawDeflatedSizeCounter::finish() {
    if (failed_ || !anyInput_ || total_ > limit_ || !run({}, true)) return std::nullopt;
    return total_;
}

bool RawDeflatedSizeCounter::run(std::span<const std::uint8_t> piece, bool last) {
    z_stream& z = stream_->z;
    std::size_t inputLeft = piece.size();
    z.next_in = const_cast<Bytef*>(piece.data());
    for (;;) {
        z.avail_in = slice(inputLeft);
        const uInt offeredIn = z.avail_in;
        z.next_out = stream_->scratch.data();
        z.avail_out = static_cast<uInt>(stream_->scratch.size());
        const int flush = last && z.avail_in == inputLeft ? Z_FINISH : Z_NO_FLUSH;
        const int status = deflate(&z, flush);
        inputLeft -= offeredIn - z.avail_in;
        total_ += stream_->scratch.size() - z.avail_out;
        if (total_ > limit_) break;
        if (status == Z_STREAM_END) return true;
        if (status != Z_OK && status != Z_BUF_ERROR) break;
        // Without finishing, a piece is done once zlib has taken all of it and has room left.
        if (!last && inputLeft == 0 && z.avail_in == 0 && z.avail_out != 0) return true;
        if (status == Z_BUF_ERROR && z.avail_out != 0) break; // no progress was possible
    }
    failed_ = true;
    return false;
}

} // namespace platform
