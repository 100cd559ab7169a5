#pragma once
#include "platform/base/ByteSource.h"

#include <libraw/libraw_datastream.h>

#include <cstdint>

namespace platform {

// A file libraw reads through a ByteSource: only what it asks for is read, a window at a
// time, so that a camera's header is parsed without reading the file whole.
//
// Thread rule: one thread at a time, as libraw reads.
class ByteSourceDatastream final : public LibRaw_abstract_datastream {
public:
    // `length` is the source's length in bytes.
    ByteSourceDatastream(ByteSource source, std::uint64_t length);

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

// The length of what a source holds, found by asking for single bytes.
std::uint64_t byteSourceLength(const ByteSource& source);

} // namespace platform
