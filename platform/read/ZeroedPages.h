#pragma once
#include "platform/base/ByteView.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform {

// Bytes that all start as zeros, mapped privately and anonymously: a page of them takes memory
// only once something is written to it, so a buffer as large as a file costs what is copied in.
class ZeroedPages {
public:
    // Nothing when the system maps no more, or for no bytes.
    static std::optional<ZeroedPages> make(std::size_t size);

    ZeroedPages(ZeroedPages&& other) noexcept;
    ZeroedPages& operator=(ZeroedPages&& other) noexcept;
    ZeroedPages(const ZeroedPages&) = delete;
    ZeroedPages& operator=(const ZeroedPages&) = delete;
    ~ZeroedPages();

    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    ByteView view() const { return ByteView(data_, size_); }

private:
    ZeroedPages(std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace platform
