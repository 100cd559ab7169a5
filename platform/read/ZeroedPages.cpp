#include "platform/read/ZeroedPages.h"

#include <sys/mman.h>

#include <utility>

namespace platform {

std::optional<ZeroedPages> ZeroedPages::make(std::size_t size) {
    if (size == 0) return std::nullopt;
    void* mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapped == MAP_FAILED) return std::nullopt;
    return ZeroedPages(static_cast<std::uint8_t*>(mapped), size);
}

ZeroedPages::ZeroedPages(ZeroedPages&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

ZeroedPages& ZeroedPages::operator=(ZeroedPages&& other) noexcept {
    if (this != &other) {
        if (data_) munmap(data_, size_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

ZeroedPages::~ZeroedPages() {
    if (data_) munmap(data_, size_);
}

} // namespace platform
