#include "platform/read/ByteSourceDatastream.h"

#include <libraw/libraw_datastream.h>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace platform {
namespace {

// A directory's entries in one read: libraw reads a header a few bytes at a time.
constexpr std::size_t windowBytes = 1024;
// scanf_one reads one number or word: no field libraw asks for is longer.
constexpr std::size_t mostFieldBytes = 24;

class ByteSourceDatastream final : public LibRaw_abstract_datastream {
public:
    ByteSourceDatastream(ByteSource source, std::uint64_t length) : source_(std::move(source)), length_(length) {}

    int valid() override { return 1; }
    int read(void* into, size_t size, size_t count) override;
    int seek(INT64 offset, int whence) override;
    INT64 tell() override { return static_cast<INT64>(position_); }
    INT64 size() override { return static_cast<INT64>(length_); }
    int get_char() override;
    char* gets(char* into, int size) override;
    int scanf_one(const char* format, void* value) override;
    int eof() override { return position_ >= length_; }
    void* make_jas_stream() override { return nullptr; }

private:
    // Copies up to `count` bytes from the position on, moving past them; gives how many.
    std::size_t take(std::uint8_t* into, std::size_t count);

    ByteSource source_;
    std::uint64_t length_;
    std::uint64_t position_ = 0;
    Bytes window_;
    std::uint64_t windowStart_ = 0;
};

} // namespace

std::size_t ByteSourceDatastream::take(std::uint8_t* into, std::size_t count) {
    std::size_t taken = 0;
    while (taken < count && position_ < length_) {
        const bool inWindow = position_ >= windowStart_ && position_ - windowStart_ < window_.size();
        if (!inWindow) {
            window_ = source_(position_, windowBytes);
            windowStart_ = position_;
            if (window_.empty()) break;
        }
        const std::size_t at = static_cast<std::size_t>(position_ - windowStart_);
        const std::size_t step = std::min(count - taken, window_.size() - at);
        std::copy_n(window_.data() + at, step, into + taken);
        taken += step;
        position_ += step;
    }
    return taken;
}

int ByteSourceDatastream::read(void* into, size_t size, size_t count) {
    if (size == 0 || count == 0) return 0;
    const std::size_t wanted = count > std::numeric_limits<std::size_t>::max() / size ? 0 : size * count;
    const std::size_t taken = take(static_cast<std::uint8_t*>(into), wanted);
    return static_cast<int>(std::min<std::size_t>(taken / size, std::numeric_limits<int>::max()));
}

int ByteSourceDatastream::seek(INT64 offset, int whence) {
    INT64 base = 0;
    if (whence == SEEK_CUR) base = static_cast<INT64>(position_);
    else if (whence == SEEK_END) base = static_cast<INT64>(length_);
    else if (whence != SEEK_SET) return -1;
    INT64 to = 0;
    if (__builtin_add_overflow(base, offset, &to)) return -1;
    // As a file does, a position past the end reads nothing.
    position_ = to < 0 ? 0 : static_cast<std::uint64_t>(to);
    return 0;
}

int ByteSourceDatastream::get_char() {
    std::uint8_t byte = 0;
    return take(&byte, 1) == 1 ? byte : -1;
}

char* ByteSourceDatastream::gets(char* into, int size) {
    if (size <= 0 || position_ >= length_) return nullptr;
    int filled = 0;
    while (filled < size - 1) {
        const int next = get_char();
        if (next < 0) break;
        into[filled++] = static_cast<char>(next);
        if (next == '\n') break;
    }
    into[filled] = 0;
    return into;
}

int ByteSourceDatastream::scanf_one(const char* format, void* value) {
    char field[mostFieldBytes + 1] = {};
    const std::uint64_t start = position_;
    const std::size_t read = take(reinterpret_cast<std::uint8_t*>(field), mostFieldBytes);
    const int scanned = read > 0 ? std::sscanf(field, format, value) : 0;
    // Up to what ends the field, as libraw's own buffer stream leaves it.
    const auto ends = [](char c) { return c == 0 || c == ' ' || c == '\t' || c == '\n'; };
    std::size_t used = 1;
    while (used < read && !ends(field[used])) ++used;
    position_ = start + (scanned > 0 ? used : 0);
    return scanned;
}

std::unique_ptr<LibRaw_abstract_datastream> byteSourceDatastream(ByteSource source, std::uint64_t length) {
    return std::make_unique<ByteSourceDatastream>(std::move(source), length);
}

std::uint64_t byteSourceLength(const ByteSource& source) {
    const auto holds = [&](std::uint64_t offset) { return !source(offset, 1).empty(); };
    if (!holds(0)) return 0;
    // Doubled past the end, then halved down to it: a few dozen single bytes for any file.
    std::uint64_t inside = 0, outside = 1;
    while (holds(outside)) {
        inside = outside;
        if (outside > std::numeric_limits<std::uint64_t>::max() / 2) return outside;
        outside *= 2;
    }
    while (outside - inside > 1) {
        const std::uint64_t middle = inside + (outside - inside) / 2;
        (holds(middle) ? inside : outside) = middle;
    }
    return outside;
}

} // namespace platform
