#pragma once
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

using Bytes = std::vector<std::uint8_t>;
// Large outputs and pixel buffers are shared, never copied, once they are made.
using SharedBytes = std::shared_ptr<const Bytes>;

} // namespace platform
