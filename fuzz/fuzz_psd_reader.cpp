// Arbitrary bytes through the Photoshop reader: the file's layout, its resources, the merged
// image's properties and pixels, under a budget that keeps each decode small.
#include "platform/read/PSDBackend.h"

#include <cstdint>

namespace {

constexpr std::size_t largestInput = 1 << 20;
const platform::PixelBudget budget{std::uint64_t{16} << 20};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > largestInput) return 0;
    auto backend = platform::PSDBackend::open(std::make_shared<const platform::Bytes>(data, data + size));
    if (!backend) return 0;
    (void)backend->propertiesAt(0);
    (void)backend->xmpAt(0);
    auto result = backend->imageAt(0, budget);
    if (result.image) {
        volatile std::uint8_t last = result.image->row(result.image->height() - 1)[0];
        (void)last;
    }
    return 0;
}
