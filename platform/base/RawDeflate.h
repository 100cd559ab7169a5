#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace platform {

// The platform's own raw DEFLATE (RFC 1951) coder, zlib underneath. The program writes its
// zlib streams with libdeflate; this coder reads them back so that the check does not trust
// the writer, and gives a fast size estimate when choosing row filters.

// Decodes a raw DEFLATE body into `output`, never writing past its end. Gives the number of
// bytes produced when the stream reached its end; none for corrupt data, a stream that stops
// making progress (truncated), or output that fills up before the end. Bytes of the body after
// the end of the DEFLATE data are ignored.
std::optional<std::size_t> inflateRaw(std::span<const std::uint8_t> body, std::span<std::uint8_t> output);

// True when a raw DEFLATE body decodes to exactly `expected` and ends there. The decoded bytes
// pass through a small window and are compared as they come, so checking a stream costs no
// memory of its size.
bool inflatesRawTo(std::span<const std::uint8_t> body, std::span<const std::uint8_t> expected);

// The size of `input` compressed as raw DEFLATE at level 5 when that is at most `limit` bytes;
// none when it would be larger, the input is empty, or the encoder fails. Only counts: the
// compressed bytes are not kept.
std::optional<std::size_t> rawDeflatedSize(std::span<const std::uint8_t> input, std::size_t limit);

// rawDeflatedSize for input that arrives in pieces: the count for the pieces taken as one
// input is the same however they are cut. Counting stops as soon as the output passes the
// limit, so a candidate that cannot win costs only the part needed to show it.
class RawDeflatedSizeCounter {
public:
    explicit RawDeflatedSizeCounter(std::size_t limit);
    ~RawDeflatedSizeCounter();
    RawDeflatedSizeCounter(const RawDeflatedSizeCounter&) = delete;
    RawDeflatedSizeCounter& operator=(const RawDeflatedSizeCounter&) = delete;

    // False once the size is known to pass the limit or the encoder failed; from then on
    // pieces are ignored.
    bool add(std::span<const std::uint8_t> piece);
    // Ends the input: the size when the pieces held at least one byte and it is within the
    // limit.
    std::optional<std::size_t> finish();
    // Lowers the limit (it is never raised), for a count whose rival has just finished.
    void lowerLimit(std::size_t limit) { limit_ = std::min(limit_, limit); }

private:
    struct Stream;
    bool run(std::span<const std::uint8_t> piece, bool last);

    std::unique_ptr<Stream> stream_;
    std::size_t limit_;
    std::size_t total_ = 0;
    bool anyInput_ = false;
    bool failed_ = false;
};

} // namespace platform
